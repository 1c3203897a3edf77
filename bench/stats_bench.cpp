// The statistics, the record window and the log search on the demo library.
//
//   bench-stats --root DIR --name stats-sqlite [--template S03] [--rounds 3]
//       a template's sub-statistics over every copy in one package call,
//       against the same conditions counted by direct COUNT queries one
//       after another
//   bench-stats --root DIR --name bookinfo-sqlite --mode bookinfo [--copies 200]
//       every tab of the record window for a record given that many copies
//       (with loans, history and processing rows)
//   bench-stats --root DIR --name logsearch-sqlite --mode logsearch [--log-rows 5000000]
//       the log search over one month of a log grown to that many rows
//
// Summary lines:
//   BENCH stats-<backend>-template s=... direct_s=... ratio=... subs=...
//   BENCH bookinfo-<backend>-tab max_ms=... slowest=... rows=...
//   BENCH logsearch-<backend>-month s=... rows=... log_rows=...

#include "BenchSupport.h"

#include "oplog/LogSearch.h"
#include "records/BookInfo.h"
#include "stats/ClassStat.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

using namespace kestra;
using bench::run;
using bench::select;

namespace {

double median(QList<double> v)
{
    return bench::percentile(std::move(v), 0.5);
}

int statsBench(AppContext &context, const QString &name, const QString &templateCode, int rounds)
{
    ClassStat stat(context, ClassStatKind::Holdings, false);
    if (stat.chooseTemplate(templateCode) < 0 || stat.current().subs.isEmpty()) {
        std::fprintf(stderr, "no template %s\n", qUtf8Printable(templateCode));
        return 1;
    }
    const IntakeConditions all;
    const QString base = QStringLiteral(" SELECT COUNT(distinct indi_acct.marc_rec_no)|| ',' ||"
                                        " COUNT(indi_acct.prop_no)|| ',' ||SUM(indi_acct.price)"
                                        " FROM indi_acct, call_no_lst, marc"
                                        " WHERE indi_acct.call_no = call_no_lst.call_no"
                                        " AND indi_acct.marc_rec_no=marc.marc_rec_no ") +
                         stat.filterSql(all);
    QStringList conditions;
    for (const SubStat &s : stat.current().subs)
        conditions.append(QStringLiteral(" AND ") +
                          stat.current().classCondition(QStringLiteral("call_no_lst"), s.code));
    QList<double> ours;
    QList<double> direct;
    QStringList first;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer t;
        t.start();
        if (stat.run(all) < 0)
            return 1;
        ours.append(double(t.nsecsElapsed()) / 1e9);
        t.start();
        QStringList values;
        for (const QString &c : conditions) {
            const QueryResult r = select(context.db(), base + c);
            values.append(r.rowCount() > 0 ? r.text(0, 0) : QString());
        }
        direct.append(double(t.nsecsElapsed()) / 1e9);
        if (round == 0)
            first = values;
    }
    // The figures must agree, or the comparison means nothing.
    for (qsizetype i = 0; i < first.size(); ++i) {
        const StatFigures f = StatFigures::parse(first.at(i));
        if (stat.rows().at(i).figures.copies != f.copies) {
            std::fprintf(stderr, "sub-statistic %lld differs: %s against %s\n", static_cast<long long>(i),
                         qUtf8Printable(stat.rows().at(i).figures.copies), qUtf8Printable(f.copies));
            return 1;
        }
    }
    std::fprintf(stderr, "total: %s copies\n", qUtf8Printable(stat.rows().last().figures.copies));
    const double s = median(ours);
    const double d = median(direct);
    std::printf("BENCH %s-template s=%.3f direct_s=%.3f ratio=%.2f subs=%lld\n", qPrintable(name), s, d,
                d > 0 ? s / d : 0.0, static_cast<long long>(conditions.size()));
    return 0;
}

