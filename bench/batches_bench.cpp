// The processing batches on a library of a million copies, through the
// controllers the forms use.
//
//   bench-batches --root DIR [--name batches-sqlite] [--entries N] [--import-codes N]
//
// DIR is an installation whose database holds the demo library; the run
// changes it (copies go into batches), so give it a copy. Two measures:
//
// - enter: the time from Enter to the copy listed in a repair batch
//   (BookDeal::enter with a barcode: lookup, checks, the transaction with
//   its logs, the commit), over N random lendable copies of the location
//   with the most of them; median and 99th percentile.
// - import: a scanner file of N barcodes of other lendable copies of that
//   location imported into a weeding batch (BookDeal::importFile), copies
//   taken per second.
//
// Summary lines:
//   BENCH <name>-enter median_ms=... p99_ms=... n=...
//   BENCH <name>-import per_s=... codes=... s=...

#include "BenchSupport.h"

#include "copies/ItemRecord.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "items/BookDeal.h"
#include "kit/BatchPicker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace kestra;
using bench::percentile;

namespace {

// The barcodes of the lendable copies of the location with the most of
// them, shuffled with a fixed seed.
QStringList lendableBarcodes(Session &db, QString &location)
{
    QueryResult largest;
    if (db.query(QStringLiteral("SELECT dis_location, count(*) FROM indi_acct WHERE book_stat_code='41' "
                                "GROUP BY dis_location ORDER BY 2 DESC"),
                 largest) < 0 ||
        largest.rowCount() == 0)
        return {};
    location = largest.text(0, 0);
    QueryResult all;
    if (db.query(QStringLiteral("SELECT indi_acct.bar_code FROM indi_acct LEFT JOIN item ON "
                                "item.prop_no=indi_acct.prop_no WHERE indi_acct.book_stat_code='41' AND "
                                "indi_acct.bar_code IS NOT NULL AND indi_acct.dis_location=") +
                     sqlQuote(location) +
                     QStringLiteral(" AND (item.book_lend_flag IS NULL OR item.book_lend_flag='0')"),
                 all) < 0)
        return {};
    QStringList codes;
    for (int i = 0; i < all.rowCount(); ++i)
        codes.append(all.text(i, 0));
    QRandomGenerator random(20260314);
    std::shuffle(codes.begin(), codes.end(), random);
    return codes;
}

int fail(AppContext &context, const char *what)
{
    std::fprintf(stderr, "failed: %s: %s\n", what, qUtf8Printable(context.errors().text));
    return 1;
}

bool newBatch(AppContext &context, const QString &type, const QString &location, const QString &number)
{
    BatchPicker picker(context, batch_table::deal(), type);
    return picker.createDealBatch(location, number, QStringLiteral("bench")) == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bench::Options options;
    const QString root = options.text("--root");
    const QString name = options.text("--name", QStringLiteral("batches"));
    const int entries = options.number("--entries", 2000);
    const int importCodes = options.number("--import-codes", 10000);
    if (root.isEmpty()) {
        std::fprintf(stderr, "usage: bench-batches --root DIR [--name NAME] [--entries N] [--import-codes N]\n");
        return 2;
    }
    bench::BenchSession bench(root);
    if (!bench.open())
        return 1;
    AppContext &context = bench.context;
    bench.prompter.showSteps = false; // the import's steps are its copies
    SessionValues &s = context.session();
    QString location;
    const QStringList codes = lendableBarcodes(context.db(), location);
    if (codes.size() < entries + 50 + importCodes) {
        std::fprintf(stderr, "only %lld lendable copies at the largest location\n",
                     static_cast<long long>(codes.size()));
        return 1;
    }
    s.currentLocation = location;
    if (!newBatch(context, QStringLiteral("01"), location, QStringLiteral("BENCH-R")) ||
        !newBatch(context, QStringLiteral("03"), location, QStringLiteral("BENCH-W")))
        return fail(context, "creating the batches");

    BookDeal repair(context, BarcodeSettings{}, QStringLiteral("01"));
    if (repair.selectBatch(location, QStringLiteral("BENCH-R")) != 1)
        return fail(context, "choosing the repair batch");
    repair.fee = QStringLiteral("5");
    QList<double> times;
    for (int i = 0; i < entries + 50; ++i) {
        QElapsedTimer timer;
        timer.start();
        const DealProcess::Outcome outcome = repair.enter(codes.at(i));
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (outcome != DealProcess::Outcome::Added) {
            std::fprintf(stderr, "copy %s not entered\n", qUtf8Printable(codes.at(i)));
            return 1;
        }
        if (i >= 50) // the first ones warm the caches
            times.append(ms);
    }
    std::printf("BENCH %s-enter median_ms=%.2f p99_ms=%.2f n=%lld\n", qPrintable(name), percentile(times, 0.5),
                percentile(times, 0.99), static_cast<long long>(times.size()));
    std::fflush(stdout);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scanner.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(context, "writing the scanner file");
    for (int i = 0; i < importCodes; ++i)
        file.write((codes.at(entries + 50 + i) + QStringLiteral("\r\n")).toUtf8());
    file.close();
    BookDeal weeding(context, BarcodeSettings{}, QStringLiteral("03"));
    if (weeding.selectBatch(location, QStringLiteral("BENCH-W")) != 1)
        return fail(context, "choosing the weeding batch");
    QElapsedTimer timer;
    timer.start();
    const ImportReport report = weeding.importFile(path);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (report.done != importCodes) {
        std::fprintf(stderr, "imported %d of %d codes\n", report.done, importCodes);
        return 1;
    }
    std::printf("BENCH %s-import per_s=%.0f codes=%d s=%.2f\n", qPrintable(name), report.done / seconds, report.done,
                seconds);
    return 0;
}
