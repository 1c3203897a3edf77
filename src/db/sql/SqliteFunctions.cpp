#include "db/sql/SqliteFunctions.h"

#include "db/sql/OracleFormat.h"
#include "db/sql/SqliteFunctionArgs.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <cmath>
#include <limits>
#include <sqlite3.h>

namespace kestra {

namespace sqlite_fn {

void fnConcat(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    QByteArray out;
    for (int i = 0; i < argc; ++i) {
        if (!isNull(argv[i]))
            out += textBytes(argv[i]);
    }
    resultText(ctx, out);
}

// SUBSTR(s, position[, length]): 1-based, 0 counts as 1, negative counts
// from the end; nothing left is NULL.
void fnSubstr(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (!argCount(ctx, argc, 2, 3, "SUBSTR"))
        return;
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    const QByteArray s = textBytes(argv[0]);
    qint64 pos, len = std::numeric_limits<qint64>::max();
    if (!intArg(ctx, argv[1], &pos) || (argc == 3 && !intArg(ctx, argv[2], &len)))
        return;
    const qint64 total = utf8Length(s);
    if (pos == 0)
        pos = 1;
    else if (pos < 0)
        pos = total + pos + 1;
    if (pos < 1 || pos > total || len < 1) {
        sqlite3_result_null(ctx);
        return;
    }
    const qsizetype from = utf8Offset(s, pos - 1);
    const qsizetype to = len >= total - pos + 1 ? s.size() : utf8Offset(s, pos - 1 + len);
    resultText(ctx, s.mid(from, to - from));
}

// INSTR(s, sub[, position[, occurrence]]): 0 when not found; a negative
// position searches backwards from that far from the end.
void fnInstr(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (!argCount(ctx, argc, 2, 4, "INSTR"))
        return;
    if (anyNull(argc, argv) || sqlite3_value_bytes(argv[1]) == 0) {
        sqlite3_result_null(ctx);
        return;
    }
    const QList<uint> s = textArg(argv[0]).toUcs4();
    const QList<uint> sub = textArg(argv[1]).toUcs4();
    qint64 pos = 1, occ = 1;
    if ((argc >= 3 && !intArg(ctx, argv[2], &pos)) || (argc == 4 && !intArg(ctx, argv[3], &occ)))
        return;
    if (occ < 1) {
        resultError(ctx, QStringLiteral("ORA-01428: argument '%1' is out of range").arg(occ));
        return;
    }
    const qint64 n = s.size(), m = sub.size();
    auto matchAt = [&](qint64 i) { // i 1-based
        if (i < 1 || i + m - 1 > n)
            return false;
        return std::equal(sub.begin(), sub.end(), s.begin() + (i - 1));
    };
    qint64 found = 0;
    if (pos > 0) {
        for (qint64 i = pos; i + m - 1 <= n; ++i) {
            if (matchAt(i) && ++found == occ) {
                sqlite3_result_int64(ctx, i);
                return;
            }
        }
    } else if (pos < 0) {
        for (qint64 i = n + pos + 1; i >= 1; --i) {
            if (matchAt(i) && ++found == occ) {
                sqlite3_result_int64(ctx, i);
                return;
            }
        }
    }
    sqlite3_result_int64(ctx, 0);
}

void pad(sqlite3_context *ctx, int argc, sqlite3_value **argv, bool left)
{
    if (!argCount(ctx, argc, 2, 3, left ? "LPAD" : "RPAD"))
        return;
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    const QList<uint> s = textArg(argv[0]).toUcs4();
    qint64 width;
    if (!intArg(ctx, argv[1], &width))
        return;
    const QList<uint> fill = argc == 3 ? textArg(argv[2]).toUcs4() : QList<uint>{u' '};
    if (width < 1 || fill.isEmpty()) {
        sqlite3_result_null(ctx);
        return;
    }
    width = std::min<qint64>(width, 32767);
    QList<uint> out;
    if (s.size() >= width) {
        out = s.mid(0, width);
    } else {
        QList<uint> padding;
        for (qint64 i = 0; i < width - s.size(); ++i)
            padding.append(fill[i % fill.size()]);
        out = left ? padding + s : s + padding;
    }
    resultText(ctx, QString::fromUcs4(reinterpret_cast<const char32_t *>(out.constData()), out.size()));
}

void fnLpad(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    pad(ctx, argc, argv, true);
}

void fnRpad(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    pad(ctx, argc, argv, false);
}

void changeCase(sqlite3_context *ctx, int argc, sqlite3_value **argv, bool upper)
{
    if (!argCount(ctx, argc, 1, 1, upper ? "UPPER" : "LOWER"))
        return;
    if (isNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    QByteArray s = textBytes(argv[0]);
    const bool ascii = std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        resultText(ctx, upper ? s.toUpper() : s.toLower());
    else
        resultText(ctx, upper ? QString::fromUtf8(s).toUpper() : QString::fromUtf8(s).toLower());
}

void fnUpper(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    changeCase(ctx, argc, argv, true);
}

void fnLower(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    changeCase(ctx, argc, argv, false);
}

// TRUNC and ROUND of a date kept as text, to a unit named by the format.
std::optional<QString> cutDate(const OracleDateTime &d, const QString &unit, bool round)
{
    OracleDateTime v = d;
    const QString u = unit.toUpper();
    if (u.isEmpty() || u == u"DD" || u == u"DDD" || u == u"J") {
        if (round && d.time.hour() >= 12)
            v.date = d.date.addDays(1);
        v.time = QTime(0, 0);
    } else if (u == u"MM" || u == u"MON" || u == u"MONTH") {
        v.date = QDate(d.date.year(), d.date.month(), 1);
        if (round && d.date.day() >= 16)
            v.date = v.date.addMonths(1);
        v.time = QTime(0, 0);
    } else if (u == u"YYYY" || u == u"YEAR" || u == u"YY" || u == u"Y" || u == u"RRRR") {
        v.date = QDate(d.date.year(), 1, 1);
        if (round && d.date.month() >= 7)
            v.date = v.date.addYears(1);
        v.time = QTime(0, 0);
    } else if (u == u"HH" || u == u"HH24" || u == u"HH12") {
        v.time = QTime(d.time.hour(), 0);
        if (round && d.time.minute() >= 30)
            v = OracleDateTime{v.date.addDays(v.time.hour() == 23 ? 1 : 0), QTime((v.time.hour() + 1) % 24, 0)};
    } else if (u == u"MI") {
        v.time = QTime(d.time.hour(), d.time.minute());
    } else {
        return std::nullopt;
    }
    return storedDateTimeText(v);
}

void cutNumberOrDate(sqlite3_context *ctx, int argc, sqlite3_value **argv, bool round)
{
    if (!argCount(ctx, argc, 1, 2, round ? "ROUND" : "TRUNC"))
        return;
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        const QString text = textArg(argv[0]);
        if (const std::optional<OracleDateTime> date = parseStoredDateTime(text)) {
            const std::optional<QString> r = cutDate(*date, argc == 2 ? textArg(argv[1]) : QString(), round);
            if (!r)
                resultError(ctx, QStringLiteral("ORA-01899: bad precision specifier"));
            else
                resultText(ctx, *r);
            return;
        }
    }
    double v;
    qint64 decimals = 0;
    if (!numberArg(ctx, argv[0], &v) || (argc == 2 && !intArg(ctx, argv[1], &decimals)))
        return;
    const int d = static_cast<int>(qBound(qint64(-60), decimals, qint64(60)));
    resultNumber(ctx, round ? oracleRound(v, d) : oracleTrunc(v, d));
}

void fnTrunc(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    cutNumberOrDate(ctx, argc, argv, false);
}

void fnRound(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    cutNumberOrDate(ctx, argc, argv, true);
}

int decimalPlaces(double v)
{
    const QString s = oracleNumberText(v);
    const qsizetype point = s.indexOf(u'.');
    return point < 0 || s.contains(u'E') ? 0 : static_cast<int>(s.size() - point - 1);
}

// MOD(m, n): the sign of m; MOD(m, 0) is m.
void fnMod(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (!argCount(ctx, argc, 2, 2, "MOD"))
        return;
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && sqlite3_value_type(argv[1]) == SQLITE_INTEGER) {
        const qint64 m = sqlite3_value_int64(argv[0]);
        const qint64 n = sqlite3_value_int64(argv[1]);
        sqlite3_result_int64(ctx, n == 0 ? m : n == -1 ? 0 : m % n);
        return;
    }
    double m, n;
    if (!numberArg(ctx, argv[0], &m) || !numberArg(ctx, argv[1], &n))
        return;
    if (n == 0) {
        resultNumber(ctx, m);
        return;
    }
    double r = oracleRound(std::fmod(m, n), std::max(decimalPlaces(m), decimalPlaces(n)));
    if (std::fabs(r) == std::fabs(n))
        r = 0;
    resultNumber(ctx, r);
}

void fnToChar(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (!argCount(ctx, argc, 1, 3, "TO_CHAR"))
        return;
    if (isNull(argv[0]) || (argc >= 2 && isNull(argv[1]))) {
        sqlite3_result_null(ctx);
        return;
    }
    const int type = sqlite3_value_type(argv[0]);
    if (argc == 1) {
        resultText(ctx, textBytes(argv[0]));
        return;
    }
    const QString format = textArg(argv[1]);
    const OracleFormatKind kind = classifyOracleFormat(format);
    QString error;
    std::optional<QString> out;
    if (kind == OracleFormatKind::Date) {
        if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
            error = QStringLiteral("ORA-01481: invalid number format model");
        } else if (const std::optional<OracleDateTime> d = parseStoredDateTime(textArg(argv[0]))) {
            out = formatOracleDate(*d, format, &error);
        } else {
            error = QStringLiteral("ORA-01722: invalid number");
        }
    } else if (kind == OracleFormatKind::Number) {
        double v;
        if (!numberArg(ctx, argv[0], &v))
            return;
        out = formatOracleNumber(v, format, &error);
    } else {
        error = QStringLiteral("ORA-01821: date format not recognized");
    }
    if (out)
        resultText(ctx, *out);
    else
        resultError(ctx, error);
}

