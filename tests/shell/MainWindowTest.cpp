// The real main window, offscreen, over a suite database: commands offered by
// the operator's rights and the forms that exist, single and multiple
// instances, the refused right, the re-login clock, the closing question and
// the login and logout lines of the operation log.

#include "shell/MainWindow.h"
#include "core/Preferences.h"
#include "core/Session.h"
#include "support/SuiteFixture.h"
#include "support/TestRunner.h"
#include "ui/FormRegistry.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kestra;
using namespace kestra::test;

namespace {

// A form that takes arguments, remembers every set it was handed and keeps
// its services, as a form that opens others does.
class TargetForm : public QWidget, public FormTarget {
public:
    explicit TargetForm(const FormServices &services) : services(services) {}
    void setArguments(const FormArgs &args) override { handed.append(args); }

    FormServices services;
    QList<FormArgs> handed;
};

FormRegistry dummyForms()
{
    FormRegistry forms;
    auto make = [](const FormServices &, const FormArgs &args) {
        auto *w = new QWidget;
        w->setProperty("mode", formMode(args));
        return w;
    };
    forms.add(QStringLiteral("frmHold_BookState"), make);
    forms.add(QStringLiteral("frmHold_BookPR_EX_RJ"), make);
    forms.add(QStringLiteral("frmHold_BookRepair"), make);
    auto target = [](const FormServices &services, const FormArgs &) { return new TargetForm(services); };
    forms.add(QStringLiteral("frmTransferDoc"), target, QStringLiteral("3001")); // no command names it
    forms.add(QStringLiteral("frmLogSearch"), target);                           // its command needs no right
    return forms;
}

struct Window {
    SuiteFixture f;
    QTemporaryDir settingsDir;
    std::unique_ptr<UserSettingsStore> settings;
    FormRegistry forms = dummyForms();
    std::unique_ptr<MainWindow> window;
    QStringList reLogins;

    bool open(int backend, const QStringList &rights, QString *why)
    {
        if (!f.open(backend, why))
            return false;
        SessionValues &s = f.context().session();
        s.operatorNo = QStringLiteral("W001");
        s.workstation = QStringLiteral("PC-DESK1");
        s.rights = rights;
        settings = std::make_unique<UserSettingsStore>(settingsDir.filePath(QStringLiteral("user.ini")));
        window = std::make_unique<MainWindow>(f.context(), forms, *settings);
        window->setReLoginHandler([this](const QString &status) {
            reLogins.append(status);
            return true;
        });
        return true;
    }
    int logRows(const char *type)
    {
        return f
            .one(QStringLiteral("select count(*) from log_detl where log_type='%1' and wkr_no='W001'")
                     .arg(QLatin1String(type)))
            .toInt();
    }
};

#define OPEN_WINDOW(w, rights)                                                                                         \
    QFETCH(int, backend);                                                                                              \
    Window w;                                                                                                          \
    {                                                                                                                  \
        QString why_;                                                                                                  \
        if (!w.open(backend, rights, &why_)) {                                                                         \
            if (!w.f.database)                                                                                         \
                QSKIP(qPrintable(why_));                                                                               \
            QFAIL(qPrintable(why_));                                                                                   \
        }                                                                                                              \
    }

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandsFollowRightsAndForms_data() { addBackendRows(); }
    void commandsFollowRightsAndForms()
    {
        OPEN_WINDOW(w, (QStringList{QStringLiteral("3000"), QStringLiteral("3010"), QStringLiteral("3008")}));
        MainWindow &mw = *w.window;
        QCOMPARE(mw.windowTitle(), QStringLiteral("Orvane文献信息服务系统Kestra1.0 - 典藏"));
        QCOMPARE(mw.findChild<QLabel *>(QStringLiteral("sbStatusPanel1"))->text(),
                 w.f.context().params().text(1) + QStringLiteral(" - W001"));
        QVERIFY(mw.action(QStringLiteral("mnuHoldStatus"))->isEnabled());     // right and form
        QVERIFY(mw.action(QStringLiteral("mnuHoldRejectBook"))->isEnabled()); // right and form
        QVERIFY(!mw.action(QStringLiteral("mnuHoldRepair"))->isEnabled());    // form, no right 3002
        QVERIFY(!mw.action(QStringLiteral("mnuHoldNewAssign"))->isEnabled()); // no form yet
        QVERIFY(mw.action(QStringLiteral("mnuExit"))->isEnabled());
        auto *repairButton = mw.findChild<QAction *>(QStringLiteral("Repair"));
        QVERIFY(repairButton != nullptr);
        QVERIFY(!repairButton->isEnabled());
        QVERIFY(mw.findChild<QAction *>(QStringLiteral("Reject"))->isEnabled());
        // The login is in the operation log.
        QCOMPARE(w.logRows("60042"), 1);
    }

