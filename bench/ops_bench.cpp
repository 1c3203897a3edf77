// Several operators importing over the same copies at once, each a process
// of its own, and what they leave behind.
//
//   bench-ops --root DIR --prepare N --codes FILE   picks N lendable copies at the
//       workstation's location (every fifth an arrived reservation), writes
//       their barcodes to FILE and opens the weeding batch OPS1
//   bench-ops --root DIR --codes FILE --run state --operator W --status S [--reverse]
//       the status change's import of FILE (to S) as operator W
//   bench-ops --root DIR --codes FILE --run weed --operator W
//       the weeding form's import of FILE into OPS1 as operator W
//   bench-ops --root DIR --codes FILE --check
//       what the copies of FILE look like afterwards
//
// Every question is answered yes. Summary lines:
//   BENCH ops-run <kind> operator=W done=... refused=... stopped=... s=...
//   BENCH ops-check copies=... changes=... from_41_twice=... reserved_flag_without_reservation=...
//       weeding_row_not_35=... in_35_without_weeding_row=... workload_mismatch=...

#include "BenchSupport.h"

#include "copies/ItemRecord.h"
#include "items/BookDeal.h"
#include "items/BookState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

using namespace kestra;
using bench::run;
using bench::select;

namespace {

constexpr auto kBatch = "OPS1";

QStringList readCodes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QString inList(const QString &codes)
{
    return QStringLiteral(" prop_no IN (SELECT prop_no FROM indi_acct WHERE bar_code IN (%1))").arg(codes);
}

QString quotedList(const QStringList &codes)
{
    QStringList quoted;
    for (const QString &c : codes)
        quoted.append(sqlQuote(c));
    return quoted.join(u',');
}

int prepare(AppContext &context, int n, const QString &path)
{
    Session &db = context.db();
    const QString location = context.session().currentLocation;
    const QueryResult copies = select(db, QStringLiteral("SELECT indi_acct.bar_code, indi_acct.prop_no FROM indi_acct, "
                                                         "item WHERE indi_acct.prop_no=item.prop_no AND "
                                                         "indi_acct.book_stat_code='41' AND item.book_lend_flag='0' "
                                                         "AND indi_acct.dis_location=") +
                                              sqlQuote(location) + QStringLiteral(" ORDER BY indi_acct.prop_no"));
    QStringList codes;
    for (int i = 0; i < copies.rowCount() && codes.size() < n; ++i) {
        codes.append(copies.text(i, 0));
        if (i % 5 == 0 && !(run(db, QStringLiteral("UPDATE item SET book_lend_flag='2' WHERE prop_no=") +
                                        sqlQuote(copies.text(i, 1))) &&
                            run(db, QStringLiteral("INSERT INTO preg_arri_lst (prop_no,location_f) VALUES (%1,%2)")
                                        .arg(sqlQuote(copies.text(i, 1)), sqlQuote(location)))))
            return 1;
    }
    if (db.callProc(QStringLiteral("LT_deal_batch_lst %1,'%2','03','2026-01-01',NULL,'0','DC01',NULL")
                        .arg(sqlQuote(location), QLatin1String(kBatch))) < 0) {
        std::fprintf(stderr, "batch: %s\n", qUtf8Printable(db.error().text));
        return 1;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(codes.join(u'\n').toUtf8());
    if (!file.commit())
        return 1;
    std::printf("prepared %lld copies at %s\n", static_cast<long long>(codes.size()), qPrintable(location));
    return 0;
}

int runImport(AppContext &context, const QString &kind, const QString &path, const QString &status)
{
    QElapsedTimer clock;
    clock.start();
    ScanReport report;
    if (kind == QLatin1String("weed")) {
        BookDeal deal(context, BarcodeSettings{}, QStringLiteral("03"));
        if (deal.selectBatch(context.session().currentLocation, QLatin1String(kBatch)) != 1)
            return 1;
        report = deal.importFile(path);
    } else {
        BookState state(context, BarcodeSettings{});
        state.setNewStatus(status);
        report = state.importFile(path);
    }
    std::printf("BENCH ops-run %s operator=%s done=%d refused=%lld stopped=%d s=%.1f\n", qPrintable(kind),
                qPrintable(context.session().operatorNo), report.done, static_cast<long long>(report.refused),
                report.stopped ? 1 : 0, double(clock.elapsed()) / 1000.0);
    for (const QString &line : std::as_const(report.reasons))
        std::fprintf(stderr, "refused: %s\n", qUtf8Printable(line));
    return 0;
}

int count(Session &db, const QString &sql)
{
    return static_cast<int>(select(db, sql).number(0, 0));
}

int check(AppContext &context, const QString &path)
{
    Session &db = context.db();
    const QStringList codes = readCodes(path);
    const QString copies = inList(quotedList(codes));
    const int changes = count(db, QStringLiteral("SELECT count(*) FROM log_detl WHERE log_type='30019' AND") + copies);
    // In any serial order only the first change of a copy starts from 41.
    const int twice = count(db, QStringLiteral("SELECT count(*) FROM (SELECT prop_no FROM log_detl WHERE "
                                               "log_type='30019' AND data1='可借' AND") +
                                    copies + QStringLiteral(" GROUP BY prop_no HAVING count(*) > 1) t"));
    const int flagged = count(db, QStringLiteral("SELECT count(*) FROM item WHERE book_lend_flag='2' AND") + copies +
                                      QStringLiteral(" AND prop_no NOT IN (SELECT prop_no FROM preg_arri_lst)"));
    const int weededNot35 =
        count(db, QStringLiteral("SELECT count(*) FROM indi_acct WHERE book_stat_code<>'35' AND") + copies +
                      QStringLiteral(" AND prop_no IN (SELECT prop_no FROM deal_log WHERE deal_type_code='03')"));
    const int in35Alone =
        count(db, QStringLiteral("SELECT count(*) FROM indi_acct WHERE book_stat_code='35' AND") + copies +
                      QStringLiteral(" AND prop_no NOT IN (SELECT prop_no FROM deal_log WHERE deal_type_code='03')"));
    const int itemDiffers = count(db, QStringLiteral("SELECT count(*) FROM indi_acct, item WHERE "
                                                     "indi_acct.prop_no=item.prop_no AND "
                                                     "indi_acct.book_stat_code<>item.book_stat_code AND indi_acct.") +
                                          copies.trimmed());
    // The workload of each operator of the run (W01-W09) and job against
    // its log lines.
    const QueryResult work = select(db, QStringLiteral("SELECT wkr_no_f, job_type, SUM(volume) FROM wkr_job_qty "
                                                       "WHERE job_type IN ('310','308') AND wkr_no_f LIKE 'W0_' "
                                                       "GROUP BY wkr_no_f, job_type"));
    int mismatch = 0;
    for (int i = 0; i < work.rowCount(); ++i) {
        const QString code =
            work.text(i, 1) == QLatin1String("310") ? QStringLiteral("30019") : QStringLiteral("30017");
        const int logged = count(db, QStringLiteral("SELECT count(*) FROM log_detl WHERE log_type=%1 AND wkr_no=%2")
                                         .arg(sqlQuote(code), sqlQuote(work.text(i, 0))));
        if (logged != static_cast<int>(work.number(i, 2)))
            ++mismatch;
    }
    const QueryResult perCopy = select(db, QStringLiteral("SELECT n, count(*) FROM (SELECT prop_no, count(*) n FROM "
                                                          "log_detl WHERE log_type='30019' AND") +
                                               copies + QStringLiteral(" GROUP BY prop_no) t GROUP BY n ORDER BY n"));
    QStringList histogram;
    for (int i = 0; i < perCopy.rowCount(); ++i)
        histogram.append(perCopy.text(i, 0) + u'x' + perCopy.text(i, 1));
    const QueryResult statuses = select(db, QStringLiteral("SELECT book_stat_code, count(*) FROM indi_acct WHERE") +
                                                copies + QStringLiteral(" GROUP BY book_stat_code ORDER BY 1"));
    QStringList byStatus;
    for (int i = 0; i < statuses.rowCount(); ++i)
        byStatus.append(statuses.text(i, 0) + u'=' + statuses.text(i, 1));
    std::printf("BENCH ops-check copies=%lld changes=%d from_41_twice=%d reserved_flag_without_reservation=%d "
                "weeding_row_not_35=%d in_35_without_weeding_row=%d item_status_differs=%d workload_mismatch=%d\n",
                static_cast<long long>(codes.size()), changes, twice, flagged, weededNot35, in35Alone, itemDiffers,
                mismatch);
    std::printf("  change rows per copy (rows x copies): %s\n  statuses: %s\n", qPrintable(histogram.join(u' ')),
                qPrintable(byStatus.join(u' ')));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bench::Options options;
    const QString root = options.text("--root");
    const QString codes = options.text("--codes");
    if (root.isEmpty() || codes.isEmpty()) {
        std::fprintf(stderr, "usage: bench-ops --root DIR --codes FILE (--prepare N | --run state|weed "
                             "--operator W [--status S] [--reverse] | --check)\n");
        return 2;
    }
    bench::BenchSession bench(root);
    if (!bench.open())
        return 1;
    AppContext &context = bench.context;
    bench.prompter.showSteps = false;
    const QString op = options.text("--operator");
    if (!op.isEmpty()) {
        context.session().operatorNo = op;
        context.session().workstation = QStringLiteral("PC-") + op;
    }
    if (options.number("--prepare", 0) > 0)
        return prepare(context, options.number("--prepare", 0), codes);
    if (QCoreApplication::arguments().contains(QLatin1String("--check")))
        return check(context, codes);
    QString file = codes;
    if (QCoreApplication::arguments().contains(QLatin1String("--reverse"))) {
        QStringList list = readCodes(codes);
        std::reverse(list.begin(), list.end());
        file = codes + QStringLiteral(".") + op;
        QSaveFile out(file);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        out.write(list.join(u'\n').toUtf8());
        if (!out.commit())
            return 1;
    }
    return runImport(context, options.text("--run", QStringLiteral("state")), file,
                     options.text("--status", QStringLiteral("42")));
}
