// The statistics package TJ_SORT: the base query of a statistic run once per
// class condition (GetCommonSortData) or once for its rows (GetBulkData),
// every value made one text with its fields separated by ",".

#include "db/OraError.h"
#include "db/procs/Procedures.h"

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
