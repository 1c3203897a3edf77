// The statistics package TJ_SORT: the base query of a statistic run once per
// class condition (GetCommonSortData) or once for its rows (GetBulkData),
// every value made one text with its fields separated by ",".

#include "db/OraError.h"
#include "db/procs/Procedures.h"
#include "db/sql/SqlTokenizer.h"

#include <algorithm>
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

// A plain aggregate query: SELECT <list> FROM ..., every column of the list
// inside an aggregate, no GROUP BY, HAVING, set operation or ORDER BY.
struct AggregateCall {
    QString function; // COUNT, SUM, MIN, MAX or AVG, upper case
    bool distinct = false;
    QString argument; // "*" for COUNT(*)
};
struct AggregateQuery {
    QStringList pieces; // the select list around its aggregate calls: one more than `calls`
    QList<AggregateCall> calls;
    QString from; // FROM to the end
    int columns = 1;
};

std::optional<AggregateQuery> parseAggregateQuery(const QString &base)
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
                  t[i].is(sql, QLatin1StringView("CONNECT")) || t[i].is(sql, QLatin1StringView("ROWNUM")) ||
                  t[i].kind == SqlToken::Semicolon))
            return std::nullopt;
    }
    if (selectAt != 0 || fromAt < 0 || t[std::size_t(selectAt) + 1].is(sql, QLatin1StringView("DISTINCT")))
        return std::nullopt;
    AggregateQuery q;
    int outside = 0; // column references outside any aggregate
    int at = t[std::size_t(selectAt)].end();
    depth = 0;
    for (int i = selectAt + 1; i < fromAt; ++i) {
        const SqlToken &k = t[std::size_t(i)];
        if (k.kind == SqlToken::Comma && depth == 0)
            ++q.columns;
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
            if (close >= fromAt || close == i + 2)
                return std::nullopt;
            AggregateCall call;
            call.function = k.text(sql).toString().toUpper();
            int from = i + 2;
            if (t[std::size_t(from)].is(sql, QLatin1StringView("DISTINCT"))) {
                call.distinct = true;
                ++from;
            }
            call.argument =
                sql.mid(t[std::size_t(from)].start, t[std::size_t(close)].triviaStart - t[std::size_t(from)].start)
                    .trimmed()
                    .toString();
            q.pieces.append(sql.mid(at, k.triviaStart - at).toString());
            q.calls.append(call);
            at = t[std::size_t(close)].end();
            i = close;
            continue;
        }
        if (k.kind == SqlToken::Identifier && !aggregate)
            ++outside;
    }
    if (q.calls.isEmpty() || outside > 0)
        return std::nullopt;
    q.pieces.append(sql.mid(at, t[std::size_t(fromAt)].triviaStart - at).toString());
    q.from = sql.mid(t[std::size_t(fromAt)].start).toString();
    return q;
}

// The select list with each aggregate call i replaced by make(i).
template <typename Make>
QString aggregateList(const AggregateQuery &q, Make make)
{
    QString list = q.pieces.first();
    for (qsizetype i = 0; i < q.calls.size(); ++i)
        list += u' ' + make(i) + u' ' + q.pieces.at(i + 1);
    return list;
}

// The test of a condition " AND <test>" that holds of a row exactly when
// the base query with the condition appended keeps it: nothing when an OR
// at its top level would bind the base query's own WHERE as well
// (" AND a OR b" appended is "(where AND a) OR b").
std::optional<QString> conditionTest(const QString &condition)
{
    const QString c = condition.trimmed();
    if (!c.startsWith(QLatin1String("AND "), Qt::CaseInsensitive))
        return std::nullopt;
    const QString test = c.mid(4);
    const std::vector<SqlToken> t = tokenizeSql(test);
    int depth = 0;
    for (const SqlToken &k : t) {
        if (k.kind == SqlToken::LParen)
            ++depth;
        else if (k.kind == SqlToken::RParen)
            --depth;
        else if (depth == 0 && (k.is(test, QLatin1StringView("OR")) || k.kind == SqlToken::Semicolon))
            return std::nullopt;
        if (depth < 0 || k.unterminated)
            return std::nullopt;
    }
    return test;
}

// The base query rewritten so that one pass over its rows gives every
// condition's value: each aggregate F([DISTINCT] x) of its select list
// becomes F([DISTINCT] CASE WHEN (condition) THEN x END), once per
// condition, all in one select list over the base query's own FROM and
// WHERE. Aggregates skip NULLs, so each group of columns is the aggregate of
// the rows the condition takes, as the query restricted by it would give.
// Nothing when the query is not a plain aggregate query or a condition does
// not begin with AND: those run once per condition.
std::optional<QString> statOnePass(const AggregateQuery &q, const QStringList &conditions)
{
    QStringList lists;
    for (const QString &condition : conditions) {
        const std::optional<QString> plain = conditionTest(condition);
        if (!plain)
            return std::nullopt;
        const QString test = QStringLiteral("(") + *plain + u')';
        lists.append(aggregateList(q, [&](qsizetype i) {
            const AggregateCall &a = q.calls.at(i);
            return QString(a.function + u'(' + (a.distinct ? QStringLiteral("DISTINCT ") : QString()) +
                           QStringLiteral("CASE WHEN ") + test + QStringLiteral(" THEN ") +
                           (a.argument == u"*" ? QStringLiteral("1") : a.argument) + QStringLiteral(" END)"));
        }));
    }
    return QStringLiteral("SELECT ") + lists.join(u',') + u' ' + q.from;
}

