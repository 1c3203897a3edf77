// The workload window in the real main window, offscreen: opened from its
// command over the last twelve months, counted again for a month and a
// period, a half-typed period refused, and the grid printed, all by the
// controls' names.

#include "stats/JobStatForm.h"
#include "items/CopyTestLib.h"
#include "items/FormWindow.h"
#include "kit/Days.h"
#include "support/FormDriver.h"
#include "support/RecordingPrinter.h"
#include "support/TestRunner.h"

#include <QAction>
#include <QCalendarWidget>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

bool work(CopyTestLib &lib, const QString &job, const QString &day, int copies)
{
    return lib.f.exec(QStringLiteral("INSERT INTO wkr_job_qty (wkr_no_f,job_type,oper_date,kind,volume,amount) "
                                     "VALUES ('W001',%1,%2,1,%3,12.5)")
                          .arg(sqlQuote(job), sqlQuote(day))
                          .arg(copies));
}

int rowOf(QTableView *grid, const QString &name)
{
    for (int r = 0; r < grid->model()->rowCount(); ++r) {
        if (cellText(grid, r, 0) == name)
            return r;
    }
    return -1;
}

} // namespace

class JobStatFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countAndPrint_data() { addBackendRows(); }
    void countAndPrint()
    {
        OPEN_LIB(lib);
        const QDate today = day::today(lib.f.context());
        QVERIFY(today.isValid());
        QVERIFY(work(lib, QStringLiteral("301"), day::text(today), 2));
        QVERIFY(work(lib, QStringLiteral("301"), day::text(today.addYears(-1)), 40));
        QVERIFY(work(lib, QStringLiteral("309"), day::text(today.addYears(-1).addDays(1)), 3));
        RecordingPrinter printer;
        lib.f.context().setPrinter(printer);

        FormWindow window(lib.f.context());
        auto *form = window.openAs<JobStatForm>("mnuStatJob", "frmStatJob");
        QVERIFY(form != nullptr);
        auto *spdJob = child<QTableView>(form, "spdJob");
        auto *cmdStat = child<QPushButton>(form, "cmdStat");
        QVERIFY(spdJob && cmdStat);
        QCOMPARE(child<QLabel>(form, "lblTitle")->text(), QStringLiteral("工号:W001"));
        const int allot = rowOf(spdJob, QStringLiteral("新书分配"));
        const int transfer = rowOf(spdJob, QStringLiteral("书刊调拨"));
        QVERIFY(allot >= 0 && transfer >= 0);
        QCOMPARE(rowOf(spdJob, QStringLiteral("书标打印")), -1);

        // Opened over the twelve months up to today: a year ago is out.
        QCOMPARE(cellText(spdJob, allot, 2), QStringLiteral("2"));
        QCOMPARE(cellText(spdJob, transfer, 2), QStringLiteral("3"));
        QCOMPARE(cellText(spdJob, transfer, 3), QStringLiteral("12.50"));

        child<QRadioButton>(form, "optStatType_1")->setChecked(true);
        child<QCalendarWidget>(form, "calJob")->setSelectedDate(today.addYears(-1));
        QTest::mouseClick(cmdStat, Qt::LeftButton);
        QCOMPARE(cellText(spdJob, allot, 2), QStringLiteral("40"));

        child<QRadioButton>(form, "optStatType_3")->setChecked(true);
        auto *txtBgnDay = child<QLineEdit>(form, "txtBgnDay");
        txtBgnDay->setText(day::text(today));
        QTest::mouseClick(cmdStat, Qt::LeftButton);
        QCOMPARE(cellText(spdJob, allot, 2), QStringLiteral("2"));
        QCOMPARE(cellText(spdJob, transfer, 2), QString());
        QCOMPARE(lib.f.prompter().texts(), QStringList());
        // The mask lets only digits in; a box left half typed is refused.
        txtBgnDay->clear();
        QTest::keyClicks(txtBgnDay, QStringLiteral("2025ab03"));
        QCOMPARE(txtBgnDay->text(), QStringLiteral("2025-03-"));
        QTest::mouseClick(cmdStat, Qt::LeftButton);
        QCOMPARE(lib.f.prompter().texts().size(), 1);
        QCOMPARE(cellText(spdJob, allot, 2), QStringLiteral("2"));

        child<QAction>(form, "PrintPreview")->trigger();
        QCOMPARE(printer.jobs.size(), 1);
        QCOMPARE(printer.jobs.at(0).target, PrintTarget::Preview);
        const QStringList texts = pageTexts(printer.jobs.at(0).document.pages.at(0));
        QVERIFY(texts.contains(QStringLiteral("工作量统计")));
        QVERIFY(texts.contains(QStringLiteral("工号:W001    统计时期：") + day::text(today) + QStringLiteral(" 到 ") +
                               day::text(today)));
        QVERIFY(texts.contains(QStringLiteral("新书分配")));

        QTest::mouseClick(child<QPushButton>(form, "cmdExit"), Qt::LeftButton);
        QTRY_COMPARE(window.openWindows(), 0);
    }
};

KESTRA_TEST(JobStatFormTest)
#include "JobStatFormTest.moc"
