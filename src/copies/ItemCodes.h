#pragma once

#include <QList>
#include <QString>

namespace kestra {

// The fixed vocabularies of a copy: status codes (indi_acct.book_stat_code),
// circulation flags (item.book_lend_flag) and processing types
// (deal_log.deal_type_code). The names are part of the program, not of the
// database, and every list shows names, never codes.
struct CodeName {
    QString code;
    QString name;
};

namespace item_status {

// Every status in code order.
const QList<CodeName> &all();
// Code to name; a code outside the table gives an empty name.
QString name(const QString &code);
// Name to code; a name outside the table gives an empty code.
QString code(const QString &name);

// Not yet in the collection: acceptance and cataloguing (11-16), and 17
// when includeHandedOver.
bool beforeCollection(const QString &code, bool includeHandedOver);

} // namespace item_status

namespace lend_flag {

const QList<CodeName> &all();
// Code to name; any other value shows as itself.
QString name(const QString &code);
QString code(const QString &name);

} // namespace lend_flag

namespace deal_type {

const QList<CodeName> &all();
QString name(const QString &code);
QString code(const QString &name);

inline constexpr QLatin1String Repair("01");
inline constexpr QLatin1String CheckBack("02");
inline constexpr QLatin1String Weeding("03");
inline constexpr QLatin1String Gift("04");
inline constexpr QLatin1String Exchange("05");

} // namespace deal_type

} // namespace kestra
