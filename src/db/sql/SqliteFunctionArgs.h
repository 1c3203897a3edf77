#pragma once

// The helpers of the Oracle functions registered on a SQLite connection:
// reading arguments as Oracle would, and giving results and errors.

#include "db/sql/OracleFormat.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <cmath>
#include <limits>
#include <sqlite3.h>

namespace kestra::sqlite_fn {

// --- arguments and results ---------------------------------------------------

inline bool isNull(sqlite3_value *v)
{
    return sqlite3_value_type(v) == SQLITE_NULL;
}

inline QByteArray rawBytes(sqlite3_value *v)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(v));
    return QByteArray(p, sqlite3_value_bytes(v));
}

// A value as Oracle would turn it into text: numbers in Oracle's form
// (SQLite would write 25.0 for a REAL).
inline QByteArray textBytes(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return QByteArray::number(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return oracleNumberText(sqlite3_value_double(v)).toLatin1();
    default:
        return rawBytes(v);
    }
}

inline QString textArg(sqlite3_value *v)
{
    return QString::fromUtf8(textBytes(v));
}

// A value as Oracle would turn it into a number; text that is not one is
// ORA-01722.
inline bool numberArg(sqlite3_context *ctx, sqlite3_value *v, double *out)
{
    const int type = sqlite3_value_type(v);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        *out = sqlite3_value_double(v);
        return true;
    }
    const std::optional<double> d = parseOracleNumber(QString::fromUtf8(rawBytes(v)));
    if (!d) {
        sqlite3_result_error(ctx, "ORA-01722: invalid number", -1);
        return false;
    }
    *out = *d;
    return true;
}

// A position or length argument: Oracle truncates it to an integer.
inline bool intArg(sqlite3_context *ctx, sqlite3_value *v, qint64 *out)
{
    if (sqlite3_value_type(v) == SQLITE_INTEGER) {
        *out = sqlite3_value_int64(v);
        return true;
    }
    double d;
    if (!numberArg(ctx, v, &d))
        return false;
    d = std::trunc(d);
    *out = d > 1e15 ? qint64(1e15) : d < -1e15 ? qint64(-1e15) : static_cast<qint64>(d);
    return true;
}

inline void resultText(sqlite3_context *ctx, const QByteArray &utf8)
{
    // Oracle has no empty text.
    if (utf8.isEmpty())
        sqlite3_result_null(ctx);
    else
        sqlite3_result_text(ctx, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

inline void resultText(sqlite3_context *ctx, const QString &text)
{
    resultText(ctx, text.toUtf8());
}

inline void resultNumber(sqlite3_context *ctx, double v)
{
    if (std::isfinite(v) && v == std::trunc(v) && std::fabs(v) < 9.0e15)
        sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(v));
    else
        sqlite3_result_double(ctx, v);
}

inline void resultError(sqlite3_context *ctx, const QString &message)
{
    const QByteArray utf8 = message.toUtf8();
    sqlite3_result_error(ctx, utf8.constData(), static_cast<int>(utf8.size()));
}

inline bool argCount(sqlite3_context *ctx, int argc, int low, int high, const char *name)
{
    if (argc >= low && argc <= high)
        return true;
    resultError(ctx, QStringLiteral("ORA-00909: invalid number of arguments to %1").arg(QLatin1StringView(name)));
    return false;
}

inline bool anyNull(int argc, sqlite3_value **argv)
{
    for (int i = 0; i < argc; ++i) {
        if (isNull(argv[i]))
            return true;
    }
    return false;
}

// The byte offset of character `index` (0-based) in UTF-8 text.
inline qsizetype utf8Offset(const QByteArray &s, qint64 index)
{
    qint64 seen = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (seen == index)
                return i;
            ++seen;
        }
    }
    return s.size();
}

inline qint64 utf8Length(const QByteArray &s)
{
    qint64 n = 0;
    for (const char c : s)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// --- sequences (SqliteSequenceFunctions.cpp) ---------------------------------

// The values this connection has drawn, for currval.
struct SequenceState {
    QHash<QString, qint64> last;
};

void fnNextval(sqlite3_context *ctx, int argc, sqlite3_value **argv);
void fnCurrval(sqlite3_context *ctx, int argc, sqlite3_value **argv);
void destroySequenceState(void *p);

} // namespace kestra::sqlite_fn