void fnToDate(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (!argCount(ctx, argc, 1, 3, "TO_DATE"))
        return;
    if (isNull(argv[0]) || (argc >= 2 && isNull(argv[1]))) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString text = textArg(argv[0]);
    QString error = QStringLiteral("ORA-01861: literal does not match format string");
    const std::optional<OracleDateTime> d =
        argc == 1 ? parseStoredDateTime(text) : parseOracleDate(text, textArg(argv[1]), &error);
    if (d)
        resultText(ctx, storedDateTimeText(*d));
    else
        resultError(ctx, error);
}

void fnToNumber(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (!argCount(ctx, argc, 1, 3, "TO_NUMBER"))
        return;
    if (isNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    QString text = textArg(argv[0]);
    if (argc >= 2 && !isNull(argv[1])) {
        // Group separators and currency signs the format allows.
        const QString format = textArg(argv[1]).toUpper();
        if (format.contains(u',') || format.contains(u'G'))
            text.remove(u',');
        if (format.contains(u'$'))
            text.remove(u'$');
    }
    const std::optional<double> v = parseOracleNumber(text);
    if (!v)
        resultError(ctx, QStringLiteral("ORA-01722: invalid number"));
    else
        resultNumber(ctx, *v);
}

void fnDump(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (!argCount(ctx, argc, 1, 2, "DUMP"))
        return;
    qint64 format = 10;
    if (argc == 2 && !isNull(argv[1]) && !intArg(ctx, argv[1], &format))
        return;
    const QString text = isNull(argv[0]) ? QString() : textArg(argv[0]);
    const QByteArray out = oracleDump(text, static_cast<int>(format)).toLatin1();
    sqlite3_result_text(ctx, out.constData(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

void fnUnistr(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (!argCount(ctx, argc, 1, 1, "UNISTR"))
        return;
    if (isNull(argv[0])) {
        sqlite3_result_null(ctx);
        return;
    }
    QString error;
    const std::optional<QString> out = decodeUnistr(textArg(argv[0]), &error);
    if (out)
        resultText(ctx, *out);
    else
        resultError(ctx, error);
}

// kestra_as_number(x): a text column read as a number where Oracle compares
// it with one; text that holds none is NULL.
void fnAsNumber(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (!argCount(ctx, argc, 1, 1, "AS_NUMBER"))
        return;
    const int type = sqlite3_value_type(argv[0]);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    const std::optional<double> v = type == SQLITE_NULL ? std::nullopt : parseOracleNumber(textArg(argv[0]));
    if (v)
        resultNumber(ctx, *v);
    else
        sqlite3_result_null(ctx);
}

// kestra_refuse(text): what the translator sends in place of a statement
// it cannot give Oracle's meaning; fails with the text.
void fnRefuse(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    resultError(ctx,
                argc == 1 && !isNull(argv[0]) ? textArg(argv[0]) : QStringLiteral("ORA-03001: unimplemented feature"));
}

bool registerAll(sqlite3 *db)
{
    if (!db)
        return false;
    using Fn = void (*)(sqlite3_context *, int, sqlite3_value **);
    struct Def {
        const char *name;
        Fn fn;
    };
    static const Def pure[] = {
        {"kestra_concat", fnConcat}, {"kestra_substr", fnSubstr},  {"kestra_instr", fnInstr},
        {"kestra_lpad", fnLpad},     {"kestra_rpad", fnRpad},      {"kestra_upper", fnUpper},
        {"kestra_lower", fnLower},   {"kestra_trunc", fnTrunc},    {"kestra_round", fnRound},
        {"kestra_mod", fnMod},       {"kestra_to_char", fnToChar}, {"kestra_to_number", fnToNumber},
        {"kestra_dump", fnDump},     {"kestra_unistr", fnUnistr},  {"kestra_as_number", fnAsNumber},
    };
    const int pureFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    for (const Def &d : pure) {
        if (sqlite3_create_function_v2(db, d.name, -1, pureFlags, nullptr, d.fn, nullptr, nullptr, nullptr) !=
            SQLITE_OK)
            return false;
    }
    if (sqlite3_create_function_v2(db, "kestra_refuse", -1, SQLITE_UTF8, nullptr, fnRefuse, nullptr, nullptr,
                                   nullptr) != SQLITE_OK)
        return false;
    // to_date without a year takes the current one: not deterministic.
    if (sqlite3_create_function_v2(db, "kestra_to_date", -1, SQLITE_UTF8 | SQLITE_INNOCUOUS, nullptr, fnToDate, nullptr,
                                   nullptr, nullptr) != SQLITE_OK)
        return false;
    // currval first: registering nextval again frees the state the old
    // registration owned, and currval must already use the new one.
    auto *state = new SequenceState;
    if (sqlite3_create_function_v2(db, "kestra_currval", 1, SQLITE_UTF8, state, fnCurrval, nullptr, nullptr, nullptr) !=
        SQLITE_OK) {
        delete state;
        return false;
    }
    if (sqlite3_create_function_v2(db, "kestra_nextval", 1, SQLITE_UTF8, state, fnNextval, nullptr, nullptr,
                                   destroySequenceState) != SQLITE_OK)
        return false; // SQLite has called the destructor
    // Oracle's LIKE tells upper from lower case.
    return sqlite3_exec(db, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace sqlite_fn

bool registerOracleFunctions(sqlite3 *db)
{
    return sqlite_fn::registerAll(db);
}

bool registerOracleFunctions(const QSqlDatabase &db)
{
    if (!db.isOpen() || !db.driver())
        return false;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    return registerOracleFunctions(*static_cast<sqlite3 *const *>(handle.constData()));
}

} // namespace kestra
