// The printed lists of the processing batches and the export of a weeding
// batch's records, on SQLite and PostgreSQL: what each list holds, how it
// lands on the page, and the exported file read back as marc-dump reads it.

#include "items/DealLists.h"
#include "items/CopyTestLib.h"
#include "marc/BibStore.h"
#include "marc/BibWriter.h"
#include "marc/MarcDump.h"
#include "marc/MarcTestData.h"
#include "support/CommandOutput.h"
#include "support/RecordingPrinter.h"
#include "support/TestRunner.h"

#include <QTemporaryDir>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

// M1 holds P1..P4 at L1. Repair batch R1: P1 (fee 3, to 装订组), P2 (no
// fee); P1 came back in check-back batch R1. Weeding batch W1: P3, P4.
bool seedBatches(CopyTestLib &lib)
{
    bool ok = lib.record(u"M1"_qs, u"呐喊"_qs, u"鲁迅"_qs);
    for (const char *p : {"P1", "P2", "P3", "P4"})
        ok = ok && lib.copy(QLatin1String(p), u"M1"_qs, QStringLiteral("B") + QLatin1String(p), u"L1"_qs, u"41"_qs);
    for (const char *b : {"R1','01", "R1','02", "W1','03", "E1','03"})
        ok = ok && lib.f.exec(QStringLiteral("INSERT INTO deal_batch_lst (location,deal_batch_no,deal_type_code,"
                                             "deal_bgn_date,deal_stat_flag,resp_wkr,remark) VALUES ('L1','%1',"
                                             "'2026-01-01','0','W001','第一批')")
                                  .arg(QLatin1String(b)));
    ok = ok &&
         lib.f.db().callProc(u"LT_deal_log 'L1','R1','01','P1','2026-01-02',3,'装订组','41','W001','脱页'"_qs) == 0;
    ok = ok && lib.f.db().callProc(u"LT_deal_log 'L1','R1','01','P2','2026-01-02',NULL,NULL,'41','W001',NULL"_qs) == 0;
    return ok && lib.dealRow(u"L1"_qs, u"R1"_qs, u"02"_qs, u"P1"_qs, u"33"_qs) &&
           lib.dealRow(u"L1"_qs, u"W1"_qs, u"03"_qs, u"P3"_qs) && lib.dealRow(u"L1"_qs, u"W1"_qs, u"03"_qs, u"P4"_qs);
}

DealBatch batchOf(const char *number, const char *type)
{
    DealBatch b;
    b.location = u"L1"_qs;
    b.number = QLatin1String(number);
    b.type = QLatin1String(type);
    b.remark = u"第一批"_qs;
    return b;
}

QStringList headings(const ListReport &report)
{
    QStringList out;
    for (const ReportColumn &c : report.columns)
        out.append(c.heading);
    return out;
}

} // namespace

class DealListsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void batchListsOnThePage_data() { addBackendRows(); }
    void batchListsOnThePage()
    {
        OPEN_LIB(lib);
        QVERIFY(seedBatches(lib));
        AppContext &context = lib.f.context();

        const std::optional<ListReport> repair = deal_lists::batchList(context, batchOf("R1", "01"));
        QVERIFY(repair.has_value());
        QCOMPARE(repair->title, u"书刊修补清单"_qs);
        QCOMPARE(headings(*repair),
                 QStringList({u"序号"_qs, u"财产号"_qs, u"条码号"_qs, u"索书号"_qs, u"题名"_qs, u"责任者"_qs,
                              u"出版社"_qs, u"价格"_qs, u"书刊去向"_qs, u"处理费用"_qs, u"处理说明"_qs}));
        // In the order the copies were entered.
        QCOMPARE(repair->rows.size(), 2);
        QCOMPARE(repair->rows.at(0), QStringList({u"1"_qs, u"P1"_qs, u"BP1"_qs, u"I247.5/1"_qs, u"呐喊"_qs, u"鲁迅"_qs,
                                                  u"中华书局"_qs, u"25.50"_qs, u"装订组"_qs, u"3.00"_qs, u"脱页"_qs}));
        QCOMPARE(repair->rows.at(1).at(1), u"P2"_qs);

        // The weeding list: year and volume, no fee, the location by name;
        // and on paper: the title and header lines, each row, the footer.
        RecordingPrinter printer;
        context.setPrinter(printer);
        const std::optional<ListReport> weeding = deal_lists::batchList(context, batchOf("W1", "03"));
        QVERIFY(weeding.has_value());
        QCOMPARE(headings(*weeding), QStringList({u"序号"_qs, u"财产号"_qs, u"条码号"_qs, u"索书号"_qs, u"题名"_qs,
                                                  u"责任者"_qs, u"出版社"_qs, u"年代"_qs, u"卷期"_qs, u"价格"_qs,
                                                  u"书刊去向"_qs, u"处理说明"_qs, u"馆藏地"_qs}));
        QCOMPARE(deal_lists::preview(context, *weeding), 1);
        QCOMPARE(printer.jobs.size(), 1);
        QCOMPARE(printer.jobs.at(0).target, PrintTarget::Preview);
        const PageDocument &doc = printer.jobs.at(0).document;
        QCOMPARE(doc.pages.size(), 1);
        const Page &page = doc.pages.at(0);
        for (const QString &text :
             {u"书刊剔旧清单"_qs, u"馆藏地：中文图书库"_qs, u"处理批次：W1"_qs, u"说明：第一批"_qs, u"P3"_qs, u"P4"_qs,
              u"2025"_qs, u"中文图书库"_qs, u"总册数：2"_qs, u"总价格：51.00"_qs, u"第1页 共1页"_qs})
            QVERIFY2(findText(page, text) != nullptr, qPrintable(text));
        // The second row lies under the first.
        QVERIFY(findText(page, u"P4"_qs)->box.top() > findText(page, u"P3"_qs)->box.top());

        // A batch without rows prints nothing and says so.
        QVERIFY(!deal_lists::batchList(context, batchOf("E1", "03")).has_value());
        QCOMPARE(lib.f.prompter().lastText(), u"该批次无书刊记录!"_qs);
    }

    void checkBackListsSplitTheRepairBatch_data() { addBackendRows(); }
    void checkBackListsSplitTheRepairBatch()
    {
        OPEN_LIB(lib);
        QVERIFY(seedBatches(lib));
        AppContext &context = lib.f.context();
        const DealBatch back = batchOf("R1", "02");
        const std::optional<ListReport> returned = deal_lists::returnedList(context, back);
        const std::optional<ListReport> out = deal_lists::stillOutList(context, back);
        QVERIFY(returned.has_value() && out.has_value());
        QCOMPARE(headings(*returned).last(), u"馆藏地"_qs);
        QCOMPARE(headings(*returned).size(), 12);
        // Returned: P1 with what its repair row says; still out: P2 only.
        QCOMPARE(returned->rows.size(), 1);
        QCOMPARE(returned->rows.at(0).at(1), u"P1"_qs);
        QCOMPARE(returned->rows.at(0).at(8), u"装订组"_qs);
        QCOMPARE(returned->rows.at(0).at(9), u"3.00"_qs);
        QCOMPARE(out->rows.size(), 1);
        QCOMPARE(out->rows.at(0).at(1), u"P2"_qs);
        QCOMPARE(out->footer.at(0).value, u"1"_qs);

        // Once P2 is back too, nothing is out.
        QVERIFY(lib.dealRow(u"L1"_qs, u"R1"_qs, u"02"_qs, u"P2"_qs, u"33"_qs));
        QVERIFY(!deal_lists::stillOutList(context, back).has_value());
        QCOMPARE(lib.f.prompter().lastText(), u"该批次无验收未到书刊记录!"_qs);
        QCOMPARE(deal_lists::returnedList(context, back)->rows.size(), 2);
    }

    void exportedRecordsReadBack_data() { addBackendRows(); }
    void exportedRecordsReadBack()
    {
        OPEN_LIB(lib);
        QVERIFY(seedBatches(lib));
        AppContext &context = lib.f.context();
        // M1 becomes a real record; M2 has a copy outside the batch.
        BibParams params;
        QCOMPARE(loadBibParams(lib.f.db(), context.folders(), context.codePage(), params), 0);
        BibRecord rec = BibRecord::fromBytes(chineseUnimarc(), MarcCodec());
        rec.summary.marcRecNo = u"M1"_qs;
        rec.summary.marcType = u"C"_qs;
        QCOMPARE(storeBibRecord(lib.f.db(), rec, params, context.codePage(), u"2026-03-14"_qs), 0);
        QVERIFY(lib.record(u"M2"_qs, u"彷徨"_qs));
        QVERIFY(lib.copy(u"P9"_qs, u"M2"_qs, u"BP9"_qs, u"L1"_qs, u"35"_qs));

        QTemporaryDir dir;
        const QString path = dir.filePath(u"weeded.txt"_qs);
        lib.f.prompter().answerFile(path);
        QCOMPARE(deal_lists::exportMarc(context, batchOf("W1", "03")), 1); // two copies, one title
        QCOMPARE(lib.f.prompter().lastText(), u"导出MARC完成。"_qs);

        const CommandRun run = runCommand(&runMarcDump, {path});
        const QString dumped = QString::fromUtf8(run.out);
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.isEmpty(), run.err.constData());
        QCOMPARE(dumped.count(u"\n001 "_qs), 1);
        QVERIFY(dumped.contains(u"CAL012005000123"_qs));
        QVERIFY(dumped.contains(u"$a 红楼梦"_qs));

        // An empty batch writes no file.
        QFile::remove(path);
        QCOMPARE(deal_lists::exportMarcTo(context, batchOf("E1", "03"), path), 0);
        QVERIFY(!QFile::exists(path));
        QVERIFY(lib.f.prompter().done());
    }
};

KESTRA_TEST(DealListsTest)
#include "DealListsTest.moc"
