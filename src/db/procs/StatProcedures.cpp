// The statistics package TJ_SORT: the base query of a statistic run once per
// class condition (GetCommonSortData) or once for its rows (GetBulkData),
// every value made one text with its fields separated by ",".

#include "db/OraError.h"
#include "db/procs/Procedures.h"
#include "db/sql/SqlTokenizer.h"

#include <optional>

namespace kestra {

namespace {

// The package's tables hold VARCHAR2(1800) elements and at most 1000 rows.
constexpr int StatElementChars = 1800;
constexpr int StatBulkRows = 1000;

QString statRowText(const Row &row)
{
    QStringList fields;
    fields.reserve(row.size());
    for (const QVariant &v : row)
        fields.append(v.isNull() ? QString() : v.toString());
    return fields.join(u',');
}

bool statTooLong(const QString &text, DbError &error)
{
    if (text.size() <= StatElementChars)
        return false;
    error = ora::make(6502, QStringLiteral("PL/SQL: numeric or value error: character string buffer too small "
                                           "(TJ_SORT element of %1 characters, at most %2)")
                                .arg(text.size())
                                .arg(StatElementChars));
    return true;
}

// The base query rewritten so that one pass over its rows gives every
// condition's value: each aggregate F([DISTINCT] x) of its select list
// becomes F([DISTINCT] CASE WHEN (condition) THEN x END), once per
// condition, all in one select list over the base query's own FROM and
// WHERE. Aggregates skip NULLs, so each group of columns is the aggregate of
// the rows the condition takes, as the query restricted by it would give.
// Nothing when the query is not a plain aggregate query (GROUP BY, HAVING,
// a set operation, a column outside any aggregate) or a condition does not
// begin with AND: those run once per condition. `columns` is the number of
// select-list columns per condition.
std::optional<QString> statOnePass(const QString &base, const QStringList &conditions, int &columns)
{
    const std::vector<SqlToken> t = tokenizeSql(base);
    const QStringView sql(base);
    int depth = 0;
    int selectAt = -1;
    int fromAt = -1;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind == SqlToken::LParen)
            ++depth;
        else if (t[i].kind == SqlToken::RParen)
            --depth;
        if (depth != 0)
            continue;
        if (selectAt < 0 && t[i].is(sql, QLatin1StringView("SELECT")))
            selectAt = int(i);
        else if (selectAt >= 0 && fromAt < 0 && t[i].is(sql, QLatin1StringView("FROM")))
            fromAt = int(i);
        else if (fromAt >= 0 &&
                 (t[i].is(sql, QLatin1StringView("GROUP")) || t[i].is(sql, QLatin1StringView("HAVING")) ||
                  t[i].is(sql, QLatin1StringView("UNION")) || t[i].is(sql, QLatin1StringView("INTERSECT")) ||
                  t[i].is(sql, QLatin1StringView("MINUS")) || t[i].is(sql, QLatin1StringView("ORDER")) ||
                  t[i].is(sql, QLatin1StringView("CONNECT")) || t[i].kind == SqlToken::Semicolon))
            return std::nullopt;
    }
    if (selectAt != 0 || fromAt < 0 || t[std::size_t(selectAt) + 1].is(sql, QLatin1StringView("DISTINCT")))
        return std::nullopt;
    QStringList pieces;                   // the select list split around its aggregates' arguments
    QList<std::pair<int, int>> arguments; // token ranges of the aggregates' arguments
    columns = 1;
    int aggregates = 0;
    int outside = 0; // column references outside any aggregate
    depth = 0;
    for (int i = selectAt + 1; i < fromAt; ++i) {
        const SqlToken &k = t[std::size_t(i)];
        if (k.kind == SqlToken::Comma && depth == 0)
            ++columns;
        if (k.kind == SqlToken::LParen)
            ++depth;
        else if (k.kind == SqlToken::RParen)
            --depth;
        const bool aggregate = k.is(sql, QLatin1StringView("COUNT")) || k.is(sql, QLatin1StringView("SUM")) ||
                               k.is(sql, QLatin1StringView("MIN")) || k.is(sql, QLatin1StringView("MAX")) ||
                               k.is(sql, QLatin1StringView("AVG"));
        if (aggregate && t[std::size_t(i) + 1].kind == SqlToken::LParen) {
            int close = i + 2;
            for (int d = 1; close < fromAt; ++close) {
                if (t[std::size_t(close)].kind == SqlToken::LParen)
                    ++d;
                else if (t[std::size_t(close)].kind == SqlToken::RParen && --d == 0)
                    break;
            }
            if (close >= fromAt)
                return std::nullopt;
            arguments.append({i + 2, close});
            ++aggregates;
            i = close;
            continue;
        }
        if (k.kind == SqlToken::Identifier && !aggregate)
            ++outside;
    }
    if (aggregates == 0 || outside > 0)
        return std::nullopt;
    QStringList lists;
    for (const QString &condition : conditions) {
        const QString c = condition.trimmed();
        if (!c.startsWith(QLatin1String("AND "), Qt::CaseInsensitive))
            return std::nullopt;
        const QString test = QStringLiteral("(") + c.mid(4) + u')';
        QString list;
        int at = t[std::size_t(selectAt)].end();
        for (const auto &[first, last] : std::as_const(arguments)) {
            int from = first;
            list += sql.mid(at, t[std::size_t(from)].triviaStart - at);
            if (t[std::size_t(from)].is(sql, QLatin1StringView("DISTINCT"))) {
                list += QStringLiteral(" DISTINCT");
                ++from;
            }
            const QStringView argument =
                sql.mid(t[std::size_t(from)].start, t[std::size_t(last)].triviaStart - t[std::size_t(from)].start);
            list += QStringLiteral(" CASE WHEN ") + test + QStringLiteral(" THEN ") +
                    (argument.trimmed() == u"*" ? QStringLiteral("1") : argument.toString()) + QStringLiteral(" END");
            at = t[std::size_t(last)].triviaStart;
        }
        list += sql.mid(at, t[std::size_t(fromAt)].triviaStart - at);
        lists.append(list);
    }
    return QStringLiteral("SELECT ") + lists.join(u',') + u' ' + sql.mid(t[std::size_t(fromAt)].start).toString();
}

