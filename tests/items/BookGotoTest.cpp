// The transfer form's controller on SQLite and PostgreSQL: the checks and
// questions of a scan, the question that guards a gathered list, the import
// with its problem file, the pick list and the range, the list transfer
// (what moved leaves the list, a copy moved meanwhile ends the run) and the
// printed list.

#include "items/BookGoto.h"
#include "items/TransferLib.h"
#include "support/RecordingPrinter.h"
#include "support/TestRunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

QString gotoMsg(CopyTestLib &lib, const QString &code)
{
    return lib.f.context().messages().messageText(code);
}

QStringList listedProps(const BookGoto &g)
{
    QStringList props;
    for (const GatheredCopy &c : g.rows())
        props.append(c.row.propNo);
    return props;
}

} // namespace

#define GOTO_LIB(lib)                                                                                                  \
    TRANSFER_LIB(lib);                                                                                                 \
    lib.f.context().session().rights = {u"3019"_qs, u"3017"_qs};                                                       \
    BookGoto g(lib.f.context(), BarcodeSettings{});                                                                    \
    g.setDestination(u"L2"_qs)

class BookGotoTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scanChecksAndQuestions_data() { addBackendRows(); }
    void scanChecksAndQuestions()
    {
        GOTO_LIB(lib);
        QCOMPARE(g.plan().source, u"L1"_qs); // the operator's location
        QVERIFY(lib.copy(u"P7"_qs, u"M2"_qs, u"B0007"_qs, u"L1"_qs, u"35"_qs, u"K825/9"_qs));
        QVERIFY(lib.dealRow(u"L1"_qs, u"T1"_qs, u"03"_qs, u"P7"_qs, u"42"_qs));

        QCOMPARE(g.enter(u"b0003"_qs), BookGoto::Outcome::Refused);
        QCOMPARE(prompter.lastText(), gotoMsg(lib, u"EDC002"_qs) + u"外文书库"_qs);
        // On loan: asked; no leaves it out, yes lists it.
        prompter.answer(AnswerCancel);
        QCOMPARE(g.enter(u"B0001"_qs), BookGoto::Outcome::Cancelled);
        QVERIFY(g.rows().isEmpty());
        prompter.answer(AnswerOk);
        QCOMPARE(g.enter(u"B0001"_qs), BookGoto::Outcome::Listed);
        QCOMPARE(prompter.lastText(), u"该书处于借出状态，是否仍然调拨？"_qs);
        QCOMPARE(g.enter(u"B0001"_qs), BookGoto::Outcome::Refused);
        QCOMPARE(prompter.lastText(), gotoMsg(lib, u"EDC019"_qs));
        // A weeded copy leaves its weeding row and gets back the status it
        // had before it was weeded.
        prompter.answer(AnswerOk);
        QCOMPARE(g.enter(u"B0007"_qs), BookGoto::Outcome::Listed);
        QCOMPARE(lib.count(u"deal_log"_qs), 0);
        QCOMPARE(lib.status(u"P7"_qs), u"42"_qs);
        QCOMPARE(g.rows().last().row.status, u"42"_qs);
        // An arrived reservation is let go before the copy is listed.
        prompter.answer(AnswerOk);
        QCOMPARE(g.enter(u"B0002"_qs), BookGoto::Outcome::Listed);
        QCOMPARE(lib.lendFlag(u"P2"_qs), u"0"_qs);
        QCOMPARE(lib.count(u"preg_arri_lst"_qs), 0);
        QCOMPARE(listedProps(g), (QStringList{u"P1"_qs, u"P7"_qs, u"P2"_qs}));
        QCOMPARE(g.model().text(0, 10), u"借出"_qs);
        QVERIFY(prompter.done());

        // The list is guarded: a kind without its right is refused, a
        // change of kind or source asks, and only a yes empties the list.
        QVERIFY(!g.setKind(transfer::Kind::ByLocation));
        QCOMPARE(prompter.lastText(), gotoMsg(lib, u"ECM504"_qs) + u"3012"_qs);
        prompter.answer(AnswerCancel);
        QVERIFY(!g.setKind(transfer::Kind::ByClass));
        QCOMPARE(g.kind(), transfer::Kind::ByCopy);
        QCOMPARE(g.rows().size(), 3);
        QVERIFY(!g.setDestination(u"L1"_qs));
        QCOMPARE(prompter.lastText(), gotoMsg(lib, u"EDC017"_qs));
        prompter.answer(AnswerOk);
        QVERIFY(g.setSource(u"All"_qs));
        QCOMPARE(prompter.lastText(), u"是否放弃对所选书刊的调拨？"_qs);
        QVERIFY(g.rows().isEmpty());
        QVERIFY(g.mayClose()); // nothing listed: no question
        QVERIFY(prompter.done());
    }

    void importWritesTheProblemFile_data() { addBackendRows(); }
    void importWritesTheProblemFile()
    {
        GOTO_LIB(lib);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"codes.txt"_qs);
        {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write("\xEF\xBB\xBF"
                      "b0004\r\n\r\nB0003\r\nB0001\r\nB'01\r\n\r\nB0005\r\nB0004\r\n");
        }
        prompter.answerFile(path);
        const ImportReport r = g.importCodes();
        QCOMPARE(r.codes, 6);
        QCOMPARE(r.done, 2);
        QCOMPARE(listedProps(g), (QStringList{u"P4"_qs, u"P5"_qs}));
        // No question during an import: the copy on loan goes to the file.
        QFile problems(dir.filePath(u"codes_err.txt"_qs));
        QVERIFY(problems.open(QIODevice::ReadOnly));
        QCOMPARE(lib.f.context().codePage().decode(problems.readAll()),
                 u"该书非本馆藏书：B0003|该书处于借出状态：B0001|"_qs + u"该条码号不存在：B'01|"_qs +
                     gotoMsg(lib, u"EDC019"_qs) + u"：B0004\r\n"_qs);
        QCOMPARE(prompter.lastText(),
                 u"某些书刊存在问题，详细情况请查看文件"_qs + dir.filePath(u"codes_err"_qs) + u".txt。"_qs);
        QCOMPARE(lib.lendFlag(u"P1"_qs), u"1"_qs);
        QVERIFY(prompter.done());
    }

    void pickListAndRange_data() { addBackendRows(); }
    void pickListAndRange()
    {
        GOTO_LIB(lib);
        QCOMPARE(g.pickByClass(u"I247"_qs), 2);
        QCOMPARE(g.picks().markedRows(), (QList<int>{0, 1}));
        g.picks().setMarked(0, false);
        QCOMPARE(g.takePicks(true), 1);
        QCOMPARE(listedProps(g), (QStringList{u"P2"_qs}));
        QCOMPARE(g.picks().count(), 0);
        // Cancel takes none; a copy listed already is not listed twice.
        QCOMPARE(g.pickByClass(u"I"_qs), 2);
        QCOMPARE(g.takePicks(false), 0);
        QCOMPARE(g.pickByClass(u"I"_qs), 2);
        QCOMPARE(g.takePicks(true), 1);
        QCOMPARE(listedProps(g), (QStringList{u"P2"_qs, u"P1"_qs}));
        QVERIFY(prompter.shown().isEmpty());

        QCOMPARE(g.gatherRange(u"B1"_qs, u"B0005"_qs), 0);
        QCOMPARE(prompter.lastText(), u"起止号码长度不一致。"_qs);
        // B0003 is at L2, outside the range's source; P1 is listed (EDC019).
        QCOMPARE(g.gatherRange(u"B0001"_qs, u"B0005"_qs), 2);
        QCOMPARE(listedProps(g), (QStringList{u"P2"_qs, u"P1"_qs, u"P4"_qs, u"P5"_qs}));
        QVERIFY(prompter.done());
    }

    void listTransferAndPrintedList_data() { addBackendRows(); }
    void listTransferAndPrintedList()
    {
        GOTO_LIB(lib);
        QCOMPARE(g.enter(u"B0004"_qs), BookGoto::Outcome::Listed);
        QCOMPARE(g.enter(u"B0005"_qs), BookGoto::Outcome::Listed);
        prompter.answer(AnswerOk);
        QCOMPARE(g.enter(u"B0001"_qs), BookGoto::Outcome::Listed);

        const std::optional<ListReport> list = g.report();
        QVERIFY(list.has_value());
        QCOMPARE(list->title, u"书刊调拨清单"_qs);
        QCOMPARE(list->headerLines, (QStringList{u"原馆藏地：中文图书库"_qs, u"新馆藏地：外文书库"_qs}));
        QCOMPARE(list->columns.size(), 8);
        QCOMPARE(list->columns.last().heading, u"书刊状态"_qs);
        QCOMPARE(list->rows.at(0).at(0), u"P4"_qs);
        QCOMPARE(list->rows.at(0).at(7), u"非可借"_qs);
        QCOMPARE(list->footer.first().label, u"总册数："_qs);
        QCOMPARE(list->footer.first().value, u"3"_qs);
        RecordingPrinter printer;
        lib.f.context().setPrinter(printer);
        QCOMPARE(g.print(PrintTarget::Preview), 1);
        QCOMPARE(printer.jobs.size(), 1);
        QVERIFY(pageTexts(printer.jobs.first().document.pages.first()).contains(u"书刊调拨清单"_qs));

        // Drop the middle row; the database does not change.
        g.model().setMarked(1, true);
        prompter.answer(AnswerOk);
        QCOMPARE(g.dropMarked(), 1);
        QCOMPARE(listedProps(g), (QStringList{u"P4"_qs, u"P1"_qs}));
        QCOMPARE(g.enter(u"B0005"_qs), BookGoto::Outcome::Listed); // listable again

        // P5 moves meanwhile: the run moves P4 and P1, stops at P5, which
        // stays listed; the copies moved before it stay moved.
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET dis_location='L3' WHERE prop_no='P5'"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(g.run(), 2);
        QCOMPARE(prompter.texts().at(prompter.texts().size() - 3), gotoMsg(lib, u"QDC0183"_qs));
        QVERIFY(prompter.texts().at(prompter.texts().size() - 2).startsWith(gotoMsg(lib, u"EDC002"_qs).left(6)));
        QCOMPARE(prompter.lastText(), gotoMsg(lib, u"IDC0012"_qs));
        QCOMPARE(listedProps(g), (QStringList{u"P5"_qs}));
        QVERIFY(places(lib).contains(u"P1:L2:41:L2:41 P2:L1"_qs));
        QVERIFY(places(lib).contains(u"P4:L2:42:L2:42 P5:L3:41:-:-"_qs));
        QCOMPARE(lib.snapshot(u"SELECT location_f FROM lend_lst"_qs), u"L2"_qs);

        // Nothing listed: no run, no list.
        lib.f.exec(u"UPDATE indi_acct SET dis_location='L1' WHERE prop_no='P5'"_qs);
        prompter.answer(AnswerOk);
        QCOMPARE(g.run(), 1);
        QVERIFY(g.rows().isEmpty());
        QCOMPARE(g.run(), 0);
        QCOMPARE(prompter.lastText(), u"没有选择调拨书刊!"_qs);
        QVERIFY(!g.report().has_value());
        QVERIFY(prompter.done());
    }

    void takeBackAndTransferBatches_data() { addBackendRows(); }
    void takeBackAndTransferBatches()
    {
        GOTO_LIB(lib);
        AppContext &c = lib.f.context();
        // A lost copy found again: declining the status choice lists nothing.
        QVERIFY(lib.copy(u"P8"_qs, u"M2"_qs, u"B0008"_qs, u"L1"_qs, u"38"_qs, u"K825/9"_qs));
        g.setNormStatChooser([](ItemTransaction &, const QString &) { return std::optional<QString>(); });
        prompter.answer(AnswerOk);
        QCOMPARE(g.enter(u"B0008"_qs), BookGoto::Outcome::Cancelled);
        QCOMPARE(prompter.lastText(), gotoMsg(lib, u"QDC015"_qs));
        QCOMPARE(lib.status(u"P8"_qs), u"38"_qs);
        // A copy under repair leaves its repair row with its old status.
        QVERIFY(lib.copy(u"P9"_qs, u"M2"_qs, u"B0009"_qs, u"L1"_qs, u"33"_qs, u"K825/9"_qs));
        QVERIFY(lib.dealRow(u"L1"_qs, u"X1"_qs, u"01"_qs, u"P9"_qs, u"43"_qs));
        prompter.answer(AnswerCancel);
        QCOMPARE(g.enter(u"B0009"_qs), BookGoto::Outcome::Cancelled);
        QCOMPARE(lib.count(u"deal_log"_qs), 1);
        prompter.answer(AnswerOk);
        QCOMPARE(g.enter(u"B0009"_qs), BookGoto::Outcome::Listed);
        QCOMPARE(prompter.lastText(), gotoMsg(lib, u"QDC007"_qs));
        QCOMPARE(lib.count(u"deal_log"_qs), 0);
        QCOMPARE(lib.status(u"P9"_qs), u"43"_qs);
        QVERIFY(prompter.done());

        // A batch of another kind asks before the list goes; its plan
        // becomes the form's, and its copies are recorded in it.
        c.session().rights = {u"3019"_qs, u"3012"_qs};
        GotoBatches batches(c);
        QList<GotoBatch> all;
        QCOMPARE(batches.list(QString(), all), 1);
        prompter.answer(AnswerCancel);
        QVERIFY(!g.chooseBatch(all.first()));
        QCOMPARE(g.kind(), transfer::Kind::ByCopy);
        QCOMPARE(g.rows().size(), 1);
        GotoBatch byCopy{u"G9"_qs, transfer::Kind::ByCopy, u"L1"_qs, u"L2"_qs, QString(), QString(), {}, {}};
        QCOMPARE(batches.create(byCopy), 1);
        QVERIFY(g.chooseBatch(byCopy)); // same kind and source: the list stays
        QCOMPARE(g.plan().batchNo, u"G9"_qs);
        prompter.answer(AnswerOk);
        QCOMPARE(g.run(), 1);
        QCOMPARE(lib.snapshot(u"SELECT batch_no||prop_no||src_book_stat||src_loca FROM goto_detl"_qs), u"G9P943L1"_qs);

        QVERIFY(g.chooseBatch(all.first())); // nothing listed: no question
        QCOMPARE(g.kind(), transfer::Kind::ByLocation);
        QCOMPARE(g.plan().destination, u"L2"_qs);
        prompter.answer(AnswerOk);
        QCOMPARE(g.run(), 5); // P1, P2, P4, P5, P8 (P9 has left)
        QCOMPARE(lib.count(u"goto_detl WHERE batch_no='G1'"_qs), 5);
        QCOMPARE(lib.count(u"indi_acct WHERE dis_location='L1'"_qs), 0);
        QVERIFY(prompter.done());
    }

    // What a transfer refuses: a copy lost and paid for (with or without
    // an open claim) and, from "All", a copy already at the destination,
    // whether scanned, offered in the pick list or met by the run.
    void refusals_data() { addBackendRows(); }
    void refusals()
    {
        GOTO_LIB(lib);
        QVERIFY(lib.copy(u"P7"_qs, u"M2"_qs, u"B0007"_qs, u"L1"_qs, u"39"_qs, u"K825/9"_qs));
        QCOMPARE(g.enter(u"B0007"_qs), BookGoto::Outcome::Refused);
        QCOMPARE(prompter.lastText(), gotoMsg(lib, u"EDC005"_qs));
        QCOMPARE(g.pickByClass(u"K825/9"_qs), 2); // P4 and P5, not P7
        QCOMPARE(g.takePicks(false), 0);

        QVERIFY(g.setSource(u"All"_qs));
        QCOMPARE(g.enter(u"B0003"_qs), BookGoto::Outcome::Refused); // at L2 already
        QCOMPARE(prompter.lastText(), gotoMsg(lib, u"EDC017"_qs));
        QCOMPARE(g.pickByClass(u"I"_qs), 2); // P1 and P2; P3 stands at L2
        QCOMPARE(g.picks().count(), 2);
        QCOMPARE(g.takePicks(false), 0);
        QCOMPARE(g.pickByClass(u"K825/10"_qs), 0); // P6 stands at L2
        QVERIFY(prompter.lastText().contains(u"不能调拨"_qs));

        // Listed, then moved to the destination or paid for meanwhile: the
        // run stops at it, moving and logging nothing.
        QCOMPARE(g.enter(u"B0004"_qs), BookGoto::Outcome::Listed);
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET dis_location='L2' WHERE prop_no='P4'"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(g.run(), 0);
        QCOMPARE(prompter.texts().at(prompter.texts().size() - 1), gotoMsg(lib, u"EDC017"_qs));
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET dis_location='L1', book_stat_code='39' WHERE prop_no='P4'"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(g.run(), 0);
        QCOMPARE(prompter.lastText(), gotoMsg(lib, u"EDC005"_qs));
        QCOMPARE(g.rows().size(), 1);
        QCOMPARE(lib.count(u"log_detl"_qs), 0);
        QCOMPARE(lib.count(u"wkr_job_qty"_qs), 0);
        QVERIFY(prompter.done());
    }

    // A weeded or repaired copy taken back by a scan changes its status as
    // a status change does: with its log line.
    void takeBackIsLogged_data() { addBackendRows(); }
    void takeBackIsLogged()
    {
        GOTO_LIB(lib);
        QVERIFY(lib.copy(u"P7"_qs, u"M2"_qs, u"B0007"_qs, u"L1"_qs, u"36"_qs, u"K825/9"_qs));
        QVERIFY(lib.dealRow(u"L1"_qs, u"T1"_qs, u"04"_qs, u"P7"_qs, u"43"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(g.enter(u"B0007"_qs), BookGoto::Outcome::Listed);
        QCOMPARE(lib.status(u"P7"_qs), u"43"_qs);
        QCOMPARE(lib.snapshot(u"SELECT log_type,marc_rec_no,prop_no,data1,data2 FROM log_detl"_qs),
                 u"30019|M2|P7|赠送出|阅览"_qs);
        // Declined: nothing changes, nothing is logged.
        QVERIFY(lib.copy(u"P8"_qs, u"M2"_qs, u"B0008"_qs, u"L1"_qs, u"35"_qs, u"K825/9"_qs));
        QVERIFY(lib.dealRow(u"L1"_qs, u"T2"_qs, u"03"_qs, u"P8"_qs, u"42"_qs));
        prompter.answer(AnswerCancel);
        QCOMPARE(g.enter(u"B0008"_qs), BookGoto::Outcome::Cancelled);
        QCOMPARE(lib.count(u"log_detl"_qs), 1);
        QCOMPARE(lib.status(u"P8"_qs), u"35"_qs);
        QVERIFY(prompter.done());
    }

    // The transfer batch the form records into, deleted meanwhile, is let
    // go: the run says so and moves nothing; the next run moves the copy
    // without a batch.
    void aDeletedTransferBatchIsLetGo_data() { addBackendRows(); }
    void aDeletedTransferBatchIsLetGo()
    {
        GOTO_LIB(lib);
        AppContext &c = lib.f.context();
        c.session().rights.append(u"3013"_qs);
        GotoBatches batches(c);
        GotoBatch g9{u"G9"_qs, transfer::Kind::ByCopy, u"L1"_qs, u"L2"_qs, QString(), QString(), {}, {}};
        QCOMPARE(batches.create(g9), 1);
        QVERIFY(g.chooseBatch(g9));
        QCOMPARE(g.enter(u"B0004"_qs), BookGoto::Outcome::Listed);
        prompter.answer(AnswerOk);
        QCOMPARE(batches.remove(u"G9"_qs), 1);
        QCOMPARE(g.run(), 0);
        QCOMPARE(prompter.lastText(), u"调拨批次G9已被删除，请重新选择调拨批次。"_qs);
        QVERIFY(!g.batch().has_value());
        QVERIFY(g.plan().batchNo.isEmpty());
        QCOMPARE(lib.status(u"P4"_qs), u"42"_qs);
        prompter.answer(AnswerOk);
        QCOMPARE(g.run(), 1);
        QCOMPARE(lib.count(u"goto_detl"_qs), 0);

        // Deleted from the batch window: let go when it closes.
        QCOMPARE(batches.create(g9), 1);
        QVERIFY(g.chooseBatch(g9));
        QCOMPARE(g.checkBatch(), 1);
        prompter.answer(AnswerOk);
        QCOMPARE(batches.remove(u"G9"_qs), 1);
        QCOMPARE(g.checkBatch(), 0);
        QVERIFY(!g.batch().has_value());
        QVERIFY(prompter.done());
    }
};

KESTRA_TEST(BookGotoTest)
#include "BookGotoTest.moc"
