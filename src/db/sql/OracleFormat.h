#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <optional>

namespace kestra {

// Oracle's conversions between numbers, dates and text, as the SQLite
// functions imitate them. Failures carry Oracle's error text
// ("ORA-01821: date format not recognized").

// Oracle's text of a NUMBER without a format (TO_CHAR(n), n || ''): no
// trailing zeros, no leading zero before the point (.5, -.5), no exponent
// below 1e40. Doubles are taken to 15 significant digits, as a NUMBER
// column would have stored them.
QString oracleNumberText(double value);
QString oracleNumberText(qint64 value);

// Whether a TO_CHAR format is one for dates or for numbers.
enum class OracleFormatKind { Date, Number, Unknown };
OracleFormatKind classifyOracleFormat(QStringView format);

struct OracleDateTime {
    QDate date;
    QTime time{0, 0};
};

// A date as the client stores it: "yyyy-mm-dd", optionally followed by
// " hh:mm", " hh:mm:ss" or " hh:mm:ss.fff" (or a "T" for the blank).
std::optional<OracleDateTime> parseStoredDateTime(QStringView text);
// "yyyy-mm-dd hh:mm:ss", the form sysdate has on SQLite.
QString storedDateTimeText(const OracleDateTime &value);

std::optional<QString> formatOracleDate(const OracleDateTime &value, QStringView format, QString *error);
std::optional<QString> formatOracleNumber(double value, QStringView format, QString *error);
// TO_DATE(text, format).
std::optional<OracleDateTime> parseOracleDate(QStringView text, QStringView format, QString *error);
// TO_NUMBER(text): Oracle's numeric literal forms, blanks around allowed.
std::optional<double> parseOracleNumber(QStringView text);

// ROUND and TRUNC of a NUMBER to a number of decimals (negative: to tens,
// hundreds), decimal-exact on the value's 15 significant digits; ROUND
// rounds half away from zero.
double oracleRound(double value, int decimals);
double oracleTrunc(double value, int decimals);

// DUMP(text, format) of a national-character column: the UTF-16 code units
// of the text, each as two bytes high byte first: "Typ=1 Len=4: 4e,2d,56,fd".
// format 16 hexadecimal, 8 octal, 10 (the default) decimal; 1000 added
// names the character set. Empty text (which Oracle has not) gives "NULL".
QString oracleDump(QStringView text, int format);

// UNISTR: "\XXXX" gives the UTF-16 code unit XXXX, "\\" a backslash.
std::optional<QString> decodeUnistr(QStringView text, QString *error);

} // namespace kestra
