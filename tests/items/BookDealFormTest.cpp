// The processing forms in the real main window, offscreen: each opened from
// its command, a batch picked (or made) in the batch dialog, two copies
// scanned, one of them undone; the lost-items form declares a reader's
// loans lost. Everything by the controls' names.

#include "items/BookDealForm.h"
#include "core/Preferences.h"
#include "items/BookBatchDialog.h"
#include "items/BookLost2Form.h"
#include "items/CopyTestLib.h"
#include "items/FormWindow.h"
#include "shell/MainWindow.h"
#include "support/FormDriver.h"
#include "support/RecordingPrinter.h"
#include "support/TestRunner.h"
#include "ui/FormRegistry.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kestra;
using namespace kestra::test;

namespace {

// In the batch dialog: the row of a batch number chosen, then a button.
void pickBatch(QDialog *dialog, const QString &number, const char *button = "cmdOK")
{
    auto *grid = child<QTableView>(dialog, "spdBatch");
    for (int r = 0; grid != nullptr && r < grid->model()->rowCount(); ++r) {
        if (cellText(grid, r, 0) == number)
            grid->selectRow(r);
    }
    QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
    // Nothing to choose: close it, so that a failing test does not hang.
    if (qstrcmp(button, "cmdOK") == 0 && dialog->isVisible())
        dialog->reject();
}

bool seed(CopyTestLib &lib)
{
    SessionValues &s = lib.f.context().session();
    s.rights << u"3013"_qs << u"3002"_qs << u"3003"_qs << u"3006"_qs << u"3007"_qs << u"3008"_qs << u"3011"_qs;
    bool ok = lib.record(u"M1"_qs, u"呐喊"_qs, u"鲁迅"_qs);
    for (const char *p : {"P1", "P2", "P3", "P4"})
        ok = ok && lib.copy(QLatin1String(p), u"M1"_qs, QStringLiteral("B") + QLatin1String(p), u"L1"_qs, u"41"_qs);
    for (const char *b : {"R1/01", "W1/03", "G1/04", "X1/05"}) {
        const QStringList parts = QString::fromLatin1(b).split(u'/');
        ok = ok && lib.f.db().callProc(QStringLiteral("LT_deal_batch_lst 'L1',%1,%2,'2026-01-01',NULL,'0','W001',NULL")
                                           .arg(sqlQuote(parts[0]), sqlQuote(parts[1]))) == 0;
    }
    return ok;
}

} // namespace

class BookDealFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pickScanAndUndoInEachForm_data() { addBackendRows(); }
    void pickScanAndUndoInEachForm()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        ScriptedPrompter &prompter = lib.f.prompter();
        RecordingPrinter printer;
        lib.f.context().setPrinter(printer);
        int printed = 0;
        FormWindow w(lib.f.context());
        const struct {
            const char *command, *form, *batch, *status, *undo, *typeName;
        } kinds[] = {
            {"mnuHoldRepair", "frmHold_BookRepair", "R1", "33", "UndoRepair", "书刊修补"},
            {"mnuHoldRejectBook", "frmHold_BookPR_EX_RJ", "W1", "35", "UndoDelete", "书刊剔旧"},
            {"mnuHoldPresent", "frmHold_BookPR_EX_RJ", "G1", "36", "UndoDelete", "书刊赠送"},
            {"mnuHoldExchang", "frmHold_BookPR_EX_RJ", "X1", "37", "UndoDelete", "书刊交换"},
        };
        for (const auto &k : kinds) {
            QWidget *form = w.open(k.command);
            QVERIFY2(form != nullptr, k.command);
            QCOMPARE(form->objectName(), QLatin1String(k.form));
            QVERIFY(!child<QAction>(form, "Import")->isEnabled()); // no batch yet
            QStringList listed;                                    // the dialog's batches of the form's type, by name
            onNextDialog([&listed](QDialog *d) {
                auto *batches = child<QTableView>(d, "spdBatch");
                for (int r = 0; r < batches->model()->rowCount(); ++r) {
                    for (int c : {0, 1, 2, 5})
                        listed.append(cellText(batches, r, c));
                }
                pickBatch(d, listed.value(0));
            });
            child<QAction>(form, "SelectBatch")->trigger();
            QCOMPARE(listed, QStringList({QLatin1String(k.batch), u"中文图书库"_qs, QString::fromUtf8(k.typeName),
                                          u"处理中"_qs}));
            QCOMPARE(child<QLineEdit>(form, "txtBatch")->text(), QLatin1String(k.batch));
            QCOMPARE(child<QLineEdit>(form, "txtLocaName")->text(), u"中文图书库"_qs);

            auto *input = child<QLineEdit>(form, "txtInputCode");
            scanCode(input, u"bp1"_qs);
            scanCode(input, u"BP2"_qs);
            QVERIFY(input->text().isEmpty());
            auto *list = child<QTableView>(form, "spdBookLst");
            QCOMPARE(list->model()->rowCount(), 2);
            QCOMPARE(lib.status(u"P2"_qs), QLatin1String(k.status));
            QCOMPARE(child<QLineEdit>(form, "txtPropno")->text(), u"P2"_qs);
            QCOMPARE(child<QLineEdit>(form, "txtBookName")->text(), u"呐喊"_qs);
            // Every copy of the title of the current row.
            list->setCurrentIndex(list->model()->index(1, 1));
            child<QAction>(form, "ShowAllItem")->trigger();
            auto *all = child<QTableView>(form, "spdItemAll");
            QVERIFY(all->isVisible());
            QCOMPARE(all->model()->rowCount(), 4);
            // The printed list goes to the preview.
            child<QAction>(form, "Print")->trigger();
            QCOMPARE(printer.jobs.size(), ++printed);
            QCOMPARE(printer.jobs.last().target, PrintTarget::Preview);
            QVERIFY(findText(printer.jobs.last().document.pages.at(0), u"处理批次："_qs + QLatin1String(k.batch)));
            // Undo the first row: P1 is back, P2 stays.
            list->model()->setData(list->model()->index(0, 0), Qt::Checked, Qt::CheckStateRole);
            prompter.answer(AnswerOk);
            child<QAction>(form, k.undo)->trigger();
            QCOMPARE(list->model()->rowCount(), 1);
            QCOMPARE(lib.status(u"P1"_qs), u"41"_qs);
            QCOMPARE(lib.status(u"P2"_qs), QLatin1String(k.status));
            // Put P2 back for the next form.
            list->model()->setData(list->model()->index(0, 0), Qt::Checked, Qt::CheckStateRole);
            prompter.answer(AnswerOk);
            child<QAction>(form, k.undo)->trigger();
            QCOMPARE(lib.status(u"P2"_qs), u"41"_qs);
            child<QAction>(form, "Exit")->trigger();
            QTRY_COMPARE(w.main->mdiArea()->subWindowList().size(), 0);
        }
        QVERIFY(prompter.done());
    }

    void repairFinishedAndCheckedBack_data() { addBackendRows(); }
    void repairFinishedAndCheckedBack()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        ScriptedPrompter &prompter = lib.f.prompter();
        FormWindow w(lib.f.context());
        QWidget *repair = w.open("mnuHoldRepair");
        QVERIFY(repair != nullptr);
        // A new batch from the batch dialog, through its remark dialog.
        QList<int> found; // the current row after each search
        onNextDialog([&found](QDialog *d) {
            onNextDialog([](QDialog *remark) {
                QCOMPARE(remark->objectName(), u"frmHold_BookBatchRemark"_qs);
                QCOMPARE(remark->windowTitle(), u"书刊修补批次-新增"_qs);
                child<QLineEdit>(remark, "txtBatch")->setText(u"R9"_qs);
                child<QLineEdit>(remark, "txtRemark")->setText(u"新批次"_qs);
                QTest::mouseClick(child<QPushButton>(remark, "cmdOK"), Qt::LeftButton);
            });
            QTest::mouseClick(child<QPushButton>(d, "cmdNew"), Qt::LeftButton);
            // The new batch is the current row. R1 and R9 hold "R": the search
            // goes on below the current row and then from the top again,
            // without a word while something matches.
            auto *grid = child<QTableView>(d, "spdBatch");
            child<QLineEdit>(d, "txtFind")->setText(u"R"_qs);
            for (int i = 0; i < 2; ++i) {
                QTest::mouseClick(child<QPushButton>(d, "cmdFind"), Qt::LeftButton);
                found.append(grid->currentIndex().row());
            }
            pickBatch(d, u"R9"_qs);
        });
        prompter.clear();
        child<QAction>(repair, "SelectBatch")->trigger();
        QCOMPARE(found, QList<int>({0, 1}));
        QVERIFY(!prompter.texts().contains(u"未查询到相应调拨批次。"_qs));
        QCOMPARE(child<QLineEdit>(repair, "txtBatch")->text(), u"R9"_qs);
        child<QLineEdit>(repair, "txtFee")->setText(u"3"_qs);
        child<QLineEdit>(repair, "txtBook_Target")->setText(u"装订组"_qs);
        scanCode(child<QLineEdit>(repair, "txtInputCode"), u"BP3"_qs);
        scanCode(child<QLineEdit>(repair, "txtInputCode"), u"BP4"_qs);
        QVERIFY(!child<QAction>(repair, "UndoConnect")->isEnabled());
        prompter.answer(AnswerOk);
        child<QAction>(repair, "Connect")->trigger();
        QVERIFY(child<QAction>(repair, "UndoConnect")->isEnabled());
        QCOMPARE(lib.count(u"deal_batch_lst WHERE deal_batch_no='R9' AND deal_type_code='02'"_qs), 1);

        QWidget *back = w.open("mnuHoldRepairCheck");
        QVERIFY(back != nullptr);
        QCOMPARE(back->objectName(), u"frmHold_BookCheckBack"_qs);
        onNextDialog([](QDialog *d) {
            QCOMPARE(d->objectName(), u"frmHold_BookBatch_Done"_qs);
            QVERIFY(d->findChild<QPushButton *>(u"cmdNew"_qs) == nullptr);
            pickBatch(d, u"R9"_qs);
        });
        child<QAction>(back, "SelectBatch")->trigger();
        scanCode(child<QLineEdit>(back, "txtInputCode"), u"BP3"_qs);
        scanCode(child<QLineEdit>(back, "txtInputCode"), u"BP4"_qs);
        QCOMPARE(child<QLineEdit>(back, "txtBook_Target")->text(), u"装订组"_qs);
        QCOMPARE(lib.status(u"P3"_qs), u"41"_qs);
        auto *list = child<QTableView>(back, "spdBookLst");
        list->model()->setData(list->model()->index(1, 0), Qt::Checked, Qt::CheckStateRole);
        prompter.answer(AnswerOk);
        child<QAction>(back, "UndoRepair")->trigger();
        QCOMPARE(list->model()->rowCount(), 1);
        QCOMPARE(lib.status(u"P4"_qs), u"33"_qs);
        QCOMPARE(lib.status(u"P3"_qs), u"41"_qs);

        // The batch deleted in the dialog and the dialog cancelled: the form
        // lets go of it instead of logging further copies under no batch.
        onNextDialog([](QDialog *d) {
            pickBatch(d, u"R9"_qs, "cmdDelete");
            QTest::mouseClick(child<QPushButton>(d, "cmdCancel"), Qt::LeftButton);
        });
        prompter.answer(AnswerOk).answer(AnswerOk); // QCM003, then the batch's logged copies
        child<QAction>(back, "SelectBatch")->trigger();
        QCOMPARE(lib.count(u"deal_batch_lst WHERE deal_batch_no='R9' AND deal_type_code='02'"_qs), 0);
        QCOMPARE(child<QLineEdit>(back, "txtBatch")->text(), QString());
        QCOMPARE(list->model()->rowCount(), 0);
        QVERIFY(!child<QAction>(back, "Import")->isEnabled());
        scanCode(child<QLineEdit>(back, "txtInputCode"), u"BP4"_qs);
        QCOMPARE(lib.count(u"deal_log WHERE deal_type_code='02'"_qs), 0);
        QVERIFY(prompter.done());
    }

    void readersLoansDeclaredLost_data() { addBackendRows(); }
    void readersLoansDeclaredLost()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        QVERIFY(lib.item(u"P1"_qs, u"1"_qs));
        QVERIFY(lib.f.exec(u"INSERT INTO reader (cert_id,name,redr_type_code,lend_grd,redr_flag) VALUES "
                           "('R1','王五','01','01','1')"_qs));
        QVERIFY(lib.f.exec(u"INSERT INTO reader_cert (redr_cert_id,cert_id,cert_flag) VALUES ('C1','R1','1')"_qs));
        QVERIFY(lib.f.exec(u"INSERT INTO lend_lst (prop_no,cert_id) VALUES ('P1','R1')"_qs));
        ScriptedPrompter &prompter = lib.f.prompter();
        FormWindow w(lib.f.context());
        QWidget *form = w.open("mnuHoldRejectReader");
        QVERIFY(form != nullptr);
        QCOMPARE(form->objectName(), u"frmHold_BookLost2"_qs);
        child<QLineEdit>(form, "txtReason")->setText(u"证件遗失"_qs);
        scanCode(child<QLineEdit>(form, "txtCardNo"), u"C1"_qs);
        QVERIFY(child<QLabel>(form, "lblReader")->text().contains(u"王五"_qs));
        QCOMPARE(child<QTableView>(form, "spdBookLst")->model()->rowCount(), 1);
        prompter.answer(AnswerOk);
        QTest::mouseClick(child<QPushButton>(form, "cmdOK"), Qt::LeftButton);
        QCOMPARE(lib.status(u"P1"_qs), u"3B"_qs);
        QCOMPARE(lib.f.one(u"SELECT redr_flag FROM reader"_qs), u"0"_qs);
        QCOMPARE(lib.f.one(u"SELECT redr_del_reason FROM reader"_qs), u"证件遗失"_qs);
        QVERIFY(prompter.done());
    }
};

KESTRA_TEST(BookDealFormTest)
#include "BookDealFormTest.moc"
