// The rule editor in the real main window, offscreen, driven by its
// controls' names: a subscriber and two classes added through the dialogs,
// a distribution filled, the order changed, the file saved and applied.

#include "assign/AutoAssignCfgForm.h"
#include "assign/AssignRules.h"
#include "assign/AssignSettings.h"
#include "assign/AutoAssign.h"
#include "assign/AutoAssignCfgDialog.h"
#include "items/CopyTestLib.h"
#include "items/FormWindow.h"
#include "support/FormDriver.h"
#include "support/TestRunner.h"
#include "ui/CodeBoxes.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

using namespace kestra;
using namespace kestra::test;
using namespace Qt::StringLiterals;

namespace {

bool selectNode(QWidget *form, const QString &key)
{
    auto *tree = child<QTreeWidget>(form, "trvAutoAssignCfg");
    for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it) {
        if ((*it)->data(0, Qt::UserRole).toString() == key) {
            tree->setCurrentItem(*it);
            return true;
        }
    }
    return false;
}

QString nodeText(QWidget *form, const QString &key)
{
    auto *tree = child<QTreeWidget>(form, "trvAutoAssignCfg");
    for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it) {
        if ((*it)->data(0, Qt::UserRole).toString() == key)
            return (*it)->text(0);
    }
    return QString();
}

CodeBox *statusCell(QDialog *d, int row, int column)
{
    return qobject_cast<CodeBox *>(child<QTableWidget>(d, "spdStatus")->cellWidget(row, column));
}

void pickLocation(QWidget *form, const QString &name)
{
    auto *all = child<QListWidget>(form, "lstLocationAll");
    const QList<QListWidgetItem *> found = all->findItems(name, Qt::MatchExactly);
    if (!found.isEmpty())
        all->setCurrentItem(found.first());
}

void click(QWidget *form, const char *name)
{
    QTest::mouseClick(child<QPushButton>(form, name), Qt::LeftButton);
}

// Fills the class dialog and presses OK; the dialog stays open when refused.
void enterClass(QDialog *d, const QString &label, const QString &spec, const QString &maximum, bool all)
{
    child<QLineEdit>(d, "txtLabel")->setText(label);
    child<QLineEdit>(d, "txtSpec")->setText(spec);
    child<QLineEdit>(d, "txtMaximum")->setText(maximum);
    child<QCheckBox>(d, "chkAll")->setChecked(all);
    click(d, "cmdOK");
}

} // namespace

class AutoAssignCfgFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void editSaveAndApply_data() { addBackendRows(); }
    void editSaveAndApply()
    {
        OPEN_LIB(lib);
        AppContext &c = lib.f.context();
        c.session().rights = {u"3001"_s};
        ScriptedPrompter &prompter = lib.f.prompter();
        FormWindow w(c);
        QWidget *form = w.open("mnuAutoAssignCfg");
        QVERIFY(form != nullptr);
        QCOMPARE(form->objectName(), u"frmAutoAssignCfg"_s);
        auto *save = child<QAction>(form, "Save");
        QVERIFY(!save->isEnabled());

        // Only the holdings locations are offered as subscribers.
        QStringList offered;
        onNextDialog([&offered](QDialog *d) {
            auto *list = child<QListWidget>(d, "lstSubscriber");
            for (int i = 0; i < list->count(); ++i)
                offered << list->item(i)->text();
            list->setCurrentRow(0);
            click(d, "cmdOK");
        });
        child<QAction>(form, "New")->trigger();
        QCOMPARE(offered, QStringList({u"中文图书库"_s, u"外文书库"_s}));
        QCOMPARE(nodeText(form, u"XL1"_s), u"中文图书库"_s);
        QVERIFY(save->isEnabled());

        // The class dialog refuses each incomplete entry with its message.
        QStringList refusals;
        onNextDialog([&](QDialog *d) {
            enterClass(d, u"工业"_s, QString(), u"2"_s, false);
            refusals << prompter.lastText();
            enterClass(d, u"工业"_s, QString(), QString(), true);
            refusals << prompter.lastText();
            enterClass(d, u"工业"_s, u"TP3"_s, u"0"_s, false);
            refusals << prompter.lastText();
            enterClass(d, u"工业"_s, u"TP3"_s, u"2"_s, false);
        });
        child<QAction>(form, "New")->trigger();
        QCOMPARE(refusals, QStringList({u"类别标识，类别代码，最大复本数均不能为空！"_s,
                                        u"类别标识，最大复本数均不能为空！"_s, u"最大复本数不能为零！"_s}));
        QCOMPARE(nodeText(form, u"L1Y1"_s), u"工业(TP3)"_s);

        // The two-copy distribution: counted lines, and no more than two.
        QVERIFY(selectNode(form, u"L1Z1(2)"_s));
        pickLocation(form, u"中文图书库"_s);
        click(form, "cmdAdd");
        click(form, "cmdAdd");
        QCOMPARE(child<QListWidget>(form, "lstLocationName")->item(0)->text(), u"002中文图书库"_s);
        prompter.clear();
        click(form, "cmdAdd");
        QCOMPARE(prompter.lastText(), u"已经达到最大复本数！"_s);
        prompter.answerText(u"x"_s);
        click(form, "cmdAddMany");
        QCOMPARE(prompter.lastText(), u"输入必须是数字，请重新增加。"_s);
        QCOMPARE(nodeText(form, u"L1Z1(2)"_s), u"(002)中文图书库,中文图书库"_s);
        QVERIFY(selectNode(form, u"L1Z1(1)"_s));
        pickLocation(form, u"中文图书库"_s);
        click(form, "cmdAdd");

        // A catch-all below it, placing one copy in L2.
        QVERIFY(selectNode(form, u"XL1"_s));
        onNextDialog([](QDialog *d) { enterClass(d, u"全部"_s, QString(), u"1"_s, true); });
        child<QAction>(form, "New")->trigger();
        QCOMPARE(nodeText(form, u"L1Y2"_s), u"全部(*)"_s);
        QVERIFY(selectNode(form, u"L1Z2(1)"_s));
        pickLocation(form, u"外文书库"_s);
        prompter.answerText(u"1"_s);
        click(form, "cmdAddMany");

        // Saved, the rules apply at once: the upper rule decides ...
        child<QAction>(form, "Save")->trigger();
        QVERIFY(!save->isEnabled());
        QCOMPARE(lib.f.context().codes().settings().assignGroups.groups.value(0).members,
                 QStringList({u"<工业><TP3><L1><L1,L1>"_s, u"<全部><*><L2>"_s}));
        const auto placed = [&c] {
            const AssignRuleSet rules = ruleSetFromGroups(c.codes().settings().assignGroups);
            QList<AssignCopy> copies{{u"L1"_s, u"TP312/45"_s, u"L9"_s, u"17"_s, QString(), false}};
            autoAssign(copies, {rules, c.codes().settings().initialStatus, u"/"_s, {}});
            return copies.at(0).location;
        };
        QCOMPARE(placed(), u"L1"_s);
        // ... and moving the catch-all up changes the result.
        QVERIFY(selectNode(form, u"L1Y2"_s));
        click(form, "cmdUp");
        QCOMPARE(nodeText(form, u"L1Y1"_s), u"全部(*)"_s);
        child<QAction>(form, "Save")->trigger();
        QCOMPARE(placed(), u"L2"_s);

        // Closing with a change asks; "no" leaves the file as saved.
        QVERIFY(selectNode(form, u"L1Y2"_s));
        child<QAction>(form, "Delete")->trigger();
        QVERIFY(save->isEnabled());
        prompter.answer(AnswerCancel);
        child<QAction>(form, "Exit")->trigger();
        QCOMPARE(prompter.lastText(), u"自动分配规则已被修改，是否保存？"_s);
        QCOMPARE(loadRuleSet(c.folders(), c.codePage()).subscribers.value(0).rules.size(), 2);
        QVERIFY(prompter.done());
    }

    // The initial-status dialog shows the file's rows, takes a new one and
    // drops one; OK writes the file and the rules in use read it again.
    void initialStatusDialog_data() { addBackendRows(); }
    void initialStatusDialog()
    {
        OPEN_LIB(lib);
        AppContext &c = lib.f.context();
        c.session().rights = {u"3001"_s};
        QVERIFY(writeSettingsText(statusFilePath(c.folders()), u"L1,41,1\r\nL9,44,0\r\n"_s, c.codePage()));
        FormWindow w(c);
        QWidget *form = w.open("mnuAutoAssignCfg");
        QVERIFY(form != nullptr);
        QStringList shown;
        onNextDialog([&shown](QDialog *d) {
            auto *grid = child<QTableWidget>(d, "spdStatus");
            const auto code = [grid](int r, int col) { return qobject_cast<CodeBox *>(grid->cellWidget(r, col)); };
            for (int r = 0; r < grid->rowCount(); ++r)
                shown << code(r, 0)->currentCode() + u',' + code(r, 1)->currentCode();
            grid->setCurrentCell(1, 0);
            click(d, "cmdRemoveRow");
            click(d, "cmdAddRow");
            QVERIFY(code(1, 0)->setCurrentCode(u"L2"_s));
            QVERIFY(code(1, 1)->setCurrentCode(u"43"_s));
            qobject_cast<QCheckBox *>(grid->cellWidget(1, 2))->setChecked(false);
            click(d, "cmdOK");
        });
        child<QAction>(form, "InitStatus")->trigger();
        // L9 is no location of the list: its row keeps the code rather than
        // showing another location.
        QCOMPARE(shown, QStringList({u"L1,41"_s, u"L9,44"_s}));
        const InitialStatusTable saved = loadInitialStatus(c.folders(), c.codePage());
        QCOMPARE(saved.rows.size(), 2);
        QCOMPARE(saved.rows.at(1).location + saved.rows.at(1).status + saved.rows.at(1).release, u"L2430"_s);
        QList<AssignCopy> copies{{u"L1"_s, u"TP312/45"_s, u"L2"_s, u"41"_s, QString(), true}};
        autoAssign(copies, {AssignRuleSet{}, c.codes().settings().initialStatus, u"/"_s, {}});
        QCOMPARE(copies.at(0).status + (copies.at(0).release ? u"+" : u"-"), u"43-"_s);
    }

    // A rule file with lines that are no rule says so when the editor opens.
    void namesLinesNotUnderstood_data() { addBackendRows(); }
    void namesLinesNotUnderstood()
    {
        OPEN_LIB(lib);
        AppContext &c = lib.f.context();
        c.session().rights = {u"3001"_s};
        lib.f.tc.writeFile(u"CFG/Dc/DCcfg.ini"_s, QByteArray("[L1]\r\n<a><*><L1>\r\n<b><I\r\n"));
        FormWindow w(c);
        QVERIFY(w.open("mnuAutoAssignCfg") != nullptr);
        QCOMPARE(lib.f.prompter().lastText(),
                 u"自动分配规则文件中有1行无法识别，分配时不使用，保存时原样保留：\n<b><I"_s);
    }

    // Rows the dialog does not know keep their codes, shown as unknown: OK
    // without an edit writes the file back as it was, also when the
    // location list could not be read. Empty and repeated locations are
    // refused.
    void initialStatusKeepsUnknownRows_data() { addBackendRows(); }
    void initialStatusKeepsUnknownRows()
    {
        OPEN_LIB(lib);
        AppContext &c = lib.f.context();
        ScriptedPrompter &prompter = lib.f.prompter();
        const QByteArray file("XX,43,0\r\nL1,33,1\r\nL2,41,0\r\n");
        lib.f.tc.writeFile(u"CFG/Dc/dccfg1.ini"_s, file);
        QueryResult locations;
        QVERIFY(loadLocationChoices(c, locations) >= 0);
        QStringList shown;
        {
            InitialStatusDialog dialog(c, locations);
            onNextDialog([&shown](QDialog *d) {
                shown << statusCell(d, 0, 0)->currentText() << statusCell(d, 1, 1)->currentText();
                click(d, "cmdOK");
            });
            QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        }
        QCOMPARE(shown, QStringList({u"XX（未知）"_s, u"33（未知）"_s}));
        QCOMPARE(lib.f.tc.readFile(u"CFG/Dc/dccfg1.ini"_s), file);

        QStringList refusals;
        {
            InitialStatusDialog dialog(c, locations);
            onNextDialog([&](QDialog *d) {
                click(d, "cmdAddRow");
                click(d, "cmdOK");
                refusals << prompter.lastText();
                QVERIFY(statusCell(d, 3, 0)->setCurrentCode(u"L1"_s));
                click(d, "cmdOK");
                refusals << prompter.lastText();
                QVERIFY(statusCell(d, 3, 1)->setCurrentCode(u"43"_s));
                click(d, "cmdOK");
                refusals << prompter.lastText();
                click(d, "cmdCancel");
            });
            QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        }
        QCOMPARE(refusals,
                 QStringList({u"第4行没有选择馆藏地！"_s, u"第4行没有选择状态！"_s, u"第4行的馆藏地L1重复！"_s}));
        QCOMPARE(lib.f.tc.readFile(u"CFG/Dc/dccfg1.ini"_s), file);

        // No location list: every row keeps its code.
        {
            InitialStatusDialog dialog(c, QueryResult());
            onNextDialog([](QDialog *d) { click(d, "cmdOK"); });
            QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        }
        QCOMPARE(lib.f.tc.readFile(u"CFG/Dc/dccfg1.ini"_s), file);
        QVERIFY(prompter.done());
    }
};

KESTRA_TEST(AutoAssignCfgFormTest)
#include "AutoAssignCfgFormTest.moc"
