// The new-book windows offscreen in the real main window: the handover batch
// picked through frmTransferDoc, the rules and the bar codes filled, the
// title saved and the next one shown; a copy scanned into a location; the
// whole batch assigned; the close question.

#include "assign/NewBookAssignForm.h"
#include "assign/AssignSettings.h"
#include "assign/NewBookLib.h"
#include "items/FormWindow.h"
#include "items/TransferDocForm.h"
#include "support/FormDriver.h"
#include "support/TestRunner.h"
#include "ui/CommandBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace kestra;
using namespace kestra::test;
using namespace Qt::StringLiterals;

namespace {

QWidget *activeForm(FormWindow &window)
{
    QMdiSubWindow *sub = window.main->mdiArea()->activeSubWindow();
    return sub != nullptr ? sub->widget() : nullptr;
}

void chooseData(QComboBox *box, const QString &code)
{
    box->setCurrentIndex(box->findData(code));
}

} // namespace

class NewBookAssignFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pickAssignSaveAndNext_data() { addBackendRows(); }
    void pickAssignSaveAndNext()
    {
        OPEN_LIB(lib);
        QVERIFY(seedNewBooks(lib));
        AppContext &context = lib.f.context();
        context.session().rights = QStringList{u"3001"_s, u"3020"_s, u"3021"_s};
        context.preferences().showDate = u"All"_s;
        ScriptedPrompter &prompter = lib.f.prompter();
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET bar_code='B0099' WHERE prop_no='P1'"_s));
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET bar_code='CP4' WHERE prop_no='P4'"_s));
        lib.f.tc.writeText(u"CFG/Dc/DCcfg.ini"_s, u"[L1]\r\n<全部><*><L2><L2,L2><L2,L2,L2>\r\n"_s);
        lib.f.tc.writeText(u"CFG/Dc/dccfg1.ini"_s, u"L2,41,1\r\n"_s);
        reloadAssignSettings(context); // as start-up does

        FormWindow window(context);
        auto *form = window.openAs<NewBookAssignForm>("mnuHoldNewAssign", "frmNewBookAssign");
        QVERIFY(form != nullptr);
        auto *bar = child<CommandBar>(form, "tbDC");
        QVERIFY(!bar->isCommandEnabled(u"Save"_s) && !bar->isCommandEnabled(u"AutoAssign"_s));

        // SelectBatch opens the handover batches; OK brings JJ1 back.
        form->runCommand(u"SelectBatch"_s);
        auto *chooser = qobject_cast<TransferDocForm *>(activeForm(window));
        QVERIFY(chooser != nullptr);
        auto *spdBatch = child<QTableView>(chooser, "spdBatch");
        int row = 0;
        while (row < spdBatch->model()->rowCount() && cellText(spdBatch, row, 1) != u"JJ1"_s)
            ++row;
        spdBatch->selectRow(row);
        child<QPushButton>(chooser, "cmdOK")->click();
        QTRY_COMPARE(activeForm(window), static_cast<QWidget *>(form));
        QCOMPARE(form->windowTitle(), u"新书分配-交接批次:JJ1 书目种数:2"_s);
        auto *spdBook = child<QTableView>(form, "spdBook");
        QCOMPARE(spdBook->model()->rowCount(), 3);

        form->runCommand(u"AutoAssign"_s);
        QVERIFY(bar->isCommandEnabled(u"Save"_s));
        prompter.answer(AnswerOk);
        form->runCommand(u"AutoBarcode"_s);
        form->runCommand(u"Save"_s);
        QVERIFY2(!bar->isCommandEnabled(u"Save"_s), qPrintable(prompter.texts().join(u'|')));
        QCOMPARE(lib.snapshot(u"SELECT bar_code,dis_location,book_stat_code FROM indi_acct "
                              "WHERE marc_rec_no='M1' ORDER BY prop_no"_s)
                     .replace(u'\n', u' '),
                 u"B0099|L2|41 B0100|L2|41 B0101|L2|41"_s);
        QCOMPARE(lib.count(u"item WHERE location='L2'"_s), 3);
        form->runCommand(u"Next"_s);
        QCOMPARE(form->controller().currentTitle()->marcRecNo, u"M2"_s);
        QCOMPARE(spdBook->model()->rowCount(), 1);
        // Attachment is a live key; a record without its data is refused.
        form->runCommand(u"Attachment"_s);
        QCOMPARE(prompter.lastText(), u"该书目记录没有MARC数据，不能进行附件管理。"_s);

        // A copy scanned into the stack room, released to circulation.
        form->runCommand(u"AssignLocation"_s);
        QWidget *scan = activeForm(window);
        QCOMPARE(scan->objectName(), u"frmAssignLocation"_s);
        QCOMPARE(child<QComboBox>(scan, "cmbBatch")->currentText(), u"JJ1"_s);
        chooseData(child<QComboBox>(scan, "cmbIndiLoca"), u"L2"_s);
        chooseData(child<QComboBox>(scan, "cmbItemLoca"), u"L1"_s);
        child<QCheckBox>(scan, "chkLt")->setChecked(true);
        scanCode(child<QLineEdit>(scan, "txtCode"), u"CP4"_s);
        QCOMPARE(child<QTableView>(scan, "spdBookLst")->model()->rowCount(), 1);
        QCOMPARE(lib.f.one(u"SELECT dis_location||book_stat_code FROM indi_acct WHERE prop_no='P4'"_s), u"L141"_s);
        QCOMPARE(lib.count(u"item WHERE prop_no='P4'"_s), 1);

        // The whole batch taken off circulation, locations and statuses kept.
        window.main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(form->parentWidget()));
        form->runCommand(u"AssignBatch"_s);
        QWidget *batch = activeForm(window);
        QCOMPARE(batch->objectName(), u"frmAssignBatch"_s);
        prompter.answer(AnswerOk);
        child<QPushButton>(batch, "cmdOK")->click();
        QCOMPARE(prompter.lastText(), u"批量分配完成。"_s);
        QCOMPARE(lib.count(u"item"_s), 0);
        QCOMPARE(lib.f.one(u"SELECT dis_location||book_stat_code FROM indi_acct WHERE prop_no='P4'"_s), u"L141"_s);

        // A changed title asks before the window closes: Cancel stays, No closes.
        window.main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(form->parentWidget()));
        form->controller().reloadCopies();
        form->runCommand(u"AllCirculate"_s);
        QPointer<QWidget> alive(form);
        prompter.answer(AnswerCancel);
        form->runCommand(u"Exit"_s);
        QVERIFY(!alive.isNull());
        prompter.answer(AnswerNo);
        form->runCommand(u"Exit"_s);
        QTRY_VERIFY(alive.isNull());
        QVERIFY(prompter.done());
    }

    // AllCirculateBatch runs title by title on the event loop: the other
    // keys are off meanwhile, pressing it again stops it, and a run to the
    // end saves every title of the batch.
    void batchRunStopsAndRuns_data() { addBackendRows(); }
    void batchRunStopsAndRuns()
    {
        OPEN_LIB(lib);
        QVERIFY(seedNewBooks(lib));
        AppContext &context = lib.f.context();
        context.session().rights = QStringList{u"3001"_s};
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET bar_code='C'||prop_no WHERE move_batch='JJ1'"_s));
        FormWindow window(context);
        auto *form = qobject_cast<NewBookAssignForm *>(
            window.main->openForm(u"frmNewBookAssign"_s, {{u"moveBatch"_s, u"JJ1"_s}}));
        QVERIFY(form != nullptr);
        auto *bar = child<CommandBar>(form, "tbDC");
        const QString before = lib.snapshot(u"SELECT * FROM indi_acct ORDER BY prop_no"_s);
        form->runCommand(u"AllCirculateBatch"_s);
        QVERIFY(form->batchRunning());
        QVERIFY(!bar->isCommandEnabled(u"Next"_s) && bar->isCommandEnabled(u"AllCirculateBatch"_s));
        form->runCommand(u"AllCirculateBatch"_s);
        QVERIFY(!form->batchRunning());
        QCOMPARE(lib.snapshot(u"SELECT * FROM indi_acct ORDER BY prop_no"_s), before);

        form->runCommand(u"AllCirculateBatch"_s);
        QTRY_VERIFY(!form->batchRunning());
        QCOMPARE(lib.count(u"indi_acct WHERE move_batch='JJ1' AND book_stat_code='41'"_s), 4);
        QCOMPARE(lib.count(u"transfer_doc WHERE move_batch='JJ1' AND store_flag='1'"_s), 2);
        QCOMPARE(form->controller().currentTitle()->marcRecNo, u"M2"_s);
        QVERIFY(lib.f.prompter().done());
    }
};

KESTRA_TEST(NewBookAssignFormTest)
#include "NewBookAssignFormTest.moc"
