// The statistics package's class conditions evaluated in memory: compiled
// once from their SQL text, then asked of each distinct set of the values
// they read.

#include "db/procs/StatCondition.h"

#include "db/sql/SqlTokenizer.h"

#include <QHash>

#include <cstring>
#include <vector>

namespace kestra {

namespace stat_condition {

bool isAscii(QByteArrayView s)
{
    for (const char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

} // namespace stat_condition

StatValue StatValue::ofText(QByteArray utf8)
{
    StatValue value;
    value.kind = Text;
    value.ascii = stat_condition::isAscii(utf8);
    value.text = std::move(utf8);
    return value;
}

StatValue StatValue::of(const QVariant &v)
{
    if (v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double: {
        StatValue value;
        value.kind = Number;
        value.number = v.toDouble();
        return value;
    }
    default:
        return ofText(v.toString().toUtf8());
    }
}

StatValue StatValue::of(const RowView &row, int column)
{
    switch (row.type(column)) {
    case RowView::Null:
        return {};
    case RowView::Integer:
    case RowView::Real:
    case RowView::Decimal: {
        StatValue value;
        value.kind = Number;
        value.number = row.type(column) == RowView::Integer ? double(row.integer(column))
                       : row.type(column) == RowView::Real  ? row.real(column)
                                                            : row.text(column).toByteArray().toDouble();
        return value;
    }
    case RowView::Text:
        break;
    }
    return ofText(row.text(column).toByteArray());
}

// Named rather than anonymous: the compiled condition's nodes hold them.
namespace stat_condition {

// A value met while evaluating: a view into a column's text, a literal's,
// or a part of either.
struct Seen {
    StatValue::Kind kind = StatValue::Null;
    QByteArrayView text;
    double number = 0;
    bool ascii = true;
};

// UTF-8 compared byte by byte is in the order of the code points, as a
// binary collation compares.
int compareText(QByteArrayView a, QByteArrayView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), std::size_t(n));
    if (c != 0)
        return c < 0 ? -1 : 1;
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Where the n-th character (0-based) of UTF-8 text begins, n at most its
// length in characters.
qsizetype charOffset(QByteArrayView s, qint64 n)
{
    qsizetype at = 0;
    for (; n > 0 && at < s.size(); --n) {
        ++at;
        while (at < s.size() && continuation(s[at]))
            ++at;
    }
    return at;
}

qint64 charLength(QByteArrayView s)
{
    qint64 n = 0;
    for (const char c : s)
        n += continuation(c) ? 0 : 1;
    return n;
}

// One element of a LIKE pattern.
struct LikeStep {
    enum Kind { Char, One, Many };
    Kind kind = Char;
    char32_t c = 0;
};

template <typename C>
bool likeMatch(const C *s, qsizetype n, const std::vector<LikeStep> &p)
{
    const qsizetype m = qsizetype(p.size());
    qsizetype si = 0;
    qsizetype pi = 0;
    qsizetype starP = -1;
    qsizetype starS = 0;
    while (si < n) {
        if (pi < m && (p[pi].kind == LikeStep::One || (p[pi].kind == LikeStep::Char && p[pi].c == char32_t(s[si])))) {
            ++si;
            ++pi;
        } else if (pi < m && p[pi].kind == LikeStep::Many) {
            starP = pi++;
            starS = si;
        } else if (starP >= 0) {
            pi = starP + 1;
            si = ++starS;
        } else {
            return false;
        }
    }
    while (pi < m && p[pi].kind == LikeStep::Many)
        ++pi;
    return pi == m;
}

} // namespace stat_condition

using namespace stat_condition;

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
    std::vector<LikeStep> steps;
    QByteArray prefix; // UTF-8
    bool prefixOnly = false;

    int shared = -1; // Compare, Like, IsNull: its place among the shared tests

    Seen value(const QList<StatValue> &values, bool &failed) const;
    Truth truth(const QList<StatValue> &values, std::vector<signed char> &asked, bool &failed) const;
    Truth test(const QList<StatValue> &values, bool &failed) const;
};

namespace {

using CondNode = StatConditions::Node;
using CondTruth = StatConditions::Truth;

CondTruth notOf(CondTruth t)
{
    return t == CondTruth::Unknown ? t : (t == CondTruth::True ? CondTruth::False : CondTruth::True);
}

class ConditionParser {
public:
    ConditionParser(QStringView sql, QList<StatColumn> &columns, QHash<QString, int> &shared)
        : sql_(sql), tokens_(tokenizeSql(sql)), columns_(columns), shared_(shared)
    {}