// A column a condition reads ("call_no_lst.call_no"), and the name it has
// among the groups (tj_c1, tj_c2 ...).
struct GroupColumn {
    QString table;
    QString column;
    bool operator==(const GroupColumn &) const = default;
};

// The conditions' tests rewritten over the groups, when every name they read
// is a column named with its table ("call_no_lst.call_no",
// "indi_acct.call_no") and nothing else is read: no other name, no
// subquery, only functions that give the same value for the same
// arguments. Each such column becomes tj_g.tj_cN, N its place in `columns`
// (in the order first read).
std::optional<QStringList> groupedTests(const QStringList &conditions, QList<GroupColumn> &columns)
{
    static const QList<QLatin1StringView> words{
        QLatin1StringView("AND"),  QLatin1StringView("OR"),      QLatin1StringView("NOT"),
        QLatin1StringView("LIKE"), QLatin1StringView("IN"),      QLatin1StringView("IS"),
        QLatin1StringView("NULL"), QLatin1StringView("BETWEEN"), QLatin1StringView("ESCAPE")};
    static const QList<QLatin1StringView> functions{QLatin1StringView("SUBSTR"), QLatin1StringView("UPPER"),
                                                    QLatin1StringView("LOWER"),  QLatin1StringView("TRIM"),
                                                    QLatin1StringView("LTRIM"),  QLatin1StringView("RTRIM"),
                                                    QLatin1StringView("LENGTH"), QLatin1StringView("NVL"),
                                                    QLatin1StringView("INSTR"),  QLatin1StringView("REPLACE")};
    QStringList tests;
    columns.clear();
    for (const QString &condition : conditions) {
        const std::optional<QString> test = conditionTest(condition);
        if (!test)
            return std::nullopt;
        const std::vector<SqlToken> t = tokenizeSql(*test);
        const QStringView sql(*test);
        QString rewritten;
        int at = 0;
        for (std::size_t i = 0; i < t.size(); ++i) {
            const SqlToken &k = t[i];
            if (k.kind == SqlToken::QuotedIdentifier || k.kind == SqlToken::Bind || k.kind == SqlToken::Semicolon ||
                k.kind == SqlToken::Other || k.unterminated)
                return std::nullopt;
            if (k.kind != SqlToken::Identifier)
                continue;
            if (t[i + 1].kind == SqlToken::Dot) {
                if (i + 2 >= t.size() || t[i + 2].kind != SqlToken::Identifier || t[i + 3].kind == SqlToken::Dot)
                    return std::nullopt;
                const GroupColumn c{k.text(sql).toString().toLower(), t[i + 2].text(sql).toString().toLower()};
                qsizetype n = columns.indexOf(c);
                if (n < 0) {
                    n = columns.size();
                    columns.append(c);
                }
                rewritten += sql.mid(at, k.start - at) + QStringLiteral("tj_g.tj_c%1").arg(n + 1);
                at = t[i + 2].end();
                i += 2;
                continue;
            }
            const auto is = [&](QLatin1StringView w) { return k.is(sql, w); };
            const bool word = std::any_of(words.begin(), words.end(), is);
            const bool function =
                t[i + 1].kind == SqlToken::LParen && std::any_of(functions.begin(), functions.end(), is);
            if (!word && !function)
                return std::nullopt;
        }
        tests.append(rewritten + sql.mid(at));
    }
    return tests;
}

// The base query's rows grouped by the columns the conditions read and the
// arguments it counts distinct, each group carrying the partial aggregates
// of its rows, so that a condition, being the same for every row of a group,
// takes or leaves whole groups:
//   groups:  SELECT t.c1 AS tj_c1, ..., x AS tj_k1 (a distinct argument),
//            COUNT(y) AS tj_k2, SUM(z) AS tj_k3 ... <FROM ... WHERE> GROUP BY
//            t.c1, ..., x
//   value:   SELECT COUNT(DISTINCT tj_k1) || ',' || COALESCE(SUM(tj_k2),0)
//            ... FROM <groups> tj_g WHERE <condition over tj_g>
// A title counted distinct stays one however many groups (call numbers) it
// falls in. Nothing for AVG and SUM(DISTINCT), which partial aggregates do
// not give.
struct GroupedPlan {
    QString groups;      // the query of the groups
    QString value;       // the select list of a condition's value over them
    QStringList columns; // the condition columns among the groups: tj_c1 ...
    QStringList tests;   // each condition over the groups (alias tj_g)
};

