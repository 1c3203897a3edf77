// The record window in the real main window, offscreen: opened from its
// command and found by the quick search (the index kept for the next
// time), its tabs by key, re-targeted through the door rather than opened
// twice, and opened from a processing list and from the log search.

#include "records/BookInfoForm.h"
#include "items/CopyTestLib.h"
#include "items/FormWindow.h"
#include "shell/MainWindow.h"
#include "support/FormDriver.h"
#include "support/TestRunner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

QTabBar *chooseTab(QWidget *form, const QString &key)
{
    auto *tabs = child<QTabBar>(form, "tbsBookInfo");
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabData(i).toString() == key)
            tabs->setCurrentIndex(i);
    }
    return tabs;
}

BookInfoForm *activeRecordWindow(FormWindow &window)
{
    QMdiSubWindow *sub = window.main->mdiArea()->activeSubWindow();
    return sub != nullptr ? qobject_cast<BookInfoForm *>(sub->widget()) : nullptr;
}

} // namespace

class BookInfoFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void searchTabsAndDoors_data() { addBackendRows(); }
    void searchTabsAndDoors()
    {
        OPEN_LIB(lib);
        QVERIFY(lib.record(QStringLiteral("M1"), QStringLiteral("呐喊"), QStringLiteral("鲁迅")));
        QVERIFY(lib.record(QStringLiteral("M2"), QStringLiteral("彷徨")));
        QVERIFY(lib.callNumber(QStringLiteral("I247.5/1"), QStringLiteral("M1"), QStringLiteral("01")));
        QVERIFY(lib.copy(QStringLiteral("P1"), QStringLiteral("M1"), QStringLiteral("B1"), QStringLiteral("L1"),
                         QStringLiteral("41")));
        QVERIFY(lib.copy(QStringLiteral("P2"), QStringLiteral("M1"), QStringLiteral("B2"), QStringLiteral("L2"),
                         QStringLiteral("41")));
        QVERIFY(lib.copy(QStringLiteral("P9"), QStringLiteral("M2"), QStringLiteral("B9"), QStringLiteral("L1"),
                         QStringLiteral("41")));
        QVERIFY(lib.item(QStringLiteral("P1")));
        QVERIFY(lib.f.exec(QStringLiteral("INSERT INTO log_detl (log_type,log_date,log_time,wkr_no,computer,"
                                          "marc_rec_no,prop_no) VALUES ('30001',%1,'10:00:00','W001','PC-A','M2','P9')")
                               .arg(sqlQuote(lib.today()))));

        FormWindow window(lib.f.context());
        auto *form = window.openAs<BookInfoForm>("mnuBookSearch", "frmBookInfo");
        QVERIFY(form != nullptr);
        auto *cbo = child<QComboBox>(form, "cboQuickSearch");
        auto *vsInfo = child<QTableView>(form, "vsInfo");
        auto *lblTitle = child<QLabel>(form, "lblTitle");
        auto *chkOnly = child<QCheckBox>(form, "chkOnly");
        QVERIFY(cbo && vsInfo && lblTitle && chkOnly);
        QCOMPARE(vsInfo->model()->rowCount(), 0);

        cbo->setCurrentIndex(cbo->findData(91));
        child<QLineEdit>(form, "txtQuickSearch")->setText(QStringLiteral("B2"));
        QTest::mouseClick(child<QPushButton>(form, "cmdQuickSearch"), Qt::LeftButton);
        QVERIFY(lblTitle->text().contains(QStringLiteral("呐喊")));
        QCOMPARE(window.settings.value(QStringLiteral("Settings"), QStringLiteral("QuickList"), QString()),
                 QStringLiteral("条码号"));
        // The record's call numbers first, one row per copy in circulation.
        QCOMPARE(vsInfo->model()->rowCount(), 1);
        QVERIFY(!chkOnly->isEnabled());
        chooseTab(form, QStringLiteral("CallNoInfo"));
        QCOMPARE(vsInfo->model()->rowCount(), 2);
        QCOMPARE(cellText(vsInfo, 1, 3), QStringLiteral("外文书库"));

        // Through the door with a copy: the same window, on the copy.
        QCOMPARE(
            window.main->openForm(QStringLiteral("frmBookInfo"), {{QStringLiteral("marcRecNo"), QStringLiteral("M1")},
                                                                  {QStringLiteral("propNo"), QStringLiteral("P2")}}),
            form);
        QCOMPARE(window.openWindows(), 1);
        QVERIFY(chkOnly->isEnabled());
        QCOMPARE(chkOnly->text(), QStringLiteral("仅显示本财产相关流通信息"));
        QCOMPARE(vsInfo->model()->rowCount(), 2);
        chkOnly->setChecked(true);
        QCOMPARE(vsInfo->model()->rowCount(), 1);
        QCOMPARE(cellText(vsInfo, 0, 1), QStringLiteral("P2"));
        // The loan-period choices reach the controller and back.
        auto *cboLend = child<QComboBox>(form, "cboLendPeriod");
        auto *cboReturn = child<QComboBox>(form, "cboReturnPeriod");
        cboLend->setCurrentIndex(cboLend->findText(QStringLiteral("最近一年")));
        cboReturn->setCurrentIndex(cboReturn->findText(QStringLiteral("最近一个月")));
        const auto daysBack = [](const QString &date) {
            return QDate::fromString(date, Qt::ISODate).daysTo(QDate::currentDate());
        };
        QVERIFY(daysBack(form->controller().lentSince()) >= 365 && daysBack(form->controller().lentSince()) <= 367);
        QVERIFY(daysBack(form->controller().returnedSince()) >= 28 &&
                daysBack(form->controller().returnedSince()) <= 32);
        QCOMPARE(vsInfo->model()->rowCount(), 1);
        cboLend->setCurrentIndex(0);
        QVERIFY(form->controller().lentSince().isEmpty());

        // A record that is not there leaves the window as it was.
        window.main->openForm(QStringLiteral("frmBookInfo"), {{QStringLiteral("marcRecNo"), QStringLiteral("M404")}});
        QVERIFY(lblTitle->text().contains(QStringLiteral("呐喊")));
        QCOMPARE(lib.f.prompter().texts().size(), 1);
        lib.f.prompter().clear();

        // From the status change's list: the copy in hand.
        auto *state = window.open("mnuHoldStatus");
        QVERIFY(state != nullptr);
        auto *cmbNewState = child<QComboBox>(state, "cmbNewState");
        cmbNewState->setCurrentIndex(cmbNewState->findText(QStringLiteral("非可借")));
        scanCode(child<QLineEdit>(state, "txtInputCode"), QStringLiteral("B1"));
        auto *spdBookLst = child<QTableView>(state, "spdBookLst");
        QCOMPARE(spdBookLst->model()->rowCount(), 1);
        Q_EMIT spdBookLst->doubleClicked(spdBookLst->model()->index(0, 2));
        QCOMPARE(activeRecordWindow(window), form);
        QCOMPARE(form->controller().propNo(), QStringLiteral("P1"));
        QCOMPARE(form->controller().marcRecNo(), QStringLiteral("M1"));
        QCOMPARE(window.openWindows(), 2);

        // From the log search's rows.
        auto *logs = window.open("mnuStatLogSearch");
        QVERIFY(logs != nullptr);
        auto *spdLog = child<QTableView>(logs, "spdLog");
        // The status change has logged its own row; ours names P9.
        QTRY_VERIFY(spdLog->model()->rowCount() > 0);
        int logRow = -1;
        for (int r = 0; r < spdLog->model()->rowCount() && logRow < 0; ++r) {
            for (int c = 0; c < spdLog->model()->columnCount(); ++c) {
                if (cellText(spdLog, r, c) == QStringLiteral("P9"))
                    logRow = r;
            }
        }
        QVERIFY(logRow >= 0);
        Q_EMIT spdLog->doubleClicked(spdLog->model()->index(logRow, 0));
        QCOMPARE(activeRecordWindow(window), form);
        QVERIFY(lblTitle->text().contains(QStringLiteral("彷徨")));
        QCOMPARE(form->controller().propNo(), QStringLiteral("P9"));
        QCOMPARE(lib.f.prompter().texts(), QStringList());
    }
};

KESTRA_TEST(BookInfoFormTest)
#include "BookInfoFormTest.moc"
