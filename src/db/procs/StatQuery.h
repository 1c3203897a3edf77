#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kestra {

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

// The base query as a plain aggregate query; nothing for any other query.
std::optional<AggregateQuery> parseAggregateQuery(const QString &base);

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
std::optional<QString> conditionTest(const QString &condition);

} // namespace kestra
