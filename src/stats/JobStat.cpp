#include "stats/JobStat.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "kit/CellText.h"
#include "kit/Days.h"

namespace kestra {

namespace {

QString jobFigure(const JobRow &row, qint64 value)
{
    return row.counted ? QString::number(value) : QString();
}

bool isWholeDate(const QString &text)
{
    return text.size() == 10 && day::from(text).isValid();
}

} // namespace

JobStat::JobStat(AppContext &context, QString prefix)
    : context_(context), prefix_(std::move(prefix)),
      grid_({{QStringLiteral("工作类型"), [](const JobRow &r) { return r.name; }},
             {QStringLiteral("种数"), [](const JobRow &r) { return jobFigure(r, r.titles); }, true},
             {QStringLiteral("册数"), [](const JobRow &r) { return jobFigure(r, r.copies); }, true},
             {QStringLiteral("价格"), [](const JobRow &r) { return r.counted ? cell::price(r.amount) : QString(); },
              true}},
            false)
{}

const QString &JobStat::operatorNo() const
{
    return context_.session().operatorNo;
}

int JobStat::load()
{
    QueryResult result;
    const QString sql = QStringLiteral("SELECT job_type,job_name FROM job_type WHERE job_type LIKE ") +
                        sqlQuote(prefix_) + QStringLiteral(" ORDER BY job_type");
    if (context_.db().query(sql, result) < 0) {
        context_.db().showDbError();
        grid_.reset();
        return -1;
    }
    QList<JobRow> rows;
    for (int r = 0; r < result.rowCount(); ++r)
        rows.append(JobRow{result.text(r, 0), result.text(r, 1)});
    grid_.reset(std::move(rows));
    return 0;
}

QString JobStat::buildSql(const JobConditions &c) const
{
    QString sql = QStringLiteral("SELECT job_type, SUM(kind),SUM(volume),SUM(amount) FROM wkr_job_qty "
                                 "WHERE wkr_no_f=") +
                  sqlQuote(operatorNo());
    if (c.span == JobSpan::Period) {
        // The end day is compared as a day: a row stored with a time of day
        // ("2026-03-02 10:00:00") sorts after "2026-03-02" but belongs to
        // it. Below the next day, the index on oper_date still bounds both
        // ends.
        sql += QStringLiteral(" AND oper_date >= ") + sqlQuote(c.begin) + QStringLiteral(" AND oper_date<") +
               sqlQuote(day::text(day::from(c.end).addDays(1)));
    } else {
        const QString d = day::text(c.day);
        const int width = c.span == JobSpan::Year ? 4 : c.span == JobSpan::Month ? 7 : 10;
        sql += QStringLiteral(" AND oper_date LIKE ") + sqlQuote(d.left(width) + QLatin1Char('%'));
    }
    return sql + QStringLiteral(" GROUP BY job_type ORDER BY job_type");
}

JobStat::Outcome JobStat::run(const JobConditions &conditions)
{
    if (conditions.span == JobSpan::Period && !(isWholeDate(conditions.begin) && isWholeDate(conditions.end))) {
        context_.showMsg(QStringLiteral("I请输入完整的统计区间（yyyy-mm-dd）。"));
        return Outcome::BadPeriod;
    }
    QueryResult result;
    context_.prompter().setBusy(true);
    const int status = context_.db().query(buildSql(conditions), result);
    context_.prompter().setBusy(false);
    if (status < 0) {
        context_.db().showDbError();
        return Outcome::Failed;
    }
    QList<JobRow> rows = grid_.rows();
    for (JobRow &row : rows) {
        row.counted = false;
        row.titles = row.copies = 0;
        row.amount = 0;
        for (int r = 0; r < result.rowCount(); ++r) {
            if (result.text(r, 0) != row.type)
                continue;
            row.counted = true;
            row.titles = result.text(r, 1).toLongLong();
            row.copies = result.text(r, 2).toLongLong();
            row.amount = result.text(r, 3).toDouble();
        }
    }
    grid_.reset(std::move(rows));
    return Outcome::Counted;
}

} // namespace kestra
