#include "db/sql/SummaryQuery.h"

#include "db/sql/OracleTranslator.h"
#include "db/sql/SqlTokenizer.h"

namespace kestra {

namespace {

bool namesSummaryColumn(QStringView item)
{
    static const char *const columns[] = {"M_CALL_NO", "M_TITLE",   "M_AUTHOR", "M_PUBLISHER", "M_PUB_YEAR", "M_ISBN",
                                          "M_CLASSNO", "M_HEADING", "M_SEE",    "M_SEEALSO",   "M_INFO"};
    for (const char *c : columns) {
        if (item.contains(QLatin1StringView(c), Qt::CaseInsensitive))
            return true;
    }
    static const char16_t *const titles[] = {u"题名", u"责任者", u"出版社", u"出版年", u"标准号"};
    for (const char16_t *t : titles) {
        if (item.contains(QStringView(t)))
            return true;
    }
    return false;
}

// " dump(" + item + ",16) ", with a trailing alias kept outside the call.
QString dumpItem(const QString &item)
{
    const std::vector<SqlToken> tokens = tokenizeSql(item);
    const qsizetype n = static_cast<qsizetype>(tokens.size()) - 1; // without End
    if (n >= 2) {
        const SqlToken &last = tokens[n - 1];
        const SqlToken &prev = tokens[n - 2];
        const bool aliasName = (last.kind == SqlToken::Identifier && !sqlx::isSqlKeyword(last.text(item))) ||
                               last.kind == SqlToken::QuotedIdentifier;
        if (aliasName) {
            int aliasStart = -1;
            if (prev.is(item, QLatin1StringView("AS")) && n >= 3)
                aliasStart = prev.start;
            else if ((prev.kind == SqlToken::Identifier && !sqlx::isSqlKeyword(prev.text(item))) ||
                     prev.kind == SqlToken::QuotedIdentifier || prev.kind == SqlToken::String ||
                     prev.kind == SqlToken::Number || prev.kind == SqlToken::RParen)
                aliasStart = last.start;
            if (aliasStart >= 0) {
                const int exprEnd = aliasStart == last.start ? last.triviaStart : prev.triviaStart;
                return u" dump(" + item.left(exprEnd) + u",16) " + item.mid(aliasStart).trimmed();
            }
        }
    }
    return u" dump(" + item + u",16) ";
}

} // namespace

QString rewriteSummaryQuery(const QString &sql)
{
    const std::vector<SqlToken> tokens = tokenizeSql(sql);
    QString up = sql;
    auto isWord = [&](const SqlToken &t, const char *w) { return t.is(sql, QLatin1StringView(w)); };
    for (const SqlToken &t : tokens) {
        if (isWord(t, "SELECT") || isWord(t, "DISTINCT") || isWord(t, "FROM"))
            up.replace(t.start, t.length, t.text(sql).toString().toUpper());
    }
    // The outermost SELECT and its FROM.
    int depth = 0;
    qsizetype select = -1;
    qsizetype from = -1;
    for (qsizetype k = 0; k < static_cast<qsizetype>(tokens.size()); ++k) {
        const SqlToken &t = tokens[k];
        if (t.kind == SqlToken::LParen) {
            ++depth;
        } else if (t.kind == SqlToken::RParen) {
            --depth;
        } else if (depth == 0 && select < 0 && isWord(t, "SELECT")) {
            select = k;
        } else if (depth == 0 && select >= 0 && isWord(t, "FROM")) {
            from = k;
            break;
        }
    }
    if (select < 0 || from < 0)
        return up;
    qsizetype head = select;
    if (head + 1 < from && isWord(tokens[head + 1], "DISTINCT"))
        ++head;
    QStringList items;
    int itemStart = tokens[head].end();
    depth = 0;
    for (qsizetype k = head + 1; k < from; ++k) {
        const SqlToken &t = tokens[k];
        if (t.kind == SqlToken::LParen) {
            ++depth;
        } else if (t.kind == SqlToken::RParen) {
            --depth;
        } else if (t.kind == SqlToken::Comma && depth == 0) {
            items.append(up.mid(itemStart, t.start - itemStart));
            itemStart = t.end();
        }
    }
    items.append(up.mid(itemStart, tokens[from].start - itemStart));
    for (QString &item : items) {
        if (namesSummaryColumn(item))
            item = dumpItem(item);
    }
    return up.left(tokens[head].end()) + items.join(u',') + u" FROM " + up.mid(tokens[from].end());
}

} // namespace kestra
