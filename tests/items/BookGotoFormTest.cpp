// The transfer windows offscreen, driven by the controls' names: the
// transfer form opened from its command in the real main window (three
// copies scanned, one dropped, the rest transferred), and the handover
// batch dialogs (a batch made, found and chosen; the pick list's marks), the
// handover batches window (a batch chosen, its circulation type set, the refused
// cancel of a batch with a circulated copy, the batch handed back).

#include "items/BookGotoForm.h"
#include "core/Preferences.h"
#include "items/BookGotoPickDialog.h"
#include "items/FormWindow.h"
#include "items/GotoBatchDialog.h"
#include "items/TransferDocForm.h"
#include "items/TransferLib.h"
#include "shell/MainWindow.h"
#include "support/FormDriver.h"
#include "support/TestRunner.h"
#include "ui/FormRegistry.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

class BookGotoFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void gatherDropAndTransfer_data() { addBackendRows(); }
    void gatherDropAndTransfer()
    {
        TRANSFER_LIB(lib);
        lib.f.context().session().rights = {u"3009"_qs, u"3019"_qs};
        FormWindow window(lib.f.context());
        QVERIFY(QTest::qWaitForWindowActive(window.main.get()));
        auto *form = qobject_cast<BookGotoForm *>(window.open("mnuHoldGoto"));
        QCOMPARE(window.openWindows(), 1);
        QVERIFY(form != nullptr);

        auto *source = child<QComboBox>(form, "cmbLoca_Src");
        auto *destination = child<QComboBox>(form, "cmbLoca_Dst");
        auto *input = child<QLineEdit>(form, "txtInputCode");
        auto *list = child<QTableView>(form, "spdBookLst");
        QVERIFY(source && destination && input && list);
        QCOMPARE(source->currentText(), u"中文图书库"_qs);
        QVERIFY(!child<QPushButton>(form, "cmdKind")->isEnabled());
        destination->setCurrentIndex(destination->findText(u"外文书库"_qs));

        scanCode(input, u"B0004"_qs);
        scanCode(input, u"B0005"_qs);
        prompter.answer(AnswerOk); // on loan: transfer it anyway
        scanCode(input, u"B0001"_qs);
        QCOMPARE(list->model()->rowCount(), 3);
        QCOMPARE(child<QLabel>(form, "lblCount")->text(), u"共3册"_qs);

        // Where the listed title's other copies are.
        auto *all = child<QTableView>(form, "spdItemAll");
        QVERIFY(all && !all->isVisible());
        list->selectRow(0);
        child<QAction>(form, "ShowAllItem")->trigger();
        QVERIFY(all->isVisible());
        QCOMPARE(all->model()->rowCount(), 2); // P4 and P5 of M2
        QCOMPARE(all->model()->index(0, 0).data().toString(), u"P4"_qs);

        QVERIFY(list->model()->setData(list->model()->index(1, 0), Qt::Checked, Qt::CheckStateRole));
        prompter.answer(AnswerOk);
        child<QAction>(form, "UndoGoto")->trigger();
        QCOMPARE(list->model()->rowCount(), 2);
        QCOMPARE(list->model()->index(1, 1).data().toString(), u"P1"_qs);

        // Closing with copies listed asks; no keeps the window and the list.
        prompter.answer(AnswerCancel);
        child<QAction>(form, "Exit")->trigger();
        QCOMPARE(prompter.lastText(), u"是否放弃对所选书刊的调拨？"_qs);
        QCOMPARE(window.openWindows(), 1);
        QCOMPARE(list->model()->rowCount(), 2);

        prompter.answer(AnswerOk);
        child<QAction>(form, "Connect")->trigger();
        QCOMPARE(prompter.lastText(), lib.f.context().messages().messageText(u"IDC0012"_qs));
        QCOMPARE(list->model()->rowCount(), 0);
        QVERIFY(places(lib).contains(u"P4:L2:42:L2:42 P5:L1:41"_qs));
        QVERIFY(places(lib).contains(u"P1:L2:41:L2:41"_qs));

        // Nothing listed: closing asks nothing.
        child<QAction>(form, "Exit")->trigger();
        QTRY_COMPARE(window.openWindows(), 0);
        QVERIFY(prompter.done());
    }

    void handoverBatchActions_data() { addBackendRows(); }
    void handoverBatchActions()
    {
        OPEN_LIB(lib);
        ScriptedPrompter &prompter = lib.f.prompter();
        AppContext &c = lib.f.context();
        c.preferences().showDate = u"All"_qs;
        c.session().rights = {u"3021"_qs};
        QVERIFY(lib.record(u"M1"_qs, u"红楼梦"_qs));
        QVERIFY(lib.copy(u"P1"_qs, u"M1"_qs, u"B0001"_qs, u"L1"_qs, u"41"_qs));
        QVERIFY(lib.item(u"P1"_qs));
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET move_batch='JJ1', chk_batch_no='YS1'"_qs));
        QVERIFY(lib.f.exec(u"UPDATE item SET total_circ_times=2"_qs));
        QVERIFY(lib.transferDoc(u"JJ1"_qs, u"YS1"_qs, u"M1"_qs, 1, u"1"_qs, u"2026-12-01"_qs, u"3"_qs));
        QVERIFY(lib.callNumber(u"I247.5/1"_qs, u"M1"_qs, u"01"_qs));

        TransferDocForm form(c);
        form.show();
        QSignalSpy chosen(&form, &TransferDocForm::batchChosen);
        auto *batches = child<QTableView>(&form, "spdBatch");
        auto *detail = child<QTableView>(&form, "spdDetail");
        QVERIFY(batches && detail);
        QCOMPARE(batches->model()->rowCount(), 1);
        QVERIFY(!child<QPushButton>(&form, "cmdEmail")->isEnabled());
        batches->selectRow(0);
        QCOMPARE(detail->model()->rowCount(), 1);
        QCOMPARE(detail->model()->index(0, 5).data().toString(), u"完"_qs);

        prompter.answer(AnswerOk);
        QTest::mouseClick(child<QPushButton>(&form, "cmdSet"), Qt::LeftButton);
        QCOMPARE(lib.f.one(u"SELECT circ_type_code FROM call_no_lst"_qs), u"99"_qs);
        prompter.answer(AnswerOk);
        QTest::mouseClick(child<QPushButton>(&form, "cmdUndo"), Qt::LeftButton);
        QCOMPARE(prompter.lastText(), u"该批次有书已经流通，不能取消典藏。"_qs);
        QCOMPARE(lib.status(u"P1"_qs), u"41"_qs);
        QCOMPARE(lib.count(u"item"_qs), 1);

        QTest::mouseClick(child<QPushButton>(&form, "cmdOK"), Qt::LeftButton);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.first().first().toString(), u"JJ1"_qs);
        QVERIFY(prompter.done());
    }

    void batchAndPickDialogs_data() { addBackendRows(); }
    void batchAndPickDialogs()
    {
        TRANSFER_LIB(lib);
        AppContext &c = lib.f.context();
        c.session().rights = {u"3017"_qs};
        c.preferences().showDate = u"All"_qs;
        GotoBatch preset;
        preset.kind = transfer::Kind::ByClass;
        preset.source = u"L1"_qs;
        preset.destination = u"L2"_qs;
        GotoBatchRemarkDialog remark(c, preset);
        QCOMPARE(child<QComboBox>(&remark, "cmbType")->currentText(), u"按类"_qs);
        QCOMPARE(child<QComboBox>(&remark, "cmbLoca_Dst")->currentText(), u"外文书库"_qs);
        QTest::mouseClick(child<QPushButton>(&remark, "cmdOK"), Qt::LeftButton);
        QCOMPARE(prompter.lastText(), u"调拨批次不能为空！"_qs);
        QVERIFY(remark.result() != QDialog::Accepted);
        QTest::keyClicks(child<QLineEdit>(&remark, "txtBatchNo"), u"G5"_qs);
        QTest::mouseClick(child<QPushButton>(&remark, "cmdOK"), Qt::LeftButton);
        QCOMPARE(remark.result(), int(QDialog::Accepted));
        QCOMPARE(lib.snapshot(u"SELECT batch_type||src_loca||dst_loca FROM goto_batch WHERE batch_no='G5'"_qs),
                 u"1L1L2"_qs);

        GotoBatchDialog batches(c, preset);
        auto *grid = child<QTableView>(&batches, "spdBatch");
        QCOMPARE(grid->model()->rowCount(), 2);
        // A batch made by another window is listed at once.
        GotoBatch other = preset;
        other.batchNo = u"G6"_qs;
        QCOMPARE(GotoBatches(c).create(other), 1);
        QCOMPARE(grid->model()->rowCount(), 3);
        QTest::keyClicks(child<QLineEdit>(&batches, "txtFind"), u"g5"_qs);
        QTest::mouseClick(child<QPushButton>(&batches, "cmdFind"), Qt::LeftButton);
        QVERIFY(child<QLabel>(&batches, "lblBatch")->text().startsWith(u"调拨批次：G5"_qs));
        QTest::mouseClick(child<QPushButton>(&batches, "cmdOK"), Qt::LeftButton);
        QVERIFY(batches.chosen().has_value());
        QCOMPARE(batches.chosen()->kind, transfer::Kind::ByClass);

        BookGoto g(c, BarcodeSettings{});
        QVERIFY(g.chooseBatch(batches.chosen()));
        QCOMPARE(g.pickByClass(u"I"_qs), 2);
        BookGotoPickDialog pick(g.picks());
        QCOMPARE(child<QLabel>(&pick, "lblCount")->text(), u"共2册，已选2册"_qs);
        QTest::mouseClick(child<QPushButton>(&pick, "cmdSelectUnAll"), Qt::LeftButton);
        QVERIFY(g.picks().markedRows().isEmpty());
        g.picks().setMarked(1, true);
        QTest::mouseClick(child<QPushButton>(&pick, "cmdOK"), Qt::LeftButton);
        QCOMPARE(pick.result(), int(QDialog::Accepted));
        QCOMPARE(g.takePicks(true), 1);
        QCOMPARE(g.rows().first().row.propNo, u"P2"_qs);
        QVERIFY(prompter.done());
    }
};

KESTRA_TEST(BookGotoFormTest)
#include "BookGotoFormTest.moc"
