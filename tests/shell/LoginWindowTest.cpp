// The real frmDCLogo, driven through its controls: typing, the login
// button, refusals, the change-password mode, the exit link, the re-login
// and the command-line login.

#include "shell/LoginWindow.h"
#include "shell/LoginFixture.h"
#include "support/TestRunner.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace kestra;
using namespace kestra::test;

namespace {

struct Form : LoginDb {
    std::unique_ptr<LoginWindow> window;

    QString start(int backend)
    {
        const QString skip = open(backend);
        if (!skip.isEmpty())
            return skip;
        window = std::make_unique<LoginWindow>(context());
        window->controller().setWorkstationResolver([](bool) { return QStringLiteral("WS-01"); });
        window->show();
        return QString();
    }
    template <typename T>
    T *child(const char *name)
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QLineEdit *user() { return child<QLineEdit>("txtUser"); }
    QLineEdit *pwd() { return child<QLineEdit>("txtPwd"); }
    QLineEdit *confirm() { return child<QLineEdit>("txtPwdConfirm"); }
    QPushButton *login() { return child<QPushButton>("cmdLogin"); }
    QPushButton *save() { return child<QPushButton>("cmdSave"); }
    QString status() { return child<QLabel>("lblStatus")->text(); }
    void link(const char *name) { Q_EMIT child<QLabel>(name)->linkActivated(QStringLiteral("#")); }
    void type(QLineEdit *box, const QString &text)
    {
        box->clear();
        QTest::keyClicks(box, text);
    }
    ScriptedPrompter &prompter() { return tc.prompter(); }
};

} // namespace

#define START(form)                                                                                                    \
    QFETCH(int, backend);                                                                                              \
    Form form;                                                                                                         \
    if (const QString skip = form.start(backend); !skip.isEmpty())                                                     \
        QSKIP(qPrintable(skip));

class LoginWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A refusal keeps the form with the message shown; the right password
    // then logs in and asks for the main window.
    void refusalThenLogin_data() { addBackendRows(); }
    void refusalThenLogin()
    {
        START(f);
        QSignalSpy accepted(f.window.get(), &LoginWindow::loginAccepted);
        f.type(f.user(), QStringLiteral("w001"));
        f.type(f.pwd(), QStringLiteral("wrong"));
        QTest::mouseClick(f.login(), Qt::LeftButton);
        QCOMPARE(f.prompter().texts(), QStringList{QStringLiteral("口令错误，请重新输入！")});
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.status(), QString());
        QCOMPARE(accepted.count(), 0);
        QVERIFY(!f.prompter().busy());

        f.type(f.pwd(), QStringLiteral("Secret1"));
        QTest::mouseClick(f.login(), Qt::LeftButton);
        QCOMPARE(accepted.count(), 1);
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.status(), QStringLiteral("用户成功登录，正在初始化主窗体..."));
        QCOMPARE(f.context().session().operatorNo, QStringLiteral("W001"));
        QCOMPARE(f.prompter().shown().size(), 1);
    }

    // A too simple password leads into the change-password mode; the new
    // password is saved, put into the password box, and logs in.
    void simplePasswordMustBeChanged_data() { addBackendRows(); }
    void simplePasswordMustBeChanged()
    {
        START(f);
        f.params({{"73", QStringLiteral("01106")}});
        f.exec(QStringLiteral("UPDATE lib_worker SET password='abc' WHERE wkr_no='W001'"));
        QSignalSpy accepted(f.window.get(), &LoginWindow::loginAccepted);
        f.type(f.user(), QStringLiteral("W001"));
        f.type(f.pwd(), QStringLiteral("abc"));
        QTest::mouseClick(f.login(), Qt::LeftButton);
        QCOMPARE(accepted.count(), 0);
        QCOMPARE(f.window->mode(), LoginWindow::Mode::ChangePassword);
        QCOMPARE(f.status(), QStringLiteral("密码过于简单,请重新设置密码，长度不少于6位,包含字母、数字"));
        QVERIFY(f.confirm()->isVisible());
        QVERIFY(f.save()->isVisible());
        QVERIFY(!f.login()->isVisible());
        QVERIFY(f.user()->isReadOnly());
        QVERIFY(f.pwd()->text().isEmpty());

        f.type(f.pwd(), QStringLiteral("abc123"));
        f.type(f.confirm(), QStringLiteral("abc124"));
        QTest::mouseClick(f.save(), Qt::LeftButton);
        QCOMPARE(f.prompter().lastText(), QStringLiteral("两次输入的新口令不一致，请重新输入！"));
        QCOMPARE(f.window->mode(), LoginWindow::Mode::ChangePassword);

        f.type(f.confirm(), QStringLiteral("abc123"));
        QTest::mouseClick(f.save(), Qt::LeftButton);
        QCOMPARE(f.prompter().lastText(), QStringLiteral("成功修改登录口令！"));
        QCOMPARE(f.window->mode(), LoginWindow::Mode::Login);
        QCOMPARE(f.pwd()->text(), QStringLiteral("abc123"));
        QVERIFY(!f.confirm()->isVisible());
        QVERIFY(!f.user()->isReadOnly());
        QTest::mouseClick(f.login(), Qt::LeftButton);
        QCOMPARE(accepted.count(), 1);
    }

    // The change-password link wants the name and the right old password.
    void changePasswordLink_data() { addBackendRows(); }
    void changePasswordLink()
    {
        START(f);
        f.link("lblUpdate");
        QCOMPARE(f.prompter().shown().last().text, QStringLiteral("请输入正确的名称以及口令！"));
        QCOMPARE(f.prompter().shown().last().title, QStringLiteral("提示"));
        QVERIFY(!f.prompter().shown().last().question);
        QCOMPARE(f.window->mode(), LoginWindow::Mode::Login);

        f.type(f.user(), QStringLiteral("W001"));
        f.type(f.pwd(), QStringLiteral("guess"));
        f.link("lblUpdate");
        QCOMPARE(f.prompter().lastText(), QStringLiteral("口令错误，请重新输入！"));
        QCOMPARE(f.window->mode(), LoginWindow::Mode::Login);

        f.type(f.pwd(), QStringLiteral("Secret1"));
        f.link("lblUpdate");
        QCOMPARE(f.window->mode(), LoginWindow::Mode::ChangePassword);
        QCOMPARE(f.user()->text(), QStringLiteral("W001"));
        // The link returns without changing anything.
        f.link("lblUpdate");
        QCOMPARE(f.window->mode(), LoginWindow::Mode::Login);
        QCOMPARE(f.one(QStringLiteral("SELECT password FROM lib_worker WHERE wkr_no='W001'")),
                 QStringLiteral("Secret1"));
    }

    // Leaving asks first; Escape is the same as the link.
    void exitAsksFirst_data() { addBackendRows(); }
    void exitAsksFirst()
    {
        START(f);
        QSignalSpy exiting(f.window.get(), &LoginWindow::exitRequested);
        f.prompter().answer(AnswerCancel);
        f.link("lblExit");
        QCOMPARE(f.prompter().lastText(), QStringLiteral("是否放弃修改口令并退出？"));
        QVERIFY(f.window->isVisible());
        QCOMPARE(exiting.count(), 0);
        f.prompter().answer(AnswerOk);
        QTest::keyClick(f.window.get(), Qt::Key_Escape);
        QCOMPARE(exiting.count(), 1);
        QVERIFY(!f.window->isVisible());
        QVERIFY(f.prompter().done());
    }

    // The re-login: the operator is fixed, a wrong password keeps the form,
    // the right one closes it.
    void reLogin_data() { addBackendRows(); }
    void reLogin()
    {
        START(f);
        f.type(f.user(), QStringLiteral("W001"));
        f.type(f.pwd(), QStringLiteral("Secret1"));
        QTest::mouseClick(f.login(), Qt::LeftButton);
        QSignalSpy done(f.window.get(), &LoginWindow::reLoginDone);
        bool fixed = false;
        QString shownStatus;
        QTimer::singleShot(0, f.window.get(), [&]() {
            fixed = f.user()->isReadOnly() && f.user()->text() == QLatin1String("W001");
            shownStatus = f.status();
            f.type(f.pwd(), QStringLiteral("nope"));
            QTest::mouseClick(f.login(), Qt::LeftButton);
            f.type(f.pwd(), QStringLiteral("Secret1"));
            QTest::mouseClick(f.login(), Qt::LeftButton);
        });
        QVERIFY(f.window->runReLogin(QStringLiteral("登录时间超过8小时，请重新验证密码")));
        QVERIFY(fixed);
        QCOMPARE(shownStatus, QStringLiteral("登录时间超过8小时，请重新验证密码"));
        QCOMPARE(done.count(), 1);
        QCOMPARE(f.prompter().lastText(), QStringLiteral("口令错误，请重新输入！"));
        QCOMPARE(f.context().session().password, QStringLiteral("Secret1"));
    }

    // "operator/password" on the command line logs in without a click;
    // without "/" the whole text is the operator.
    void commandLineLogin_data() { addBackendRows(); }
    void commandLineLogin()
    {
        START(f);
        QSignalSpy accepted(f.window.get(), &LoginWindow::loginAccepted);
        f.window->loginFromCommandLine(QStringLiteral("W001"));
        QCOMPARE(f.user()->text(), QStringLiteral("W001"));
        QVERIFY(f.pwd()->text().isEmpty());
        QCOMPARE(f.prompter().lastText(), QStringLiteral("口令错误，请重新输入！"));
        QCOMPARE(accepted.count(), 0);
        f.window->loginFromCommandLine(QStringLiteral("W001/Secret1 -t"));
        QCOMPARE(f.pwd()->text(), QStringLiteral("Secret1"));
        QCOMPARE(accepted.count(), 1);
    }

    void aboutMode()
    {
        TestContext tc;
        LoginWindow w(tc.context());
        w.show();
        QTimer::singleShot(0, &w, [&w]() {
            QVERIFY(!w.findChild<QLineEdit *>(QStringLiteral("txtUser"))->isVisible());
            QVERIFY(w.findChild<QLabel *>(QStringLiteral("lblVersion"))->isVisible());
            Q_EMIT w.findChild<QLabel *>(QStringLiteral("lblExit"))->linkActivated(QStringLiteral("#"));
        });
        w.showAbout();
        // Closing the about box asks nothing and brings the login mode back.
        QVERIFY(tc.prompter().shown().isEmpty());
        QCOMPARE(w.mode(), LoginWindow::Mode::Login);
    }
};

KESTRA_TEST(LoginWindowTest)
#include "LoginWindowTest.moc"
