#include "stats/NewBookStat.h"

#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "core/Session.h"

namespace kestra {

NewBookStat::NewBookStat(AppContext &context)
    : context_(context),
      grid_({{QStringLiteral("馆藏地"), [](const LocationCount &r) { return r.name; }},
             {QStringLiteral("种数"), [](const LocationCount &r) { return QString::number(r.titles); }, true},
             {QStringLiteral("册数"), [](const LocationCount &r) { return QString::number(r.copies); }, true},
             {QStringLiteral("总价格"), [](const LocationCount &r) { return QString::number(r.price, 'f', 2); }, true}},
            false)
{}

int NewBookStat::monthOf(const QString &entry)
{
    return intake_filter::monthOf(entry);
}

QString NewBookStat::spanText(const IntakeConditions &c)
{
    return intake_filter::spanText(c);
}

int NewBookStat::docTypes(QList<FilterCode> &out)
{
    return intake_filter::docTypes(context_, out);
}

int NewBookStat::languages(QList<FilterCode> &out)
{
    return intake_filter::languages(context_, out);
}

int NewBookStat::batches(const IntakeConditions &conditions, QStringList &out)
{
    return intake_filter::batches(context_, conditions, out);
}

QString NewBookStat::conditionSql(const IntakeConditions &c) const
{
    return intake_filter::intakeSql(c) + intake_filter::locationSql(c.locations);
}

int NewBookStat::run(const IntakeConditions &conditions)
{
    const QString from = QStringLiteral(" FROM indi_acct, marc WHERE indi_acct.marc_rec_no = marc.marc_rec_no") +
                         conditionSql(conditions);
    QueryResult rows;
    QueryResult total;
    context_.prompter().setBusy(true);
    int status = context_.db().query(QStringLiteral("SELECT indi_acct.DIS_LOCATION, count(distinct "
                                                    "indi_acct.marc_rec_no), count(distinct indi_acct.prop_no), "
                                                    "sum(indi_acct.price)") +
                                         from + QStringLiteral(" GROUP BY indi_acct.DIS_LOCATION "),
                                     rows);
    if (status >= 0)
        status = context_.db().query(QStringLiteral("SELECT count(distinct indi_acct.marc_rec_no)") + from, total);
    context_.prompter().setBusy(false);
    if (status < 0) {
        context_.db().showDbError();
        return -1;
    }
    CodeTables &codes = context_.codes();
    if (!codes.isLoaded(CodeCache::AllLocations))
        codes.load(CodeCache::AllLocations);
    QList<LocationCount> counts;
    LocationCount sum{QString(), QStringLiteral("合计")};
    for (int r = 0; r < rows.rowCount(); ++r) {
        LocationCount c{rows.text(r, 0), codes.locationName(rows.text(r, 0)), rows.text(r, 1).toLongLong(),
                        rows.text(r, 2).toLongLong(), rows.text(r, 3).toDouble()};
        if (c.name.isEmpty())
            c.name = c.location;
        sum.copies += c.copies;
        sum.price += c.price;
        counts.append(c);
    }
    std::sort(counts.begin(), counts.end(),
              [](const LocationCount &a, const LocationCount &b) { return a.name < b.name; });
    sum.titles = total.rowCount() > 0 ? total.text(0, 0).toLongLong() : 0;
    counts.append(sum);
    grid_.reset(std::move(counts));
    return 0;
}

} // namespace kestra