// GetCommonSortData(STRSQL, ARRAYSIZE, CONDITION, RESULT): RESULT(i) is the
// value of STRSQL with CONDITION(i) appended, for i below ARRAYSIZE.
bool tjSortCommon(ProcHost &host, ProcArgs &args, DbError &error)
{
    const QString base = args.text(0);
    const QStringList conditions = args.list(2);
    const int n = args.isNull(1) ? int(conditions.size()) : int(args.number(1));
    if (base.isEmpty() || n < 0 || n > conditions.size()) {
        error = ora::make(6533, QStringLiteral("Subscript beyond count (TJ_SORT.GetCommonSortData: %1 conditions "
                                               "for ARRAYSIZE %2)")
                                    .arg(conditions.size())
                                    .arg(n));
        return false;
    }
    QStringList result;
    result.reserve(n);
    for (int i = 0; i < n; ++i) {
        if (statTooLong(conditions.at(i), error))
            return false;
    }
    int columns = 0;
    // SQLite scans the copies once per condition whatever the condition, so
    // one pass over them is the cheaper plan there; PostgreSQL filters the
    // call numbers first and joins the few copies they hold, which beats
    // testing every condition on every copy.
    const std::optional<QString> onePass =
        host.kind() == BackendTarget::Kind::Sqlite ? statOnePass(base, conditions.mid(0, n), columns) : std::nullopt;
    if (onePass && n > 0) {
        QList<Row> rows;
        if (!selectOracle(host, *onePass, rows, error))
            return false;
        for (int i = 0; i < n; ++i) {
            Row fields = rows.isEmpty() ? Row() : rows.first().mid(i * columns, columns);
            const QString value = statRowText(fields);
            if (statTooLong(value, error))
                return false;
            result.append(value);
        }
        args.setOutput(3, result);
        return true;
    }
    for (int i = 0; i < n; ++i) {
        QList<Row> rows;
        if (!selectOracle(host, base + conditions.at(i), rows, error))
            return false;
        const QString value = rows.isEmpty() ? QString() : statRowText(rows.first());
        if (statTooLong(value, error))
            return false;
        result.append(value);
    }
    args.setOutput(3, result);
    return true;
}

// GetBulkData(STRSQL, ARRAYSIZE, RESULT): the query's first 1000 rows.
bool tjSortBulk(ProcHost &host, ProcArgs &args, DbError &error)
{
    QList<Row> rows;
    if (!selectOracle(host, args.text(0), rows, error))
        return false;
    QStringList result;
    for (int i = 0; i < rows.size() && i < StatBulkRows; ++i) {
        const QString value = statRowText(rows.at(i));
        if (statTooLong(value, error))
            return false;
        result.append(value);
    }
    args.setOutput(1, double(result.size()));
    args.setOutput(2, result);
    return true;
}

} // namespace

const QList<ProcedureDef> &statProcedures()
{
    static const QList<ProcedureDef> procedures = {
        {"TJ_SORT.GetCommonSortData", 4, 4, &tjSortCommon},
        {"TJ_SORT.GetBulkData", 3, 3, &tjSortBulk},
    };
    return procedures;
}

} // namespace kestra
