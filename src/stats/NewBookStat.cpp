#include "stats/NewBookStat.h"

#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "core/Session.h"
#include "kit/Days.h"

namespace kestra {

namespace {

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// The span's condition on a date column, its literals quoted.
QString intakeSpanSql(const IntakeConditions &c, const QString &column)
{
    const QString sub = QStringLiteral(" AND substr(") + column;
    switch (c.span) {
    case IntakeSpan::Year:
        return sub + QStringLiteral(",1,4) = ") + sqlQuote(QString::number(c.year));
    case IntakeSpan::Month:
        return sub + QStringLiteral(",1,7) = ") + sqlQuote(QString::number(c.year) + u'-' + twoDigits(c.month));
    case IntakeSpan::Period:
        break;
    }
    return sub + QStringLiteral(",1,10) >= ") + sqlQuote(day::text(c.begin)) + sub + QStringLiteral(",1,10) <= ") +
           sqlQuote(day::text(c.end));
}

} // namespace

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
    const int at = entry.indexOf(u'月');
    bool ok = false;
    const int month = entry.left(at).trimmed().toInt(&ok);
    return at > 0 && ok && month >= 1 && month <= 12 ? month : 0;
}

QString NewBookStat::spanText(const IntakeConditions &c)
{
    switch (c.span) {
    case IntakeSpan::Year:
        return QString::number(c.year);
    case IntakeSpan::Month:
        return QString::number(c.year) + u'-' + twoDigits(c.month);
    case IntakeSpan::Period:
        break;
    }
    return day::text(c.begin) + QStringLiteral(" 到 ") + day::text(c.end);
}

int NewBookStat::codeList(int cache, QList<FilterCode> &out)
{
    out.clear();
    CodeTables &codes = context_.codes();
    const auto which = CodeCache(cache);
    if (!codes.isLoaded(which) && codes.load(which) < 0) {
        context_.db().showDbError();
        return -1;
    }
    const QueryResult &table = codes.table(which);
    for (int r = 0; r < table.rowCount(); ++r)
        out.append(FilterCode{table.text(r, 0), table.text(r, 1)});
    return 0;
}

int NewBookStat::docTypes(QList<FilterCode> &out)
{
    return codeList(int(CodeCache::DocTypes), out);
}

int NewBookStat::languages(QList<FilterCode> &out)
{
    return codeList(int(CodeCache::Languages), out);
}

int NewBookStat::batches(const IntakeConditions &conditions, QStringList &out)
{
    out.clear();
    // The span's conditions begin with " AND".
    const QString sql = QStringLiteral("select distinct move_batch from transfer_doc WHERE") +
                        intakeSpanSql(conditions, QStringLiteral("transfer_doc.send_store_date")).mid(4) +
                        QStringLiteral(" order by move_batch ");
    QueryResult result;
    if (context_.db().query(sql, result) < 0) {
        context_.db().showDbError();
        return -1;
    }
    for (int r = 0; r < result.rowCount(); ++r)
        out.append(result.text(r, 0));
    return 0;
}

QString NewBookStat::conditionSql(const IntakeConditions &c) const
{
    QString sql;
    if (!c.docType.isEmpty())
        sql += QStringLiteral(" AND marc.doc_type_code= ") + sqlQuote(c.docType);
    if (!c.language.isEmpty())
        sql += QStringLiteral(" AND upper(marc.lang_code)= ") + sqlQuote(c.language.toUpper());
    sql += intakeSpanSql(c, QStringLiteral("indi_acct.in_date"));
    if (c.batches.isEmpty())
        return sql + QStringLiteral(" AND indi_acct.chk_batch_no is not null");
    QStringList quoted;
    for (const QString &batch : c.batches)
        quoted.append(sqlQuote(batch));
    return sql + QStringLiteral(" AND indi_acct.move_batch IN (") + quoted.join(u',') + u')';
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
