// The compact stacks on the demo library at the million-copy scale, through
// the controllers the forms use.
//
//   bench-shelving --root DIR [--name shelving-sqlite] [--scans N] [--rename N]
//
// DIR is an installation whose database holds the demo library; the run
// changes it, so give it a copy. Three measures:
//
// - scan: from Enter to the copy listed on a named shelf (CompactShelf::enter
//   with a barcode: lookup, the status change's checks, the copy's
//   transaction with its log rows, the commit, the shelf's count), over N
//   random lendable copies; median and 99th percentile.
// - rename: N copies of one shelf listed (ShelfRename::search), all ticked
//   and given another shelf number in one transaction (modify).
// - stat: the copies per shelf over every shelved copy (ShelfStat::run).
//
// Summary lines:
//   BENCH <name>-scan median_ms=... p99_ms=... n=...
//   BENCH <name>-rename s=... search_s=... copies=...
//   BENCH <name>-stat s=... shelves=... copies=...

#include "BenchSupport.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "shelving/CompactShelf.h"
#include "shelving/ShelfRename.h"
#include "shelving/ShelfStat.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>

using namespace kestra;
using bench::percentile;

namespace {

// Lendable copies without a shelf number, shuffled with a fixed seed:
// their barcodes and accession numbers.
bool unshelved(Session &db, QStringList &barcodes, QStringList &props)
{
    QueryResult r;
    if (db.query(QStringLiteral("SELECT indi_acct.bar_code,indi_acct.prop_no FROM indi_acct LEFT JOIN item ON "
                                "item.prop_no=indi_acct.prop_no WHERE indi_acct.book_stat_code='41' AND "
                                "indi_acct.shelf_no IS NULL AND indi_acct.bar_code IS NOT NULL AND "
                                "(item.book_lend_flag IS NULL OR item.book_lend_flag='0')"),
                 r) < 0)
        return false;
    QList<int> order;
    for (int i = 0; i < r.rowCount(); ++i)
        order.append(i);
    QRandomGenerator random(20261207);
    std::shuffle(order.begin(), order.end(), random);
    for (int i : std::as_const(order)) {
        barcodes.append(r.text(i, 0));
        props.append(r.text(i, 1));
    }
    return true;
}

int fail(AppContext &context, const char *what)
{
    std::fprintf(stderr, "failed: %s: %s\n", what, qUtf8Printable(context.errors().text));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bench::Options options;
    const QString root = options.text("--root");
    const QString name = options.text("--name", QStringLiteral("shelving"));
    const int scans = options.number("--scans", 2000);
    const int renamed = options.number("--rename", 5000);
    if (root.isEmpty()) {
        std::fprintf(stderr, "usage: bench-shelving --root DIR [--name NAME] [--scans N] [--rename N]\n");
        return 2;
    }
    bench::BenchSession bench(root);
    if (!bench.open())
        return 1;
    AppContext &context = bench.context;
    Session &db = context.db();
    QStringList barcodes;
    QStringList props;
    if (!unshelved(db, barcodes, props))
        return fail(context, "reading the copies");
    if (barcodes.size() < scans + 50 + renamed) {
        std::fprintf(stderr, "only %lld lendable copies without a shelf\n", static_cast<long long>(barcodes.size()));
        return 1;
    }

    CompactShelf shelf(context, BarcodeSettings{});
    shelf.shelf = QStringLiteral("BENCH-01");
    QList<double> times;
    for (int i = 0; i < scans + 50; ++i) {
        QElapsedTimer timer;
        timer.start();
        const ScanReport report = shelf.enter(barcodes.at(i));
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (report.outcome() != StepOutcome::Done) {
            std::fprintf(stderr, "copy %s not shelved\n", qUtf8Printable(barcodes.at(i)));
            return 1;
        }
        if (i >= 50) // the first ones warm the caches
            times.append(ms);
    }
    std::printf("BENCH %s-scan median_ms=%.2f p99_ms=%.2f n=%lld\n", qPrintable(name), percentile(times, 0.5),
                percentile(times, 0.99), static_cast<long long>(times.size()));
    std::fflush(stdout);

    // A shelf of `renamed` copies, put there by one statement per thousand.
    const QStringList shelfProps = props.mid(scans + 50, renamed);
    for (qsizetype from = 0; from < shelfProps.size(); from += 1000) {
        QStringList quoted;
        for (const QString &p : shelfProps.mid(from, 1000))
            quoted.append(sqlQuote(p));
        if (!bench::run(db, QStringLiteral("UPDATE indi_acct SET shelf_no='BENCH-R1' WHERE prop_no IN (") +
                                quoted.join(u',') + u')'))
            return fail(context, "filling the shelf");
    }
    ShelfRename rename(context);
    rename.oldShelf = QStringLiteral("BENCH-R1");
    rename.newShelf = QStringLiteral("BENCH-R2");
    QElapsedTimer timer;
    timer.start();
    if (rename.search() != renamed)
        return fail(context, "listing the shelf");
    const double searchSeconds = double(timer.nsecsElapsed()) / 1e9;
    rename.model().markAll();
    timer.restart();
    if (rename.modify() != renamed)
        return fail(context, "renaming the shelf");
    const double renameSeconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("BENCH %s-rename s=%.3f search_s=%.3f copies=%d\n", qPrintable(name), renameSeconds, searchSeconds,
                renamed);
    std::fflush(stdout);

    ShelfStat stat(context);
    ShelfStatSettings settings;
    settings.run = true;
    timer.restart();
    const int shelves = stat.run(settings);
    const double statSeconds = double(timer.nsecsElapsed()) / 1e9;
    if (shelves <= 0)
        return fail(context, "counting the shelves");
    long long copies = 0;
    for (const ShelfCount &c : stat.model().rows())
        copies += c.copies;
    std::printf("BENCH %s-stat s=%.3f shelves=%d copies=%lld\n", qPrintable(name), statSeconds, shelves, copies);
    return 0;
}
