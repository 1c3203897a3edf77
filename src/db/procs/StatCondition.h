#pragma once

#include "db/procs/ProcHost.h"

#include <QByteArray>
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

// One value a condition sees: NULL, a text (UTF-8) or a number. A literal
// '' is NULL, as Oracle reads it; the backends never store an empty text
// through the client's statements, but one that is there is a text, as
// their SQL reads it.
struct StatValue {
    enum Kind { Null, Text, Number };
    Kind kind = Null;
    QByteArray text; // UTF-8
    double number = 0;
    bool ascii = true;

    static StatValue ofText(QByteArray utf8);
    static StatValue of(const QVariant &v);
    static StatValue of(const RowView &row, int column);
};

// The class conditions of the statistics package evaluated in memory, as
// the database evaluates them in a WHERE clause, over the values of the
// columns they read: comparisons of texts (in the order of their
// characters' code points, as a binary collation compares) or of numbers,
// LIKE with % and _ (case-sensitive) and ESCAPE, IS [NOT] NULL,
// SUBSTR(text, position[, length]) counted in characters, AND, OR, NOT and
// parentheses, with NULL making a test unknown. Anything else is not
// compiled, and the package then leaves the conditions to the database. A
// test that several conditions share (the scheme of every sub-statistic)
// is evaluated once per set of values.
class StatConditions {
public:
    struct Node;
    enum class Truth { False, True, Unknown };

    // The conditions' tests (without their leading AND); their columns join
    // `columns` (in the order first read) and are read from there. Nothing
    // when any of them cannot be compiled.
    static std::optional<StatConditions> compile(const QStringList &tests, QList<StatColumn> &columns);

    qsizetype size() const { return qsizetype(roots_.size()); }
    // Every condition's truth over values in the order of `columns`. Sets
    // `failed` when the values are of a kind the conditions cannot compare
    // as the database would (a number against a text): the caller then asks
    // the database instead. Not for two threads at once.
    void evaluate(const QList<StatValue> &values, QList<Truth> &truths, bool &failed) const;

private:
    std::vector<std::shared_ptr<const Node>> roots_;
    mutable std::vector<signed char> shared_; // per shared test: -1 not yet asked, else its Truth
};

} // namespace kestra
