#include "items/MarcNoSearch.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "marc/BibParams.h"

namespace kestra {

namespace {

// The tables of an index family.
struct FamilyTables {
    QString index;     // the index table
    QString group;     // its group column
    QString content;   // its content column
    QString key;       // its record-number column
    QString summary;   // the record table
    QStringList shown; // its columns for the grid
};

FamilyTables familyTables(MarcNoSearch::Family family)
{
    switch (family) {
    case MarcNoSearch::Family::Acquisition:
        return {QStringLiteral("asord_marc_idx"), QStringLiteral("asord_idx_grp"),
                QStringLiteral("asord_idx_cont"), QStringLiteral("asord_marc_rec_no"),
                QStringLiteral("asord_marc"),     {QStringLiteral("m_title"), QStringLiteral("m_author")}};
    case MarcNoSearch::Family::Authority:
        return {QStringLiteral("au_marc_idx"),    QStringLiteral("au_marc_idx_grp"), QStringLiteral("au_marc_idx_cont"),
                QStringLiteral("au_marc_rec_no"), QStringLiteral("au_marc"),         {QStringLiteral("m_heading")}};
    case MarcNoSearch::Family::Catalogue:
        break;
    }
    return {QStringLiteral("marc_idx"),      QStringLiteral("marc_idx_grp"),
            QStringLiteral("marc_idx_cont"), QStringLiteral("marc_rec_no"),
            QStringLiteral("marc"),          {QStringLiteral("m_title"), QStringLiteral("m_author")}};
}

QString restrictionTable(MarcNoSearch::Restriction restriction)
{
    switch (restriction) {
    case MarcNoSearch::Restriction::WithItem:
        return QStringLiteral("item");
    case MarcNoSearch::Restriction::WithCopy:
        return QStringLiteral("indi_acct");
    case MarcNoSearch::Restriction::WithCallNo:
        return QStringLiteral("call_no_lst");
    case MarcNoSearch::Restriction::None:
        break;
    }
    return QString();
}

} // namespace

MarcNoSearch::MarcNoSearch(AppContext &context) : context_(context), codec_(context.codePage()) {}

MarcNoSearch::MarcNoSearch(AppContext &context, const BibParams &params)
    : context_(context), params_(&params), codec_(context.codePage())
{}

bool MarcNoSearch::prepare()
{
    if (params_)
        return true;
    params_ = runParams(context_);
    return params_ != nullptr;
}

QList<SearchIndex> MarcNoSearch::indexes(Family family) const
{
    if (!params_)
        return {};
    return searchIndexes(*params_, family != Family::Authority);
}

QList<MarcNoSearch::Term> MarcNoSearch::terms(Family family, const QList<SearchCondition> &conditions,
                                              QList<SearchCondition> *used) const
{
    QList<Term> out;
    if (!params_)
        return out;
    const QList<SearchIndex> list = indexes(family);
    for (const SearchCondition &c : conditions.mid(0, MaxConditionRows)) {
        const SearchIndex *index = findIndex(list, c.index);
        if (!index)
            continue;
        const QString term = searchTerm(*index, c.value, *params_, codec_);
        if (term.isEmpty())
            continue;
        out.append(Term{*index, c.mode, term});
        if (used)
            used->append(c);
    }
    return out;
}

QString MarcNoSearch::buildSql(Family family, Restriction restriction, const QList<SearchCondition> &conditions) const
{
    const QList<Term> list = terms(family, conditions, nullptr);
    if (list.isEmpty())
        return QString();
    const FamilyTables f = familyTables(family);
    QStringList from;
    QStringList where;
    QString firstKey;
    QString previousKey;
    for (qsizetype n = 0; n < list.size(); ++n) {
        const Term &t = list.at(n);
        const QString alias = QStringLiteral("idx") + QString::number(n);
        QString key = alias + QStringLiteral(".marc_rec_no");
        if (t.index.isColumn()) {
            // A copy column joins its table under the row's alias, so that
            // every row is one alias and idx0 gives the record numbers.
            if (t.index.code == IndexCallNo) {
                from.append(QStringLiteral("call_no_lst ") + alias);
                where.append(QLatin1Char('(') + matchSql(alias + QStringLiteral(".call_no"), t.mode, t.term, false) +
                             QLatin1Char(')'));
            } else {
                from.append(QStringLiteral("indi_acct ") + alias);
                const QString column =
                    t.index.code == IndexBarcode ? QStringLiteral(".bar_code") : QStringLiteral(".prop_no");
                where.append(QLatin1Char('(') + matchSql(alias + column, t.mode, t.term, false) + QLatin1Char(')'));
            }
        } else {
            key = alias + QLatin1Char('.') + f.key;
            from.append(f.index + QLatin1Char(' ') + alias);
            where.append(QLatin1Char('(') + alias + QLatin1Char('.') + f.group + QStringLiteral(" = ") +
                         sqlQuote(QStringLiteral("%1").arg(t.index.code, 2, 10, QLatin1Char('0'))) +
                         QStringLiteral(" AND ") +
                         matchSql(alias + QLatin1Char('.') + f.content, t.mode, t.term, params_->unicodeMode) +
                         QLatin1Char(')'));
        }
        if (n == 0)
            firstKey = key;
        else
            where.append(key + QStringLiteral(" = ") + previousKey);
        previousKey = key;
    }
    const QString table = canRestrict(family) ? restrictionTable(restriction) : QString();
    if (!table.isEmpty()) {
        where.append(QStringLiteral("EXISTS (SELECT 1 FROM ") + table + QStringLiteral(" WHERE ") + table +
                     QStringLiteral(".marc_rec_no = ") + firstKey + QLatin1Char(')'));
    }
    const QString query = QStringLiteral("SELECT DISTINCT ") + firstKey + QStringLiteral(" marc_rec_no FROM ") +
                          from.join(QLatin1Char(',')) + QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    return limitedQuery(query, f.summary, f.key, f.shown, {QStringLiteral("marc_rec_no")});
}

MarcNoSearch::Outcome MarcNoSearch::search(Family family, Restriction restriction,
                                           const QList<SearchCondition> &conditions)
{
    switchFamily(family);
    records_.clear();
    if (!prepare())
        return Outcome::Failed;
    QList<SearchCondition> used;
    terms(family, conditions, &used);
    if (used.isEmpty()) {
        context_.showMsg(QStringLiteral("EBM003"));
        return Outcome::NoCondition;
    }
    Session &db = context_.db();
    QueryResult rows;
    context_.prompter().setBusy(true);
    const int status = db.querySummary(buildSql(family, restriction, conditions), rows);
    context_.prompter().setBusy(false);
    if (status < 0) {
        db.showDbError();
        return Outcome::Failed;
    }
    const int hits = rows.rowCount();
    addHistory(history_, conditionText(used, indexes(family)), used, hits);
    if (hits > MaxSearchHits) {
        context_.showMsg(QStringLiteral("I结果集过大，请缩小范围重新检索。"));
        return Outcome::TooMany;
    }
    if (hits == 0) {
        context_.showMsg(QStringLiteral("IBM001"));
        return Outcome::NoHit;
    }
    for (int r = 0; r < hits; ++r)
        records_.append(FoundRecord{rows.text(r, 0), rows.text(r, 1), rows.text(r, 2)});
    return Outcome::Listed;
}

void MarcNoSearch::switchFamily(Family family)
{
    if (family == family_)
        return;
    family_ = family;
    records_.clear();
    history_.clear();
}

QStringList MarcNoSearch::recordNumbers() const
{
    QStringList out;
    out.reserve(records_.size());
    for (const FoundRecord &r : records_)
        out.append(r.marcRecNo);
    return out;
}

} // namespace kestra
