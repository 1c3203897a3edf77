#pragma once

// The compiled form of the statistics package's conditions, shared by their
// parser and their evaluation.

#include "db/procs/StatCondition.h"

#include <vector>

namespace kestra {

namespace stat_condition {

// A value met while evaluating: a view into a column's text, a literal's,
// or a part of either.
struct Seen {
    StatValue::Kind kind = StatValue::Null;
    QByteArrayView text;
    double number = 0;
    bool ascii = true;
};

// One element of a LIKE pattern.
struct LikeStep {
    enum Kind { Char, One, Many };
    Kind kind = Char;
    char32_t c = 0;
};

} // namespace stat_condition

struct StatConditions::Node {
    enum Kind { Or, And, Not, Compare, Like, IsNull, Column, Literal, Substr };
    Kind kind = Literal;
    std::vector<Node> children;
    enum Op { Eq, Ne, Lt, Le, Gt, Ge };
    Op op = Eq;           // Compare
    bool negated = false; // NOT LIKE, IS NOT NULL
    int slot = 0;         // Column
    StatValue literal;    // Literal
    qint64 position = 1;  // Substr
    qint64 length = -1;   // Substr: -1 for the rest
    // Like: the pattern's steps, and its literal prefix when the pattern is
    // that prefix and one trailing %.
    std::vector<stat_condition::LikeStep> steps;
    QByteArray prefix; // UTF-8
    bool prefixOnly = false;

    int shared = -1; // Compare, Like, IsNull: its place among the shared tests

    stat_condition::Seen value(const QList<StatValue> &values, bool &failed) const;
    Truth truth(const QList<StatValue> &values, std::vector<signed char> &asked, bool &failed) const;
    Truth test(const QList<StatValue> &values, bool &failed) const;
};

} // namespace kestra
