#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <vector>

namespace kestra {

// One significant token of Oracle SQL text. Whitespace and comments are not
// tokens of their own: they are the "trivia" in front of the next token, so
// that a rewrite can keep them with the token they precede. The last token of
// every tokenization is End, whose trivia is whatever follows the last
// significant token.
struct SqlToken {
    enum Kind {
        Identifier,       // name or keyword: letters (any script), digits, _ $ #
        QuotedIdentifier, // "Name" with "" doubled
        String,           // 'text' with '' doubled; also N'..' and q'[..]'
        Number,           // 12, 1.5, .5, 1e3
        Bind,             // :NAME or :1
        Operator,         // || <= >= <> != ^= ~= := => and one-character operators
        LParen,
        RParen,
        Comma,
        Semicolon,
        Dot,
        Other, // anything else, one character
        End,
    };

    Kind kind = End;
    int triviaStart = 0; // where the whitespace and comments before it begin
    int start = 0;       // the token text
    int length = 0;
    bool unterminated = false; // a literal, quoted name or comment that runs to the end

    int end() const { return start + length; }
    QStringView text(QStringView sql) const { return sql.mid(start, length); }
    QStringView trivia(QStringView sql) const { return sql.mid(triviaStart, start - triviaStart); }
    // Case-insensitive comparison of an identifier with an ASCII keyword.
    // Called for every keyword test, so it stays cheap.
    bool is(QStringView sql, QLatin1StringView word) const
    {
        if (kind != Identifier || length != word.size())
            return false;
        const QChar *p = sql.data() + start;
        for (int i = 0; i < length; ++i) {
            char16_t c = p[i].unicode();
            if (c >= u'a' && c <= u'z')
                c -= 32;
            char16_t w = static_cast<unsigned char>(word[i].toLatin1());
            if (w >= u'a' && w <= u'z')
                w -= 32;
            if (c != w)
                return false;
        }
        return true;
    }
    bool isOp(QStringView sql, QLatin1StringView op) const { return kind == Operator && text(sql) == op; }
};

// Splits SQL text into tokens in one pass. Never fails: text it cannot
// classify becomes Other tokens, and an unterminated literal or comment
// runs to the end of the text (flagged).
std::vector<SqlToken> tokenizeSql(QStringView sql);

// The value of a String token: quotes removed, doubled quotes undone,
// N and q'..' prefixes handled.
QString sqlStringValue(QStringView sql, const SqlToken &token);

// True for a String token that is a plain '...' literal (not N or q).
bool isPlainSqlString(QStringView sql, const SqlToken &token);

// A literal for the value in standard SQL form: quotes doubled, nothing else
// escaped.
QString sqlStandardLiteral(QStringView value);

} // namespace kestra
