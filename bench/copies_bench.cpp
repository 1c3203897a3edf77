// The status change and the copy search on a library of a million copies,
// through the controllers the forms use.
//
//   bench-copies --root DIR [--name copies-sqlite] [--changes N] [--location-copies N]
//                [--location-rounds R] [--searches N] [--import-codes N]
//                [--measures change,location,search,import]
//
// DIR is an installation whose database holds the demo library; the run
// changes it (copies change status), so give it a copy. Three measures:
//
// - change: the time from Enter to the copy listed (BookState::enter with a
//   barcode, the whole transaction with its logs), over N random copies in
//   the collection; median and 99th percentile. The reference is the same
//   statements' cheapest part, the lookup query alone, timed on the same
//   copies.
// - location: the change by location of N copies of one status at the
//   location with the most copies (prepared before the clock starts), the
//   median of R rounds. References, in each round on the same copies: the
//   same writes typed directly and committed (direct_s; ratio is the
//   client's time over it), and typed directly on copy tables that keep
//   only their keys and the indexes the statements look up by (keys_only_s,
//   PostgreSQL only: what writing the rows costs at all; rolled back).
// - search: the copy search by title prefix (CopySearch, the statement the
//   dialog runs), median over different prefixes.
// - import: a file of N barcodes of lendable copies (one per line) through
//   the status change's import, as the form's Import button runs it; the
//   copies changed per second, checked in the database afterwards.
//
// Summary lines:
//   BENCH <name>-change median_ms=... p99_ms=... lookup_ms=... ratio=...
//   BENCH <name>-location copies=... s=... direct_s=... [keys_only_s=...] ratio=... rounds=...
//   BENCH <name>-search ms=... hits=...
//   BENCH <name>-import per_s=... s=... codes=...

#include "BenchSupport.h"

#include "copies/ItemRecord.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "items/BookState.h"
#include "items/CopySearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSaveFile>
#include <algorithm>
#include <cstdio>

using namespace kestra;
using bench::percentile;
using bench::run;
using bench::select;
using bench::vacuum;

