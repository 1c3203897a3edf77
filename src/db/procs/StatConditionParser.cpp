// The statistics package's conditions read from their SQL text.

#include "db/procs/StatConditionNode.h"

#include "db/sql/SqlTokenizer.h"

#include <QHash>

namespace kestra {

using namespace stat_condition;

namespace {

using CondNode = StatConditions::Node;

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
        return chain(out, QLatin1StringView("OR"), CondNode::Or, &ConditionParser::andExpression);
    }

    bool andExpression(CondNode &out)
    {
        return chain(out, QLatin1StringView("AND"), CondNode::And, &ConditionParser::notExpression);
    }

    // Terms joined by one keyword (a OR b OR c): a node of that kind over
    // them, or the term itself when it stands alone.
    bool chain(CondNode &out, QLatin1StringView keyword, CondNode::Kind kind, bool (ConditionParser::*term)(CondNode &))
    {
        CondNode first;
        if (!(this->*term)(first))
            return false;
        if (!word(keyword)) {
            out = std::move(first);
            return true;
        }
        out.kind = kind;
        out.children.push_back(std::move(first));
        while (word(keyword)) {
            next();
            CondNode more;
            if (!(this->*term)(more))
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

} // namespace kestra