std::optional<GroupedPlan> statGrouped(const AggregateQuery &q, const QStringList &conditions)
{
    GroupedPlan plan;
    QList<GroupColumn> read;
    const std::optional<QStringList> tests = groupedTests(conditions, read);
    if (!tests || read.isEmpty())
        return std::nullopt;
    plan.tests = *tests;
    QStringList select;
    QStringList keys;
    QStringList distinct;
    for (qsizetype i = 0; i < read.size(); ++i) {
        const QString name = QStringLiteral("tj_c%1").arg(i + 1);
        select.append(read.at(i).table + u'.' + read.at(i).column + QStringLiteral(" AS ") + name);
        keys.append(read.at(i).table + u'.' + read.at(i).column);
        plan.columns.append(name);
    }
    for (qsizetype i = 0; i < q.calls.size(); ++i) {
        const AggregateCall &a = q.calls.at(i);
        const QString name = QStringLiteral("tj_k%1").arg(i + 1);
        if (a.function == u"AVG" || (a.distinct && a.function == u"SUM"))
            return std::nullopt;
        if (a.distinct && a.function == u"COUNT") {
            select.append(a.argument + QStringLiteral(" AS ") + name);
            distinct.append(a.argument);
        } else {
            select.append(a.function + u'(' + a.argument + QStringLiteral(") AS ") + name);
        }
    }
    // What is counted distinct leads the key: the title changes from copy to
    // copy where the call number's scheme does not, and the copies come
    // mostly in the order of their titles, so the sort compares less and
    // meets runs already in order (a million copies on SQLite: 2.4-2.8 s of
    // CPU against 4.0 with the scheme first).
    plan.groups = QStringLiteral("SELECT ") + select.join(u',') + u' ' + q.from + QStringLiteral(" GROUP BY ") +
                  (distinct + keys).join(u',');
    plan.value = aggregateList(q, [&](qsizetype i) {
        const AggregateCall &a = q.calls.at(i);
        const QString name = QStringLiteral("tj_k%1").arg(i + 1);
        if (a.function == u"COUNT")
            return a.distinct ? QString(QStringLiteral("COUNT(DISTINCT ") + name + u')')
                              : QString(QStringLiteral("COALESCE(SUM(") + name + QStringLiteral("),0)"));
        return QString(a.function + u'(' + name + u')');
    });
    return plan;
}

bool statValue(const Row &fields, QStringList &result, DbError &error)
{
    const QString value = statRowText(fields);
    if (statTooLong(value, error))
        return false;
    result.append(value);
    return true;
}

// The grouped plan on SQLite: the groups go into a temporary table indexed
// on the columns the conditions read, so that each condition reads only its
// own call numbers through the index (a prefix or the low end of a range),
// and a condition reading no indexed column (the total, the copies without
// call number) one pass over the groups, not over the copies.
bool statGroupedRun(ProcHost &host, const GroupedPlan &plan, QStringList &result, DbError &error)
{
    static const QString groups = QStringLiteral("tj_sort_groups");
    QString sql;
    if (!translateOracleQuery(host, plan.groups, sql, error) ||
        !host.exec(QStringLiteral("DROP TABLE IF EXISTS temp.") + groups, {}, error) ||
        !host.exec(QStringLiteral("CREATE TEMP TABLE ") + groups + QStringLiteral(" AS ") + sql, {}, error) ||
        !host.exec(QStringLiteral("CREATE INDEX temp.") + groups + QStringLiteral("_i ON ") + groups + u'(' +
                       plan.columns.join(u',') + u')',
                   {}, error))
        return false;
    for (const QString &test : plan.tests) {
        QList<Row> rows;
        if (!selectOracle(host,
                          QStringLiteral("SELECT ") + plan.value + QStringLiteral(" FROM ") + groups +
                              QStringLiteral(" tj_g WHERE ") + test,
                          rows, error) ||
            !statValue(rows.isEmpty() ? Row() : rows.first(), result, error))
            return false;
    }
    return host.exec(QStringLiteral("DROP TABLE temp.") + groups, {}, error);
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
    const QStringList used = conditions.mid(0, n);
    // SQLite would scan every copy once per condition (its planner does not
    // start from the call numbers), so the copies are read once: grouped by
    // the columns the conditions read where they read only columns (the
    // class conditions, the copies without call number, the total), else in
    // one pass testing every condition on every row. PostgreSQL starts each
    // condition from its call numbers and reads only their copies: the
    // grouped table measured slower there (docs/benchmarks.md).
    const bool sqlite = host.kind() == BackendTarget::Kind::Sqlite;
    const std::optional<AggregateQuery> q = sqlite && n > 0 ? parseAggregateQuery(base) : std::nullopt;
    if (q) {
        if (const std::optional<GroupedPlan> plan = statGrouped(*q, used)) {
            if (!statGroupedRun(host, *plan, result, error))
                return false;
            args.setOutput(3, result);
            return true;
        }
    }
    if (const std::optional<QString> onePass = q ? statOnePass(*q, used) : std::nullopt) {
        QList<Row> rows;
        if (!selectOracle(host, *onePass, rows, error))
            return false;
        for (int i = 0; i < n; ++i) {
            if (!statValue(rows.isEmpty() ? Row() : rows.first().mid(i * q->columns, q->columns), result, error))
                return false;
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