int bookInfoBench(AppContext &context, const QString &name, int copies)
{
    Session &db = context.db();
    const QueryResult pick = select(db, QStringLiteral("SELECT * FROM (SELECT i.marc_rec_no, i.prop_no, i.call_no "
                                                       "FROM indi_acct i, item t WHERE i.prop_no = t.prop_no AND "
                                                       "i.call_no IS NOT NULL ORDER BY i.prop_no) WHERE ROWNUM <= 1"));
    const QueryResult reader = select(db, QStringLiteral("SELECT * FROM (SELECT cert_id FROM reader ORDER BY cert_id) "
                                                         "WHERE ROWNUM <= 1"));
    if (pick.rowCount() == 0 || reader.rowCount() == 0)
        return 1;
    const QString record = pick.text(0, 0);
    const QString source = pick.text(0, 1);
    const QString cert = reader.text(0, 0);
    // The record gets its copies, each with a returned loan, a processing
    // row and a transfer, so that every copy tab has rows to read.
    if (db.beginTrans() < 0)
        return 1;
    for (int i = 0; i < copies; ++i) {
        const QString prop = sqlQuote(QStringLiteral("BI%1").arg(i, 6, 10, QLatin1Char('0')));
        const bool ok =
            run(db, QStringLiteral("INSERT INTO indi_acct (prop_no,marc_rec_no,bar_code,call_no,dis_location,location,"
                                   "book_stat_code,price,in_date) SELECT %1,marc_rec_no,%1,call_no,dis_location,"
                                   "location,'41',price,in_date FROM indi_acct WHERE prop_no=%2")
                        .arg(prop, sqlQuote(source))) &&
            run(db, QStringLiteral("INSERT INTO item (prop_no,marc_rec_no,call_no,location,bar_code,book_stat_code,"
                                   "book_lend_flag) SELECT prop_no,marc_rec_no,call_no,location,bar_code,"
                                   "book_stat_code,'0' FROM indi_acct WHERE prop_no=%1")
                        .arg(prop)) &&
            run(db, QStringLiteral("INSERT INTO lend_hist (prop_no_f,cert_id_f,marc_rec_no_f,lend_date,ret_date) "
                                   "VALUES (%1,%2,%3,'2025-01-02','2025-02-01')")
                        .arg(prop, sqlQuote(cert), sqlQuote(record)));
        if (!ok) {
            db.rollback();
            return 1;
        }
    }
    if (db.commitTrans() < 0 || !bench::vacuum(db, QStringLiteral("indi_acct, item, lend_hist")))
        return 1;
    BookInfo info(context);
    if (info.open(record) != BookInfo::Opened::Shown)
        return 1;
    double worst = 0;
    QString slowest;
    int rows = 0;
    for (const InfoTab &tab : BookInfo::tabs()) {
        QList<double> times;
        for (int round = 0; round < 5; ++round) {
            QElapsedTimer t;
            t.start();
            if (info.loadTab(tab.key) < 0)
                return 1;
            times.append(double(t.nsecsElapsed()) / 1e6);
        }
        const double ms = median(times);
        std::fprintf(stderr, "  %-12s %8.2f ms %6d rows\n", qUtf8Printable(tab.key), ms,
                     info.model(tab.key).rowCount());
        if (ms > worst) {
            worst = ms;
            slowest = tab.key;
            rows = info.model(tab.key).rowCount();
        }
    }
    std::printf("BENCH %s-tab max_ms=%.2f slowest=%s rows=%d\n", qPrintable(name), worst, qPrintable(slowest), rows);
    return 0;
}

int logSearchBench(AppContext &context, const QString &name, int target)
{
    Session &db = context.db();
    const QueryResult have = select(db, QStringLiteral("SELECT COUNT(*) FROM log_detl"));
    int count = have.rowCount() > 0 ? have.text(0, 0).toInt() : 0;
    // Grown with rows spread over two years before the newest day of the
    // log, about 7,000 a day, 500 to a statement.
    const QDate last = QDate::currentDate();
    const int perDay = std::max(1, target / 730);
    if (db.beginTrans() < 0)
        return 1;
    for (int n = count; n < target;) {
        QStringList values;
        for (int k = 0; k < 500 && n < target; ++k, ++n) {
            const QDate d = last.addDays(-(n / perDay) % 730);
            values.append(QStringLiteral("('30001','%1','%2','DC0%3','PC-%4','中文图书库','M%5','P%6',NULL,'d1',NULL,"
                                         "NULL)")
                              .arg(d.toString(Qt::ISODate))
                              .arg(QTime(8, 0).addSecs(n % 36000).toString(QStringLiteral("hh:mm:ss")))
                              .arg(1 + n % 5)
                              .arg(n % 7)
                              .arg(n % 400000)
                              .arg(n));
        }
        if (!run(db, QStringLiteral("INSERT INTO log_detl (log_type,log_date,log_time,wkr_no,computer,location_name,"
                                    "marc_rec_no,prop_no,cert_id,data1,data2,data3) VALUES ") +
                         values.join(u','))) {
            db.rollback();
            return 1;
        }
        if (n % 100000 < 500) {
            std::fprintf(stderr, "  log rows: %d\n", n);
            if (db.commitTrans() < 0 || db.beginTrans() < 0)
                return 1;
        }
    }
    if (db.commitTrans() < 0 || !bench::vacuum(db, QStringLiteral("log_detl")))
        return 1;
    count = select(db, QStringLiteral("SELECT COUNT(*) FROM log_detl")).text(0, 0).toInt();
    LogSearch search(context);
    LogConditions c;
    c.begin = last.addDays(-45).toString(Qt::ISODate);
    c.end = last.addDays(-15).toString(Qt::ISODate);
    QList<double> times;
    int rows = 0;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        if (search.search(c) == LogSearch::Outcome::Failed)
            return 1;
        times.append(double(t.nsecsElapsed()) / 1e9);
        rows = search.log().rowCount();
    }
    std::printf("BENCH %s-month s=%.3f rows=%d log_rows=%d\n", qPrintable(name), median(times), rows, count);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bench::Options options;
    bench::BenchSession session(options.text("--root"));
    if (!session.open())
        return 1;
    const QString name = options.text("--name", QStringLiteral("stats"));
    const QString mode = options.text("--mode", QStringLiteral("stats"));
    if (mode == u"bookinfo")
        return bookInfoBench(session.context, name, options.number("--copies", 200));
    if (mode == u"logsearch")
        return logSearchBench(session.context, name, options.number("--log-rows", 5000000));
    return statsBench(session.context, name, options.text("--template", QStringLiteral("S03")),
                      options.number("--rounds", 3));
}
