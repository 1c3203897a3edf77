// The stock-taking windows in the real main window, offscreen, on the demo
// library: the scan window opened from its command, its batch picked in the
// batch list, a copy scanned, a small scanner file with problems imported;
// then the statistics window opened from it and run, and the missing-copy
// window listing what the finished counts missed.

#include "admin/DemoData.h"
#include "core/CodeTables.h"
#include "core/Session.h"
#include "inventory/BookCountForm.h"
#include "inventory/CountLostForm.h"
#include "inventory/CountReportForm.h"
#include "items/FormWindow.h"
#include "support/FormDriver.h"
#include "support/SuiteFixture.h"
#include "support/TestRunner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace kestra;
using namespace kestra::test;
using namespace Qt::StringLiterals;

class StockTakeFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void scanImportAndReportOnTheDemoLibrary_data() { addBackendRows(); }
    void scanImportAndReportOnTheDemoLibrary()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        DemoOptions o;
        o.scale = 300;
        o.seed = 5;
        QString error;
        DemoReport demo;
        QVERIFY2(generateDemoLibrary(f.db(), o, &demo, &error) == 0, qPrintable(error));
        AppContext &c = f.context();
        c.session().operatorNo = u"ROOT"_s;
        c.setAllLocations(QueryResult());
        QVERIFY(c.codes().load(CodeCache::AllLocations) == 0 && c.codes().loadLocations(u"2"_s) == 0);
        ScriptedPrompter &prompter = f.prompter();

        const QString open = f.one(u"SELECT count_batch_no FROM count_data WHERE finish_flag='0'"_s);
        const QString fresh = f.one(u"SELECT min(a.bar_code) FROM indi_acct a, item i, count_data d WHERE "
                                    "d.count_batch_no="_s +
                                    sqlQuote(open) +
                                    u" AND a.dis_location=d.location AND a.book_stat_code='41' AND "
                                    "a.call_no LIKE 'I%' AND i.prop_no=a.prop_no AND i.book_lend_flag='0' AND NOT "
                                    "EXISTS (SELECT 1 FROM wait_count_lst w WHERE w.prop_no=a.prop_no AND "
                                    "w.count_batch_no=d.count_batch_no)"_s);
        QVERIFY(!open.isEmpty() && !fresh.isEmpty());

        FormWindow window(c);
        auto *form = window.openAs<BookCountForm>("mnuHoldCount", "frmHold_BookCount_New");
        QVERIFY(form != nullptr);
        QVERIFY(!child<QAction>(form, "Import")->isEnabled()); // no batch yet

        // The batch list: the open batch chosen with OK.
        onNextDialog([open](QDialog *dialog) {
            auto *grid = dialog->findChild<QTableView *>(u"spdBatch"_s);
            for (int r = 0; grid != nullptr && r < grid->model()->rowCount(); ++r) {
                const QModelIndex i = grid->model()->index(r, grid->model()->columnCount() - 1);
                if (i.data().toString() == open)
                    grid->setCurrentIndex(i);
            }
            dialog->findChild<QPushButton *>(u"cmdOK"_s)->click();
        });
        form->runCommand(u"SelectBatch"_s);
        QCOMPARE(form->controller().batch().number, open);
        auto *lblProgress = child<QLabel>(form, "lblProgress");
        QVERIFY(lblProgress->text().startsWith(u"应清点"_s));
        const QString before = lblProgress->text();

        auto *txtInputCode = child<QLineEdit>(form, "txtInputCode");
        scanCode(txtInputCode, fresh);
        auto *spdBookLst = child<QTableView>(form, "spdBookLst");
        QCOMPARE(spdBookLst->model()->rowCount(), 1);
        QVERIFY(lblProgress->text() != before);

        // A scanner file: the copy again and a code no copy has.
        QTemporaryDir dir;
        const QString path = dir.filePath(u"pda.txt"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write((fresh + u"\r\nNOSUCH\r\n"_s).toUtf8());
        file.close();
        prompter.answerFile(path);
        form->runCommand(u"Import"_s);
        QVERIFY(QFile::exists(BookCount::problemFileFor(path)));
        QVERIFY(prompter.lastText().startsWith(u"某些书刊存在问题"_s));
        QCOMPARE(spdBookLst->model()->rowCount(), 1);

        // The statistics window, opened with the batch, run and shown.
        form->runCommand(u"CheckStat"_s);
        auto *report = qobject_cast<CountReportForm *>(window.main->mdiArea()->activeSubWindow()->widget());
        QVERIFY(report != nullptr);
        QCOMPARE(child<QLineEdit>(report, "txtCountBatchNo")->text(), open);
        prompter.answer(AnswerOk);
        child<QPushButton>(report, "cmdStat")->click();
        QCOMPARE(f.one(u"SELECT finish_flag FROM count_data WHERE count_batch_no="_s + sqlQuote(open)), u"1"_s);
        auto *summary = child<QTableWidget>(report, "spdBookLst3");
        QCOMPARE(summary->rowCount(), 7);
        QVERIFY(child<QTableView>(report, "spdBookLst0")->model()->rowCount() > 0);

        // The missing copies of the demo's finished counts.
        form->runCommand(u"LostView"_s);
        auto *lost = qobject_cast<CountLostForm *>(window.main->mdiArea()->activeSubWindow()->widget());
        QVERIFY(lost != nullptr);
        const QString stacks = f.one(u"SELECT min(location) FROM count_data WHERE count_batch_no LIKE '%-00'"_s);
        lost->setArguments({{u"location"_s, stacks}});
        QVERIFY(child<QComboBox>(lost, "cmbCountBatchNo")->count() >= 3);
        child<QPushButton>(lost, "cmdView")->click();
        const int all = child<QTableView>(lost, "spdBookLst")->model()->rowCount();
        QVERIFY(all > 0);
        child<QCheckBox>(lost, "chkCount")->setChecked(true);
        child<QPushButton>(lost, "cmdView")->click();
        const int twice = child<QTableView>(lost, "spdBookLst")->model()->rowCount();
        QVERIFY2(
            twice > 0 && twice < all,
            qPrintable(u"all %1, twice %2, batch '%3', lost rows %4"_s.arg(all).arg(twice).arg(
                child<QComboBox>(lost, "cmbCountBatchNo")->currentText(),
                f.one(u"SELECT count(*) FROM count_lost_copy WHERE flag='0' AND location="_s + sqlQuote(stacks)))));
        QVERIFY(prompter.done());
    }
};

KESTRA_TEST(StockTakeFormTest)
#include "StockTakeFormTest.moc"
