#include "db/sql/OracleTranslator.h"

#include <algorithm>
#include <cstring>

namespace kestra {

namespace sqlx {

namespace {

// Parentheses nested deeper than this are passed through as plain tokens,
// so that hostile input cannot exhaust the stack.
constexpr int kMaxDepth = 200;

} // namespace

unsigned char sqlWordFlags(QStringView word)
{
    struct Word {
        const char *text;
        unsigned char flags;
    };
    constexpr unsigned char R = ReservedWord, C = ClauseEndWord, S = SetOperatorWord;
    // Sorted, for a binary search on the upper-cased word.
    static const Word words[] = {
        {"ALL", R},
        {"AND", R},
        {"ANY", R},
        {"AS", R},
        {"ASC", R},
        {"BEGIN", R},
        {"BETWEEN", R},
        {"BY", R},
        {"CASE", R},
        {"CONNECT", R | C},
        {"CROSS", R},
        {"DECLARE", R},
        {"DELETE", R},
        {"DESC", R},
        {"DISTINCT", R},
        {"ELSE", R},
        {"END", R},
        {"ESCAPE", R},
        {"EXCEPT", R | C | S},
        {"EXISTS", R},
        {"FETCH", C},
        {"FOR", R | C},
        {"FROM", R},
        {"FULL", R},
        {"GROUP", R | C},
        {"HAVING", R | C},
        {"IN", R},
        {"INNER", R},
        {"INSERT", R},
        {"INTERSECT", R | C | S},
        {"INTO", R},
        {"IS", R},
        {"JOIN", R},
        {"LEFT", R},
        {"LIKE", R},
        {"LIMIT", C},
        {"MINUS", R | C | S},
        {"NATURAL", R},
        {"NOT", R},
        {"NOWAIT", R},
        {"NULLS", R},
        {"OF", R},
        {"OFFSET", C},
        {"ON", R},
        {"OR", R},
        {"ORDER", R | C},
        {"OUTER", R},
        {"PRIOR", R},
        {"RETURNING", C},
        {"RIGHT", R},
        {"SELECT", R},
        {"SET", R},
        {"SOME", R},
        {"START", R | C},
        {"TABLE", R},
        {"THEN", R},
        {"TO", R},
        {"UNION", R | C | S},
        {"UNIQUE", R},
        {"UPDATE", R},
        {"USING", R},
        {"VALUES", R},
        {"WHEN", R},
        {"WHERE", R},
        {"WITH", R},
    };
    if (word.size() < 2 || word.size() > 9)
        return 0;
    char buf[10];
    for (qsizetype i = 0; i < word.size(); ++i) {
        char16_t c = word[i].unicode();
        if (c >= u'a' && c <= u'z')
            c -= 32;
        if (c < u'A' || c > u'Z')
            return 0;
        buf[i] = static_cast<char>(c);
    }
    buf[word.size()] = 0;
    const auto it = std::lower_bound(std::begin(words), std::end(words), buf,
                                     [](const Word &a, const char *b) { return std::strcmp(a.text, b) < 0; });
    return it != std::end(words) && std::strcmp(it->text, buf) == 0 ? it->flags : 0;
}

Translator::Translator(QStringView sql, SqlDialect target) : sql_(sql), target_(target) {}

QString Translator::run()
{
    tokens_ = tokenizeSql(sql_);
    const SqlToken &first = tokens_.front();
    if (first.is(sql_, QLatin1StringView("BEGIN")) || first.is(sql_, QLatin1StringView("DECLARE")))
        return sql_.toString();
    wordFlags_.assign(tokens_.size(), 0);
    for (size_t k = 0; k < tokens_.size(); ++k) {
        if (tokens_[k].kind == SqlToken::Identifier)
            wordFlags_[k] = sqlWordFlags(tokens_[k].text(sql_));
    }
    buildTree();
    Level top(root_);
    top.top = true;
    prepareLevel(top);
    QString out;
    out.reserve(sql_.size() + sql_.size() / 4 + 16);
    emitRange(top, 0, top.size(), out);
    out += top.tail;
    emitTrivia(tokens_.back(), out);
    if (!refusal_.isEmpty())
        return u"SELECT kestra_refuse(" + sqlStandardLiteral(refusal_) + u')';
    return out;
}

void Translator::buildTree()
{
    root_.reserve(tokens_.size());
    std::vector<std::vector<SqlNode> *> stack{&root_};
    int overflow = 0; // "(" beyond kMaxDepth still open
    const int count = static_cast<int>(tokens_.size()) - 1;
    for (int k = 0; k < count; ++k) {
        std::vector<SqlNode> &current = *stack.back();
        const SqlToken::Kind kind = tokens_[k].kind;
        if (kind == SqlToken::LParen) {
            if (stack.size() > static_cast<size_t>(kMaxDepth)) {
                ++overflow;
                current.push_back(SqlNode{k});
                continue;
            }
            SqlNode group{k};
            group.group = true;
            current.push_back(std::move(group));
            stack.push_back(&current.back().children);
            continue;
        }
        if (kind == SqlToken::RParen && overflow > 0) {
            --overflow;
            current.push_back(SqlNode{k});
            continue;
        }
        if (kind == SqlToken::RParen && stack.size() > 1) {
            stack.pop_back();
            stack.back()->back().close = k;
            continue;
        }
        current.push_back(SqlNode{k});
    }
}

void Translator::prepareLevel(Level &level)
{
    std::vector<int> open;
    for (int i = 0; i < level.size(); ++i) {
        const SqlNode &n = level.nodes[i];
        if (isWord(n, QLatin1StringView("CASE"))) {
            open.push_back(i);
        } else if (isWord(n, QLatin1StringView("END")) && !open.empty()) {
            level.caseEnd[open.back()] = i;
            open.pop_back();
        }
    }
    planLevel(level);
}

// ---------------------------------------------------------------------------
// Operands and expressions.

int Translator::unitEnd(const Level &level, int i, int to) const
{
    if (i >= to || level.skipped(i))
        return -1;
    const SqlNode &node = level.nodes[i];
    if (node.group)
        return i + 1;
    const SqlToken &t = tokens_[node.tok];
    switch (t.kind) {
    case SqlToken::String:
    case SqlToken::Number:
    case SqlToken::Bind:
        return i + 1;
    case SqlToken::Identifier:
        if (wordFlags_[node.tok] & ReservedWord) {
            if (t.is(sql_, QLatin1StringView("CASE")) && level.caseEnd[i] >= 0 && level.caseEnd[i] < to)
                return level.caseEnd[i] + 1;
            return -1;
        }
        break;
    case SqlToken::QuotedIdentifier:
        break;
    default:
        return -1;
    }
    int j = i + 1;
    while (j + 1 < to && !level.skipped(j) && isKind(level.nodes[j], SqlToken::Dot) &&
           (isKind(level.nodes[j + 1], SqlToken::Identifier) ||
            isKind(level.nodes[j + 1], SqlToken::QuotedIdentifier) ||
            (isKind(level.nodes[j + 1], SqlToken::Operator) && text(level.nodes[j + 1]) == u"*")))
        j += 2;
    if (j < to && level.nodes[j].group && !level.skipped(j))
        ++j; // a call, or the (+) of an outer join
    return j;
}

int Translator::parseTerm(const Level &level, int i, int to) const
{
    auto factor = [&](int k) {
        while (k < to && !level.skipped(k) && isKind(level.nodes[k], SqlToken::Operator) &&
               (text(level.nodes[k]) == u"+" || text(level.nodes[k]) == u"-"))
            ++k;
        return unitEnd(level, k, to);
    };
    int p = factor(i);
    while (p >= 0 && p < to && !level.skipped(p) && isKind(level.nodes[p], SqlToken::Operator) &&
           (text(level.nodes[p]) == u"*" || text(level.nodes[p]) == u"/")) {
        const int q = factor(p + 1);
        if (q < 0)
            break;
        p = q;
    }
    return p;
}

ExprParse Translator::parseExpr(const Level &level, int i, int to) const
{
    ExprParse r;
    int pos = parseTerm(level, i, to);
    if (pos < 0)
        return r;
    while (pos < to && !level.skipped(pos) && isKind(level.nodes[pos], SqlToken::Operator)) {
        const QStringView op = text(level.nodes[pos]);
        if (op != u"+" && op != u"-" && op != u"||")
            break;
        const int next = parseTerm(level, pos + 1, to);
        if (next < 0)
            break;
        r.ops.push_back(pos);
        r.concat = r.concat || op == u"||";
        pos = next;
    }
    r.end = pos;
    return r;
}

// ---------------------------------------------------------------------------
// Emission.

void Translator::emitRange(Level &level, int from, int to, QString &out)
{
    int i = from;
    while (i < to) {
        if (level.skipped(i)) {
            pendingSpace_ = true;
            ++i;
            continue;
        }
        const ExprParse expr = parseExpr(level, i, to);
        if (expr.end > i) {
            if (expr.concat)
                emitConcat(level, i, expr, out);
            else if (expr.ops.empty() || !emitDateArithmetic(level, i, expr, out))
                emitPlain(level, i, expr.end, out);
            i = expr.end;
            continue;
        }
        emitNode(level, i, out);
        ++i;
    }
}

void Translator::emitPlain(Level &level, int from, int to, QString &out)
{
    int i = from;
    while (i < to) {
        const int u = unitEnd(level, i, to);
        if (u > i) {
            emitUnit(level, i, u, out);
            i = u;
        } else {
            emitNode(level, i, out);
            ++i;
        }
    }
}

void Translator::emitUnit(Level &level, int i, int end, QString &out)
{
    const SqlNode &node = level.nodes[i];
    if (!node.group && isWord(node, QLatin1StringView("CASE"))) {
        const int close = end - 1;
        emitNode(level, i, out);
        if (depth_ < kMaxDepth) {
            ++depth_;
            emitRange(level, i + 1, close, out);
            --depth_;
        } else {
            for (int k = i + 1; k < close; ++k)
                emitNode(level, k, out);
        }
        emitNode(level, close, out);
        return;
    }
    if (end == i + 2 && level.nodes[i + 1].group && isKind(node, SqlToken::Identifier) &&
        emitFunctionCall(level, i, out))
        return;
    if (end - i >= 3 && (end - i) % 2 == 1 && !level.nodes[end - 1].group &&
        (isWord(level.nodes[end - 1], QLatin1StringView("NEXTVAL")) ||
         isWord(level.nodes[end - 1], QLatin1StringView("CURRVAL")))) {
        const SqlToken &firstTok = token(node);
        const SqlToken &lastName = token(level.nodes[end - 3]);
        const QString name = sql_.mid(firstTok.start, lastName.end() - firstTok.start).toString();
        const bool next = isWord(level.nodes[end - 1], QLatin1StringView("NEXTVAL"));
        beginNode(level, i, out);
        if (target_ == SqlDialect::Sqlite)
            out += (next ? u"kestra_nextval(" : u"kestra_currval(") + sqlStandardLiteral(name) + u')';
        else
            out += (next ? u"nextval(" : u"currval(") + sqlStandardLiteral(name) + u')';
        return;
    }
    if (end == i + 1 && isKind(node, SqlToken::Identifier)) {
        const bool sysdate = isWord(node, QLatin1StringView("SYSDATE"));
        if (sysdate || isWord(node, QLatin1StringView("SYSTIMESTAMP"))) {
            beginNode(level, i, out);
            if (target_ == SqlDialect::Sqlite)
                out += sysdate ? QStringLiteral("datetime('now','localtime')")
                               : QStringLiteral("strftime('%Y-%m-%d %H:%M:%f','now','localtime')");
            else
                // The statement's time, as Oracle's: LOCALTIMESTAMP stands
                // still for a whole transaction.
                out += sysdate ? QStringLiteral("date_trunc('second', clock_timestamp()::timestamp)")
                               : QStringLiteral("clock_timestamp()");
            return;
        }
    }
    for (int k = i; k < end; ++k)
        emitNode(level, k, out);
}

void Translator::emitNode(Level &level, int i, QString &out)
{
    if (level.skipped(i)) {
        pendingSpace_ = true;
        return;
    }
    const SqlNode &node = level.nodes[i];
    const NodeEdit *edit = level.editIf(i);
    beginNode(level, i, out);
    if (node.group) {
        out += emitGroupBody(node, edit && edit->unwrap);
    } else if (edit && edit->hasReplace) {
        out += edit->replace;
    } else {
        emitToken(node, out);
    }
    if (edit)
        out += edit->after;
}

void Translator::beginNode(Level &level, int i, QString &out)
{
    const SqlToken &t = token(level.nodes[i]);
    if (pendingSpace_ && t.triviaStart == t.start && !out.isEmpty() && !out.back().isSpace())
        out += u' ';
    pendingSpace_ = false;
    emitTrivia(t, out);
    if (const NodeEdit *edit = level.editIf(i))
        out += edit->before;
}

QString Translator::emitGroupBody(const SqlNode &group, bool bare)
{
    const SqlToken &open = token(group);
    if (depth_ >= kMaxDepth) {
        const int end = group.close >= 0 ? tokens_[group.close].end() : tokens_.back().triviaStart;
        return sql_.mid(open.start, end - open.start).toString();
    }
    ++depth_;
    Level inner(group.children);
    prepareLevel(inner);
    QString out;
    if (!bare)
        out += u'(';
    emitRange(inner, 0, inner.size(), out);
    out += inner.tail;
    pendingSpace_ = false;
    // A group the text never closes stays unclosed.
    if (group.close >= 0) {
        emitTrivia(tokens_[group.close], out);
        if (!bare)
            out += u')';
    }
    --depth_;
    return out;
}

QString Translator::rangeText(Level &level, int from, int to)
{
    QString out;
    emitRange(level, from, to, out);
    pendingSpace_ = false;
    return out.trimmed();
}

void Translator::emitToken(const SqlNode &n, QString &out)
{
    const SqlToken &t = token(n);
    const QStringView raw = t.text(sql_);
    if (t.kind == SqlToken::String) {
        // PostgreSQL reads E'..', U&'..', B'..' and X'..' as special
        // literals, SQLite X'..' as a blob: never let a name touch a quote.
        if (n.tok > 0 && t.triviaStart == t.start) {
            const SqlToken &prev = tokens_[n.tok - 1];
            if (prev.kind == SqlToken::Identifier || (prev.kind == SqlToken::Operator && prev.text(sql_) == u"&"))
                out += u' ';
        }
        if (t.unterminated) {
            out += raw;
            return;
        }
        const QString value = sqlStringValue(sql_, t);
        if (value.isEmpty())
            out += u"NULL"; // Oracle has no empty text: '' is NULL
        else if (isPlainSqlString(sql_, t))
            out += raw;
        else
            out += sqlStandardLiteral(value);
        return;
    }
    if (t.kind == SqlToken::Operator && (raw == u"^=" || raw == u"~=")) {
        out += u"<>";
        return;
    }
    out += raw;
}

void Translator::emitTrivia(const SqlToken &t, QString &out)
{
    const QStringView trivia = t.trivia(sql_);
    if (target_ != SqlDialect::Postgres || !trivia.contains(u"/*")) {
        out += trivia;
        return;
    }
    // PostgreSQL nests block comments, Oracle does not: "/*" inside a
    // comment would make PostgreSQL read on past the comment's end.
    qsizetype i = 0;
    const qsizetype n = trivia.size();
    while (i < n) {
        if (trivia[i] == u'-' && i + 1 < n && trivia[i + 1] == u'-') {
            const qsizetype nl = trivia.indexOf(u'\n', i);
            const qsizetype stop = nl < 0 ? n : nl + 1;
            out += trivia.mid(i, stop - i);
            i = stop;
        } else if (trivia[i] == u'/' && i + 1 < n && trivia[i + 1] == u'*') {
            const qsizetype close = trivia.indexOf(u"*/", i + 2);
            const qsizetype stop = close < 0 ? n : close + 2;
            QString body = trivia.mid(i + 2, stop - i - 2).toString();
            body.replace(QStringLiteral("/*"), QStringLiteral("/ *"));
            out += u"/*" + body;
            i = stop;
        } else {
            out += trivia[i];
            ++i;
        }
    }
}

} // namespace sqlx

QString translateOracleSql(const QString &sql, SqlDialect target)
{
    return sqlx::Translator(sql, target).run();
}

SqlTranslator::SqlTranslator(SqlDialect target, int cacheEntries) : target_(target), cache_(cacheEntries) {}

QString SqlTranslator::translate(const QString &sql)
{
    if (const QString *hit = cache_.object(sql))
        return *hit;
    QString out = translateOracleSql(sql, target_);
    if (sql.size() <= 64 * 1024)
        cache_.insert(sql, new QString(out));
    return out;
}

QString emptyLiteralsToSpace(const QString &sql)
{
    const std::vector<SqlToken> tokens = tokenizeSql(sql);
    QString out;
    out.reserve(sql.size() + 8);
    int copied = 0;
    for (const SqlToken &t : tokens) {
        if (t.kind != SqlToken::String || t.unterminated || !sqlStringValue(sql, t).isEmpty())
            continue;
        out += QStringView(sql).mid(copied, t.start - copied);
        out += u"' '";
        copied = t.end();
    }
    out += QStringView(sql).mid(copied);
    return out;
}

} // namespace kestra