    void singleAndMultipleInstances_data() { addBackendRows(); }
    void singleAndMultipleInstances()
    {
        OPEN_WINDOW(w, (QStringList{QStringLiteral("3010"), QStringLiteral("3008"), QStringLiteral("3006")}));
        MainWindow &mw = *w.window;
        mw.runCommand(QStringLiteral("mnuHoldStatus"));
        mw.runCommand(QStringLiteral("mnuHoldStatus"));
        QCOMPARE(mw.mdiArea()->subWindowList().size(), 1);
        mw.runCommand(QStringLiteral("mnuHoldRejectBook"));
        mw.runCommand(QStringLiteral("mnuHoldPresent"));
        const QList<QMdiSubWindow *> subs = mw.mdiArea()->subWindowList();
        QCOMPARE(subs.size(), 3);
        QStringList modes;
        for (QMdiSubWindow *s : subs)
            modes.append(s->widget()->property("mode").toString());
        QVERIFY(modes.contains(QStringLiteral("03")));
        QVERIFY(modes.contains(QStringLiteral("04")));
    }

    // The door forms open forms through: the right of the form (its
    // registration's, else its command's), one instance per form and mode
    // re-targeted with the new arguments, and a form opening another with
    // what it holds.
    void formsOpenFormsThroughTheDoor_data() { addBackendRows(); }
    void formsOpenFormsThroughTheDoor()
    {
        OPEN_WINDOW(w, QStringList{QStringLiteral("3010")});
        MainWindow &mw = *w.window;
        QVERIFY(mw.openForm(QStringLiteral("frmNoSuchForm"), {}) == nullptr);
        QVERIFY(w.f.prompter().lastText().contains(QStringLiteral("frmNoSuchForm")));
        // No right 3001 for the registered right, none needed by the log search's command.
        QVERIFY(mw.openForm(QStringLiteral("frmTransferDoc"), {}) == nullptr);
        QVERIFY2(w.f.prompter().lastText().contains(QStringLiteral("3001")), qPrintable(w.f.prompter().lastText()));
        QCOMPARE(mw.mdiArea()->subWindowList().size(), 0);

        auto *search = dynamic_cast<TargetForm *>(
            mw.openForm(QStringLiteral("frmLogSearch"), {{QStringLiteral("propNo"), QStringLiteral("A001")}}));
        QVERIFY(search != nullptr);
        QCOMPARE(search->objectName(), QStringLiteral("frmLogSearch"));
        QCOMPARE(search->handed.size(), 1);
        QCOMPARE(search->handed.at(0).value(QStringLiteral("propNo")).toString(), QStringLiteral("A001"));

        // A form opens another through its services: the open one is
        // re-targeted, not doubled.
        QWidget *again =
            search->services.open(QStringLiteral("frmLogSearch"), {{QStringLiteral("propNo"), QStringLiteral("A002")}});
        QCOMPARE(again, static_cast<QWidget *>(search));
        QCOMPARE(mw.mdiArea()->subWindowList().size(), 1);
        QCOMPARE(search->handed.size(), 2);
        QCOMPARE(search->handed.at(1).value(QStringLiteral("propNo")).toString(), QStringLiteral("A002"));

        // The same door from a form: the right is checked there too.
        QVERIFY(search->services.open(QStringLiteral("frmHold_BookRepair")) == nullptr);
        QVERIFY(w.f.prompter().lastText().contains(QStringLiteral("3002")));
        QWidget *state = search->services.open(QStringLiteral("frmHold_BookState"));
        QVERIFY(state != nullptr);
        QCOMPARE(mw.mdiArea()->subWindowList().size(), 2);
        // The command finds the window the door opened.
        mw.runCommand(QStringLiteral("mnuHoldStatus"));
        QCOMPARE(mw.mdiArea()->subWindowList().size(), 2);
        QCOMPARE(mw.mdiArea()->activeSubWindow()->widget(), state);
    }

