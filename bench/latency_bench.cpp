// Per-copy operations on PostgreSQL over a slow link: the server behind a
// relay of the benchmark's own (LatencyBenchRelay) that holds each direction
// for half the round-trip time and counts the round trips. Through the
// controllers the forms use:
//
//   bench-latency --root DIR [--name latency-postgres] [--rtts 0,1,20] [--count N]
//
// DIR is an installation whose PostgreSQL database holds the demo library;
// the run changes it, so give it a copy. At each round-trip time, N copies
// each (after 3 that warm the caches):
// - status: the status change of one copy (BookState::enter with a barcode);
// - batch: the entry of one copy into a repair batch (BookDeal::enter);
// - transfer: the transfer of one copy from a list (transferCopies);
// - stocktake-scan: the stock-taking scan of one copy into a count batch
//   (BookCount::enter with a barcode: the lookup, the checks, the record
//   with its workload).
// Lines: BENCH <name>-<operation> rtt_ms=<r> median_ms=... round_trips=...

#include "BenchSupport.h"
#include "LatencyBenchRelay.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "db/Backends.h"
#include "inventory/BookCount.h"
#include "items/BookDeal.h"
#include "items/BookState.h"
#include "items/Transfer.h"
#include "kit/BatchPicker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace kestra;
using bench::percentile;
using bench::run;
using bench::select;

