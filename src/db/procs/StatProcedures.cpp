// The statistics package TJ_SORT: the value of a statistic's base query
// under each class condition (GetCommonSortData), or its rows
// (GetBulkData), every value made one text with its fields separated by
// ",".

#include "db/OraError.h"
#include "db/procs/Procedures.h"
#include "db/procs/StatQuery.h"
#include "db/procs/StatTally.h"

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

bool statValue(const Row &fields, QStringList &result, DbError &error)
{
    const QString value = statRowText(fields);
    if (statTooLong(value, error))
        return false;
    result.append(value);
    return true;
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
    // Every condition's value from one pass over the base query's rows,
    // the conditions tested per distinct set of the values they read (the
    // class conditions read a copy's call number and its scheme): a million
    // copies cost one read of them, not one per sub-statistic. Where the
    // tally cannot follow a condition or an aggregate, SQLite tests every
    // condition on every row in one pass, and PostgreSQL runs the query once
    // per condition (it starts each from its own call numbers).
    const std::optional<AggregateQuery> q = n > 0 ? parseAggregateQuery(base) : std::nullopt;
    if (q) {
        QList<Row> values;
        switch (statTally(host, *q, used, values, error)) {
        case TallyOutcome::Failed:
            return false;
        case TallyOutcome::Counted:
            for (const Row &value : std::as_const(values)) {
                if (!statValue(value, result, error))
                    return false;
            }
            args.setOutput(3, result);
            return true;
        case TallyOutcome::NotMine:
            break;
        }
    }
    const bool sqlite = host.kind() == BackendTarget::Kind::Sqlite;
    if (const std::optional<QString> onePass = sqlite && q ? statOnePass(*q, used) : std::nullopt) {
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
