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

// The name a column of the item would carry without the dump: its alias,
// the column's own name for a column reference, else the item's text.
QString nameOf(const QString &expression, const QString &alias)
{
    if (!alias.isEmpty()) {
        const std::vector<SqlToken> a = tokenizeSql(alias);
        const SqlToken &name = a.at(a.size() - 2); // after an AS
        return name.kind == SqlToken::QuotedIdentifier ? name.text(alias).mid(1, name.length - 2).toString()
                                                       : name.text(alias).toString();
    }
    const std::vector<SqlToken> t = tokenizeSql(expression);
    bool reference = t.size() >= 2;
    for (size_t k = 0; k + 1 < t.size(); ++k) {
        const bool nameExpected = k % 2 == 0;
        if (nameExpected ? t[k].kind != SqlToken::Identifier : t[k].kind != SqlToken::Dot)
            reference = false;
    }
    if (reference && t.size() % 2 == 0)
        return t.at(t.size() - 2).text(expression).toString();
    return expression.trimmed();
}

// " dump(" + item + ",16) ", with a trailing alias kept outside the call;
// *name the name of the column the item gave before.
QString dumpItem(const QString &item, QString *name)
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
                const QString alias = item.mid(aliasStart).trimmed();
                *name = nameOf(item.left(exprEnd), alias);
                return u" dump(" + item.left(exprEnd) + u",16) " + alias;
            }
        }
    }
    *name = nameOf(item, QString());
    return u" dump(" + item + u",16) ";
}

} // namespace

QString rewriteSummaryQuery(const QString &sql, QStringList *names)
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
    QStringList dumpedNames;
    for (QString &item : items) {
        QString name;
        if (namesSummaryColumn(item))
            item = dumpItem(item, &name);
        dumpedNames.append(name);
    }
    if (names != nullptr)
        *names = dumpedNames;
    return up.left(tokens[head].end()) + items.join(u',') + u" FROM " + up.mid(tokens[from].end());
}

} // namespace kestra
