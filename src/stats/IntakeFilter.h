#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace kestra {

class AppContext;

// An entry of a filter list.
struct FilterCode {
    QString code;
    QString name;
};

// The span of a new-book statistic: a year, a month of a year, or a period.
enum class IntakeSpan { Year, Month, Period };

// What the new-book statistics count. Codes, not list entries; an empty
// code restricts nothing. No batch marked counts every copy that came
// through acceptance. Locations: empty restricts nothing (the windows that
// need one say so before they count).
struct IntakeConditions {
    IntakeSpan span = IntakeSpan::Year;
    int year = 0;
    int month = 0; // 1-12
    QDate begin;   // a period's bounds, inclusive
    QDate end;
    QString docType;
    QString language;
    QStringList batches;
    QStringList locations;
};

// The filter every statistics window shares: its lists and its SQL.
namespace intake_filter {

// The month of a cobMonth entry ("3月" -> 3); 0 for a text that names none.
int monthOf(const QString &entry);
// The span as printed: "2025", "2025-03" or "2025-03-01 到 2025-03-31".
QString spanText(const IntakeConditions &conditions);

// The code lists; loaded on first use. -1 after showing the database error.
int docTypes(AppContext &context, QList<FilterCode> &out);
int languages(AppContext &context, QList<FilterCode> &out);
// Every holdings location, by name.
int locations(AppContext &context, QList<FilterCode> &out);
// The handover batches sent to the stores in the span, in order.
int batches(AppContext &context, const IntakeConditions &conditions, QStringList &out);

// The document type and language conditions (records joined as marc).
QString recordSql(const IntakeConditions &conditions);
// The span on a date column of copies or batches.
QString spanSql(const IntakeConditions &conditions, const QString &column);
// Record, span and batch conditions after the join of copies and records.
QString intakeSql(const IntakeConditions &conditions);
// The location condition: " AND indi_acct.dis_location = " one, or IN the
// several; empty for none.
QString locationSql(const QStringList &locations);

// The conditions as the arguments of a window opened on them (the new-book
// list of "book"): span, year, month, begin, end, docType, language,
// batches, locations.
QVariantMap toArgs(const IntakeConditions &conditions);
IntakeConditions fromArgs(const QVariantMap &args);

} // namespace intake_filter

inline QVariantMap newBookListArgs(const IntakeConditions &conditions)
{
    return intake_filter::toArgs(conditions);
}

} // namespace kestra
