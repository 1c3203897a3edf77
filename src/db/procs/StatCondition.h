#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QVariant>

#include <memory>
#include <optional>

namespace kestra {

// A column a condition reads, named with its table ("call_no_lst.call_no"),
// lower case.
struct StatColumn {
    QString table;
    QString column;
    bool operator==(const StatColumn &) const = default;
    QString sql() const { return table + u'.' + column; }
};

// One value a condition sees: NULL, a text or a number. A literal '' is
// NULL, as Oracle reads it; the backends never store an empty text through
// the client's statements, but one that is there is a text, as their SQL
// reads it.
struct StatValue {
    enum Kind { Null, Text, Number };
    Kind kind = Null;
    QString text;
    double number = 0;

    static StatValue of(const QVariant &v);
};

// A class condition of the statistics package evaluated in memory, as the
// database evaluates it in a WHERE clause, over the values of the columns it
// reads: comparisons of texts (in the order of their characters' code
// points, as a binary collation compares) or of numbers, LIKE with % and _
// (case-sensitive) and ESCAPE, IS [NOT] NULL, SUBSTR(text, position
// [, length]) counted in characters, AND, OR, NOT and parentheses, with
// NULL making a test unknown. Anything else is not compiled, and the
// package then leaves the condition to the database.
class StatCondition {
public:
    struct Node;

    // The condition's test (without its leading AND); its columns join
    // `columns` (in the order first read) and are read from there.
    static std::optional<StatCondition> compile(QStringView test, QList<StatColumn> &columns);

    enum class Truth { False, True, Unknown };
    // Over values in the order of `columns`. Sets `failed` (and gives
    // Unknown) when the values are of a kind the condition cannot compare
    // as the database would (a number against a text): the caller then asks
    // the database instead.
    Truth evaluate(const QList<StatValue> &values, bool &failed) const;

private:
    std::shared_ptr<const Node> root_;
};

} // namespace kestra
