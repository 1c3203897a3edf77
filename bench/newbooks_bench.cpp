// New-book assignment on the demo library: the save of a title of ten copies
// and the walk to the next title as the new-book window makes them, the
// assignment of a whole handover batch against the same statements typed
// directly, and AutoAssign of one title under a rule file of 500 rules.
//   bench-newbooks --root DIR [--name NAME] [--titles N] [--batch-copies N] [--rounds R]

#include "BenchSupport.h"

#include "assign/AssignBatch.h"
#include "assign/AutoAssign.h"
#include "assign/NewBookAssign.h"

using namespace kestra;
using namespace kestra::bench;

namespace {

constexpr char kSaveBatch[] = "JJBENCHSAVE";

// N catalogued titles of the collection, each given ten new copies (with bar
// codes, status 16) in one handover batch.
bool prepareTitles(Session &db, int titles)
{
    const QString batch = QLatin1String(kSaveBatch);
    QStringList steps = {
        QStringLiteral("CREATE TABLE bench_k (k INTEGER)"),
        QStringLiteral("CREATE TABLE bench_titles AS SELECT indi_acct.marc_rec_no, MIN(indi_acct.call_no) call_no, "
                       "MIN(indi_acct.location) location FROM indi_acct, marc WHERE "
                       "indi_acct.marc_rec_no=marc.marc_rec_no AND marc.marc_use_flag LIKE '3%' AND "
                       "indi_acct.book_stat_code='41' GROUP BY indi_acct.marc_rec_no ORDER BY indi_acct.marc_rec_no "
                       "LIMIT %1")
            .arg(titles),
    };
    for (int k = 0; k < 10; ++k)
        steps << QStringLiteral("INSERT INTO bench_k (k) VALUES (%1)").arg(k);
    steps << QStringLiteral("INSERT INTO indi_acct (prop_no,marc_rec_no,chk_batch_no,move_batch,price,location,"
                            "call_no,bar_code,book_stat_code,dis_location) SELECT 'NB'||t.marc_rec_no||'-'||k.k, "
                            "t.marc_rec_no,'YSBENCH',%1,30,t.location,t.call_no,'NB'||t.marc_rec_no||'-'||k.k,'16',"
                            "t.location FROM bench_titles t, bench_k k")
                 .arg(sqlQuote(batch))
          << QStringLiteral("INSERT INTO transfer_doc (move_batch,chk_batch_no,marc_rec_no,copys,store_flag,"
                            "send_store_date,cata_flag) SELECT %1,'YSBENCH',marc_rec_no,10,'0','2026-12-01','3' "
                            "FROM bench_titles")
                 .arg(sqlQuote(batch))
          << QStringLiteral("DROP TABLE bench_titles") << QStringLiteral("DROP TABLE bench_k");
    db.beginTrans();
    for (const QString &sql : steps) {
        if (!run(db, sql)) {
            db.rollback();
            return false;
        }
    }
    return db.commitTrans() == 0 && vacuum(db, QStringLiteral("indi_acct, transfer_doc"));
}

int benchSave(AppContext &context, const QString &name, int titles)
{
    if (!prepareTitles(context.db(), titles))
        return 1;
    NewBookAssign assign(context);
    if (assign.loadBatch(QLatin1String(kSaveBatch)) != 1 || assign.titleModel().count() < titles) {
        std::fprintf(stderr, "the benchmark's handover batch did not load\n");
        return 1;
    }
    QList<double> saves;
    QList<double> walks;
    QElapsedTimer timer;
    for (int i = 0; i < titles; ++i) {
        if (i > 0) {
            timer.start();
            if (!assign.next())
                return 1;
            walks.append(double(timer.nsecsElapsed()) / 1e6);
        }
        if (assign.copyModel().count() != 10 || assign.allCirculate() != 1) {
            std::fprintf(stderr, "title %d: %d copies, not ten, or refused\n", i + 1, assign.copyModel().count());
            return 1;
        }
        timer.start();
        if (assign.save() != 1) {
            std::fprintf(stderr, "title %d: save failed\n", i + 1);
            return 1;
        }
        saves.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("BENCH %s-save titles=%d copies=10 median_ms=%.2f p90_ms=%.2f\n", qPrintable(name), titles,
                percentile(saves, 0.5), percentile(saves, 0.9));
    std::printf("BENCH %s-walk titles=%d median_ms=%.2f p90_ms=%.2f\n", qPrintable(name), titles,
                percentile(walks, 0.5), percentile(walks, 0.9));
    std::fflush(stdout);
    return 0;
}

// The batch of the round: `copies` copies of the collection (those of one
// ordering location first) handed over again, half of them without an
// intake date, their titles in transfer_doc. The circulation rows stay: the
// assignment updates them and inserts the missing ones.
bool prepareBatch(Session &db, const QString &batch, const QString &subscriber, int copies)
{
    const QString b = sqlQuote(batch);
    const QStringList steps = {
        QStringLiteral("CREATE TABLE bench_nb AS SELECT prop_no FROM indi_acct WHERE location=%1 AND "
                       "book_stat_code IN ('41','42','43') ORDER BY prop_no LIMIT %2")
            .arg(sqlQuote(subscriber))
            .arg(copies),
        QStringLiteral("UPDATE indi_acct SET move_batch=%1, chk_batch_no='YSBENCH', book_stat_code='16', "
                       "dis_location=location WHERE prop_no IN (SELECT prop_no FROM bench_nb)")
            .arg(b),
        QStringLiteral("UPDATE indi_acct SET in_date=NULL WHERE prop_no IN (SELECT prop_no FROM bench_nb ORDER BY "
                       "prop_no LIMIT %1)")
            .arg(copies / 2),
        QStringLiteral("INSERT INTO transfer_doc (move_batch,chk_batch_no,marc_rec_no,copys,store_flag,"
                       "send_store_date,cata_flag) SELECT %1,'YSBENCH',marc_rec_no,count(*),'0','2026-12-01','3' "
                       "FROM indi_acct WHERE move_batch=%1 GROUP BY marc_rec_no")
            .arg(b),
        QStringLiteral("DROP TABLE bench_nb"),
    };
    db.beginTrans();
    for (const QString &sql : steps) {
        if (!run(db, sql)) {
            db.rollback();
            return false;
        }
    }
    return db.commitTrans() == 0 && vacuum(db, QStringLiteral("indi_acct, item, transfer_doc, marc"));
}

// The reference: the batch assignment's statements typed directly in one
// transaction with its commit, without the client's checks and logs.
double directBatch(Session &db, const AssignTarget &target)
{
    const QStringList statements = assignBatchStatements(target, QStringLiteral("2026-12-07"), QStringLiteral("DC01"));
    QElapsedTimer timer;
    timer.start();
    db.beginTrans();
    for (const QString &sql : statements) {
        if (!run(db, sql)) {
            db.rollback();
            return -1;
        }
    }
    if (db.commitTrans() < 0)
        return -1;
    return double(timer.nsecsElapsed()) / 1e9;
}

int benchBatch(AppContext &context, const QString &name, int copies, int rounds)
{
    Session &db = context.db();
    const QueryResult largest = select(db, QStringLiteral("SELECT location, count(*) FROM indi_acct WHERE "
                                                          "book_stat_code IN ('41','42','43') GROUP BY location "
                                                          "ORDER BY 2 DESC"));
    if (largest.rowCount() == 0 || largest.number(0, 1) < copies) {
        std::fprintf(stderr, "no ordering location has %d copies\n", copies);
        return 1;
    }
    const QString subscriber = largest.text(0, 0);
    QList<double> ours;
    QList<double> direct;
    for (int round = 0; round < rounds; ++round) {
        const QString directBatchNo = QStringLiteral("JJBD%1").arg(round);
        const QString oursBatchNo = QStringLiteral("JJBC%1").arg(round);
        AssignTarget target{directBatchNo, subscriber, subscriber, QStringLiteral("41"), true};
        if (!prepareBatch(db, directBatchNo, subscriber, copies))
            return 1;
        direct.append(directBatch(db, target));
        if (direct.last() < 0 || !prepareBatch(db, oursBatchNo, subscriber, copies))
            return 1;
        target.moveBatch = oursBatchNo;
        QElapsedTimer timer;
        timer.start();
        if (assignWholeBatch(context, target) != 1)
            return 1;
        ours.append(double(timer.nsecsElapsed()) / 1e9);
        std::fprintf(stderr, "batch round %d: %.2f s, direct %.2f s\n", round + 1, ours.last(), direct.last());
    }
    const double median = percentile(ours, 0.5);
    const double directMedian = percentile(direct, 0.5);
    std::printf("BENCH %s-batch copies=%d s=%.2f direct_s=%.2f ratio=%.2f rounds=%d\n", qPrintable(name), copies,
                median, directMedian, median / directMedian, rounds);
    std::fflush(stdout);
    return 0;
}

// 500 rules: five ordering locations of 100 class rules each; the title's
// location comes last and only its last rule matches, so every rule is tried.
int benchAutoAssign(const QString &name)
{
    AssignRuleSet rules;
    rules.present = true;
    for (int s = 0; s < 5; ++s) {
        SubscriberRules section{QStringLiteral("S%1").arg(s), {}};
        for (int k = 0; k < 100; ++k) {
            ClassRule rule{QStringLiteral("类%1").arg(k),
                           k == 99 ? QStringLiteral("TP3,TP5~TP8") : QStringLiteral("A%1-A%2,B%1").arg(k).arg(k + 1),
                           {}};
            for (int n = 1; n <= 10; ++n)
                rule.distributions.append(QStringList(n, QStringLiteral("L%1").arg(n % 3)));
            section.rules.append(rule);
        }
        rules.subscribers.append(section);
    }
    InitialStatusTable status;
    status.rows = {{QStringLiteral("L0"), QStringLiteral("41"), QStringLiteral("1")},
                   {QStringLiteral("L1"), QStringLiteral("43"), QStringLiteral("0")}};
    const AutoAssignTables tables{rules, status, QStringLiteral("/"), {}};
    QList<double> times;
    QElapsedTimer timer;
    for (int round = 0; round < 2000; ++round) {
        QList<AssignCopy> copies(10, AssignCopy{QStringLiteral("S4"), QStringLiteral("TP312/45"), QStringLiteral("S4"),
                                                QStringLiteral("16"), QString(), false});
        timer.start();
        if (!autoAssign(copies, tables).isEmpty() || copies.at(9).location != u"L1")
            return 1;
        times.append(double(timer.nsecsElapsed()) / 1e3);
    }
    std::printf("BENCH %s-autoassign rules=500 copies=10 median_us=%.1f p90_us=%.1f\n", qPrintable(name),
                percentile(times, 0.5), percentile(times, 0.9));
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const Options options;
    const QString root = options.text("--root");
    const QString name = options.text("--name", QStringLiteral("newbooks"));
    if (root.isEmpty()) {
        std::fprintf(stderr, "usage: bench-newbooks --root DIR [--name NAME] [--titles N] [--batch-copies N] "
                             "[--rounds R]\n");
        return 2;
    }
    BenchSession bench(root);
    if (!bench.open())
        return 1;
    bench.context.session().rights = QStringList{QStringLiteral("3020"), QStringLiteral("3021")};
    int status = benchAutoAssign(name);
    if (status == 0)
        status = benchSave(bench.context, name, options.number("--titles", 200));
    // --batch-copies 0 leaves the batch assignment out.
    const int batchCopies = options.number("--batch-copies", 100000);
    if (status == 0 && batchCopies > 0)
        status = benchBatch(bench.context, name, batchCopies, options.number("--rounds", 3));
    return status;
}
