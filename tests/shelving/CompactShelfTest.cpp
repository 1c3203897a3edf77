// The compact stacks on SQLite and PostgreSQL: putting copies on a shelf
// (the shelf asked for first, the status change's checks, the moves on the
// way, a copy put on a second shelf), the undo from the log row with a second
// operator in between, the import of shelf/copy lines with its problem file,
// the barcode change and its duplicate, the rename refused whole, and the
// statistics with their three match types and printed lists.

#include "shelving/CompactShelf.h"
#include "items/CopyTestLib.h"
#include "shelving/ShelfRename.h"
#include "shelving/ShelfStat.h"
#include "support/RecordingPrinter.h"
#include "support/TestRunner.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

// P1, P2 circulate at L1; P3 is still handed over (17); P4 stands at L2;
// P9 at L9, outside the operator's locations.
bool seed(CopyTestLib &lib)
{
    return lib.record(u"M1"_qs, u"红楼梦"_qs) && lib.record(u"M2"_qs, u"水浒传"_qs) &&
           lib.copy(u"P1"_qs, u"M1"_qs, u"B0001"_qs, u"L1"_qs, u"41"_qs) && lib.item(u"P1"_qs) &&
           lib.copy(u"P2"_qs, u"M1"_qs, u"B0002"_qs, u"L1"_qs, u"41"_qs) && lib.item(u"P2"_qs) &&
           lib.copy(u"P3"_qs, u"M2"_qs, u"B0003"_qs, u"L1"_qs, u"17"_qs) &&
           lib.copy(u"P4"_qs, u"M2"_qs, u"B0004"_qs, u"L2"_qs, u"41"_qs) &&
           lib.copy(u"P9"_qs, u"M2"_qs, u"B0009"_qs, u"L9"_qs, u"41"_qs);
}

QString shelfOf(CopyTestLib &lib, const char *prop)
{
    return lib.f.one(QStringLiteral("SELECT shelf_no FROM indi_acct WHERE prop_no='%1'").arg(QLatin1String(prop)));
}

#define SHELF_LIB(lib)                                                                                                 \
    OPEN_LIB(lib);                                                                                                     \
    QVERIFY(seed(lib));                                                                                                \
    ScriptedPrompter &prompter = lib.f.prompter();                                                                     \
    Q_UNUSED(prompter)

} // namespace

class CompactShelfTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shelveMoveAndUndo_data() { addBackendRows(); }
    void shelveMoveAndUndo()
    {
        SHELF_LIB(lib);
        CompactShelf shelf(lib.f.context(), BarcodeSettings{});
        // No shelf named: nothing is looked up or written.
        const QString before = lib.state(u"P1"_qs);
        QCOMPARE(shelf.enter(u"B0001"_qs).outcome(), StepOutcome::Refused);
        QCOMPARE(prompter.lastText(), u"请先输入排架号。"_qs);
        QCOMPARE(lib.state(u"P1"_qs), before);

        // A shelf number with a quote and Chinese characters is stored as typed.
        shelf.shelf = u"甲'1"_qs;
        QCOMPARE(shelf.enter(u"B0001"_qs).outcome(), StepOutcome::Done);
        QCOMPARE(shelfOf(lib, "P1"), u"甲'1"_qs);
        QCOMPARE(shelf.shelfCount(), 1);
        const QString stamp = lib.f.one(u"SELECT rec_flag_upt_date FROM indi_acct WHERE prop_no='P1'"_qs);
        QVERIFY2(stamp.startsWith(lib.today()) && stamp.size() > 10, qPrintable(stamp)); // date and time
        QCOMPARE(lib.f.one(u"SELECT resp_wkr||'/'||rec_flag_upt_date FROM item WHERE prop_no='P1'"_qs),
                 u"W001/"_qs + stamp);
        QCOMPARE(lib.snapshot(u"SELECT deal_type_code,source_state,book_target FROM deal_log"_qs), u"06|41|甲'1"_qs);
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30017' AND prop_no='P1'"_qs), 1);

        // Handed over (17) and unknown copies are refused as by the status change.
        QCOMPARE(shelf.enter(u"B0003"_qs).outcome(), StepOutcome::Refused);
        QVERIFY(shelfOf(lib, "P3").isEmpty());
        QCOMPARE(shelf.enter(u"NOPE"_qs).outcome(), StepOutcome::Refused);

        // Moved to another location and status on the way. Its old shelf
        // number holds the very marks the log row's remark is made of.
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET shelf_no='X；原馆藏地：Y' WHERE prop_no='P2'"_qs));
        shelf.moveLocation = true;
        shelf.location = u"L2"_qs;
        shelf.setStatus = true;
        shelf.status = u"42"_qs;
        QCOMPARE(shelf.enter(u"B0002"_qs).outcome(), StepOutcome::Done);
        QCOMPARE(lib.snapshot(u"SELECT dis_location,book_stat_code FROM indi_acct WHERE prop_no='P2'"_qs), u"L2|42"_qs);
        QCOMPARE(lib.snapshot(u"SELECT location,book_stat_code FROM item WHERE prop_no='P2'"_qs), u"L2|42"_qs);
        QCOMPARE(shelf.shelfCount(), 2);

        // P1 onto a second shelf: overwritten, one row that still knows the
        // copy before the form touched it.
        shelf.moveLocation = shelf.setStatus = false;
        shelf.shelf = u"B2"_qs;
        QCOMPARE(shelf.enter(u"B0001"_qs).outcome(), StepOutcome::Done);
        QCOMPARE(shelfOf(lib, "P1"), u"B2"_qs);
        QCOMPARE(lib.count(u"deal_log WHERE prop_no='P1'"_qs), 1);
        QCOMPARE(shelf.rows().size(), 2);

        // The list printed under "处理清单" with its number of copies.
        RecordingPrinter printer;
        lib.f.context().setPrinter(printer);
        QCOMPARE(shelf.printList(), 1);
        QStringList printed;
        for (const Page &page : printer.jobs.at(0).document.pages)
            for (const PageText &t : page.texts)
                printed.append(t.text);
        QVERIFY2(printed.contains(u"处理清单"_qs) && printed.contains(u"B2"_qs) && printed.contains(u"总册数：2"_qs),
                 qPrintable(printed.join(u' ')));

        // Undo both: P2 goes back to L1, 41 and its old shelf; P1 to none.
        shelf.model().markAll();
        prompter.answer(AnswerOk);
        QCOMPARE(shelf.undoMarked().done, 2);
        QCOMPARE(lib.snapshot(u"SELECT dis_location,book_stat_code,shelf_no FROM indi_acct WHERE prop_no IN "
                              "('P1','P2') ORDER BY prop_no"_qs),
                 u"L1|41|\nL1|41|X；原馆藏地：Y"_qs);
        QCOMPARE(lib.snapshot(u"SELECT location,book_stat_code FROM item WHERE prop_no='P2'"_qs), u"L1|41"_qs);
        QCOMPARE(lib.count(u"deal_log"_qs), 0);
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30018'"_qs), 2);
        QVERIFY(shelf.rows().isEmpty());
        QVERIFY(prompter.done());
    }

    // A status set on the way takes an arrived reservation back only after
    // the question; "no" leaves copy, circulation row and reservation.
    void statusOnTheWayAsksForAReservation_data() { addBackendRows(); }
    void statusOnTheWayAsksForAReservation()
    {
        SHELF_LIB(lib);
        QVERIFY(lib.reader(u"R1"_qs, u"1"_qs) &&
                lib.f.exec(u"UPDATE item SET book_lend_flag='2' WHERE prop_no='P2'"_qs) &&
                lib.f.exec(u"INSERT INTO preg_arri_lst (prop_no,cert_id,location_f) VALUES ('P2','R1','L1')"_qs));
        CompactShelf shelf(lib.f.context(), BarcodeSettings{});
        shelf.shelf = u"A1"_qs;
        shelf.setStatus = true;
        shelf.status = u"42"_qs;
        const QString before = lib.state(u"P2"_qs);
        prompter.answer(AnswerCancel);
        QCOMPARE(shelf.enter(u"B0002"_qs).outcome(), StepOutcome::Declined);
        QCOMPARE(lib.state(u"P2"_qs), before);
        prompter.answer(AnswerOk);
        QCOMPARE(shelf.enter(u"B0002"_qs).outcome(), StepOutcome::Done);
        QCOMPARE(lib.count(u"preg_arri_lst"_qs), 0);
        QCOMPARE(lib.lendFlag(u"P2"_qs), u"0"_qs);
        QCOMPARE(lib.itemStatus(u"P2"_qs), u"42"_qs);
        // Without a status change nothing is asked: the copy keeps it.
        QVERIFY(lib.f.exec(u"UPDATE item SET book_lend_flag='2' WHERE prop_no='P1'"_qs) &&
                lib.f.exec(u"INSERT INTO preg_arri_lst (prop_no,cert_id,location_f) VALUES ('P1','R1','L1')"_qs));
        shelf.setStatus = false;
        QCOMPARE(shelf.enter(u"B0001"_qs).outcome(), StepOutcome::Done);
        QCOMPARE(lib.lendFlag(u"P1"_qs), u"2"_qs);
        QVERIFY(prompter.done());
    }

    void undoMeetsSecondOperator_data() { addBackendRows(); }
    void undoMeetsSecondOperator()
    {
        SHELF_LIB(lib);
        CompactShelf mine(lib.f.context(), BarcodeSettings{});
        mine.shelf = u"A1"_qs;
        QCOMPARE(mine.enter(u"B0001"_qs).outcome(), StepOutcome::Done);
        // Another operator puts the copy on their shelf meanwhile: the undo
        // refuses it rather than take it off that shelf.
        std::unique_ptr<TestContext> other = lib.secondOperator(u"W002"_qs);
        QVERIFY(other);
        CompactShelf theirs(other->context(), BarcodeSettings{});
        theirs.shelf = u"C9"_qs;
        QCOMPARE(theirs.enter(u"B0001"_qs).outcome(), StepOutcome::Done);
        mine.model().markAll();
        prompter.answer(AnswerOk);
        const ScanReport undone = mine.undoMarked();
        QCOMPARE(undone.done, 0);
        QCOMPARE(prompter.lastText(), lib.f.context().messages().messageText(u"EDC009"_qs));
        QCOMPARE(shelfOf(lib, "P1"), u"C9"_qs);
        QCOMPARE(lib.count(u"deal_log WHERE prop_no='P1'"_qs), 2);
    }

    void importLines_data() { addBackendRows(); }
    void importLines()
    {
        SHELF_LIB(lib);
        CompactShelf shelf(lib.f.context(), BarcodeSettings{});
        const QString path = lib.f.context().folders().folder(InstallFolders::Dat) + u"shelves.txt"_qs;
        QVERIFY(QDir().mkpath(lib.f.context().folders().folder(InstallFolders::Dat)));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("S1\tB0001\r\nS2,B0002\r\nB0004\r\n,B0009\r\nS3;NOPE\r\n");
        file.close();
        const ScanReport report = shelf.importFile(path);
        QCOMPARE(report.codes, 5);
        QCOMPARE(report.done, 2);
        QCOMPARE(report.refused, 3);
        QCOMPARE(shelfOf(lib, "P1") + u'/' + shelfOf(lib, "P2") + u'/' + shelfOf(lib, "P4"), u"S1/S2/"_qs);
        // The problem file: COMPACT_ with the server's date and time, no ':'.
        const QFileInfo problems(shelf.problemPath());
        QVERIFY2(problems.exists(), qPrintable(shelf.problemPath()));
        QVERIFY(problems.fileName().startsWith(u"COMPACT_"_qs + lib.today()));
        QVERIFY(!problems.fileName().contains(u':'));
        QFile written(shelf.problemPath());
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QString text = lib.f.context().codePage().decodeFile(written.readAll());
        QVERIFY2(text.contains(u"请先输入排架号。"_qs) && text.contains(u"NOPE"_qs), qPrintable(text));
        QVERIFY(prompter.lastText().startsWith(u"某些书刊存在问题，详细情况请查看文件"_qs));
    }

    void barcodeChange_data() { addBackendRows(); }
    void barcodeChange()
    {
        SHELF_LIB(lib);
        CompactBarCode change(lib.f.context(), BarcodeSettings{});
        QCOMPARE(change.enter(u"B0001"_qs).outcome(), StepOutcome::Refused);
        QCOMPARE(prompter.lastText(), u"新条码号不能为空。"_qs);
        // Another copy's barcode: the unique index refuses, neither changes.
        const QString p1 = lib.state(u"P1"_qs);
        const QString p2 = lib.state(u"P2"_qs);
        change.newBarCode = u"B0002"_qs;
        QCOMPARE(change.enter(u"B0001"_qs).outcome(), StepOutcome::Failed);
        QVERIFY2(prompter.lastText().contains(u"条码号重复"_qs), qPrintable(prompter.lastText()));
        QCOMPARE(lib.state(u"P1"_qs), p1);
        QCOMPARE(lib.state(u"P2"_qs), p2);

        change.newBarCode = u"N0001"_qs;
        QCOMPARE(change.enter(u"B0001"_qs).outcome(), StepOutcome::Done);
        QCOMPARE(lib.f.one(u"SELECT bar_code FROM indi_acct WHERE prop_no='P1'"_qs), u"N0001"_qs);
        QCOMPARE(lib.f.one(u"SELECT bar_code FROM item WHERE prop_no='P1'"_qs), u"N0001"_qs);
        change.model().markAll();
        prompter.answer(AnswerOk);
        QCOMPARE(change.undoMarked().done, 1);
        QCOMPARE(lib.f.one(u"SELECT bar_code FROM item WHERE prop_no='P1'"_qs), u"B0001"_qs);
        QCOMPARE(lib.f.one(u"SELECT bar_code FROM indi_acct WHERE prop_no='P1'"_qs), u"B0001"_qs);
        QVERIFY(prompter.done());
    }

    void renameAllOrNone_data() { addBackendRows(); }
    void renameAllOrNone()
    {
        SHELF_LIB(lib);
        QVERIFY(lib.f.setParam(u"47"_qs, u"1"_qs) && lib.reload());
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET shelf_no='R1' WHERE prop_no IN ('P1','P2','P9')"_qs));
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET shelf_no='R2' WHERE prop_no='P4'"_qs));
        ShelfRename rename(lib.f.context());
        QCOMPARE(rename.search(), 0);
        QCOMPARE(prompter.lastText(), u"原排架号不能为空。"_qs);
        rename.oldShelf = u"R9"_qs;
        QCOMPARE(rename.search(), 0);
        QCOMPARE(prompter.lastText(), u"该排架号下没有任何书刊。"_qs);
        rename.oldShelf = u"R1"_qs;
        QCOMPARE(rename.search(), 3);
        rename.model().markAll();
        QCOMPARE(rename.modify(), 0);
        QCOMPARE(prompter.lastText(), u"新排架号不能为空。"_qs);
        // P9 lies at L9, which the operator may not process: no copy moves.
        rename.newShelf = u"R2"_qs;
        QCOMPARE(rename.modify(), 0);
        QCOMPARE(prompter.lastText(), u"选择数据中包含不可处理馆藏地，无法操作。"_qs);
        QCOMPARE(lib.count(u"indi_acct WHERE shelf_no='R1'"_qs), 3);
        int p9 = -1;
        for (int r = 0; r < rename.model().count(); ++r) {
            if (rename.model().at(r).row.propNo == u"P9"_qs)
                p9 = r;
        }
        rename.model().setMarked(p9, false);
        QCOMPARE(rename.modify(), 2);
        QCOMPARE(prompter.lastText(), u"更改排架号完成。"_qs);
        QCOMPARE(rename.newShelfCount(), 3);
        QCOMPARE(lib.snapshot(u"SELECT prop_no,shelf_no FROM indi_acct WHERE shelf_no IS NOT NULL ORDER BY prop_no"_qs),
                 u"P1|R2\nP2|R2\nP4|R2\nP9|R1"_qs);
        QCOMPARE(rename.model().count(), 1);
    }

    void statisticsAndLists_data() { addBackendRows(); }
    void statisticsAndLists()
    {
        SHELF_LIB(lib);
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET shelf_no='A1' WHERE prop_no IN ('P1','P2')"_qs));
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET shelf_no='A10' WHERE prop_no='P3'"_qs));
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET shelf_no='A1-3' WHERE prop_no='P4'"_qs));
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET shelf_no='a1_x' WHERE prop_no='P9'"_qs));
        ShelfStat stat(lib.f.context());
        const auto rows = [&stat]() {
            QStringList out;
            for (const ShelfCount &c : stat.model().rows())
                out.append(c.shelf + u'=' + QString::number(c.copies));
            return out.join(u' ');
        };
        ShelfStatSettings s;
        QCOMPARE(stat.run(s), 0); // cancelled: nothing happens
        s.run = true;
        s.restrict = true;
        QCOMPARE(shelf_stat::refusal(s), u"E选择限制条件排架号必须输入排架号内容。"_qs);
        // Prefix: each shelf its own row in text order; case and _ matter.
        s.match = ShelfStatSettings::Match::Prefix;
        s.text = u"A1"_qs;
        QCOMPARE(stat.run(s), 3);
        QCOMPARE(rows(), u"A1=2 A1-3=1 A10=1"_qs);
        s.match = ShelfStatSettings::Match::Substring;
        s.text = u"1-"_qs;
        stat.run(s);
        QCOMPARE(rows(), u"A1-3=1"_qs);
        s.text = u"_"_qs;
        stat.run(s);
        QCOMPARE(rows(), u"a1_x=1"_qs);
        s.match = ShelfStatSettings::Match::Exact;
        s.text = u"A1"_qs;
        stat.run(s);
        QCOMPARE(rows(), u"A1=2"_qs);
        QCOMPARE(stat.detail(0), 2);
        // The total without a restriction: one row, ALL, every shelved copy.
        s.mode = ShelfStatSettings::Mode::Total;
        s.restrict = false;
        stat.run(s);
        QCOMPARE(rows(), u"ALL=5"_qs);
        QCOMPARE(stat.detail(0), 5);
        s.restrict = true;
        s.match = ShelfStatSettings::Match::Prefix;
        stat.run(s);
        QCOMPARE(rows(), u"A1=4"_qs);
        QCOMPARE(stat.detail(0), 4);

        // The printed lists: the shelves, then one list per shelf.
        s.mode = ShelfStatSettings::Mode::PerShelf;
        stat.run(s);
        RecordingPrinter printer;
        lib.f.context().setPrinter(printer);
        QCOMPARE(stat.printShelf(), 1);
        QCOMPARE(stat.printDetail(), 1);
        QCOMPARE(printer.jobs.size(), 2);
        const auto texts = [](const PageDocument &doc) {
            QStringList out;
            for (const Page &p : doc.pages)
                for (const PageText &t : p.texts)
                    out.append(t.text);
            return out;
        };
        const QStringList shelves = texts(printer.jobs.at(0).document);
        QVERIFY(shelves.contains(u"排架号浏览"_qs) && shelves.contains(u"A1-3"_qs));
        const QStringList detail = texts(printer.jobs.at(1).document);
        QCOMPARE(detail.count(u"排架清单"_qs), 3);
        QVERIFY(detail.contains(u"排架号：A1-3"_qs));
        QVERIFY(detail.contains(u"总册数：2"_qs) && detail.contains(u"总册数：1"_qs));
    }
};

KESTRA_TEST(CompactShelfTest)
#include "CompactShelfTest.moc"
