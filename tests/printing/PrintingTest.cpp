// Printing from the database, on SQLite and PostgreSQL: the spine labels of
// a handover batch (its cataloguers, order, range and cataloguer filter, the
// refusals, the work quantity) and the handover bill (the batches of a
// period, the three views, accession-number intervals per location, totals
// and the printed bill).

#include "core/IniFile.h"
#include "core/WorkLog.h"
#include "items/CopyTestLib.h"
#include "marc/BibParams.h"
#include "marc/BibStore.h"
#include "marc/BibWriter.h"
#include "marc/DemoRecords.h"
#include "marc/MarcCodec.h"
#include "printing/CardPrint.h"
#include "printing/HandoverBill.h"
#include "printing/ParamFiles.h"
#include "printing/SpineLabelPrint.h"
#include "support/TestRunner.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

// JJ1, handed over today, check-in batch C1:
//   M1 红楼梦 (W001), I242/1: P0001, P0002, P0005 at L1, P0003 at L2
//   M2 Hamlet (W002), K825/9: P0004 at L1
//   M3 史记 (W001), Z228/1: P0006 at L1
// Every copy costs 25.50.
bool seedBatch(CopyTestLib &lib)
{
    const QString today = lib.today();
    const auto copy = [&](const char *prop, const char *rec, const char *loc, const char *call) {
        return lib.copy(QLatin1String(prop), QLatin1String(rec), QStringLiteral("B") + QLatin1String(prop),
                        QLatin1String(loc), u"41"_qs, QLatin1String(call));
    };
    return lib.record(u"M1"_qs, u"红楼梦"_qs) && lib.record(u"M2"_qs, u"Hamlet"_qs) &&
           lib.record(u"M3"_qs, u"史记"_qs) && lib.f.exec(u"UPDATE marc SET cata_oper='W001'"_qs) &&
           lib.f.exec(u"UPDATE marc SET cata_oper='W002' WHERE marc_rec_no='M2'"_qs) &&
           copy("P0001", "M1", "L1", "I242/1") && copy("P0002", "M1", "L1", "I242/1") &&
           copy("P0003", "M1", "L2", "I242/1") && copy("P0005", "M1", "L1", "I242/1") &&
           copy("P0004", "M2", "L1", "K825/9") && copy("P0006", "M3", "L1", "Z228/1") &&
           lib.f.exec(u"UPDATE indi_acct SET move_batch='JJ1', chk_batch_no='C1'"_qs) &&
           lib.transferDoc(u"JJ1"_qs, u"C1"_qs, u"M1"_qs, 4, u"1"_qs, today, u"3"_qs) &&
           lib.transferDoc(u"JJ1"_qs, u"C1"_qs, u"M2"_qs, 1, u"1"_qs, today, u"3"_qs) &&
           lib.transferDoc(u"JJ1"_qs, u"C1"_qs, u"M3"_qs, 1, u"1"_qs, today, u"3"_qs);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The installation's label parameters: 3 × 8 labels of 70 × 37 mm, the
// call number and the accession number printed.
bool installLabelParams(AppContext &context)
{
    const QString dir = context.folders().folder(InstallFolders::CardParam);
    return QDir().mkpath(dir) && writeFile(dir + u"BM_ComposeParam"_qs, "card.ini\r\nlayout.ini\r\nlabel.ini\r\n") &&
           writeFile(dir + u"label.ini"_qs, "[BaseParam]\nWidth=70\nHeight=37\nRows=8\nCols=3\nNumPerItem=1\n"
                                            "[2PrintItem]\nPrint=1\nLeft=5\nTop=4\n[5PrintItem]\nPrint=1\nTop=25\n");
}

QStringList callNumbers(const QList<LabelCopy> &copies)
{
    QStringList out;
    for (const LabelCopy &c : copies)
        out.append(c.callNo);
    return out;
}

QStringList propNos(const QList<LabelCopy> &copies)
{
    QStringList out;
    for (const LabelCopy &c : copies)
        out.append(c.propNo);
    return out;
}

QStringList column(const TextTable &table, int c)
{
    QStringList out;
    for (const QStringList &row : table.rows())
        out.append(row.value(c));
    return out;
}

} // namespace

class PrintingTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void intervals()
    {
        QCOMPARE(propNoIntervals({u"0001"_qs, u"0002"_qs, u"0003"_qs, u"0005"_qs}), u"0001 - 0003 ; 0005"_qs);
        QCOMPARE(propNoIntervals({u"0009"_qs, u"0010"_qs, u"0012"_qs, u"0013"_qs}), u"0009 - 0010 ; 0012 - 0013"_qs);
        QCOMPARE(propNoIntervals({u"A99"_qs, u"A100"_qs, u"B101"_qs}), u"A99 - A100 ; B101"_qs);
        QCOMPARE(propNoIntervals({u"X"_qs, u"Y"_qs}), u"X ; Y"_qs);
        QCOMPARE(propNoIntervals({}), QString());
        QVERIFY(propNoFollows(u"0999"_qs, u"1000"_qs));
        QVERIFY(!propNoFollows(u"099"_qs, u"0100"_qs)); // the width of a padded number is part of it
        QVERIFY(!propNoFollows(u"0001"_qs, u"0001"_qs));
        QVERIFY(!propNoFollows(u"99999999999999999999"_qs, u"100000000000000000000"_qs)); // no overflow
    }

    void labelsOfBatch_data() { addBackendRows(); }
    void labelsOfBatch()
    {
        OPEN_LIB(lib);
        AppContext &context = lib.f.context();
        ScriptedPrompter &prompter = lib.f.prompter();
        QVERIFY(seedBatch(lib));
        QVERIFY(installLabelParams(context));
        QVERIFY(lib.f.setParam(u"20"_qs, u"/"_qs));

        SpineLabelPrint print(context);
        QCOMPARE(print.loadParams(), 0);
        QCOMPARE(print.params().cols, 3);
        QCOMPARE(print.setBatch(u"JJ1"_qs), 0);
        QVERIFY(print.fromTransferDoc());
        QCOMPARE(print.cataloguers(), (QStringList{u"全部"_qs, u"W001"_qs, u"W002"_qs}));

        LabelChoice choice;
        choice.order = LabelOrder::CallNo;
        QList<LabelCopy> copies;
        QCOMPARE(print.chooseCopies(choice, copies), 6);
        QCOMPARE(callNumbers(copies),
                 (QStringList{u"I242/1"_qs, u"I242/1"_qs, u"I242/1"_qs, u"I242/1"_qs, u"K825/9"_qs, u"Z228/1"_qs}));
        QCOMPARE(copies.at(0).location.isEmpty(), false);
        choice.order = LabelOrder::PropNo;
        QCOMPARE(print.chooseCopies(choice, copies), 6);
        QCOMPARE(propNos(copies).first(), u"P0001"_qs);
        QCOMPARE(propNos(copies).last(), u"P0006"_qs);

        // One cataloguer's records; a range of accession numbers.
        choice.cataloguer = u"W002"_qs;
        QCOMPARE(print.chooseCopies(choice, copies), 1);
        QCOMPARE(copies.at(0).propNo, u"P0004"_qs);
        choice.cataloguer = SpineLabelPrint::AllCataloguers;
        choice.range = LabelRange::PropNo;
        choice.from = u"P0002"_qs;
        choice.to = u"P0004"_qs;
        QCOMPARE(print.chooseCopies(choice, copies), 3);
        QCOMPARE(propNos(copies), (QStringList{u"P0002"_qs, u"P0003"_qs, u"P0004"_qs}));
        QVERIFY(prompter.shown().isEmpty());

        // Refusals: no layout and no work quantity.
        const auto work = [&] {
            return lib.f.one(u"SELECT COALESCE(SUM(volume),0) FROM wkr_job_qty WHERE job_type='210'"_qs).toDouble();
        };
        LabelLayout out;
        choice.startRow = u"x"_qs;
        QCOMPARE(print.layout(choice, DevicePaper{}, out), -1);
        QVERIFY(prompter.lastText().contains(u"输入的值不正确"_qs));
        choice.startRow = u"9"_qs;
        QCOMPARE(print.layout(choice, DevicePaper{}, out), -1);
        QVERIFY(prompter.lastText().contains(u"起始行和起始列"_qs));
        choice.startRow = u"1"_qs;
        choice.range = LabelRange::CallNo;
        choice.from = u"Q"_qs;
        choice.to = u"R"_qs;
        QCOMPARE(print.layout(choice, DevicePaper{}, out), -1);
        QVERIFY(prompter.lastText().contains(u"该批次没有任何财产信息"_qs));
        QCOMPARE(work(), 0.0);

        // The run: labels laid out, the work quantity is the labels printed.
        choice.range = LabelRange::CallNo;
        choice.from = u"I"_qs;
        choice.to = u"K9"_qs;
        choice.startCol = u"3"_qs;
        QCOMPARE(print.layout(choice, DevicePaper{}, out), 1);
        QCOMPARE(out.labels, 5);
        QCOMPARE(out.document.pages.size(), 1);
        QCOMPARE(work(), 5.0);

        // A batch with no copies.
        QCOMPARE(print.setBatch(u"JJ9"_qs), 0);
        QVERIFY(!print.fromTransferDoc());
        QCOMPARE(print.chooseCopies(LabelChoice{}, copies), 0);
        QVERIFY(prompter.lastText().contains(u"该批次没有任何财产信息"_qs));
    }

    // The cards of a batch from the catalogue, with the files a new
    // installation gets: a UNIMARC and a MARC 21 record composed, a record
    // without its data left out, holdings from the batch only.
    void cardsOfBatch_data() { addBackendRows(); }
    void cardsOfBatch()
    {
        OPEN_LIB(lib);
        AppContext &context = lib.f.context();
        BibParams bib;
        QCOMPARE(loadBibParams(context.db(), context.folders(), CodePage(), bib), 0);
        const MarcCodec codec;
        BibRecord cn = demoRecord(11, false, codec);
        cn.summary.marcRecNo = u"R1"_qs;
        cn.summary.marcType = u"C"_qs;
        BibRecord us = demoRecord(12, true, codec);
        us.summary.marcRecNo = u"R2"_qs;
        us.summary.marcType = u"U"_qs;
        QCOMPARE(storeBibRecord(context.db(), cn, bib, CodePage(), u"2026-03-14"_qs), 0);
        QCOMPARE(storeBibRecord(context.db(), us, bib, CodePage(), u"2026-03-14"_qs), 0);
        QVERIFY(lib.copy(u"P1"_qs, u"R1"_qs, u"B1"_qs, u"L1"_qs, u"41"_qs) &&
                lib.copy(u"P2"_qs, u"R1"_qs, u"B2"_qs, u"L1"_qs, u"41"_qs) &&
                lib.copy(u"P9"_qs, u"R1"_qs, u"B9"_qs, u"L1"_qs, u"41"_qs) &&
                lib.f.exec(u"UPDATE indi_acct SET move_batch='JJ1' WHERE prop_no<>'P9'"_qs));
        QVERIFY(lib.record(u"R3"_qs, u"无数据"_qs)); // a summary row without its record
        for (const char *rec : {"R1", "R2", "R3"})
            QVERIFY(lib.transferDoc(u"JJ1"_qs, u"C1"_qs, QLatin1String(rec), 1, u"1"_qs, lib.today(), u"3"_qs));

        const auto file = [](const char *name) {
            for (const ParamFile &f : defaultPrintParamFiles()) {
                if (f.name == QLatin1String(name))
                    return IniFile(f.text, CodePage());
            }
            return IniFile();
        };
        CardPrint print(context);
        print.setParams(cardParamsFrom(file("CardParam.ini")), {cardLayoutFrom(file("CardFormat.ini"), u"CN"_qs),
                                                                cardLayoutFrom(file("CardFormat.ini"), u"US"_qs)});
        QCOMPARE(print.setBatch(u"JJ1"_qs), 3);
        QList<CardData> cards;
        QCOMPARE(print.compose(cards), 2);
        QCOMPARE(print.skipped(), 1);
        QCOMPARE(cards.at(0).holdings, (QStringList{u"P1"_qs, u"P2"_qs}));
        QCOMPARE(cards.at(0).callNumber, demoBook(11).callNo);
        QVERIFY2(cards.at(0).paragraphs.value(0).startsWith(demoBook(11).title),
                 qPrintable(cards.at(0).paragraphs.value(0)));
        QVERIFY(cards.at(0).isbns.value(0).startsWith(u"ISBN 978-7-"_qs));
        QVERIFY2(cards.at(1).paragraphs.value(0).contains(demoBook(12).titlePinyin, Qt::CaseInsensitive),
                 qPrintable(cards.at(1).paragraphs.value(0)));
        PageDocument document;
        QCOMPARE(print.layout(document), 1);
        QVERIFY(document.pages.size() >= 4); // a main, title, author and subject card each at least

        // A batch of no records prints nothing and says so.
        QCOMPARE(print.setBatch(u"JJ9"_qs), 0);
        QCOMPARE(print.layout(document), -1);
        QVERIFY(lib.f.prompter().lastText().contains(u"没有可以打印的卡片"_qs));
    }

    void bill_data() { addBackendRows(); }
    void bill()
    {
        OPEN_LIB(lib);
        QVERIFY(seedBatch(lib));
        QVERIFY(lib.transferDoc(u"JJ0"_qs, u"C0"_qs, u"M3"_qs, 1, u"1"_qs, u"2020-01-01"_qs, u"3"_qs));
        HandoverBill bill(lib.f.context());
        const QDate today = QDate::fromString(lib.today(), Qt::ISODate);
        // The end day counts whole, whatever time the date carries.
        QVERIFY(lib.f.exec(u"UPDATE transfer_doc SET send_store_date=send_store_date||' 17:30:00' "
                           "WHERE move_batch='JJ1'"_qs));
        QCOMPARE(bill.loadBatches(today.addDays(-3), today), 1);
        QCOMPARE(bill.batches(), QStringList{u"JJ1"_qs});
        QCOMPARE(bill.loadLocations(u"JJ1"_qs), 2);

        // Per location: titles are distinct call numbers.
        QCOMPARE(bill.show(u"JJ1"_qs, QString(), BillView::Locations), 2);
        QCOMPARE(bill.table().rows().at(0), (QStringList{u"中文图书库"_qs, u"3"_qs, u"5"_qs, u"127.50"_qs, QString()}));
        QCOMPARE(bill.table().rows().at(1), (QStringList{u"外文书库"_qs, u"1"_qs, u"1"_qs, u"25.50"_qs, QString()}));
        QCOMPARE(bill.titles(), 3);
        QCOMPARE(bill.copies(), 6);
        QCOMPARE(bill.price(), 153.0);

        // Per title, all locations: one row per title and location, each
        // with the title's intervals by location.
        QCOMPARE(bill.show(u"JJ1"_qs, QString(), BillView::Titles), 4);
        const TextTable &t = bill.table();
        QCOMPARE(t.headings().at(6), u"分配地"_qs);
        QCOMPARE(column(t, 0), (QStringList{u"I242/1"_qs, u"I242/1"_qs, u"K825/9"_qs, u"Z228/1"_qs}));
        QCOMPARE(column(t, 4), (QStringList{u"3"_qs, u"1"_qs, u"1"_qs, u"1"_qs}));
        QCOMPARE(column(t, 5), (QStringList{u"76.50"_qs, u"25.50"_qs, u"25.50"_qs, u"25.50"_qs}));
        QCOMPARE(t.rows().at(0).at(8), u"中文图书库: P0001 - P0002 ; P0005 ; 外文书库: P0003"_qs);
        QCOMPARE(t.rows().at(2).at(8), u"中文图书库: P0004"_qs);

        // One location: no location column, its own numbers and totals.
        QCOMPARE(bill.show(u"JJ1"_qs, u"L1"_qs, BillView::Titles), 3);
        QCOMPARE(bill.table().headings().size(), 8);
        QCOMPARE(bill.table().rows().at(0).at(7), u"P0001 - P0002 ; P0005"_qs);
        QCOMPARE(bill.titles(), 3);
        QCOMPARE(bill.copies(), 5);

        // Per copy.
        QCOMPARE(bill.show(u"JJ1"_qs, u"L2"_qs, BillView::Copies), 1);
        QCOMPARE(bill.table().rows().at(0).mid(0, 7),
                 (QStringList{u"I242/1"_qs, u"红楼梦"_qs, u"张三"_qs, u"中华书局"_qs, u"25.50"_qs, u"P0003"_qs,
                              u"BP0003"_qs}));
        QCOMPARE(bill.show(u"JJ1"_qs, QString(), BillView::Copies), 6);
        QCOMPARE(bill.table().headings().at(7), u"分配地"_qs);

        const ListReport r = bill.report(u"2026-12-07"_qs, u"W001"_qs);
        QCOMPARE(r.headerLines, QStringList{u"交接批次：JJ1"_qs});
        QStringList labels;
        for (const ReportField &f : r.footer)
            labels.append(f.label.trimmed() + f.value);
        QCOMPARE(labels,
                 (QStringList{u"总种数：3"_qs, u"总册数：6"_qs, u"总价格：153.00"_qs, u"制表日期：2026-12-07"_qs,
                              u"制表人：W001"_qs, u"交接日期：2026-12-07"_qs, u"送交人："_qs, u"接收人："_qs}));
        QCOMPARE(r.columns.at(4).align, TextAlign::Right);
    }
};

KESTRA_TEST(PrintingTest)
#include "PrintingTest.moc"
