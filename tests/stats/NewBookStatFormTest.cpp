// The new-book statistic window in the real main window, offscreen: opened
// from its command over the last twelve months, counted for March of a year
// and for marked batches, and printed under its conditions, all by the
// controls' names.

#include "stats/NewBookStatForm.h"
#include "items/CopyTestLib.h"
#include "items/FormWindow.h"
#include "kit/Days.h"
#include "support/FormDriver.h"
#include "support/RecordingPrinter.h"
#include "support/TestRunner.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

bool copy(CopyTestLib &lib, const QString &prop, const QString &location, const QString &inDate, const QString &batch)
{
    return lib.f.exec(QStringLiteral("INSERT INTO indi_acct (prop_no,marc_rec_no,bar_code,dis_location,location,"
                                     "book_stat_code,in_date,chk_batch_no,move_batch,price) "
                                     "VALUES (%1,'M1',%1,%2,%2,'41',%3,'C1',%4,12.5)")
                          .arg(sqlQuote(prop), sqlQuote(location), sqlQuote(inDate), sqlQuote(batch))) &&
           lib.f.exec(QStringLiteral("INSERT INTO transfer_doc (move_batch,chk_batch_no,marc_rec_no,send_store_date) "
                                     "VALUES (%1,%2,'M1',%3)")
                          .arg(sqlQuote(batch), sqlQuote(prop), sqlQuote(inDate)));
}

QStringList gridLines(QTableView *grid)
{
    QStringList out;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        out.append(cellText(grid, r, 0) + u' ' + cellText(grid, r, 1) + u'/' + cellText(grid, r, 2));
    return out;
}

} // namespace

class NewBookStatFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countAndPrint_data() { addBackendRows(); }
    void countAndPrint()
    {
        OPEN_LIB(lib);
        const QDate today = day::today(lib.f.context());
        QVERIFY(today.isValid());
        const QString recent = day::text(today.addDays(-3));
        QVERIFY(lib.record(QStringLiteral("M1"), QStringLiteral("呐喊"), QStringLiteral("鲁迅")));
        QVERIFY(copy(lib, QStringLiteral("P1"), QStringLiteral("L1"), recent, QStringLiteral("B9")));
        QVERIFY(
            copy(lib, QStringLiteral("P2"), QStringLiteral("L1"), QStringLiteral("2020-03-05"), QStringLiteral("B1")));
        QVERIFY(
            copy(lib, QStringLiteral("P3"), QStringLiteral("L2"), QStringLiteral("2020-03-31"), QStringLiteral("B2")));
        QVERIFY(
            copy(lib, QStringLiteral("P4"), QStringLiteral("L2"), QStringLiteral("2020-04-01"), QStringLiteral("B3")));
        RecordingPrinter printer;
        lib.f.context().setPrinter(printer);

        FormWindow window(lib.f.context());
        auto *form = window.openAs<NewBookStatForm>("mnuNewBookAllotStat", "frmNewBookAllStat");
        QVERIFY(form != nullptr);
        auto *grid = child<QTableView>(form, "SpdNewBookAllotStat");
        QAction *go = child<QAction>(form, "go");
        QVERIFY(grid && go);

        // The last twelve months when it opens.
        QCOMPARE(gridLines(grid), (QStringList{"中文图书库 1/1", "合计 1/1"}));
        QVERIFY(child<QLineEdit>(form, "txtStatTime")
                    ->text()
                    .endsWith(QStringLiteral(" 到 ") + today.toString(QStringLiteral("yyyy-MM-dd"))));

        child<QComboBox>(form, "cobStatType")->setCurrentIndex(1);
        child<QSpinBox>(form, "txtYear")->setValue(2020);
        child<QComboBox>(form, "cobMonth")->setCurrentIndex(2);
        QCOMPARE(child<QLineEdit>(form, "txtStatTime")->text(), QStringLiteral("2020-03"));
        go->trigger();
        QCOMPARE(gridLines(grid), (QStringList{"中文图书库 1/1", "外文书库 1/1", "合计 1/2"}));

        // The batches sent in March; one marked narrows the count.
        child<QCheckBox>(form, "chkBatch")->setChecked(true);
        auto *lstBatch = child<QListWidget>(form, "lstBatch");
        QCOMPARE(lstBatch->count(), 2);
        QTest::mouseClick(child<QPushButton>(form, "cmdAll"), Qt::LeftButton);
        lstBatch->item(0)->setCheckState(Qt::Unchecked);
        go->trigger();
        QCOMPARE(gridLines(grid), (QStringList{"外文书库 1/1", "合计 1/1"}));
        QTest::mouseClick(child<QPushButton>(form, "cmdNone"), Qt::LeftButton);
        QCOMPARE(lstBatch->item(1)->checkState(), Qt::Unchecked);

        // Printed under the conditions of the figures shown.
        child<QAction>(form, "print")->trigger();
        QCOMPARE(printer.jobs.size(), 1);
        const QStringList texts = pageTexts(printer.jobs.at(0).document.pages.at(0));
        for (const char *line :
             {"新书分配统计", "统计时期 : 2020-03", "文献类型: [全部]", "语种：[全部]", "交接批次：B2"})
            QVERIFY2(texts.contains(QString::fromUtf8(line)), line);
        QCOMPARE(texts.filter(QStringLiteral("制表人：")).size(), 1);
        // The chart's page after the list: the locations' bars, the total left out.
        QCOMPARE(printer.jobs.at(0).document.pages.size(), 2);
        const QStringList chart = pageTexts(printer.jobs.at(0).document.pages.at(1));
        QVERIFY(chart.contains(QStringLiteral("外文书库")));
        QVERIFY(!chart.contains(QStringLiteral("合计")));
        QCOMPARE(lib.f.prompter().texts(), QStringList());

        // The new copies of the location of the current row, for the
        // figures shown (March, batch B2).
        grid->setCurrentIndex(grid->model()->index(0, 0));
        child<QAction>(form, "book")->trigger();
        QMdiSubWindow *sub = window.main->mdiArea()->activeSubWindow();
        QVERIFY(sub != nullptr && sub->widget()->objectName() == QStringLiteral("frmNewBookList"));
        auto *list = child<QTableView>(sub->widget(), "spdBookLst");
        QCOMPARE(list->model()->rowCount(), 1);
        QCOMPARE(cellText(list, 0, 0), QStringLiteral("P3"));

        child<QAction>(form, "exit")->trigger();
        QTRY_COMPARE(window.openWindows(), 1);
    }
};

KESTRA_TEST(NewBookStatFormTest)
#include "NewBookStatFormTest.moc"