    bool parse(CondNode &root) { return orExpression(root) && peek().kind == SqlToken::End; }

private:
    const SqlToken &peek(int ahead = 0) const
    {
        const std::size_t at = std::min(pos_ + std::size_t(ahead), tokens_.size() - 1);
        return tokens_[at];
    }
    bool word(QLatin1StringView w, int ahead = 0) const { return peek(ahead).is(sql_, w); }
    bool op(QLatin1StringView o) const { return peek().isOp(sql_, o); }
    void next() { pos_ = std::min(pos_ + 1, tokens_.size() - 1); }

    bool orExpression(CondNode &out)
    {
        CondNode first;
        if (!andExpression(first))
            return false;
        if (!word(QLatin1StringView("OR"))) {
            out = std::move(first);
            return true;
        }
        out.kind = CondNode::Or;
        out.children.push_back(std::move(first));
        while (word(QLatin1StringView("OR"))) {
            next();
            CondNode more;
            if (!andExpression(more))
                return false;
            out.children.push_back(std::move(more));
        }
        return true;
    }

    bool andExpression(CondNode &out)
    {
        CondNode first;
        if (!notExpression(first))
            return false;
        if (!word(QLatin1StringView("AND"))) {
            out = std::move(first);
            return true;
        }
        out.kind = CondNode::And;
        out.children.push_back(std::move(first));
        while (word(QLatin1StringView("AND"))) {
            next();
            CondNode more;
            if (!notExpression(more))
                return false;
            out.children.push_back(std::move(more));
        }
        return true;
    }

    bool notExpression(CondNode &out)
    {
        if (word(QLatin1StringView("NOT"))) {
            next();
            out.kind = CondNode::Not;
            out.children.resize(1);
            return notExpression(out.children.front());
        }
        if (peek().kind == SqlToken::LParen) {
            next();
            if (!orExpression(out) || peek().kind != SqlToken::RParen)
                return false;
            next();
            return true;
        }
        return predicate(out);
    }

    // A test, known by its tokens wherever it recurs.
    bool predicate(CondNode &out)
    {
        const std::size_t first = pos_;
        if (!test(out))
            return false;
        QString key;
        for (std::size_t i = first; i < pos_; ++i)
            key += tokens_[i].text(sql_) + u' ';
        out.shared = int(shared_.value(key, int(shared_.size())));
        shared_.insert(key, out.shared);
        return true;
    }

    bool test(CondNode &out)
    {
        CondNode left;
        if (!operand(left))
            return false;
        static const std::pair<QLatin1StringView, CondNode::Op> comparisons[] = {
            {QLatin1StringView("="), CondNode::Eq},  {QLatin1StringView("<>"), CondNode::Ne},
            {QLatin1StringView("!="), CondNode::Ne}, {QLatin1StringView("^="), CondNode::Ne},
            {QLatin1StringView("<="), CondNode::Le}, {QLatin1StringView(">="), CondNode::Ge},
            {QLatin1StringView("<"), CondNode::Lt},  {QLatin1StringView(">"), CondNode::Gt}};
        for (const auto &[text, kind] : comparisons) {
            if (!op(text))
                continue;
            next();
            out.kind = CondNode::Compare;
            out.op = kind;
            out.children.push_back(std::move(left));
            out.children.emplace_back();
            return operand(out.children.back());
        }
        if (word(QLatin1StringView("IS"))) {
            next();
            out.kind = CondNode::IsNull;
            if (word(QLatin1StringView("NOT"))) {
                out.negated = true;
                next();
            }
            if (!word(QLatin1StringView("NULL")))
                return false;
            next();
            out.children.push_back(std::move(left));
            return true;
        }
        if (word(QLatin1StringView("NOT")) && word(QLatin1StringView("LIKE"), 1)) {
            out.negated = true;
            next();
        }
        if (!word(QLatin1StringView("LIKE")))
            return false;
        next();
        out.kind = CondNode::Like;
        out.children.push_back(std::move(left));
        return likePattern(out);
    }

    // The pattern and escape must be literals: they are compiled once.
    bool likePattern(CondNode &like)
    {
        CondNode pattern;
        if (!operand(pattern) || pattern.kind != CondNode::Literal || pattern.literal.kind == StatValue::Number)
            return false;
        QString escape;
        if (word(QLatin1StringView("ESCAPE"))) {
            next();
            CondNode e;
            if (!operand(e) || e.kind != CondNode::Literal || e.literal.kind != StatValue::Text ||
                QString::fromUtf8(e.literal.text).toUcs4().size() != 1)
                return false;
            escape = QString::fromUtf8(e.literal.text);
        }
        if (pattern.literal.kind == StatValue::Null) {
            like.children.push_back(std::move(pattern)); // LIKE NULL: never true
            return true;
        }
        const QList<uint> p = QString::fromUtf8(pattern.literal.text).toUcs4();
        const uint esc = escape.isEmpty() ? 0xFFFFFFFF : escape.toUcs4().front();
        for (qsizetype i = 0; i < p.size(); ++i) {
            if (p[i] == esc) {
                if (++i == p.size())
                    return false;
                like.steps.push_back({LikeStep::Char, char32_t(p[i])});
            } else if (p[i] == u'%') {
                if (like.steps.empty() || like.steps.back().kind != LikeStep::Many)
                    like.steps.push_back({LikeStep::Many, 0});
            } else if (p[i] == u'_') {
                like.steps.push_back({LikeStep::One, 0});
            } else {
                like.steps.push_back({LikeStep::Char, char32_t(p[i])});
            }
        }
        like.prefixOnly = !like.steps.empty() && like.steps.back().kind == LikeStep::Many;
        for (std::size_t i = 0; like.prefixOnly && i + 1 < like.steps.size(); ++i) {
            if (like.steps[i].kind != LikeStep::Char)
                like.prefixOnly = false;
            else
                like.prefix.append(QString::fromUcs4(&like.steps[i].c, 1).toUtf8());
        }
        return true;
    }

