// Stock-taking on a library of a million copies, through the controllers
// the stock-taking windows use.
//
//   bench-stocktake --root DIR [--name stocktake-sqlite] [--scans N] [--import-codes N]
//
// DIR is an installation whose database holds the demo library; the run
// adds count batches and scans, so give it a copy. Three measures, all on
// the location with the most copies in a holding status:
//
// - scan: Enter to listed (BookCount::enter with a barcode: lookup, every
//   check, the record with its workload, the commit) over N copies of the
//   location; median and 99th percentile.
// - import: a scanner file of N other barcodes of the location
//   (BookCount::importFile), the whole run in seconds.
// - stat: the statistics of the whole location (CountReport::stat: the
//   results, the closing of the batch, the lists and the summary).
//
// Summary lines:
//   BENCH <name>-scan median_ms=... p99_ms=... n=...
//   BENCH <name>-import s=... codes=... recorded=... cpu_s=...
//   BENCH <name>-stat s=... copies=... missing=... cpu_s=...
// cpu_s: the processor time of this process for the measure (user and
// system), which a machine shared with other work does not stretch.

#include "BenchSupport.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "inventory/BookCount.h"
#include "inventory/CountBatch.h"
#include "inventory/CountReport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace kestra;
using bench::percentile;

namespace {

// The barcodes of the copies on the shelves of the location with the most
// copies in a holding status, shuffled with a fixed seed.
QStringList shelvedBarcodes(Session &db, QString &location, int &holdings)
{
    QueryResult largest;
    if (db.query(QStringLiteral("SELECT dis_location, count(*) FROM indi_acct WHERE book_stat_code>='3C' AND "
                                "book_stat_code<='46' GROUP BY dis_location ORDER BY 2 DESC"),
                 largest) < 0 ||
        largest.rowCount() == 0)
        return {};
    location = largest.text(0, 0);
    holdings = static_cast<int>(largest.number(0, 1));
    QueryResult all;
    if (db.query(QStringLiteral("SELECT indi_acct.bar_code FROM indi_acct LEFT JOIN item ON "
                                "item.prop_no=indi_acct.prop_no WHERE indi_acct.book_stat_code>='3C' AND "
                                "indi_acct.book_stat_code<='46' AND indi_acct.bar_code IS NOT NULL AND "
                                "indi_acct.dis_location=") +
                     sqlQuote(location) +
                     QStringLiteral(" AND (item.book_lend_flag IS NULL OR item.book_lend_flag<>'1')"),
                 all) < 0)
        return {};
    QStringList codes;
    for (int i = 0; i < all.rowCount(); ++i)
        codes.append(all.text(i, 0));
    QRandomGenerator random(20261207);
    std::shuffle(codes.begin(), codes.end(), random);
    return codes;
}

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
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
    const QString name = options.text("--name", QStringLiteral("stocktake"));
    const int scans = options.number("--scans", 2000);
    int importCodes = options.number("--import-codes", 100000);
    if (root.isEmpty()) {
        std::fprintf(stderr, "usage: bench-stocktake --root DIR [--name NAME] [--scans N] [--import-codes N]\n");
        return 2;
    }
    bench::BenchSession bench(root);
    if (!bench.open())
        return 1;
    AppContext &context = bench.context;
    bench.prompter.showSteps = false; // the import's steps are its copies
    context.session().operatorNo = QStringLiteral("ROOT");
    QString location;
    int holdings = 0;
    const QStringList codes = shelvedBarcodes(context.db(), location, holdings);
    if (codes.size() < scans + 50 + 1000) {
        std::fprintf(stderr, "only %lld copies on the shelves of the largest location\n",
                     static_cast<long long>(codes.size()));
        return 1;
    }
    importCodes = std::min<int>(importCodes, static_cast<int>(codes.size()) - scans - 50);

    CountBatchInit init(context);
    init.number = QStringLiteral("BENCH-SCAN");
    init.location = location;
    if (init.create() != 0)
        return fail(context, "creating the scan batch");
    init.number = QStringLiteral("BENCH-IMPORT");
    if (init.create() != 0)
        return fail(context, "creating the import batch");

    BookCount count(context, BarcodeSettings{});
    if (count.chooseBatch(QStringLiteral("BENCH-SCAN")) != 0)
        return fail(context, "choosing the scan batch");
    QList<double> times;
    for (int i = 0; i < scans + 50; ++i) {
        QElapsedTimer timer;
        timer.start();
        const ScanReport report = count.enter(codes.at(i));
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (report.outcome() != StepOutcome::Done) {
            std::fprintf(stderr, "copy %s not recorded\n", qUtf8Printable(codes.at(i)));
            return 1;
        }
        if (i >= 50) // the first ones warm the caches
            times.append(ms);
    }
    std::printf("BENCH %s-scan median_ms=%.2f p99_ms=%.2f n=%lld\n", qPrintable(name), percentile(times, 0.5),
                percentile(times, 0.99), static_cast<long long>(times.size()));
    std::fflush(stdout);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scanner.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(context, "writing the scanner file");
    for (int i = 0; i < importCodes; ++i)
        file.write((codes.at(scans + 50 + i) + QStringLiteral("\r\n")).toUtf8());
    file.close();
    if (count.chooseBatch(QStringLiteral("BENCH-IMPORT")) != 0)
        return fail(context, "choosing the import batch");
    QElapsedTimer importTimer;
    importTimer.start();
    const double importCpu = cpuSeconds();
    const ScanReport imported = count.importFile(path);
    const double importSeconds = double(importTimer.nsecsElapsed()) / 1e9;
    std::printf("BENCH %s-import s=%.2f codes=%d recorded=%d cpu_s=%.2f\n", qPrintable(name), importSeconds,
                importCodes, imported.done, cpuSeconds() - importCpu);
    std::fflush(stdout);

    CountBatch batch;
    if (count_batch::read(context, QStringLiteral("BENCH-IMPORT"), batch) != 0)
        return fail(context, "reading the batch");
    CountReport report(context);
    QElapsedTimer statTimer;
    statTimer.start();
    const double statCpu = cpuSeconds();
    if (report.setBatch(batch) < 0 || report.stat() != 1)
        return fail(context, "the statistics");
    const double statSeconds = double(statTimer.nsecsElapsed()) / 1e9;
    std::printf("BENCH %s-stat s=%.2f copies=%d missing=%d cpu_s=%.2f\n", qPrintable(name), statSeconds, holdings,
                report.summary().missing, cpuSeconds() - statCpu);
    return 0;
}
