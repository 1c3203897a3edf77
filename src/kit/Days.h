#pragma once

#include <QDate>
#include <QString>

namespace kestra {

class AppContext;

// Days as the suite stores them: "yyyy-mm-dd" text, the first ten
// characters of a date-and-time value.
namespace day {

QString text(const QDate &date);
// The day a text begins with; an invalid date when it begins with none.
QDate from(const QString &text);
// Today by the server's clock, or by the workstation's when the server
// gives no date.
QDate today(AppContext &context);

} // namespace day

} // namespace kestra
