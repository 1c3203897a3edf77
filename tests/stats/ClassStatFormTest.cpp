// The four class-statistics windows in the real main window on the demo
// library, offscreen: each opened from its command, its first figures
// against the same copies counted directly, the location refusal, the
// custom template left empty and then filled, and the printout with its
// heading lines and the chart's page.

#include "stats/ClassStatForm.h"
#include "admin/DemoData.h"
#include "items/FormWindow.h"
#include "kit/Days.h"
#include "stats/StatChartWidget.h"
#include "support/FormDriver.h"
#include "support/RecordingPrinter.h"
#include "support/SuiteFixture.h"
#include "support/TestRunner.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QTableView>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

const QString Holdings = QStringLiteral(" AND indi_acct.book_stat_code NOT IN ('11','12','13','14','15','16','17',"
                                        "'34','35','36','37','38','39')");

// Copies and titles of the demo counted directly: "titles/copies".
QString direct(SuiteFixture &f, const QString &where)
{
    return f.one(QStringLiteral("SELECT COUNT(distinct indi_acct.marc_rec_no) FROM indi_acct, marc WHERE "
                                "indi_acct.marc_rec_no = marc.marc_rec_no") +
                 where) +
           u'/' +
           f.one(QStringLiteral("SELECT COUNT(*) FROM indi_acct, marc WHERE indi_acct.marc_rec_no = marc.marc_rec_no") +
                 where);
}

QString figures(ClassStat &stat, int row)
{
    if (row < 0)
        row += stat.grid().rowCount();
    return stat.grid().text(row, 1) + u'/' + stat.grid().text(row, 2);
}

void chooseData(QComboBox *box, const QString &code)
{
    const int at = box->findData(code);
    QVERIFY2(at >= 0, qPrintable(code));
    box->setCurrentIndex(at);
}

} // namespace

class ClassStatFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windowsOnTheDemo_data() { addBackendRows(); }
    void windowsOnTheDemo()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        QString why;
        if (!f.open(backend, &why)) {
            if (!f.database)
                QSKIP(qPrintable(why));
            QFAIL(qPrintable(why));
        }
        DemoOptions o;
        o.scale = 60;
        o.workstation = QStringLiteral("demo-pc");
        DemoReport report;
        QVERIFY2(generateDemoLibrary(f.db(), o, &report, &why) == 0, qPrintable(why));
        f.context().session().operatorNo = QStringLiteral("DC01");
        RecordingPrinter printer;
        f.context().setPrinter(printer);
        FormWindow window(f.context());

        // Every location's holdings by the mixed template.
        auto *all = window.openAs<ClassStatForm>("mnuAllLocaStat", "frmAllLocaStat");
        QVERIFY(all != nullptr);
        chooseData(child<QComboBox>(all, "cboTemplate"), QStringLiteral("U01"));
        child<QAction>(all, "go")->trigger();
        ClassStat &allStat = all->controller();
        QCOMPARE(allStat.grid().rowCount(), 12);
        QCOMPARE(allStat.grid().text(9, 0), QStringLiteral("文化教育"));
        QCOMPARE(figures(allStat, -1), direct(f, Holdings));
        QCOMPARE(figures(allStat, 0),
                 direct(f, Holdings + QStringLiteral(" AND EXISTS (SELECT 1 FROM call_no_lst c WHERE c.call_no = "
                                                     "indi_acct.call_no AND c.cls_id = '1' AND (c.call_no LIKE 'A%' "
                                                     "OR c.call_no LIKE 'B%'))")));
        QCOMPARE(child<StatChartWidget>(all, "chtStat")->data().labels.size(), 10);
        child<QAction>(all, "print")->trigger();
        QCOMPARE(printer.jobs.size(), 1);
        const QList<Page> &pages = printer.jobs.at(0).document.pages;
        QVERIFY(pages.size() >= 2);
        QVERIFY(pageTexts(pages.first()).contains(QStringLiteral("全馆藏书分类统计")));
        QVERIFY(pageTexts(pages.first()).contains(QStringLiteral("分类模板： 学科分布（范围与前缀）")));
        QVERIFY(pageTexts(pages.last()).contains(QStringLiteral("文化教育")));

        // The intake of the last twelve months at chosen locations.
        auto *intake = window.openAs<ClassStatForm>("mnuStoreClassStat", "frmNewBookLocaClsStat");
        QVERIFY(intake != nullptr);
        chooseData(child<QComboBox>(intake, "cboTemplate"), QStringLiteral("S03"));
        QCOMPARE(intake->controller().current().schemes.size(), 2);
        child<QAction>(intake, "go")->trigger();
        QVERIFY(f.prompter().texts().value(0).contains(QStringLiteral("请选择馆藏地")));
        auto *cobLoca = child<QListWidget>(intake, "cobLoca");
        for (int i = 0; i < cobLoca->count(); ++i) {
            const QString code = cobLoca->item(i)->data(Qt::UserRole).toString();
            if (code == u"SK" || code == u"XS")
                cobLoca->item(i)->setCheckState(Qt::Checked);
        }
        child<QAction>(intake, "go")->trigger();
        QCOMPARE(intake->controller().grid().rowCount(), 32);
        const QDate today = day::today(f.context());
        const QString since = day::text(today.addYears(-1).addDays(1)) +
                              QStringLiteral("' AND substr(indi_acct.in_date,1,10) <= '") + day::text(today);
        QCOMPARE(figures(intake->controller(), -1),
                 direct(f, QStringLiteral(" AND substr(indi_acct.in_date,1,10) >= '%1' AND "
                                          "indi_acct.chk_batch_no is not null AND indi_acct.dis_location IN "
                                          "('SK','XS')")
                               .arg(since)));

        // The custom template: refused empty, counted once filled.
        f.prompter().clear();
        auto *cboTemplate = child<QComboBox>(intake, "cboTemplate");
        cboTemplate->setCurrentIndex(cboTemplate->count() - 1);
        child<QAction>(intake, "go")->trigger();
        QVERIFY(f.prompter().texts().value(0).contains(QStringLiteral("自定义模板为空")));
        QAbstractItemModel *custom = child<QTableView>(intake, "spdCustom")->model();
        QVERIFY(custom->setData(custom->index(0, 0), QStringLiteral("全部"), Qt::EditRole));
        QVERIFY(custom->setData(custom->index(0, 1), QStringLiteral("1"), Qt::EditRole));
        QVERIFY(custom->setData(custom->index(0, 2), QStringLiteral("A~Z"), Qt::EditRole));
        child<QAction>(intake, "go")->trigger();
        QCOMPARE(intake->controller().grid().rowCount(), 3);
        QCOMPARE(intake->controller().grid().text(0, 0), QStringLiteral("全部"));

        // One location: its new books and its holdings.
        for (const char *command : {"mnuNewBookLoca", "mnuLocaStat"}) {
            auto *one = qobject_cast<ClassStatForm *>(window.open(command));
            QVERIFY(one != nullptr);
            chooseData(child<QComboBox>(one, "cboTemplate"), QStringLiteral("U01"));
            chooseData(child<QComboBox>(one, "cobLoca"), QStringLiteral("SK"));
            child<QAction>(one, "go")->trigger();
            const QString where = one->controller().kind() == ClassStatKind::Holdings
                                      ? Holdings
                                      : QStringLiteral(" AND substr(indi_acct.in_date,1,10) >= '%1' AND "
                                                       "indi_acct.chk_batch_no is not null")
                                            .arg(since);
            QCOMPARE(figures(one->controller(), -1),
                     direct(f, where + QStringLiteral(" AND indi_acct.dis_location = 'SK'")));
        }
        QCOMPARE(window.openWindows(), 4);
    }
};

KESTRA_TEST(ClassStatFormTest)
#include "ClassStatFormTest.moc"