namespace {

// N barcodes of lendable copies, drawn with a fixed seed.
QStringList sampleBarcodes(Session &db, int n)
{
    const QueryResult all =
        select(db, QStringLiteral("SELECT bar_code FROM indi_acct WHERE book_stat_code='41' AND bar_code IS NOT NULL"));
    QStringList codes;
    QRandomGenerator random(20260314);
    for (int i = 0; i < n && all.rowCount() > 0; ++i)
        codes.append(all.text(random.bounded(all.rowCount()), 0));
    codes.removeDuplicates();
    return codes;
}

int benchChange(AppContext &context, const QString &name, int changes)
{
    Session &db = context.db();
    const QStringList codes = sampleBarcodes(db, changes + 50);
    if (codes.size() < 60)
        return 1;
    BookState state(context, BarcodeSettings{});
    state.setNewStatus(QStringLiteral("42"));
    QList<double> times;
    QList<double> lookups;
    for (int i = 0; i < codes.size(); ++i) {
        // The reference first, so that both meet the same cache state.
        QElapsedTimer lookup;
        lookup.start();
        ItemRow row;
        readItemRow(db, codes.at(i), InputType::Barcode, row);
        const double lookupMs = double(lookup.nsecsElapsed()) / 1e6;
        QElapsedTimer timer;
        timer.start();
        const BookState::Outcome outcome = state.enter(codes.at(i));
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (outcome != BookState::Outcome::Changed) {
            std::fprintf(stderr, "copy %s not changed\n", qUtf8Printable(codes.at(i)));
            return 1;
        }
        if (i >= 50) { // the first ones warm the caches
            times.append(ms);
            lookups.append(lookupMs);
        }
    }
    const double median = percentile(times, 0.5);
    const double lookup = percentile(lookups, 0.5);
    std::printf("BENCH %s-change median_ms=%.2f p99_ms=%.2f lookup_ms=%.2f ratio=%.1f n=%lld\n", qPrintable(name),
                median, percentile(times, 0.99), lookup, lookup > 0 ? median / lookup : 0.0,
                static_cast<long long>(times.size()));
    std::fflush(stdout);
    return 0;
}

// Puts exactly `copies` copies of the location in 45 (保留本), their
// circulation rows with them: the first ones by accession number among its
// lendable copies, the same ones in every round.
bool prepareLocation(Session &db, const QString &loc, int copies)
{
    const QString chosen = QStringLiteral("SELECT prop_no FROM indi_acct WHERE dis_location=%1 AND book_stat_code='41' "
                                          "ORDER BY prop_no LIMIT %2")
                               .arg(loc)
                               .arg(copies);
    db.beginTrans();
    const bool prepared =
        run(db,
            QStringLiteral("UPDATE item SET book_stat_code='42' WHERE location=%1 AND book_stat_code='45'").arg(loc)) &&
        run(db, QStringLiteral("UPDATE indi_acct SET book_stat_code='42' WHERE dis_location=%1 AND book_stat_code='45'")
                    .arg(loc)) &&
        run(db, QStringLiteral("CREATE TABLE bench_chosen AS ") + chosen) &&
        run(db, QStringLiteral("UPDATE indi_acct SET book_stat_code='45' WHERE prop_no IN (SELECT prop_no FROM "
                               "bench_chosen)")) &&
        run(db, QStringLiteral("UPDATE item SET book_stat_code='45' WHERE prop_no IN (SELECT prop_no FROM "
                               "bench_chosen)")) &&
        run(db, QStringLiteral("DROP TABLE bench_chosen"));
    if (!prepared || db.commitTrans() < 0) {
        db.rollback();
        return false;
    }
    return vacuum(db, QStringLiteral("indi_acct, item, marc"));
}

// The references of the location change: the client's writes for 45 -> 41
// typed directly in one transaction, with its commit, timed in seconds
// (negative when a statement failed). With `bare` the copy tables first lose
// every index but their keys and the two the statements look up by, so
// that the time left is what writing the rows themselves costs; that
// transaction is rolled back (and so has no commit to time).
double directLocationChange(Session &db, const QString &loc, bool bare)
{
    const QString copies = QStringLiteral(" WHERE dis_location=%1 AND book_stat_code='45'").arg(loc);
    const QString items = QStringLiteral(" WHERE location=%1 AND book_stat_code='45'").arg(loc);
    QStringList writes;
    if (bare) {
        writes << QStringLiteral("ALTER TABLE indi_acct DROP CONSTRAINT indi_barcode_idx");
        for (const char *index : {"idx_indi_acct_call_no", "idx_indi_acct_shelf_no", "idx_indi_acct_bar_code_like",
                                  "idx_indi_acct_prop_no_like", "idx_indi_acct_asord", "idx_indi_acct_move_batch",
                                  "idx_item_bar_code", "idx_item_call_no", "idx_item_rec"})
            writes << QStringLiteral("DROP INDEX %1").arg(QLatin1String(index));
    }
    writes << QStringLiteral("UPDATE item SET book_lend_flag='0'") + items + QStringLiteral(" AND book_lend_flag='2'")
           << QStringLiteral("UPDATE item SET book_stat_code='41',rec_flag_upt_date='2026-12-06',resp_wkr='DC01'") +
                  items
           << QStringLiteral("UPDATE marc A SET lendable_copies=(SELECT count(*) FROM indi_acct B WHERE "
                             "A.marc_rec_no=B.marc_rec_no AND (CASE WHEN B.dis_location=%1 AND "
                             "B.book_stat_code='45' THEN '41' ELSE B.book_stat_code END)='41') "
                             "WHERE marc_rec_no IN (SELECT marc_rec_no FROM indi_acct")
                      .arg(loc) +
                  copies + u')'
           << QStringLiteral("UPDATE indi_acct SET book_stat_code='41',indi_opac_flag='1',"
                             "rec_flag_upt_date='2026-12-06',resp_wkr='DC01'") +
                  copies;
    // The index drops are not timed: only the writes are.
    const qsizetype untimed = bare ? writes.size() - 4 : 0;
    db.beginTrans();
    QElapsedTimer timer;
    bool ok = true;
    for (qsizetype i = 0; ok && i < writes.size(); ++i) {
        if (i == untimed)
            timer.start();
        ok = run(db, writes.at(i));
    }
    if (bare || !ok) {
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        db.rollback();
        return ok && vacuum(db, QStringLiteral("indi_acct, item, marc")) ? seconds : -1;
    }
    return db.commitTrans() == 0 ? double(timer.nsecsElapsed()) / 1e9 : -1;
}

int benchLocation(AppContext &context, const QString &name, int copies, int rounds)
{
    Session &db = context.db();
    const QueryResult largest = select(db, QStringLiteral("SELECT dis_location, count(*) FROM indi_acct "
                                                          "WHERE book_stat_code='41' GROUP BY dis_location "
                                                          "ORDER BY 2 DESC"));
    if (largest.rowCount() == 0 || largest.number(0, 1) < copies) {
        std::fprintf(stderr, "no location has %d lendable copies\n", copies);
        return 1;
    }
    const QString location = largest.text(0, 0);
    QList<double> times;
    QList<double> direct;
    QList<double> bare;
    // The key-only reference drops PostgreSQL's indexes; SQLite cannot drop
    // a unique constraint.
    const bool postgres = db.backend()->kind() == BackendTarget::Kind::Postgres;
    for (int round = 0; round < rounds; ++round) {
        if (!prepareLocation(db, sqlQuote(location), copies))
            return 1;
        direct.append(directLocationChange(db, sqlQuote(location), false));
        if (direct.last() < 0 || !prepareLocation(db, sqlQuote(location), copies))
            return 1;
        if (postgres)
            bare.append(directLocationChange(db, sqlQuote(location), true));
        if (direct.last() < 0 || (postgres && bare.last() < 0))
            return 1;
        std::fprintf(stderr, "location round %d: direct %.2f s%s\n", round + 1, direct.last(),
                     postgres ? qPrintable(QStringLiteral(", keys only %1 s").arg(bare.last(), 0, 'f', 2)) : "");
        BookState state(context, BarcodeSettings{});
        state.setMode(BookState::Mode::ByLocation);
        state.setLocation(location);
        state.setSourceStatus(QStringLiteral("45"));
        state.setNewStatus(QStringLiteral("41"));
        QElapsedTimer timer;
        timer.start();
        const int changed = state.changeByLocation();
        times.append(double(timer.nsecsElapsed()) / 1e9);
        std::fprintf(stderr, "location round %d: %.2f s\n", round + 1, times.last());
        if (changed != copies) {
            std::fprintf(stderr, "changed %d copies, expected %d\n", changed, copies);
            return 1;
        }
    }
    const double median = percentile(times, 0.5);
    const double directMedian = percentile(direct, 0.5);
    const QString keysOnly =
        postgres ? QStringLiteral(" keys_only_s=%1").arg(percentile(bare, 0.5), 0, 'f', 2) : QString();
    std::printf("BENCH %s-location copies=%d s=%.2f direct_s=%.2f%s ratio=%.2f rounds=%d\n", qPrintable(name), copies,
                median, directMedian, qPrintable(keysOnly), median / directMedian, rounds);
    std::fflush(stdout);
    return 0;
}

int benchSearch(AppContext &context, const QString &name, int searches)
{
    CopySearch search(context);
    if (!search.prepare())
        return 1;
    const SearchIndex *title = nullptr;
    for (const SearchIndex &index : search.indexes()) {
        if (index.name.contains(QStringLiteral("题名"))) {
            title = &index;
            break;
        }
    }
    if (title == nullptr) {
        std::fprintf(stderr, "no title index group\n");
        return 1;
    }
    // Prefixes of real title keys: the first three characters of titles
    // spread over the catalogue.
    const QueryResult keys =
        select(context.db(), QStringLiteral("SELECT marc_idx_cont FROM marc_idx WHERE marc_idx_grp=%1")
                                 .arg(sqlQuote(QStringLiteral("%1").arg(title->code, 2, 10, QLatin1Char('0')))));
    if (keys.rowCount() == 0) {
        std::fprintf(stderr, "no title keys\n");
        return 1;
    }
    QRandomGenerator random(7);
    QList<double> times;
    qint64 hits = 0;
    for (int i = 0; i < searches + 3; ++i) {
        const QString prefix = keys.text(random.bounded(keys.rowCount()), 0).left(3);
        QElapsedTimer timer;
        timer.start();
        const CopySearch::Outcome outcome = search.search({SearchCondition{title->code, MatchMode::Prefix, prefix}});
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (outcome == CopySearch::Outcome::Failed)
            return 1;
        if (i >= 3) {
            times.append(ms);
            hits += search.copies().size();
        }
    }
    std::printf("BENCH %s-search ms=%.1f p99_ms=%.1f hits=%lld n=%lld\n", qPrintable(name), percentile(times, 0.5),
                percentile(times, 0.99), static_cast<long long>(hits / std::max<qsizetype>(1, times.size())),
                static_cast<long long>(times.size()));
    std::fflush(stdout);
    return 0;
}

int benchImport(AppContext &context, bench::YesPrompter &prompter, const QString &name, int count)
{
    Session &db = context.db();
    // N different lendable copies in a random order, with a seed of their own.
    const QueryResult lendable =
        select(db, QStringLiteral("SELECT bar_code FROM indi_acct WHERE book_stat_code='41' AND bar_code IS NOT NULL "
                                  "ORDER BY bar_code"));
    QStringList codes;
    for (int r = 0; r < lendable.rowCount(); ++r)
        codes.append(lendable.text(r, 0));
    QRandomGenerator random(4242);
    std::shuffle(codes.begin(), codes.end(), random);
    codes = codes.mid(0, count);
    if (codes.size() < count) {
        std::fprintf(stderr, "fewer than %d lendable copies\n", count);
        return 1;
    }
    const QString path = context.folders().root() + QStringLiteral("/bench-import.txt");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(codes.join(u'\n').toUtf8() + '\n') < 0 || !file.commit()) {
        std::fprintf(stderr, "cannot write %s\n", qUtf8Printable(path));
        return 1;
    }
    BookState state(context, BarcodeSettings{});
    state.setNewStatus(QStringLiteral("42"));
    prompter.showSteps = false;
    QElapsedTimer timer;
    timer.start();
    state.importFile(path);
    const double s = double(timer.nsecsElapsed()) / 1e9;
    prompter.showSteps = true;
    // Counted in the database, not taken from the import's own report.
    QStringList quoted;
    for (const QString &code : codes)
        quoted.append(sqlQuote(code));
    const QueryResult changed =
        select(db, QStringLiteral("SELECT count(*) FROM indi_acct WHERE book_stat_code='42' AND bar_code IN (%1)")
                       .arg(quoted.join(u',')));
    const auto done = static_cast<qsizetype>(changed.rowCount() == 1 ? changed.number(0, 0) : 0);
    if (done != codes.size()) {
        std::fprintf(stderr, "import changed %lld of %lld copies\n", static_cast<long long>(done),
                     static_cast<long long>(codes.size()));
        return 1;
    }
    std::printf("BENCH %s-import per_s=%.0f s=%.2f codes=%lld\n", qPrintable(name), double(done) / s, s,
                static_cast<long long>(done));
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bench::Options options;
    const QString root = options.text("--root");
    const QString name = options.text("--name", QStringLiteral("copies"));
    const int changes = options.number("--changes", 2000);
    const int locationCopies = options.number("--location-copies", 100000);
    const int searches = options.number("--searches", 30);
    const int rounds = options.number("--location-rounds", 3);
    const int importCodes = options.number("--import-codes", 10000);
    const QStringList measures =
        options.text("--measures", QStringLiteral("change,location,search,import")).split(u',', Qt::SkipEmptyParts);
    if (root.isEmpty()) {
        std::fprintf(stderr, "usage: bench-copies --root DIR [--name NAME] [--changes N] [--location-copies N] "
                             "[--location-rounds R] [--searches N] [--import-codes N] [--measures LIST]\n");
        return 2;
    }

    bench::BenchSession bench(root);
    if (!bench.open())
        return 1;
    AppContext &context = bench.context;
    bench::YesPrompter &prompter = bench.prompter;

    int status = 0;
    if (measures.contains(QLatin1String("change")))
        status = benchChange(context, name, changes);
    if (status == 0 && measures.contains(QLatin1String("location")))
        status = benchLocation(context, name, locationCopies, rounds);
    if (status == 0 && measures.contains(QLatin1String("search")))
        status = benchSearch(context, name, searches);
    if (status == 0 && measures.contains(QLatin1String("import")))
        status = benchImport(context, prompter, name, importCodes);
    return status;
}