    void refusedRightShowsEcm504_data() { addBackendRows(); }
    void refusedRightShowsEcm504()
    {
        OPEN_WINDOW(w, QStringList{QStringLiteral("3000")});
        w.window->runCommand(QStringLiteral("mnuHoldRepair"));
        QCOMPARE(w.window->mdiArea()->subWindowList().size(), 0);
        QCOMPARE(w.f.prompter().shown().last().kind, QChar(u'E'));
        QVERIFY2(w.f.prompter().lastText().contains(QStringLiteral("3002")), qPrintable(w.f.prompter().lastText()));
    }

    void reLoginFollowsTheClock_data() { addBackendRows(); }
    void reLoginFollowsTheClock()
    {
        QFETCH(int, backend);
        Window w;
        QString why;
        if (!w.f.open(backend, &why)) {
            if (!w.f.database)
                QSKIP(qPrintable(why));
            QFAIL(qPrintable(why));
        }
        QVERIFY(w.f.setParam(QStringLiteral("72"), QStringLiteral("2")));
        w.settings = std::make_unique<UserSettingsStore>(w.settingsDir.filePath(QStringLiteral("u.ini")));
        w.window = std::make_unique<MainWindow>(w.f.context(), w.forms, *w.settings);
        w.window->setReLoginHandler([&w](const QString &status) {
            w.reLogins.append(status);
            return true;
        });
        QCOMPARE(w.window->findChild<QTimer *>(QStringLiteral("tmrReLogin"))->isActive(), true);
        w.f.tc.clock().advanceSecs(2 * 3600 - 60);
        w.window->reLoginTick();
        QVERIFY(w.reLogins.isEmpty());
        w.f.tc.clock().advanceSecs(60);
        {
            // A form's transaction is open: the login's writes would join
            // it, so the re-login waits for it to end.
            Transaction open(w.f.context().db());
            w.window->reLoginTick();
            QVERIFY(w.reLogins.isEmpty());
        }
        w.window->reLoginTick();
        QCOMPARE(w.reLogins, QStringList{QStringLiteral("登录时间超过2小时，请重新验证密码")});
        // The period starts again from the new login.
        w.f.tc.clock().advanceSecs(3600);
        w.window->reLoginTick();
        QCOMPARE(w.reLogins.size(), 1);
    }

    void noReLoginWhenParameter72IsZero_data() { addBackendRows(); }
    void noReLoginWhenParameter72IsZero()
    {
        OPEN_WINDOW(w, QStringList());
        QCOMPARE(w.f.context().params().text(72).trimmed().toInt(), 0);
        QVERIFY(!w.window->findChild<QTimer *>(QStringLiteral("tmrReLogin"))->isActive());
    }

    void closingAsksAndLogsTheLogout_data() { addBackendRows(); }
    void closingAsksAndLogsTheLogout()
    {
        OPEN_WINDOW(w, QStringList{QStringLiteral("3010")});
        MainWindow &mw = *w.window;
        mw.show();
        mw.runCommand(QStringLiteral("mnuHoldStatus"));
        w.f.context().preferences().styleId = QStringLiteral("Office2010");

        w.f.prompter().answer(AnswerCancel);
        QVERIFY(!mw.close());
        QVERIFY(mw.isVisible());
        QCOMPARE(w.logRows("60043"), 0);

        w.f.prompter().answer(AnswerOk);
        QVERIFY(mw.close());
        QCOMPARE(w.f.prompter().shown().last().kind, QChar(u'Q'));
        QCOMPARE(w.settings->value(QStringLiteral("Settings"), QStringLiteral("StyleID"), QString()),
                 QStringLiteral("Office2010"));
        QVERIFY(!w.f.db().isOpen());
        // The logout line was written before the session closed.
        QVERIFY(w.f.db().connect() == 0);
        QCOMPARE(w.logRows("60043"), 1);
        QVERIFY(w.f.prompter().done());
    }
};

KESTRA_TEST(MainWindowTest)
#include "MainWindowTest.moc"
