// The log search window in the real main window, offscreen: opened from its
// command, the week's operations listed once it shows (the newest, and said
// so, when there are more than a search lists), narrowed by module, operation
// type, operator and accession number, a row traced to its copy, and the
// list printed under its filters, all by the controls' names.

#include "oplog/LogSearchForm.h"
#include "items/CopyTestLib.h"
#include "items/FormWindow.h"
#include "support/FormDriver.h"
#include "support/RecordingPrinter.h"
#include "support/TestRunner.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

bool logRow(CopyTestLib &lib, const QString &type, const QString &date, const QString &time, const QString &worker,
            const QString &marcRecNo, const QString &propNo)
{
    return lib.f.exec(QStringLiteral("INSERT INTO log_detl (log_type,log_date,log_time,wkr_no,computer,location_name,"
                                     "marc_rec_no,prop_no,data1) VALUES (%1,%2,%3,%4,'PC-A','中文图书库',%5,%6,'L2')")
                          .arg(sqlQuote(type), sqlQuote(date), sqlQuote(time), sqlQuote(worker), sqlQuote(marcRecNo),
                               sqlQuote(propNo)));
}

void choose(QComboBox *box, const QString &text)
{
    const int at = box->findText(text);
    QVERIFY2(at >= 0, qPrintable(text));
    box->setCurrentIndex(at);
}

} // namespace

class LogSearchFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void searchTraceAndPrint_data() { addBackendRows(); }
    void searchTraceAndPrint()
    {
        OPEN_LIB(lib);
        QVERIFY(lib.record(QStringLiteral("M1"), QStringLiteral("呐喊"), QStringLiteral("鲁迅")));
        QVERIFY(lib.copy(QStringLiteral("P1"), QStringLiteral("M1"), QStringLiteral("B1"), QStringLiteral("L1"),
                         QStringLiteral("41"), QStringLiteral("I210/1")));
        QVERIFY(lib.f.exec(QStringLiteral("INSERT INTO lib_worker (wkr_no,wkr_name) VALUES ('W1','王一')")));
        const QDate today = QDate::fromString(lib.f.db().serverDate().left(10), QStringLiteral("yyyy-MM-dd"));
        QVERIFY(today.isValid());
        auto day = [&today](int back) { return today.addDays(-back).toString(QStringLiteral("yyyy-MM-dd")); };
        QVERIFY(logRow(lib, QStringLiteral("30013"), day(0), QStringLiteral("08:00:00"), QStringLiteral("W1"),
                       QStringLiteral("M1"), QStringLiteral("P1")));
        QVERIFY(logRow(lib, QStringLiteral("30019"), day(1), QStringLiteral("09:00:00"), QStringLiteral("W2"),
                       QStringLiteral("M1"), QStringLiteral("P2")));
        QVERIFY(logRow(lib, QStringLiteral("60042"), day(2), QStringLiteral("10:00:00"), QStringLiteral("W1"),
                       QString(), QString()));
        QVERIFY(logRow(lib, QStringLiteral("30013"), day(30), QStringLiteral("10:00:00"), QStringLiteral("W1"),
                       QString(), QString()));
        RecordingPrinter printer;
        lib.f.context().setPrinter(printer);

        FormWindow window(lib.f.context());
        QVERIFY(QTest::qWaitForWindowActive(window.main.get()));
        auto *form = qobject_cast<LogSearchForm *>(window.open("mnuStatLogSearch"));
        QVERIFY(form != nullptr);
        QCOMPARE(form->objectName(), QStringLiteral("frmLogSearch"));
        auto *spdLog = child<QTableView>(form, "spdLog");
        auto *spdInfo = child<QTableView>(form, "spdInfo");
        auto *cboType = child<QComboBox>(form, "cboType");
        auto *cboTypeDetail = child<QComboBox>(form, "cboTypeDetail");
        auto *cboWkr = child<QComboBox>(form, "cboWkr");
        QAction *go = child<QAction>(form, "go");
        QVERIFY(spdLog && spdInfo && cboType && cboTypeDetail && cboWkr && go);

        // The window first, then the week's operations: with the main
        // window's own login row.
        QVERIFY(form->isVisible());
        QCOMPARE(spdLog->model()->rowCount(), 0);
        const int login = lib.count(QStringLiteral("log_detl WHERE log_type='60042' AND wkr_no='W001'"));
        QCOMPARE(login, 1);
        QTRY_COMPARE(spdLog->model()->rowCount(), 3 + login);
        QCOMPARE(cellText(spdLog, 0, 0), day(2) + QStringLiteral(" 10:00:00"));
        QCOMPARE(cellText(spdLog, 0, 2), QStringLiteral("系统"));
        QCOMPARE(child<QLabel>(form, "lblCount")->text(), QStringLiteral("共4条"));

        // A module narrows the operation types; a type names the data.
        choose(cboType, QStringLiteral("典藏"));
        QVERIFY(cboTypeDetail->findText(QStringLiteral("60042    用户登录")) < 0);
        choose(cboTypeDetail, QStringLiteral("30013    书刊调拨"));
        QCOMPARE(child<QLabel>(form, "lblData_1")->text(), QStringLiteral("调拨馆藏地"));
        QCOMPARE(spdLog->model()->headerData(9, Qt::Horizontal).toString(), QStringLiteral("调拨馆藏地"));
        choose(cboWkr, QStringLiteral("W1      王一"));
        child<QLineEdit>(form, "txtData_1")->setText(QStringLiteral("L2"));
        go->trigger();
        QCOMPARE(spdLog->model()->rowCount(), 1);
        QCOMPARE(cellText(spdLog, 0, 7), QStringLiteral("P1"));
        child<QDateEdit>(form, "dtpBegin")->setDate(today.addDays(-30));
        go->trigger();
        QCOMPARE(spdLog->model()->rowCount(), 2);

        // The row's copy in the detail.
        spdLog->setCurrentIndex(spdLog->model()->index(1, 0));
        QCOMPARE(cellText(spdInfo, 1, 1), QStringLiteral("呐喊"));

        choose(cboType, QStringLiteral("[不限]"));
        QCOMPARE(child<QLabel>(form, "lblData_1")->text(), QStringLiteral("事务内容一"));
        child<QLineEdit>(form, "txtPropno")->setText(QStringLiteral("P2"));
        choose(cboWkr, QStringLiteral("[不限]"));
        go->trigger();
        QCOMPARE(spdLog->model()->rowCount(), 1);
        QCOMPARE(cellText(spdLog, 0, 3), QStringLiteral("W2"));
        QCOMPARE(spdInfo->model()->rowCount(), 0);

        child<QAction>(form, "print")->trigger();
        QCOMPARE(printer.jobs.size(), 1);
        const QStringList texts = pageTexts(printer.jobs.at(0).document.pages.at(0));
        QVERIFY(texts.contains(QStringLiteral("工作人员：[不限]    业务类型：[不限]    操作类型：[不限]")));
        QCOMPARE(texts.filter(QStringLiteral("制表人：")).size(), 1);
        QCOMPARE(lib.f.prompter().texts(), QStringList());

        child<QAction>(form, "exit")->trigger();
        QTRY_COMPARE(window.openWindows(), 0);
    }

    // A week with more rows than a search lists: the window opens without
    // a box, then lists the newest rows and says the list was cut.
    void cappedOpening_data() { addBackendRows(); }
    void cappedOpening()
    {
        OPEN_LIB(lib);
        const QDate today = QDate::fromString(lib.f.db().serverDate().left(10), QStringLiteral("yyyy-MM-dd"));
        for (int back = 4; back >= 0; --back) {
            const QString day = today.addDays(-back).toString(QStringLiteral("yyyy-MM-dd"));
            QVERIFY(logRow(lib, QStringLiteral("30013"), day, QStringLiteral("08:00:00"), QStringLiteral("W1"),
                           QString(), QStringLiteral("P%1").arg(back)));
        }
        LogSearchForm form(lib.f.context(), nullptr, 3);
        auto *spdLog = child<QTableView>(&form, "spdLog");
        auto *lblCount = child<QLabel>(&form, "lblCount");
        QVERIFY(spdLog && lblCount);
        form.show();
        QCOMPARE(spdLog->model()->rowCount(), 0);
        QTRY_COMPARE(spdLog->model()->rowCount(), 3);
        QCOMPARE(cellText(spdLog, 0, 7), QStringLiteral("P2"));
        QCOMPARE(cellText(spdLog, 2, 7), QStringLiteral("P0"));
        QCOMPARE(lblCount->text(), QStringLiteral("共3条（查询结果超过3条，只列出最新的3条，请缩小查询范围）"));
        QCOMPARE(lib.f.prompter().texts(), QStringList());
        // Shown again (a window restored), it does not search again.
        form.hide();
        QVERIFY(lib.f.exec(QStringLiteral("DELETE FROM log_detl")));
        form.show();
        QCoreApplication::processEvents();
        QCOMPARE(spdLog->model()->rowCount(), 3);
    }
};

KESTRA_TEST(LogSearchFormTest)
#include "LogSearchFormTest.moc"