namespace {

constexpr int kWarm = 3;

// Times `count` + kWarm runs of one operation; the round trips are the
// relay's count over the timed runs.
bool measure(bench::LatencyRelay &relay, const QString &name, const char *operation, double rtt, int count,
             const std::function<bool(int)> &once)
{
    QList<double> times;
    long long trips = 0;
    for (int i = 0; i < count + kWarm; ++i) {
        const long long before = relay.roundTrips();
        QElapsedTimer timer;
        timer.start();
        if (!once(i)) {
            std::fprintf(stderr, "%s %d failed\n", operation, i);
            return false;
        }
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (i >= kWarm) {
            times.append(ms);
            trips += relay.roundTrips() - before;
        }
    }
    std::printf("BENCH %s-%s rtt_ms=%g median_ms=%.2f round_trips=%.1f n=%d\n", qPrintable(name), operation, rtt,
                percentile(times, 0.5), double(trips) / count, count);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bench::Options options;
    const QString root = options.text("--root");
    const QString name = options.text("--name", QStringLiteral("latency-postgres"));
    const QStringList rtts = options.text("--rtts", QStringLiteral("0,1,20")).split(u',');
    const int count = options.number("--count", 20);
    if (root.isEmpty()) {
        std::fprintf(stderr, "usage: bench-latency --root DIR [--name NAME] [--rtts 0,1,20] [--count N]\n");
        return 2;
    }
    bench::BenchSession bench(root);
    if (!bench.open())
        return 1;
    AppContext &context = bench.context;
    bench.prompter.showSteps = false; // a transfer's one step is its copy
    const Dsn &dsn = context.connection().dsn;
    if (dsn.kind != Dsn::Kind::Postgres) {
        std::fprintf(stderr, "bench-latency needs a PostgreSQL installation\n");
        return 2;
    }
    Session &db = context.db();
    // The copies: lendable ones of the largest location, not on loan.
    const QueryResult largest = select(db, QStringLiteral("SELECT dis_location, count(*) FROM indi_acct WHERE "
                                                          "book_stat_code='41' GROUP BY dis_location ORDER BY 2 DESC"));
    if (largest.rowCount() < 2)
        return 1;
    const QString home = largest.text(0, 0);
    const QString elsewhere = largest.text(1, 0);
    const QueryResult lendable =
        select(db, QStringLiteral("SELECT indi_acct.bar_code, indi_acct.prop_no FROM indi_acct LEFT JOIN item ON "
                                  "item.prop_no=indi_acct.prop_no WHERE indi_acct.book_stat_code='41' AND "
                                  "indi_acct.bar_code IS NOT NULL AND indi_acct.dis_location=%1 AND "
                                  "(item.book_lend_flag IS NULL OR item.book_lend_flag='0') ORDER BY 2")
                       .arg(sqlQuote(home)));
    const int perOperation = static_cast<int>(rtts.size()) * (count + kWarm);
    if (lendable.rowCount() < 4 * perOperation) {
        std::fprintf(stderr, "only %d lendable copies at %s\n", lendable.rowCount(), qUtf8Printable(home));
        return 1;
    }
    QList<int> order(lendable.rowCount());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    QRandomGenerator random(20260314);
    std::shuffle(order.begin(), order.end(), random);
    const auto code = [&](int slice, int i) { return lendable.text(order.at(slice * perOperation + i), 0); };
    const auto prop = [&](int slice, int i) { return lendable.text(order.at(slice * perOperation + i), 1); };

    context.session().currentLocation = home;
    BatchPicker picker(context, batch_table::deal(), QStringLiteral("01"));
    if (picker.createDealBatch(home, QStringLiteral("BENCH-LAT"), QStringLiteral("bench")) != 0 ||
        !run(db, QStringLiteral("INSERT INTO goto_batch (batch_no,batch_type,src_loca,dst_loca,doc_type_code,"
                                "deal_date,wkr_no) VALUES ('BENCH-LATT','3',%1,%2,'AA','2026-01-01','DC01')")
                     .arg(sqlQuote(home), sqlQuote(elsewhere))) ||
        db.callProc(
            QStringLiteral("insert_count_data '2026-01-01',%1,NULL,'0',NULL,'DC01','BENCH-LATC'").arg(sqlQuote(home))) <
            0)
        return 1;

    // From here on the client talks to the server through the relay.
    bench::LatencyRelay relay(dsn.host.toStdString(), dsn.port);
    if (!relay.start())
        return 1;
    BackendTarget target;
    target.kind = BackendTarget::Kind::Postgres;
    target.host = QStringLiteral("127.0.0.1");
    target.port = relay.port();
    target.database = dsn.database;
    target.user = dsn.user.isEmpty() ? context.connection().user : dsn.user;
    target.password = dsn.password.isEmpty() ? context.connection().password : dsn.password;
    target.options = dsn.options;
    if (db.connectTo(createBackend(target.kind), target) < 0) {
        std::fprintf(stderr, "cannot connect through the relay: %s\n", qUtf8Printable(db.error().text));
        return 1;
    }

    BookState status(context, BarcodeSettings{});
    status.setNewStatus(QStringLiteral("42"));
    BookDeal repair(context, BarcodeSettings{}, QStringLiteral("01"));
    if (repair.selectBatch(home, QStringLiteral("BENCH-LAT")) != 1)
        return 1;
    repair.fee = QStringLiteral("5");
    const TransferPlan plan{home, elsewhere, QString(), QString(), QStringLiteral("BENCH-LATT")};
    BookCount stocktake(context, BarcodeSettings{});
    if (stocktake.chooseBatch(QStringLiteral("BENCH-LATC")) != 0)
        return 1;
    int offset = 0;
    for (const QString &r : rtts) {
        const double rtt = r.toDouble();
        relay.setRoundTripMs(rtt);
        const int at = offset;
        offset += count + kWarm;
        const bool ok =
            measure(relay, name, "status", rtt, count,
                    [&](int i) { return status.enter(code(0, at + i)).done == 1; }) &&
            measure(relay, name, "batch", rtt, count, [&](int i) { return repair.enter(code(1, at + i)).done == 1; }) &&
            measure(relay, name, "transfer", rtt, count,
                    [&](int i) { return transferCopies(context, plan, {prop(2, at + i)}).done == 1; }) &&
            measure(relay, name, "stocktake-scan", rtt, count,
                    [&](int i) { return stocktake.enter(code(3, at + i)).done == 1; });
        if (!ok) {
            std::fprintf(stderr, "%s\n", qUtf8Printable(context.errors().text));
            return 1;
        }
    }
    return 0;
}
