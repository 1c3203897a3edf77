#include "db/sql/SqlTokenizer.h"

namespace kestra {

namespace {

bool isIdentStart(QChar c)
{
    return c.isLetter() || c == u'_' || c.isSurrogate();
}

bool isIdentPart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#' || c.isSurrogate() || c.isMark();
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The closing delimiter of a q'X...X' literal.
QChar qClosing(QChar open)
{
    switch (open.unicode()) {
    case u'[':
        return u']';
    case u'{':
        return u'}';
    case u'(':
        return u')';
    case u'<':
        return u'>';
    default:
        return open;
    }
}

class Scanner {
public:
    explicit Scanner(QStringView sql) : s_(sql), n_(static_cast<int>(sql.size())) {}

    std::vector<SqlToken> run()
    {
        std::vector<SqlToken> out;
        out.reserve(n_ / 3 + 4);
        while (true) {
            SqlToken t;
            t.triviaStart = pos_;
            skipTrivia(t);
            t.start = pos_;
            if (pos_ >= n_) {
                t.kind = SqlToken::End;
                out.push_back(t);
                return out;
            }
            scanToken(t);
            t.length = pos_ - t.start;
            out.push_back(t);
        }
    }

private:
    QChar at(int i) const { return i < n_ ? s_[i] : QChar(); }

    void skipTrivia(SqlToken &t)
    {
        while (pos_ < n_) {
            const QChar c = s_[pos_];
            if (c.isSpace()) {
                ++pos_;
            } else if (c == u'-' && at(pos_ + 1) == u'-') {
                while (pos_ < n_ && s_[pos_] != u'\n')
                    ++pos_;
            } else if (c == u'/' && at(pos_ + 1) == u'*') {
                const int close = static_cast<int>(s_.indexOf(u"*/", pos_ + 2));
                if (close < 0) {
                    pos_ = n_;
                    t.unterminated = true;
                } else {
                    pos_ = close + 2;
                }
            } else {
                return;
            }
        }
    }

    // '...' from the opening quote at pos_.
    void scanQuoted(SqlToken &t, QChar quote)
    {
        ++pos_;
        while (pos_ < n_) {
            if (s_[pos_] == quote) {
                if (at(pos_ + 1) == quote) {
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                return;
            }
            ++pos_;
        }
        t.unterminated = true;
    }

    // q'X...X' with the q at pos_ - 1 and the quote at pos_.
    void scanQQuote(SqlToken &t)
    {
        const QChar open = at(pos_ + 1);
        if (open.isNull()) {
            pos_ = n_;
            t.unterminated = true;
            return;
        }
        const QChar close = qClosing(open);
        pos_ += 2;
        while (pos_ < n_) {
            if (s_[pos_] == close && at(pos_ + 1) == u'\'') {
                pos_ += 2;
                return;
            }
            ++pos_;
        }
        t.unterminated = true;
    }

    void scanNumber()
    {
        while (isDigit(at(pos_)))
            ++pos_;
        if (at(pos_) == u'.' && at(pos_ + 1) != u'.') {
            ++pos_;
            while (isDigit(at(pos_)))
                ++pos_;
        }
        const QChar e = at(pos_);
        if (e == u'e' || e == u'E') {
            int p = pos_ + 1;
            if (at(p) == u'+' || at(p) == u'-')
                ++p;
            if (isDigit(at(p))) {
                pos_ = p;
                while (isDigit(at(pos_)))
                    ++pos_;
            }
        }
    }

    void scanToken(SqlToken &t)
    {
        const QChar c = s_[pos_];
        const QChar next = at(pos_ + 1);
        if (c == u'\'') {
            t.kind = SqlToken::String;
            scanQuoted(t, c);
            return;
        }
        if (c == u'"') {
            t.kind = SqlToken::QuotedIdentifier;
            scanQuoted(t, c);
            return;
        }
        if ((c == u'n' || c == u'N') && next == u'\'') {
            t.kind = SqlToken::String;
            ++pos_;
            scanQuoted(t, u'\'');
            return;
        }
        if ((c == u'q' || c == u'Q') && next == u'\'') {
            t.kind = SqlToken::String;
            ++pos_;
            scanQQuote(t);
            return;
        }
        if ((c == u'n' || c == u'N') && (next == u'q' || next == u'Q') && at(pos_ + 2) == u'\'') {
            t.kind = SqlToken::String;
            pos_ += 2;
            scanQQuote(t);
            return;
        }
        if (isIdentStart(c)) {
            t.kind = SqlToken::Identifier;
            ++pos_;
            while (pos_ < n_ && isIdentPart(s_[pos_]))
                ++pos_;
            return;
        }
        if (isDigit(c) || (c == u'.' && isDigit(next))) {
            t.kind = SqlToken::Number;
            scanNumber();
            return;
        }
        if (c == u':' && (isIdentStart(next) || isDigit(next))) {
            t.kind = SqlToken::Bind;
            ++pos_;
            while (pos_ < n_ && isIdentPart(s_[pos_]))
                ++pos_;
            return;
        }
        ++pos_;
        switch (c.unicode()) {
        case u'(':
            t.kind = SqlToken::LParen;
            return;
        case u')':
            t.kind = SqlToken::RParen;
            return;
        case u',':
            t.kind = SqlToken::Comma;
            return;
        case u';':
            t.kind = SqlToken::Semicolon;
            return;
        case u'.':
            t.kind = SqlToken::Dot;
            return;
        default:
            break;
        }
        static const char16_t twoChar[][2] = {{u'|', u'|'}, {u'<', u'='}, {u'>', u'='}, {u'<', u'>'}, {u'!', u'='},
                                              {u'^', u'='}, {u'~', u'='}, {u':', u'='}, {u'=', u'>'}, {u'*', u'*'}};
        for (const auto &op : twoChar) {
            if (c == op[0] && next == op[1]) {
                ++pos_;
                t.kind = SqlToken::Operator;
                return;
            }
        }
        static const QStringView single = u"+-*/=<>@%&|!^~?";
        t.kind = single.contains(c) ? SqlToken::Operator : SqlToken::Other;
    }

    QStringView s_;
    int n_;
    int pos_ = 0;
};

} // namespace

std::vector<SqlToken> tokenizeSql(QStringView sql)
{
    return Scanner(sql).run();
}

bool isPlainSqlString(QStringView sql, const SqlToken &token)
{
    return token.kind == SqlToken::String && token.length > 0 && sql[token.start] == u'\'';
}

QString sqlStringValue(QStringView sql, const SqlToken &token)
{
    QStringView text = token.text(sql);
    if (text.startsWith(u'n') || text.startsWith(u'N'))
        text = text.mid(1);
    if (text.startsWith(u'q') || text.startsWith(u'Q')) {
        // q'X...X': drop q, quote and delimiter at both ends.
        if (token.unterminated || text.size() < 4)
            return text.mid(qMin<qsizetype>(3, text.size())).toString();
        return text.mid(3, text.size() - 5).toString();
    }
    if (text.startsWith(u'\''))
        text = text.mid(1);
    if (!token.unterminated && text.endsWith(u'\''))
        text.chop(1);
    QString value;
    value.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        value.append(text[i]);
        if (text[i] == u'\'' && i + 1 < text.size() && text[i + 1] == u'\'')
            ++i;
    }
    return value;
}

QString sqlStandardLiteral(QStringView value)
{
    QString out;
    out.reserve(value.size() + 2);
    out.append(u'\'');
    for (const QChar c : value) {
        out.append(c);
        if (c == u'\'')
            out.append(u'\'');
    }
    out.append(u'\'');
    return out;
}

} // namespace kestra
