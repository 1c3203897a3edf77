// The add-ins in the real main window, offscreen: menu entries and toolbar
// buttons in manifest order, a broken manifest reported while the others
// load, start-up commands, the sample Qt plugin called with the passwords
// masked, and the manager's removal mark carried out when the window closes.

#include "addins/AddinManagerWindow.h"
#include "core/Preferences.h"
#include "shell/MainWindow.h"
#include "shell/ProgramForms.h"
#include "support/SuiteFixture.h"
#include "support/TestRunner.h"
#include "ui/FormRegistry.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>

using namespace kestra;
using namespace kestra::test;

namespace {

void putAddinFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The action names after a separator of that name, in order.
QStringList actionsAfter(const QList<QAction *> &actions, const QString &separator)
{
    QStringList names;
    bool after = false;
    for (QAction *a : actions) {
        if (after)
            names.append(a->objectName());
        after = after || a->objectName() == separator;
    }
    return names;
}

QByteArray readAddinOutput(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QWidget *topLevel(const QString &name)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == name)
            return w;
    }
    return nullptr;
}

} // namespace

class AddinsWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mainWindowRunsAddins_data() { addBackendRows(); }
    void mainWindowRunsAddins()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        const QString addins = f.context().folders().root() + QStringLiteral("addins/");
        const QString out = f.context().folders().root() + QStringLiteral("started.out");
        putAddinFile(addins + QStringLiteral("a-tools/addin.xml"),
                     "<AddIn id='tools' name='工具集' version='3.2' provider='馆员' description='两个入口'>"
                     "<Initialize><Process shortcut='[Program]mark(%C001%)'/></Initialize>"
                     "<Option ShortCut='[Program]mark(settings)'/>"
                     "<Extension path='%frmMain%\\%MainMenu%'><MenuItem id='a2' caption='第二'/>"
                     "<CommandItem id='wrongType'/><MenuItem id='a1'>第一</MenuItem></Extension>"
                     "<Extension path='%frmMain%\\%Toolbar%\\Standard'><CommandItem id='aTool' caption='工具'/>"
                     "</Extension></AddIn>");
        putAddinFile(addins + QStringLiteral("a-tools/mark"), "#!/bin/sh\nprintf '%s' \"$1\" > '" + out.toUtf8() +
                                                                  ".part' && mv '" + out.toUtf8() + ".part' '" +
                                                                  out.toUtf8() + "'\n");
        QFile::setPermissions(addins + QStringLiteral("a-tools/mark"), QFile::ReadOwner | QFile::ExeOwner);
        putAddinFile(addins + QStringLiteral("b-broken/addin.xml"), "<AddIn><Extension></AddIn>");
        const QString sample = QCoreApplication::applicationDirPath() + QStringLiteral("/../addins/ShowVariables/");
        QVERIFY(QDir().mkpath(addins + QStringLiteral("z-show")));
        for (const char *file : {"addin.xml", "libshowvariables.so"})
            QVERIFY2(
                QFile::copy(sample + QLatin1String(file), addins + QStringLiteral("z-show/") + QLatin1String(file)),
                file);

        SessionValues &s = f.context().session();
        s.operatorNo = QStringLiteral("W001");
        s.password = QStringLiteral("op secret");
        QTemporaryDir settingsDir;
        UserSettingsStore settings(settingsDir.filePath(QStringLiteral("user.ini")));
        FormRegistry forms;
        registerForms(forms);
        auto window = std::make_unique<MainWindow>(f.context(), forms, settings);

        QVERIFY(f.prompter().texts().join(u'|').contains(QStringLiteral("不能调用插件定义文件")));
        QVERIFY(f.prompter().texts().join(u'|').contains(QStringLiteral("b-broken")));
        auto *tools = window->findChild<QMenu *>(QStringLiteral("mnuTool"));
        QCOMPARE(actionsAfter(tools->actions(), QStringLiteral("mnuToolAddinSeparator")),
                 QStringList({"a2", "a1", "mnuAddinShowVariables", "mnuAddinShowVersion"}));
        QCOMPARE(window->findChild<QAction *>(QStringLiteral("a1"))->text(), QStringLiteral("第一"));
        auto *toolbar = window->findChild<QToolBar *>(QStringLiteral("tbToolbar"));
        QCOMPARE(actionsAfter(toolbar->actions(), QStringLiteral("SplitAddins")), QStringList({"aTool"}));
        QTRY_COMPARE_WITH_TIMEOUT(readAddinOutput(out), QByteArray("W001"), 20000); // the start-up command ran

        // The sample plugin: both passwords masked, the object found by name.
        window->findChild<QAction *>(QStringLiteral("mnuAddinShowVariables"))->trigger();
        QPointer<QWidget> shown = topLevel(QStringLiteral("frmShowVariables"));
        QVERIFY(shown);
        auto *table = shown->findChild<QTableWidget *>(QStringLiteral("spdVariables"));
        QCOMPARE(table->rowCount(), 5);
        QCOMPARE(table->item(0, 1)->text(), f.context().folders().root());
        QCOMPARE(table->item(3, 0)->text(), QStringLiteral("%B004%"));
        QCOMPARE(table->item(3, 1)->text(), QStringLiteral("******"));
        QCOMPARE(table->item(4, 1)->text(), QStringLiteral("******"));
        window->findChild<QAction *>(QStringLiteral("mnuAddinShowVersion"))->trigger();
        shown = topLevel(QStringLiteral("frmShowVariables"));
        table = shown->findChild<QTableWidget *>(QStringLiteral("spdVariables"));
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("W001"));
        QCOMPARE(table->item(1, 1)->text(), QStringLiteral("1.0.0"));
        QVERIFY(QDate::fromString(table->item(2, 1)->text(), QStringLiteral("yyyy-MM-dd")).isValid());
        QCOMPARE(table->item(4, 1)->text(), QStringLiteral("QToolBar tbToolbar"));

        // The manager lists what loaded; the marked add-in goes with the window
        // and its plugin's window with it.
        window->runCommand(QStringLiteral("mnuToolAddins"));
        auto *manager = window->findChild<AddinManagerWindow *>(QStringLiteral("frmAddinManager"));
        QVERIFY(manager);
        auto *list = manager->findChild<QTableWidget *>(QStringLiteral("spdAddinLst"));
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(list->item(0, 0)->text(), QStringLiteral("工具集"));
        QCOMPARE(list->item(0, 1)->text(), QStringLiteral("3.2"));
        QCOMPARE(list->item(0, 2)->text(), QStringLiteral("馆员"));
        // The add-in's settings command, from the manager.
        list->setCurrentCell(0, 0);
        manager->findChild<QPushButton *>(QStringLiteral("cmdOption"))->click();
        QTRY_COMPARE_WITH_TIMEOUT(readAddinOutput(out), QByteArray("settings"), 20000);
        list->setCurrentCell(1, 0);
        QVERIFY(!manager->findChild<QPushButton *>(QStringLiteral("cmdOption"))->isEnabled());
        manager->toggleRemoval(0);
        QCOMPARE(list->item(0, 4)->text(), QStringLiteral("退出时删除"));
        // Closing unloads them; an entry triggered afterwards does nothing.
        QAction *entry = window->findChild<QAction *>(QStringLiteral("mnuAddinShowVariables"));
        f.prompter().answer(AnswerOk);
        QVERIFY(window->close());
        QVERIFY(!shown);
        entry->trigger();
        QVERIFY(!topLevel(QStringLiteral("frmShowVariables")));
        window.reset();
        QVERIFY(!QFileInfo::exists(addins + QStringLiteral("a-tools")));
        QVERIFY(QFileInfo::exists(addins + QStringLiteral("z-show/addin.xml")));
    }
};

KESTRA_TEST(AddinsWindowTest)
#include "AddinsWindowTest.moc"