    bool operand(CondNode &out)
    {
        const SqlToken &t = peek();
        if (t.unterminated)
            return false;
        if (t.kind == SqlToken::String) {
            out.kind = CondNode::Literal;
            // Oracle has no empty text: the literal '' is NULL.
            const QString text = sqlStringValue(sql_, t);
            if (!text.isEmpty())
                out.literal = StatValue::ofText(text.toUtf8());
            next();
            return true;
        }
        if (t.kind == SqlToken::Number || (t.isOp(sql_, QLatin1StringView("-")) && peek(1).kind == SqlToken::Number)) {
            const bool negative = t.kind != SqlToken::Number;
            if (negative)
                next();
            bool ok = false;
            const double v = peek().text(sql_).toDouble(&ok);
            if (!ok)
                return false;
            out.kind = CondNode::Literal;
            out.literal.kind = StatValue::Number;
            out.literal.number = negative ? -v : v;
            next();
            return true;
        }
        if (t.kind != SqlToken::Identifier)
            return false;
        if (word(QLatin1StringView("NULL"))) {
            out.kind = CondNode::Literal;
            next();
            return true;
        }
        if (peek(1).kind == SqlToken::Dot && peek(2).kind == SqlToken::Identifier && peek(3).kind != SqlToken::Dot &&
            peek(3).kind != SqlToken::LParen) {
            const StatColumn c{t.text(sql_).toString().toLower(), peek(2).text(sql_).toString().toLower()};
            qsizetype slot = columns_.indexOf(c);
            if (slot < 0) {
                slot = columns_.size();
                columns_.append(c);
            }
            out.kind = CondNode::Column;
            out.slot = int(slot);
            next();
            next();
            next();
            return true;
        }
        if (t.is(sql_, QLatin1StringView("SUBSTR")) && peek(1).kind == SqlToken::LParen)
            return substr(out);
        return false;
    }

    // SUBSTR(text, position[, length]) with whole numbers as literals.
    bool substr(CondNode &out)
    {
        next();
        next();
        out.kind = CondNode::Substr;
        out.children.emplace_back();
        if (!operand(out.children.back()))
            return false;
        qint64 *targets[] = {&out.position, &out.length};
        for (qint64 *target : targets) {
            if (peek().kind != SqlToken::Comma)
                break;
            next();
            CondNode n;
            if (!operand(n) || n.kind != CondNode::Literal || n.literal.kind != StatValue::Number ||
                n.literal.number != double(qint64(n.literal.number)))
                return false;
            *target = qint64(n.literal.number);
        }
        if (peek().kind != SqlToken::RParen)
            return false;
        next();
        // Oracle: a length below one gives NULL, a position 0 counts as 1.
        if (out.length == 0 || out.length < -1)
            out.length = 0;
        if (out.position == 0)
            out.position = 1;
        return true;
    }

