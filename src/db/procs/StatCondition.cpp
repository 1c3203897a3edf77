// The statistics package's class conditions evaluated in memory: compiled
// once from their SQL text, then asked of each distinct set of the values
// they read.

#include "db/procs/StatCondition.h"

#include "db/sql/SqlTokenizer.h"

#include <vector>

namespace kestra {

StatValue StatValue::of(const QVariant &v)
{
    StatValue value;
    if (v.isNull())
        return value;
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
        value.kind = Number;
        value.number = v.toDouble();
        return value;
    default:
        value.kind = Text;
        value.text = v.toString();
        return value;
    }
}

// Named rather than anonymous: the compiled condition's nodes hold them.
namespace stat_condition {

// A value met while evaluating: a view into a column's text, a literal's,
// or a part of either.
struct Seen {
    StatValue::Kind kind = StatValue::Null;
    QStringView text;
    double number = 0;
};

// Texts compare by code point, as a binary collation over UTF-8 does: UTF-16
// puts the surrogates of the characters beyond U+FFFF below U+E000.
char32_t codePointRank(char16_t c)
{
    if (c >= 0xE000)
        return char32_t(c) - 0x800;
    if (c >= 0xD800)
        return char32_t(c) + 0x2000;
    return c;
}

int compareText(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x != y)
            return codePointRank(x) < codePointRank(y) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool hasSurrogates(QStringView s)
{
    for (const QChar c : s) {
        if (c.isSurrogate())
            return true;
    }
    return false;
}

// Where the n-th character (0-based) begins, n at most the text's length in
// characters.
qsizetype charOffset(QStringView s, qint64 n)
{
    qsizetype at = 0;
    for (; n > 0 && at < s.size(); --n)
        at += (s[at].isHighSurrogate() && at + 1 < s.size() && s[at + 1].isLowSurrogate()) ? 2 : 1;
    return at;
}

qint64 charLength(QStringView s)
{
    return hasSurrogates(s) ? qint64(s.toString().toUcs4().size()) : qint64(s.size());
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

struct StatCondition::Node {
    enum Kind { Or, And, Not, Compare, Like, IsNull, Column, Literal, Substr };
    Kind kind = Literal;
    std::vector<Node> children;
    QString op;         // Compare: = <> < <= > >=
    bool negated = false; // NOT LIKE, IS NOT NULL
    int slot = 0;       // Column
    StatValue literal;  // Literal
    qint64 position = 1; // Substr
    qint64 length = -1;  // Substr: -1 for the rest
    // Like: the pattern's steps, and its literal prefix when the pattern is
    // that prefix and one trailing %.
    std::vector<LikeStep> steps;
    QString prefix;
    bool prefixOnly = false;

    Seen value(const QList<StatValue> &values, bool &failed) const;
    Truth truth(const QList<StatValue> &values, bool &failed) const;
};

namespace {

using CondNode = StatCondition::Node;
using CondTruth = StatCondition::Truth;

CondTruth notOf(CondTruth t)
{
    return t == CondTruth::Unknown ? t : (t == CondTruth::True ? CondTruth::False : CondTruth::True);
}

class ConditionParser {
public:
    ConditionParser(QStringView sql, QList<StatColumn> &columns)
        : sql_(sql), tokens_(tokenizeSql(sql)), columns_(columns)
    {
    }

    bool parse(CondNode &root)
    {
        return orExpression(root) && peek().kind == SqlToken::End;
    }

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

    bool predicate(CondNode &out)
    {
        CondNode left;
        if (!operand(left))
            return false;
        static const QLatin1StringView comparisons[] = {
            QLatin1StringView("="),  QLatin1StringView("<>"), QLatin1StringView("!="), QLatin1StringView("^="),
            QLatin1StringView("<="), QLatin1StringView(">="), QLatin1StringView("<"),  QLatin1StringView(">")};
        for (const QLatin1StringView c : comparisons) {
            if (!op(c))
                continue;
            next();
            out.kind = CondNode::Compare;
            out.op = (c == QLatin1StringView("!=") || c == QLatin1StringView("^=")) ? QStringLiteral("<>") : c;
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
                e.literal.text.toUcs4().size() != 1)
                return false;
            escape = e.literal.text;
        }
        if (pattern.literal.kind == StatValue::Null) {
            like.children.push_back(std::move(pattern)); // LIKE NULL: never true
            return true;
        }
        const QList<uint> p = pattern.literal.text.toUcs4();
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
                like.prefix.append(QString::fromUcs4(&like.steps[i].c, 1));
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
            out.literal.text = sqlStringValue(sql_, t);
            // Oracle has no empty text: the literal '' is NULL.
            out.literal.kind = out.literal.text.isEmpty() ? StatValue::Null : StatValue::Text;
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
};

} // namespace

Seen StatCondition::Node::value(const QList<StatValue> &values, bool &failed) const
{
    switch (kind) {
    case Column: {
        const StatValue &v = values.at(slot);
        return Seen{v.kind, QStringView(v.text), v.number};
    }
    case Literal:
        return Seen{literal.kind, QStringView(literal.text), literal.number};
    case Substr: {
        const Seen s = children.front().value(values, failed);
        if (s.kind == StatValue::Number)
            failed = true;
        if (s.kind != StatValue::Text || length == 0)
            return {};
        const bool wide = hasSurrogates(s.text);
        const qint64 total = wide ? charLength(s.text) : s.text.size();
        const qint64 from = position < 0 ? total + position + 1 : position;
        if (from < 1 || from > total)
            return {};
        const qint64 count = length < 0 ? total - from + 1 : std::min(length, total - from + 1);
        if (!wide)
            return Seen{StatValue::Text, s.text.mid(from - 1, count), 0};
        const qsizetype begin = charOffset(s.text, from - 1);
        const qsizetype end = begin + charOffset(s.text.mid(begin), count);
        return Seen{StatValue::Text, s.text.mid(begin, end - begin), 0};
    }
    default:
        failed = true;
        return {};
    }
}

StatCondition::Truth StatCondition::Node::truth(const QList<StatValue> &values, bool &failed) const
{
    switch (kind) {
    case Or: {
        Truth result = Truth::False;
        for (const Node &c : children) {
            const Truth t = c.truth(values, failed);
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
            const Truth t = c.truth(values, failed);
            if (t == Truth::False)
                return t;
            if (t == Truth::Unknown)
                result = t;
        }
        return result;
    }
    case Not:
        return notOf(children.front().truth(values, failed));
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
        const int c = a.kind == StatValue::Number ? (a.number < b.number ? -1 : (a.number > b.number ? 1 : 0))
                                                  : compareText(a.text, b.text);
        bool holds = false;
        if (op == u"=")
            holds = c == 0;
        else if (op == u"<>")
            holds = c != 0;
        else if (op == u"<")
            holds = c < 0;
        else if (op == u"<=")
            holds = c <= 0;
        else if (op == u">")
            holds = c > 0;
        else
            holds = c >= 0;
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
            match = s.text.startsWith(prefix);
        } else if (!hasSurrogates(s.text)) {
            match = likeMatch(s.text.utf16(), s.text.size(), steps);
        } else {
            const QList<uint> wide = s.text.toString().toUcs4();
            match = likeMatch(wide.constData(), wide.size(), steps);
        }
        return match != negated ? Truth::True : Truth::False;
    }
    default:
        failed = true;
        return Truth::Unknown;
    }
}

std::optional<StatCondition> StatCondition::compile(QStringView test, QList<StatColumn> &columns)
{
    QList<StatColumn> read = columns;
    auto root = std::make_shared<Node>();
    ConditionParser parser(test, read);
    if (!parser.parse(*root) || root->kind == Node::Column || root->kind == Node::Literal ||
        root->kind == Node::Substr)
        return std::nullopt;
    columns = read;
    StatCondition c;
    c.root_ = std::move(root);
    return c;
}

StatCondition::Truth StatCondition::evaluate(const QList<StatValue> &values, bool &failed) const
{
    return root_->truth(values, failed);
}

} // namespace kestra
