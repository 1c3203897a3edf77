#include "items/CopySearch.h"

#include "kit/CopyColumns.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "marc/BibParams.h"

namespace kestra {

namespace {

QString copyColumn(int index)
{
    switch (index) {
    case IndexBarcode:
        return QStringLiteral("indi_acct.bar_code");
    case IndexPropNo:
        return QStringLiteral("indi_acct.prop_no");
    default:
        return QStringLiteral("indi_acct.call_no");
    }
}

QString groupCode(int group)
{
    return QStringLiteral("%1").arg(group, 2, 10, QLatin1Char('0'));
}

} // namespace

CopySearch::CopySearch(AppContext &context) : context_(context), codec_(context.codePage()) {}

CopySearch::CopySearch(AppContext &context, const BibParams &params)
    : context_(context), params_(&params), codec_(context.codePage())
{
    indexes_ = searchIndexes(params, true);
}

bool CopySearch::prepare()
{
    if (params_ && !indexes_.isEmpty())
        return true;
    params_ = runParams(context_);
    if (!params_)
        return false;
    indexes_ = searchIndexes(*params_, true);
    return true;
}

QList<CopySearch::Term> CopySearch::terms(const QList<SearchCondition> &conditions, QList<SearchCondition> *used) const
{
    QList<Term> out;
    if (!params_)
        return out;
    for (const SearchCondition &c : conditions.mid(0, MaxConditionRows)) {
        const SearchIndex *index = findIndex(indexes_, c.index);
        if (!index)
            continue;
        const QString term = searchTerm(*index, c.value, *params_, codec_);
        if (term.isEmpty())
            continue;
        out.append(Term{index, c.mode, term});
        if (used)
            used->append(c);
    }
    return out;
}

QString CopySearch::buildSql(const QList<SearchCondition> &conditions) const
{
    const QList<Term> list = terms(conditions, nullptr);
    if (list.isEmpty())
        return QString();
    QStringList from{QStringLiteral("indi_acct")};
    QStringList where;
    int n = 0;
    for (const Term &t : list) {
        if (t.index->isColumn()) {
            where.append(QLatin1Char('(') + matchSql(copyColumn(t.index->code), t.mode, t.term, false) +
                         QLatin1Char(')'));
            continue;
        }
        const QString alias = QStringLiteral("idx") + QString::number(n);
        from.append(QStringLiteral("marc_idx ") + alias);
        where.append(QLatin1Char('(') + alias + QStringLiteral(".marc_idx_grp = ") +
                     sqlQuote(groupCode(t.index->code)) + QStringLiteral(" AND ") +
                     matchSql(alias + QStringLiteral(".marc_idx_cont"), t.mode, t.term, params_->unicodeMode) +
                     QLatin1Char(')'));
        // The first index row meets the copy, each further one the row before.
        where.append(n == 0 ? QStringLiteral("indi_acct.marc_rec_no = idx0.marc_rec_no")
                            : alias + QStringLiteral(".marc_rec_no = idx") + QString::number(n - 1) +
                                  QStringLiteral(".marc_rec_no"));
        ++n;
    }
    const QString query = QStringLiteral("SELECT DISTINCT indi_acct.prop_no,indi_acct.bar_code,indi_acct.dis_location,"
                                         "indi_acct.book_stat_code,indi_acct.call_no,indi_acct.marc_rec_no,"
                                         "indi_acct.shelf_no FROM ") +
                          from.join(QLatin1Char(',')) + QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    return limitedQuery(query, QStringLiteral("marc"), QStringLiteral("marc_rec_no"), {QStringLiteral("m_title")},
                        {QStringLiteral("marc_rec_no"), QStringLiteral("dis_location"), QStringLiteral("prop_no")});
}

CopySearch::Outcome CopySearch::search(const QList<SearchCondition> &conditions)
{
    copies_.clear();
    if (!prepare())
        return Outcome::Failed;
    QList<SearchCondition> used;
    terms(conditions, &used);
    if (used.isEmpty()) {
        context_.showMsg(QStringLiteral("EBM003"));
        return Outcome::NoCondition;
    }
    Session &db = context_.db();
    QueryResult rows;
    context_.prompter().setBusy(true);
    const int status = db.querySummary(buildSql(conditions), rows);
    context_.prompter().setBusy(false);
    if (status < 0) {
        db.showDbError();
        return Outcome::Failed;
    }
    const QString text = conditionText(used, indexes_);
    const int hits = rows.rowCount();
    addHistory(history_, text, used, hits);
    if (hits > MaxSearchHits) {
        context_.showMsg(QStringLiteral("I结果集过大，请缩小范围重新检索。"));
        return Outcome::TooMany;
    }
    if (hits == 0) {
        context_.showMsg(QStringLiteral("IBM001"));
        return Outcome::NoHit;
    }
    copies_.reserve(hits);
    for (int r = 0; r < hits; ++r) {
        copies_.append(FoundCopy{rows.text(r, 0), rows.text(r, 1), rows.text(r, 2), rows.text(r, 3), rows.text(r, 4),
                                 rows.text(r, 5), rows.text(r, 6), rows.text(r, 7)});
    }
    return Outcome::Listed;
}

std::optional<FoundCopy> CopySearch::choose(int row, const QString &callerLocation)
{
    if (row < 0 || row >= copies_.size())
        return std::nullopt;
    const FoundCopy &copy = copies_.at(row);
    const QString location = callerLocation.trimmed();
    if (!location.isEmpty() && location != QLatin1String("All") && location != copy.location) {
        context_.showMsg(QStringLiteral("EDC022"));
        return std::nullopt;
    }
    return copy;
}

QList<Column<FoundCopy>> CopySearch::columns()
{
    AppContext &context = context_;
    return {
        {copyHeading(CopyField::PropNo), [](const FoundCopy &c) { return c.propNo; }},
        {copyHeading(CopyField::BarCode), [](const FoundCopy &c) { return c.barCode; }},
        {copyHeading(CopyField::Title), [](const FoundCopy &c) { return c.title; }},
        {copyHeading(CopyField::Location),
         [&context](const FoundCopy &c) { return cell::location(context, c.location); }},
        {copyHeading(CopyField::Status), [](const FoundCopy &c) { return cell::status(c.status); }},
        {copyHeading(CopyField::CallNo), [](const FoundCopy &c) { return c.callNo; }},
        {QStringLiteral("架位号"), [](const FoundCopy &c) { return c.shelfNo; }},
        {copyHeading(CopyField::MarcRecNo), [](const FoundCopy &c) { return c.marcRecNo; }},
    };
}

} // namespace kestra