    QStringView sql_;
    std::vector<SqlToken> tokens_;
    std::size_t pos_ = 0;
    QList<StatColumn> &columns_;
    QHash<QString, int> &shared_;
};

} // namespace

Seen StatConditions::Node::value(const QList<StatValue> &values, bool &failed) const
{
    switch (kind) {
    case Column: {
        const StatValue &v = values.at(slot);
        return Seen{v.kind, QByteArrayView(v.text), v.number, v.ascii};
    }
    case Literal:
        return Seen{literal.kind, QByteArrayView(literal.text), literal.number, literal.ascii};
    case Substr: {
        const Seen s = children.front().value(values, failed);
        if (s.kind == StatValue::Number)
            failed = true;
        if (s.kind != StatValue::Text || length == 0)
            return {};
        const bool wide = !s.ascii;
        const qint64 total = wide ? charLength(s.text) : s.text.size();
        const qint64 from = position < 0 ? total + position + 1 : position;
        if (from < 1 || from > total)
            return {};
        const qint64 count = length < 0 ? total - from + 1 : std::min(length, total - from + 1);
        if (!wide)
            return Seen{StatValue::Text, s.text.sliced(from - 1, count), 0, true};
        const qsizetype begin = charOffset(s.text, from - 1);
        const qsizetype end = begin + charOffset(s.text.sliced(begin), count);
        return Seen{StatValue::Text, s.text.sliced(begin, end - begin), 0, false};
    }
    default:
        failed = true;
        return {};
    }
}

StatConditions::Truth StatConditions::Node::truth(const QList<StatValue> &values, std::vector<signed char> &asked,
                                                  bool &failed) const
{
    // A test is asked once per set of values; its answer is kept for the
    // other conditions that share it.
    const auto of = [&](const Node &n) {
        if (n.shared < 0)
            return n.truth(values, asked, failed);
        signed char &known = asked[std::size_t(n.shared)];
        if (known < 0)
            known = static_cast<signed char>(n.test(values, failed));
        return static_cast<Truth>(known);
    };
    switch (kind) {
    case Or: {
        Truth result = Truth::False;
        for (const Node &c : children) {
            const Truth t = of(c);
            if (t == Truth::True)
                return t;
            if (t == Truth::Unknown)
                result = t;
        }
        return result;
    }
    case And: {
        Truth result = Truth::True;
        for (const Node &c : children) {
            const Truth t = of(c);
            if (t == Truth::False)
                return t;
            if (t == Truth::Unknown)
                result = t;
        }
        return result;
    }
    case Not:
        return notOf(of(children.front()));
    default:
        return of(*this);
    }
}

StatConditions::Truth StatConditions::Node::test(const QList<StatValue> &values, bool &failed) const
{
    switch (kind) {
    case IsNull: {
        const bool isNull = children.front().value(values, failed).kind == StatValue::Null;
        return isNull != negated ? Truth::True : Truth::False;
    }
    case Compare: {
        const Seen a = children.at(0).value(values, failed);
        const Seen b = children.at(1).value(values, failed);
        if (a.kind == StatValue::Null || b.kind == StatValue::Null)
            return Truth::Unknown;
        if (a.kind != b.kind) {
            failed = true;
            return Truth::Unknown;
        }
        if (a.kind == StatValue::Text && (op == Eq || op == Ne) && a.text.size() != b.text.size())
            return op == Ne ? Truth::True : Truth::False;
        const int c = a.kind == StatValue::Number ? (a.number < b.number ? -1 : (a.number > b.number ? 1 : 0))
                                                  : compareText(a.text, b.text);
        bool holds = false;
        switch (op) {
        case Eq:
            holds = c == 0;
            break;
        case Ne:
            holds = c != 0;
            break;
        case Lt:
            holds = c < 0;
            break;
        case Le:
            holds = c <= 0;
            break;
        case Gt:
            holds = c > 0;
            break;
        case Ge:
            holds = c >= 0;
            break;
        }
        return holds ? Truth::True : Truth::False;
    }
    case Like: {
        const Seen s = children.front().value(values, failed);
        if (s.kind == StatValue::Number)
            failed = true;
        if (s.kind != StatValue::Text || children.size() > 1) // a NULL pattern is the second child
            return Truth::Unknown;
        bool match = false;
        if (prefixOnly) {
            match = s.text.size() >= prefix.size() &&
                    std::memcmp(s.text.data(), prefix.constData(), std::size_t(prefix.size())) == 0;
        } else if (s.ascii) {
            match = likeMatch(reinterpret_cast<const unsigned char *>(s.text.data()), s.text.size(), steps);
        } else {
            const QList<uint> wide = QString::fromUtf8(s.text).toUcs4();
            match = likeMatch(wide.constData(), wide.size(), steps);
        }
        return match != negated ? Truth::True : Truth::False;
    }
    default:
        failed = true;
        return Truth::Unknown;
    }
}

std::optional<StatConditions> StatConditions::compile(const QStringList &tests, QList<StatColumn> &columns)
{
    QList<StatColumn> read = columns;
    QHash<QString, int> shared;
    StatConditions c;
    for (const QString &test : tests) {
        auto root = std::make_shared<Node>();
        ConditionParser parser(test, read, shared);
        if (!parser.parse(*root))
            return std::nullopt;
        c.roots_.push_back(std::move(root));
    }
    columns = read;
    c.shared_.resize(shared.size());
    return c;
}

void StatConditions::evaluate(const QList<StatValue> &values, QList<Truth> &truths, bool &failed) const
{
    std::fill(shared_.begin(), shared_.end(), -1);
    truths.resize(size());
    for (std::size_t i = 0; i < roots_.size(); ++i)
        truths[qsizetype(i)] = roots_[i]->truth(values, shared_, failed);
}

} // namespace kestra
