#include "items/SearchConditions.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "marc/BibExtract.h"
#include "marc/BibParams.h"
#include "marc/BibStore.h"
#include "marc/MarcText.h"

namespace kestra {

QString matchModeName(MatchMode mode)
{
    switch (mode) {
    case MatchMode::Prefix:
        return QStringLiteral("前方匹配");
    case MatchMode::Anywhere:
        return QStringLiteral("任意匹配");
    case MatchMode::Exact:
        return QStringLiteral("完全匹配");
    }
    return QString();
}

QList<SearchIndex> searchIndexes(const BibParams &params, bool withCopyColumns)
{
    QList<SearchIndex> out;
    const IndexGroupTable &groups = params.retrievalGroups;
    for (int g = 0; g < groups.groupCount(); ++g) {
        const IndexGroupCell *cell = groups.cell(g, 0);
        if (!cell)
            cell = groups.cell(g, 1);
        if (!cell)
            continue;
        out.append(SearchIndex{g, cell->name, groupUsesStopwords(g, params), 0});
    }
    if (withCopyColumns) {
        // The widths of indi_acct.bar_code, prop_no and call_no.
        out.append(SearchIndex{IndexBarcode, QStringLiteral("条码号"), false, 30});
        out.append(SearchIndex{IndexPropNo, QStringLiteral("财产号"), false, 30});
        out.append(SearchIndex{IndexCallNo, QStringLiteral("索书号"), false, 60});
    }
    return out;
}

const SearchIndex *findIndex(const QList<SearchIndex> &indexes, int code)
{
    for (const SearchIndex &i : indexes) {
        if (i.code == code)
            return &i;
    }
    return nullptr;
}

QString searchTerm(const SearchIndex &index, const QString &value, const BibParams &params, const MarcCodec &codec)
{
    // A scanner's tab or line end, or a pasted control character, is no part
    // of any key (and PostgreSQL refuses a NUL in text).
    QString term;
    term.reserve(value.size());
    for (const QChar c : value) {
        if (c.unicode() >= 0x20 && c.unicode() != 0x7F)
            term.append(c);
    }
    term = term.trimmed().toUpper();
    if (index.isColumn()) {
        if (term.size() > index.columnWidth)
            term.truncate(index.columnWidth + 1);
        return term;
    }
    if (index.stopwords)
        term = normaliseSearchKey(term, params.stopWords);
    if (params.unicodeMode)
        return term.left(params.indexWidth).trimmed();
    return term.left(widthCutPosition(term, params.indexWidth, codec)).trimmed();
}

QString matchSql(const QString &column, MatchMode mode, const QString &term, bool national)
{
    auto literal = [national](const QString &text) {
        return national ? QStringLiteral("unistr(") + sqlQuote(encodeUnistr(text)) + QLatin1Char(')') : sqlQuote(text);
    };
    if (mode == MatchMode::Exact)
        return column + QStringLiteral(" = ") + literal(term);
    // Without an escape the backends read a backslash alike (as itself), so
    // only a term with a wildcard in it needs one.
    const bool escape = term.contains(QLatin1Char('%')) || term.contains(QLatin1Char('_'));
    QString body = term;
    if (escape) {
        body.clear();
        for (const QChar c : term) {
            if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
                body.append(QLatin1Char('\\'));
            body.append(c);
        }
    }
    const QString pattern = mode == MatchMode::Prefix ? QString(body + QLatin1Char('%'))
                                                      : QString(QLatin1Char('%') + body + QLatin1Char('%'));
    QString sql = column + QStringLiteral(" LIKE ") + literal(pattern);
    if (escape)
        sql += QStringLiteral(" ESCAPE '\\'");
    return sql;
}

QString conditionText(const QList<SearchCondition> &conditions, const QList<SearchIndex> &indexes)
{
    QStringList parts;
    for (const SearchCondition &c : conditions) {
        const SearchIndex *index = findIndex(indexes, c.index);
        parts.append((index ? index->name : QString::number(c.index)) + QLatin1Char(' ') + matchModeName(c.mode) +
                     QLatin1Char(' ') + c.value.trimmed());
    }
    return parts.join(QStringLiteral(" AND "));
}

const BibParams *runParams(AppContext &context)
{
    BibParams &params = context.cache<BibParams>();
    if (params.retrievalGroups.groupCount() > 0)
        return &params;
    if (loadBibParams(context.db(), context.folders(), context.codePage(), params) < 0)
        return nullptr;
    return &params;
}

void addHistory(QList<SearchHistoryEntry> &history, const QString &conditionText,
                const QList<SearchCondition> &conditions, int hits)
{
    const QString count = hits > MaxSearchHits ? QStringLiteral(">%1").arg(MaxSearchHits) : QString::number(hits);
    const QString text = conditionText + QStringLiteral("   命中") + count;
    // The same search again moves to the top with its new count.
    history.removeIf([&conditionText](const SearchHistoryEntry &e) { return e.condition == conditionText; });
    history.prepend(SearchHistoryEntry{text, conditionText, conditions, hits});
    while (history.size() > MaxHistoryEntries)
        history.removeLast();
}

QString limitedQuery(const QString &distinctQuery, const QString &summaryTable, const QString &summaryKey,
                     const QStringList &summaryColumns, const QStringList &orderBy)
{
    QString columns;
    for (const QString &c : summaryColumns)
        columns += QStringLiteral(",s.") + c;
    QStringList order;
    for (const QString &o : orderBy)
        order.append(QStringLiteral("q.") + o);
    // A limit beside the ORDER BY would sort every hit before cutting.
    return QStringLiteral("SELECT q.*") + columns + QStringLiteral(" FROM (SELECT * FROM (") + distinctQuery +
           QStringLiteral(") WHERE rownum <= ") + QString::number(MaxSearchHits + 1) +
           QStringLiteral(") q LEFT JOIN ") + summaryTable + QStringLiteral(" s ON s.") + summaryKey +
           QStringLiteral(" = q.marc_rec_no ORDER BY ") + order.join(QLatin1Char(','));
}

} // namespace kestra
