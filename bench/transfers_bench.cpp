// Transfers on a library of a million copies, through the controllers the
// transfer form uses.
//
//   bench-transfers --root DIR [--name transfers-sqlite] [--location-copies N] [--list-copies N]
//
// DIR is an installation whose database holds the demo library; the run
// moves copies, so give it a copy. Two measures:
//
// - location: the whole-location transfer of N copies with a new status and
//   a transfer batch (every statement of the run: loans, reservations,
//   history rows, operation-log rows, the lendable recount). The N copies
//   are put at a location of their own before the clock starts.
// - list: N copies of one location transferred one by one, each in its own
//   transaction with its history row, log line and workload.
// - class: gathering by class number into the pick dialog's list (both
//   queries and the rows of its model), for the class prefix whose copies number nearest to 10,000.
//
// Summary lines:
//   BENCH <name>-location copies=... s=...
//   BENCH <name>-list copies=... per_s=...
//   BENCH <name>-class copies=... s=...

#include "BenchSupport.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "items/BookGoto.h"
#include "items/LocationTransfer.h"
#include "items/TransferGather.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cmath>
#include <cstdio>

using namespace kestra;
using bench::percentile;
using bench::run;
using bench::select;
using bench::vacuum;

namespace {

// The location with the most copies and its count.
QPair<QString, int> largestLocation(Session &db)
{
    const QueryResult r = select(db, QStringLiteral("SELECT dis_location, count(*) FROM indi_acct "
                                                    "GROUP BY dis_location ORDER BY 2 DESC"));
    if (r.rowCount() == 0)
        return {};
    return {r.text(0, 0), static_cast<int>(r.number(0, 1))};
}

bool newBatch(Session &db, const QString &number, const QString &from, const QString &to, const char *type)
{
    return run(db, QStringLiteral("INSERT INTO goto_batch (batch_no,batch_type,src_loca,dst_loca,doc_type_code,"
                                  "deal_date,wkr_no) VALUES (%1,'%2',%3,%4,'AA','2026-01-01','DC01')")
                       .arg(sqlQuote(number), QLatin1String(type), sqlQuote(from), sqlQuote(to)));
}

int benchLocation(AppContext &context, const QString &name, int copies)
{
    Session &db = context.db();
    const auto [home, held] = largestLocation(db);
    if (held < copies) {
        std::fprintf(stderr, "no location has %d copies\n", copies);
        return 1;
    }
    // The first N copies of the largest location go to a location of their
    // own, their circulation rows and loans with them.
    const QString chosen = QStringLiteral("(SELECT prop_no FROM bench_chosen)");
    db.beginTrans();
    const bool prepared =
        run(db, QStringLiteral("INSERT INTO location_lst (location,location_name,loca_use) "
                               "VALUES ('BENCHT','调拨测试库','1')")) &&
        run(db, QStringLiteral("CREATE TABLE bench_chosen AS SELECT prop_no FROM indi_acct WHERE dis_location=%1 "
                               "ORDER BY prop_no LIMIT %2")
                    .arg(sqlQuote(home))
                    .arg(copies)) &&
        run(db, QStringLiteral("UPDATE indi_acct SET dis_location='BENCHT' WHERE prop_no IN ") + chosen) &&
        run(db, QStringLiteral("UPDATE item SET location='BENCHT' WHERE prop_no IN ") + chosen) &&
        run(db, QStringLiteral("UPDATE lend_lst SET location_f='BENCHT' WHERE prop_no IN ") + chosen) &&
        newBatch(db, QStringLiteral("BENCH-LOC"), QStringLiteral("BENCHT"), home, "0");
    if (!prepared || db.commitTrans() < 0) {
        db.rollback();
        return 1;
    }
    if (!vacuum(db, QStringLiteral("indi_acct, item, lend_lst")) || context.codes().load(CodeCache::AllLocations) < 0)
        return 1;
    LocationTransfer transfer(context);
    QElapsedTimer timer;
    timer.start();
    const int moved = transfer.run(
        TransferPlan{QStringLiteral("BENCHT"), home, QStringLiteral("41"), QString(), QStringLiteral("BENCH-LOC")});
    const double s = double(timer.nsecsElapsed()) / 1e9;
    if (moved != copies) {
        std::fprintf(stderr, "moved %d copies, expected %d\n", moved, copies);
        return 1;
    }
    run(db, QStringLiteral("DROP TABLE bench_chosen"));
    std::printf("BENCH %s-location copies=%d s=%.2f\n", qPrintable(name), copies, s);
    std::fflush(stdout);
    return 0;
}

int benchList(AppContext &context, const QString &name, int copies)
{
    Session &db = context.db();
    const auto [home, held] = largestLocation(db);
    const QueryResult other = select(db, QStringLiteral("SELECT location FROM location_lst WHERE location<>%1 "
                                                        "AND location<>'BENCHT' ORDER BY location")
                                             .arg(sqlQuote(home)));
    if (held < copies || other.rowCount() == 0)
        return 1;
    const QString to = other.text(0, 0);
    const QueryResult listed =
        select(db, QStringLiteral("SELECT prop_no FROM indi_acct WHERE dis_location=%1 ORDER BY prop_no DESC LIMIT %2")
                       .arg(sqlQuote(home))
                       .arg(copies));
    if (listed.rowCount() < copies || !newBatch(db, QStringLiteral("BENCH-LIST"), home, to, "3"))
        return 1;
    const TransferPlan plan{home, to, QString(), QString(), QStringLiteral("BENCH-LIST")};
    QStringList props;
    for (int i = 0; i < listed.rowCount(); ++i)
        props.append(listed.text(i, 0));
    // As the form runs it: one runner over the list, each copy its own
    // transaction, with the progress bar.
    QElapsedTimer timer;
    timer.start();
    const ScanReport report = transferCopies(context, plan, props);
    const double s = double(timer.nsecsElapsed()) / 1e9;
    if (report.done != copies) {
        std::fprintf(stderr, "%d of %d copies moved\n", report.done, copies);
        return 1;
    }
    std::printf("BENCH %s-list copies=%d per_s=%.0f\n", qPrintable(name), copies, copies / s);
    std::fflush(stdout);
    return 0;
}

int benchClass(AppContext &context, const QString &name)
{
    const QueryResult classes =
        select(context.db(), QStringLiteral("SELECT substr(call_no,1,3), count(*) FROM indi_acct "
                                            "WHERE call_no IS NOT NULL GROUP BY substr(call_no,1,3)"));
    QString prefix;
    double nearest = 1e12;
    for (int i = 0; i < classes.rowCount(); ++i) {
        const double distance = std::abs(classes.number(i, 1) - 10000);
        if (distance < nearest) {
            nearest = distance;
            prefix = classes.text(i, 0);
        }
    }
    if (prefix.isEmpty())
        return 1;
    // Into the pick list, as the form fills it.
    BookGoto form(context, BarcodeSettings{});
    form.setSource(QStringLiteral("All"));
    QElapsedTimer timer;
    timer.start();
    const int found = form.pickByClass(prefix);
    const double s = double(timer.nsecsElapsed()) / 1e9;
    if (found <= 0 || form.picks().count() != found)
        return 1;
    std::printf("BENCH %s-class copies=%d s=%.2f\n", qPrintable(name), found, s);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bench::Options options;
    const QString root = options.text("--root");
    const QString name = options.text("--name", QStringLiteral("transfers"));
    const int locationCopies = options.number("--location-copies", 100000);
    const int listCopies = options.number("--list-copies", 1000);
    if (root.isEmpty()) {
        std::fprintf(stderr, "usage: bench-transfers --root DIR [--name NAME] [--location-copies N] "
                             "[--list-copies N]\n");
        return 2;
    }
    bench::BenchSession bench(root);
    if (!bench.open())
        return 1;
    AppContext &context = bench.context;
    int status = benchLocation(context, name, locationCopies);
    if (status == 0)
        status = benchList(context, name, listCopies);
    if (status == 0)
        status = benchClass(context, name);
    return status;
}
