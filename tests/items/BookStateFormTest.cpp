// The status-change form in the real main window, offscreen: opened from its
// command, three codes scanned (one question answered), one row undone and a
// location changed, all by the controls' names.

#include "items/BookStateForm.h"
#include "copies/ItemWrite.h"
#include "core/Preferences.h"
#include "items/CopyTestLib.h"
#include "items/FormWindow.h"
#include "items/NormStatDialog.h"
#include "shell/MainWindow.h"
#include "support/FormDriver.h"
#include "support/TestRunner.h"
#include "ui/FormRegistry.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

class BookStateFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scanUndoAndChangeALocation_data() { addBackendRows(); }
    void scanUndoAndChangeALocation()
    {
        OPEN_LIB(lib);
        ScriptedPrompter &prompter = lib.f.prompter();
        QVERIFY(lib.record(QStringLiteral("M1"), QStringLiteral("呐喊"), QStringLiteral("鲁迅")));
        QVERIFY(lib.copy(QStringLiteral("P1"), QStringLiteral("M1"), QStringLiteral("B0001"), QStringLiteral("L1"),
                         QStringLiteral("41")));
        QVERIFY(lib.item(QStringLiteral("P1")));
        QVERIFY(lib.copy(QStringLiteral("P2"), QStringLiteral("M1"), QStringLiteral("B0002"), QStringLiteral("L1"),
                         QStringLiteral("35")));
        QVERIFY(lib.dealRow(QStringLiteral("L1"), QStringLiteral("T1"), QStringLiteral("03"), QStringLiteral("P2")));
        QVERIFY(lib.copy(QStringLiteral("P3"), QStringLiteral("M1"), QStringLiteral("图书3"), QStringLiteral("L1"),
                         QStringLiteral("43")));
        for (const char *p : {"P4", "P5"})
            QVERIFY(lib.copy(QLatin1String(p), QStringLiteral("M1"), QLatin1String(p), QStringLiteral("L2"),
                             QStringLiteral("41")));

        FormWindow window(lib.f.context());
        QVERIFY(QTest::qWaitForWindowActive(window.main.get()));
        auto *form = qobject_cast<BookStateForm *>(window.open("mnuHoldStatus"));
        QCOMPARE(window.openWindows(), 1);
        QVERIFY(form != nullptr);
        QCOMPARE(form->objectName(), QStringLiteral("frmHold_BookState"));

        auto *txtInputCode = child<QLineEdit>(form, "txtInputCode");
        auto *cmbNewState = child<QComboBox>(form, "cmbNewState");
        auto *spdBookLst = child<QTableView>(form, "spdBookLst");
        QVERIFY(txtInputCode && cmbNewState && spdBookLst);
        QVERIFY(child<QAction>(form, "SearchBook")->isEnabled());
        QVERIFY(!child<QPushButton>(form, "cmdChange")->isEnabled());

        // Three scans; the weeded copy asks before it is taken back.
        cmbNewState->setCurrentIndex(cmbNewState->findText(QStringLiteral("非可借")));
        child<QCheckBox>(form, "chkOpac")->setChecked(false);
        scanCode(txtInputCode, QStringLiteral("b0001"));
        QCOMPARE(txtInputCode->text(), QString());
        QVERIFY(txtInputCode->hasFocus());
        prompter.answer(AnswerOk);
        scanCode(txtInputCode, QStringLiteral("B0002"));
        scanCode(txtInputCode, QStringLiteral("图书3"));
        QVERIFY(txtInputCode->hasFocus());
        QCOMPARE(spdBookLst->model()->rowCount(), 3);
        QCOMPARE(lib.count(QStringLiteral("indi_acct WHERE book_stat_code='42' AND indi_opac_flag='0'")), 3);
        QCOMPARE(lib.count(QStringLiteral("deal_log")), 0);
        // Names, not codes.
        QCOMPARE(cellText(spdBookLst, 1, 10), QStringLiteral("剔旧报废"));
        QCOMPARE(cellText(spdBookLst, 1, 11), QStringLiteral("非可借"));
        QCOMPARE(cellText(spdBookLst, 2, 7), QStringLiteral("中文图书库"));
        QCOMPARE(cellText(spdBookLst, 2, 2), QStringLiteral("图书3"));

        // Undo the first row only.
        QVERIFY(spdBookLst->model()->setData(spdBookLst->model()->index(0, 0), Qt::Checked, Qt::CheckStateRole));
        child<QAction>(form, "UndoState")->trigger();
        QCOMPARE(spdBookLst->model()->rowCount(), 2);
        QCOMPARE(cellText(spdBookLst, 0, 1), QStringLiteral("P2"));
        QCOMPARE(lib.status(QStringLiteral("P1")), QStringLiteral("41"));
        QCOMPARE(lib.itemStatus(QStringLiteral("P1")), QStringLiteral("41"));
        QCOMPARE(lib.status(QStringLiteral("P2")), QStringLiteral("42"));

        // Everything at L2 that is lendable becomes reading-room only.
        auto *byLocation = child<QRadioButton>(form, "optType_1");
        QTest::mouseClick(byLocation, Qt::LeftButton, {}, QPoint(6, byLocation->height() / 2)); // on the circle
        QVERIFY(!txtInputCode->isEnabled());
        auto *cmbDisLoca = child<QComboBox>(form, "cmbDisLoca");
        QCOMPARE(cmbDisLoca->currentText(), QStringLiteral("中文图书库")); // the operator's location first
        cmbDisLoca->setCurrentIndex(cmbDisLoca->findText(QStringLiteral("外文书库")));
        auto *cmbOldState = child<QComboBox>(form, "cmbOldState");
        cmbOldState->setCurrentIndex(cmbOldState->findText(QStringLiteral("可借")));
        cmbNewState->setCurrentIndex(cmbNewState->findText(QStringLiteral("阅览")));
        prompter.answer(AnswerOk);
        QTest::mouseClick(child<QPushButton>(form, "cmdChange"), Qt::LeftButton);
        QCOMPARE(prompter.lastText(), QStringLiteral("2本书刊修改书刊状态完成。"));
        QCOMPARE(lib.count(QStringLiteral("indi_acct WHERE dis_location='L2' AND book_stat_code='43'")), 2);
        QCOMPARE(lib.status(QStringLiteral("P1")), QStringLiteral("41"));
        QCOMPARE(spdBookLst->model()->rowCount(), 2); // a change by location is not listed

        child<QAction>(form, "Exit")->trigger();
        QTRY_COMPARE(window.openWindows(), 0);
        QVERIFY(prompter.done());
    }

    void foundCopyDialog_data() { addBackendRows(); }
    void foundCopyDialog()
    {
        OPEN_LIB(lib);
        QVERIFY(lib.record(QStringLiteral("M1"), QStringLiteral("呐喊")));
        QVERIFY(lib.copy(QStringLiteral("P1"), QStringLiteral("M1"), QStringLiteral("B0001"), QStringLiteral("L1"),
                         QStringLiteral("38")));
        {
            ItemTransaction tx(lib.f.context());
            NormStatDialog dialog(tx, QStringLiteral("P1"));
            auto *list = child<QListWidget>(&dialog, "lstState");
            QCOMPARE(list->count(), 6);
            list->setCurrentRow(2);
            QCOMPARE(list->currentItem()->text(), QStringLiteral("阅览"));
            QTest::mouseClick(child<QPushButton>(&dialog, "cmdOK"), Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.chosen(), QStringLiteral("43"));
            QCOMPARE(tx.commit(), 0);
        }
        QCOMPARE(lib.status(QStringLiteral("P1")), QStringLiteral("43"));
        {
            ItemTransaction tx(lib.f.context());
            NormStatDialog dialog(tx, QStringLiteral("P1"));
            QTest::mouseClick(child<QPushButton>(&dialog, "cmdCancel"), Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QVERIFY(dialog.chosen().isEmpty());
        }
        QCOMPARE(lib.status(QStringLiteral("P1")), QStringLiteral("43"));
    }
};

KESTRA_TEST(BookStateFormTest)
#include "BookStateFormTest.moc"
