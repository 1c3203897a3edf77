// The login controller on real databases: refusals, the lock-out on the
// server's clock, the workstation binding, the password rule and its age,
// digests, changing the password and the rights.

#include "shell/Login.h"
#include "shell/LoginFixture.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

// A login over the fixture's database on workstation WS-01.
struct Run : LoginDb {
    std::unique_ptr<Login> login;
    QList<bool> terminalAsked;
    QString workstation = QStringLiteral("WS-01");

    QString start(int backend)
    {
        const QString skip = open(backend);
        login = std::make_unique<Login>(context());
        login->setWorkstationResolver([this](bool terminal) {
            terminalAsked.append(terminal);
            return workstation;
        });
        return skip;
    }
    ScriptedPrompter &prompter() { return tc.prompter(); }
    int loginLogRows() { return one(QStringLiteral("SELECT COUNT(*) FROM login_log")).toInt(); }
    QString lastMessage() { return prompter().lastText(); }
};

QString shifted(const QString &serverNow, int minutes)
{
    QDateTime t = QDateTime::fromString(serverNow, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return t.addSecs(60LL * minutes).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

#define START(run)                                                                                                     \
    QFETCH(int, backend);                                                                                              \
    Run run;                                                                                                           \
    if (const QString skip = run.start(backend); !skip.isEmpty())                                                      \
        QSKIP(qPrintable(skip));

class LoginTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Lock-out off (parameter 70 = 0): each refusal has its message and
    // login_log is never touched.
    void refusalsWithoutLockout_data() { addBackendRows(); }
    void refusalsWithoutLockout()
    {
        START(run);
        run.params({{"70", QStringLiteral("0")}, {"71", QStringLiteral("3")}});
        run.exec(QStringLiteral("INSERT INTO lib_worker (wkr_no, password, wkr_flag) VALUES ('W009', 'x', '0')"));
        QCOMPARE(run.login->checkLogin(QStringLiteral("W404"), QStringLiteral("x")), -1);
        QCOMPARE(run.lastMessage(), QStringLiteral("该用户不存在！"));
        QCOMPARE(run.login->checkLogin(QStringLiteral("W009"), QStringLiteral("x")), -1);
        QCOMPARE(run.lastMessage(), QStringLiteral("该用户已被停用，不能登录！"));
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(run.login->checkLogin(QStringLiteral("W001"), QStringLiteral("wrong")), -1);
            QCOMPARE(run.lastMessage(), QStringLiteral("口令错误，请重新输入！"));
        }
        QCOMPARE(run.loginLogRows(), 0);
        QCOMPARE(run.one(QStringLiteral("SELECT COUNT(*) FROM log_detl")), QStringLiteral("0"));
        // A refusal leaves the session values alone.
        QVERIFY(run.context().session().operatorNo.isEmpty());
        QVERIFY(run.context().session().password.isEmpty());
    }

    // Parameter 71 = 3: the third failure in a row locks for parameter 70
    // minutes, and each failure goes to the operation log.
    void thirdFailureLocks_data() { addBackendRows(); }
    void thirdFailureLocks()
    {
        START(run);
        run.params({{"70", QStringLiteral("10")}, {"71", QStringLiteral("3")}});
        QCOMPARE(run.login->checkLogin(QStringLiteral("W001"), QStringLiteral("bad1")), -1);
        QCOMPARE(run.one(QStringLiteral("SELECT error_count FROM login_log WHERE wkr_no='W001'")), QStringLiteral("1"));
        QCOMPARE(run.login->checkLogin(QStringLiteral("W001"), QStringLiteral("bad2")), -1);
        QCOMPARE(run.lastMessage(), QStringLiteral("口令错误，请重新输入！"));
        QCOMPARE(run.one(QStringLiteral("SELECT limit_login_time FROM login_log")), QString());
        QCOMPARE(run.login->checkLogin(QStringLiteral("W001"), QStringLiteral("bad3")), -1);
        QCOMPARE(run.lastMessage(), QStringLiteral("密码输入错误过多，账号被限制登录10分钟"));
        QCOMPARE(run.prompter().shown().last().kind, QChar(u'E'));
        const QString lockedAt = run.one(QStringLiteral("SELECT limit_login_time FROM login_log"));
        QCOMPARE(lockedAt.size(), 19);

        // Even the right password is refused now, naming the unlock time of day.
        QCOMPARE(run.login->checkLogin(QStringLiteral("W001"), QStringLiteral("Secret1")), -1);
        QCOMPARE(run.lastMessage(), QString(QStringLiteral("账号被限制登录，请在 ") + shifted(lockedAt, 10).right(8) +
                                            QStringLiteral(" 之后重试")));
        QCOMPARE(run.one(QStringLiteral("SELECT error_count FROM login_log")), QStringLiteral("3"));

        QueryResult log;
        DbError e;
        QVERIFY(
            run.admin->query(QStringLiteral("SELECT log_type, wkr_no, computer, data2, data3 FROM log_detl"), log, e));
        QCOMPARE(log.rowCount(), 3);
        QCOMPARE(log.text(2, 0), QStringLiteral("60042"));
        QCOMPARE(log.text(2, 1), QStringLiteral("W001"));
        QCOMPARE(log.text(2, 2), QStringLiteral("WS-01"));
        QCOMPARE(log.text(2, 3), QStringLiteral("典藏"));
        QCOMPARE(log.text(2, 4), QStringLiteral("密码输入错误,登录失败"));
        // The typed number was logged without becoming the session's operator.
        QVERIFY(run.context().session().operatorNo.isEmpty());
    }

    // The lock is measured on the server's clock: a lock begun 5 minutes
    // ago still holds for 10-minute locks, one begun 11 minutes ago is over
    // and its row goes; counting then starts again at one.
    void lockEndsOnTheServerClock_data() { addBackendRows(); }
    void lockEndsOnTheServerClock()
    {
        START(run);
        run.params({{"70", QStringLiteral("10")}, {"71", QStringLiteral("3")}});
        const QString now = run.serverNow();
        QCOMPARE(now.size(), 19);
        run.exec(QStringLiteral("INSERT INTO login_log VALUES ('W001', 3, '%1')").arg(shifted(now, -5)));
        QCOMPARE(run.login->checkLogin(QStringLiteral("W001"), QStringLiteral("Secret1")), -1);
        QCOMPARE(run.lastMessage(), QString(QStringLiteral("账号被限制登录，请在 ") + shifted(now, 5).right(8) +
                                            QStringLiteral(" 之后重试")));

        run.exec(QStringLiteral("UPDATE login_log SET limit_login_time='%1'").arg(shifted(now, -11)));
        QCOMPARE(run.login->checkLogin(QStringLiteral("W001"), QStringLiteral("wrong")), -1);
        QCOMPARE(run.lastMessage(), QStringLiteral("口令错误，请重新输入！"));
        QCOMPARE(run.one(QStringLiteral("SELECT error_count FROM login_log")), QStringLiteral("1"));
        QCOMPARE(run.one(QStringLiteral("SELECT limit_login_time FROM login_log")), QString());
    }

    // Without a readable login_log the login goes on without the lock-out,
    // and the log file says why.
    void unreadableLoginLogSkipsTheLockout_data() { addBackendRows(); }
    void unreadableLoginLogSkipsTheLockout()
    {
        START(run);
        run.params({{"70", QStringLiteral("10")}, {"71", QStringLiteral("1")}});
        QVERIFY(run.exec(QStringLiteral("DROP TABLE login_log")));
        QCOMPARE(run.login->checkLogin(QStringLiteral("W001"), QStringLiteral("wrong")), -1);
        QCOMPARE(run.prompter().texts(), QStringList{QStringLiteral("口令错误，请重新输入！")});
        QCOMPARE(run.login->checkLogin(QStringLiteral("W001"), QStringLiteral("Secret1")), 0);
        QVERIFY(QString::fromUtf8(run.tc.readFile(QStringLiteral("LOG/2026-03-14_Log.log")))
                    .contains(QStringLiteral("login_log unreadable")));
    }

    // A success clears the count of earlier failures.
    void successClearsTheCount_data() { addBackendRows(); }
    void successClearsTheCount()
    {
        START(run);
        run.params({{"70", QStringLiteral("10")}, {"71", QStringLiteral("3")}});
        run.exec(QStringLiteral("INSERT INTO login_log (wkr_no, error_count) VALUES ('W001', 2)"));
        QCOMPARE(run.login->checkLogin(QStringLiteral("W001"), QStringLiteral("Secret1")), 0);
        QCOMPARE(run.loginLogRows(), 0);
    }

    // An accepted login fills the session values.
    void acceptedLoginSetsTheSession_data() { addBackendRows(); }
    void acceptedLoginSetsTheSession()
    {
        START(run);
        run.params({{"47", QStringLiteral("1")}});
        run.workstation = QStringLiteral("WS-01");
        // Workstations are compared upper-cased.
        run.exec(QStringLiteral("UPDATE user_comp_lst SET comp_name='ws-01'"));
        run.exec(QStringLiteral("UPDATE loca_comp_lst SET comp_name='ws-01'"));
        QCOMPARE(run.login->checkLogin(QStringLiteral("W001"), QStringLiteral("Secret1")), 0);
        const SessionValues &s = run.context().session();
        QCOMPARE(s.operatorNo, QStringLiteral("W001"));
        QCOMPARE(s.password, QStringLiteral("Secret1"));
        QCOMPARE(s.workstation, QStringLiteral("WS-01"));
        QCOMPARE(s.currentLocation, QStringLiteral("L01"));
        QCOMPARE(s.branch, QStringLiteral("B1"));
        QCOMPARE(s.rights, (QStringList{QStringLiteral("3000"), QStringLiteral("3001")}));
        QCOMPARE(s.locations, (QStringList{QStringLiteral("L01"), QStringLiteral("L03")}));
        QCOMPARE(s.email, QStringLiteral("w001@lib"));
        QCOMPARE(s.passwordDate, QStringLiteral("2026-01-01"));
        QVERIFY(s.code2);
        QCOMPARE(run.context().getEnv(3).toString(), QStringLiteral("L01"));
        QVERIFY(run.prompter().shown().isEmpty());
    }

    // The workstation binding: another computer is refused, ROOT is not.
    void workstationBinding_data() { addBackendRows(); }
    void workstationBinding()
    {
        START(run);
        run.workstation = QStringLiteral("WS-99");
        QCOMPARE(run.login->checkLogin(QStringLiteral("W001"), QStringLiteral("Secret1")), -1);
        QCOMPARE(run.lastMessage(), QStringLiteral("该用户不能在本计算机上登录！"));
        QVERIFY(run.context().session().operatorNo.isEmpty());

        // An operator without any binding row is refused as well.
        run.exec(QStringLiteral("INSERT INTO lib_worker (wkr_no, password, wkr_flag) VALUES ('W002', 'pw', '1')"));
        QCOMPARE(run.login->checkLogin(QStringLiteral("W002"), QStringLiteral("pw")), -1);
        QCOMPARE(run.lastMessage(), QStringLiteral("该用户不能在本计算机上登录！"));

        run.exec(QStringLiteral("UPDATE lib_worker SET password='pw' WHERE wkr_no='ROOT'"));
        QCOMPARE(run.login->checkLogin(QStringLiteral("ROOT"), QStringLiteral("pw")), 0);
        QCOMPARE(run.context().session().currentLocation, QStringLiteral("99999"));
        QVERIFY(run.login->checkRight(QStringLiteral("3022")));
        // The terminal-session name is asked for only with "-t".
        QCOMPARE(run.terminalAsked.last(), false);
        run.login->setCommandLine(QStringLiteral("ROOT/pw -t"));
        QCOMPARE(run.login->checkLogin(QStringLiteral("ROOT"), QStringLiteral("pw")), 0);
        QCOMPARE(run.terminalAsked.last(), true);
    }

    // Digests and letter case, with and without a rule (parameters 73, 74).
    void passwordComparison_data() { addBackendRows(); }
    void passwordComparison()
    {
        START(run);
        const QString md5Secret = QStringLiteral("44C7BE48226EBAD5DCA8216674CAD62B");  // MD5("SECRET")
        const QString md5Secret1 = QStringLiteral("D6CB2342E44EFB6DD628276F36DA2359"); // MD5("Secret1")
        struct Case {
            const char *name;
            const char *rule;
            const char *hashing;
            QString stored;
            QString typed;
            bool accepted;
        };
        const Case cases[] = {
            {"plain, no rule, other case", "", "0", QStringLiteral("Secret"), QStringLiteral("sECRET"), true},
            {"plain, rule, other case", "00106", "0", QStringLiteral("Secret1"), QStringLiteral("secret1"), false},
            {"plain, rule, exact", "00106", "0", QStringLiteral("Secret1"), QStringLiteral("Secret1"), true},
            {"md5, no rule, upper-cased first", "00000", "1", md5Secret, QStringLiteral("secret"), true},
            {"md5, rule, exact case", "00106", "1", md5Secret1, QStringLiteral("Secret1"), true},
            {"md5, rule, other case", "00106", "1", md5Secret1, QStringLiteral("sECRET1"), false},
            {"md5 off, digest typed as is", "", "0", md5Secret, md5Secret.toLower(), true},
            // With hashing on, what is stored is never a password itself:
            // neither a digest read off the table nor a plain value.
            {"md5 on, no rule, stored digest typed", "", "1", md5Secret, md5Secret, false},
            {"md5 on, rule, stored digest typed", "00106", "1", md5Secret1, md5Secret1, false},
            {"md5 on, plain stored", "", "1", QStringLiteral("Secret"), QStringLiteral("SECRET"), false},
        };
        for (const Case &c : cases) {
            run.params({{"73", QString::fromLatin1(c.rule)}, {"74", QString::fromLatin1(c.hashing)}});
            run.exec(QStringLiteral("UPDATE lib_worker SET password='%1' WHERE wkr_no='W001'").arg(c.stored));
            QVERIFY2((run.login->checkLogin(QStringLiteral("W001"), c.typed) == 0) == c.accepted, c.name);
        }
    }

    void digestIsOverTheCodePageBytes()
    {
        const CodePage gbk(QStringLiteral("GBK"));
        QCOMPARE(passwordDigest(QStringLiteral("abc"), gbk), QStringLiteral("900150983CD24FB0D6963F7D28E17F72"));
        // "书" is CA E9 in GBK, not its three UTF-8 bytes.
        QCOMPARE(passwordDigest(QStringLiteral("书"), gbk), QStringLiteral("D8A6E10934BE32411F9878A1E30BA638"));
    }

    void passwordRule_data()
    {
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("good");
        QTest::addColumn<QStringList>("bad");
        auto row = [](const char *name, const char *parameter, const char *text, const QStringList &good,
                      const QStringList &bad) {
            QTest::newRow(name) << QString::fromUtf8(parameter) << QString::fromUtf8(text) << good << bad;
        };
        row("empty", "", "", {QString(), QStringLiteral("a")}, {});
        row("00000", "00000", "", {QString(), QStringLiteral("a")}, {});
        row("length only", "00008", "长度不少于8位", {QStringLiteral("12345678"), QStringLiteral("aaaaaaaa")},
            {QStringLiteral("1234567")});
        row("mixed case", "10006", "长度不少于6位,包含大小写", {QStringLiteral("abcDEF")},
            {QStringLiteral("abcdef"), QStringLiteral("ABCDEF"), QStringLiteral("Ab")});
        row("letters and digits", "01106", "长度不少于6位,包含字母、数字",
            {QStringLiteral("abc123"), QStringLiteral("1234A5")},
            {QStringLiteral("123456"), QStringLiteral("abcdef"), QStringLiteral("a1")});
        row("all four", "11118", "长度不少于8位,包含大小写字母、数字、符号",
            {QStringLiteral("Abcdef1!"), QStringLiteral("书Abcdef1")},
            {QStringLiteral("Abcdefg1"), QStringLiteral("abcdef1!")});
        row("digits and symbols", "00114", "长度不少于4位,包含数字、符号", {QStringLiteral("12.4")},
            {QStringLiteral("1234"), QStringLiteral("abc!")});
    }
    void passwordRule()
    {
        QFETCH(QString, parameter);
        QFETCH(QString, text);
        QFETCH(QStringList, good);
        QFETCH(QStringList, bad);
        const PasswordRule rule = PasswordRule::parse(parameter);
        QCOMPARE(rule.text(), text);
        for (const QString &p : good)
            QVERIFY2(rule.accepts(p), qPrintable(p));
        for (const QString &p : bad)
            QVERIFY2(!rule.accepts(p), qPrintable(p));
    }

    // The login button's policy: a too simple or too old password must be
    // changed first, and right 3000 is needed.
    void loginPolicy_data() { addBackendRows(); }
    void loginPolicy()
    {
        START(run);
        run.params({{"73", QStringLiteral("01106")}, {"77", QStringLiteral("30")}});
        run.exec(QStringLiteral("UPDATE lib_worker SET password='abc'"));
        Login::Attempt a = run.login->attempt(QStringLiteral(" w001 "), QStringLiteral("abc"), false);
        QCOMPARE(a.outcome, Login::Outcome::ChangePassword);
        QCOMPARE(a.status, QStringLiteral("密码过于简单,请重新设置密码，长度不少于6位,包含字母、数字"));
        QCOMPARE(run.context().session().operatorNo, QStringLiteral("W001"));
        QVERIFY(!run.prompter().busy());

        const QString today = run.serverNow().left(10);
        const QDate day = QDate::fromString(today, QStringLiteral("yyyy-MM-dd"));
        run.exec(QStringLiteral("UPDATE lib_worker SET password='abc123', modi_pwd_date='%1'")
                     .arg(day.addDays(-30).toString(QStringLiteral("yyyy-MM-dd"))));
        a = run.login->attempt(QStringLiteral("W001"), QStringLiteral("abc123"), false);
        QCOMPARE(a.outcome, Login::Outcome::ChangePassword);
        QCOMPARE(a.status, QStringLiteral("密码过期，请重新设置密码，长度不少于6位,包含字母、数字"));

        run.exec(QStringLiteral("UPDATE lib_worker SET modi_pwd_date=NULL"));
        QCOMPARE(run.login->attempt(QStringLiteral("W001"), QStringLiteral("abc123"), false).outcome,
                 Login::Outcome::ChangePassword);

        run.exec(QStringLiteral("UPDATE lib_worker SET modi_pwd_date='%1'")
                     .arg(day.addDays(-29).toString(QStringLiteral("yyyy-MM-dd"))));
        a = run.login->attempt(QStringLiteral("W001"), QStringLiteral("abc123"), false);
        QCOMPARE(a.outcome, Login::Outcome::Accepted);
        QCOMPARE(a.status, QStringLiteral("用户成功登录，正在初始化主窗体..."));
        // The current location list is that of operation type 2.
        QCOMPARE(run.context().codes().currentLocations().rowCount(), 3);

        // No expiry when parameter 77 is 0, even without a date.
        run.params({{"77", QStringLiteral("0")}});
        run.exec(QStringLiteral("UPDATE lib_worker SET modi_pwd_date=NULL"));
        QCOMPARE(run.login->attempt(QStringLiteral("W001"), QStringLiteral("abc123"), false).outcome,
                 Login::Outcome::Accepted);

        run.exec(QStringLiteral("DELETE FROM user_auth_lst WHERE modu_code='3000'"));
        run.prompter().clear();
        a = run.login->attempt(QStringLiteral("W001"), QStringLiteral("abc123"), true);
        QCOMPARE(a.outcome, Login::Outcome::NoRight);
        QCOMPARE(a.status, QStringLiteral("用户重新登录"));
        QCOMPARE(run.lastMessage(), QStringLiteral("您没有此项操作的权限！权限代码：3000"));
        const qsizetype shown = run.prompter().shown().size();
        QVERIFY(run.login->checkRight(QStringLiteral("3001")));
        QVERIFY(!run.login->checkRight(QStringLiteral("3005"), false));
        QCOMPARE(run.prompter().shown().size(), shown);
        QCOMPARE(run.login->attempt(QStringLiteral("W001"), QStringLiteral("abc123"), false).status, QString());
    }

    // ChangePassword: the rule, the confirmation, the digest and the date;
    // the new password then logs in and the old one does not.
    void changePasswordRoundTrip_data() { addBackendRows(); }
    void changePasswordRoundTrip()
    {
        START(run);
        run.params({{"73", QStringLiteral("00106")}, {"74", QStringLiteral("1")}});
        QVERIFY(!run.login->changePassword(QStringLiteral("W001"), QStringLiteral("short"), QStringLiteral("short")));
        QCOMPARE(run.lastMessage(), QStringLiteral("密码长度不少于6位,包含数字"));
        QVERIFY(
            !run.login->changePassword(QStringLiteral("W001"), QStringLiteral("Secret2"), QStringLiteral("Secret3")));
        QCOMPARE(run.lastMessage(), QStringLiteral("两次输入的新口令不一致，请重新输入！"));
        QCOMPARE(run.one(QStringLiteral("SELECT password FROM lib_worker WHERE wkr_no='W001'")),
                 QStringLiteral("Secret1"));

        QVERIFY(
            run.login->changePassword(QStringLiteral("W001"), QStringLiteral("Secret2"), QStringLiteral("Secret2")));
        QCOMPARE(run.lastMessage(), QStringLiteral("成功修改登录口令！"));
        QCOMPARE(run.prompter().shown().last().kind, QChar(u'I'));
        QCOMPARE(run.one(QStringLiteral("SELECT password FROM lib_worker WHERE wkr_no='W001'")),
                 passwordDigest(QStringLiteral("Secret2"), run.context().codePage()));
        QCOMPARE(run.one(QStringLiteral("SELECT modi_pwd_date FROM lib_worker WHERE wkr_no='W001'")),
                 run.serverNow().left(10));
        QCOMPARE(run.login->checkLogin(QStringLiteral("W001"), QStringLiteral("Secret1")), -1);
        QCOMPARE(run.login->checkLogin(QStringLiteral("W001"), QStringLiteral("Secret2")), 0);

        // Without a rule the digest is of the upper-cased password.
        run.params({{"73", QString()}});
        QVERIFY(run.login->changePassword(QStringLiteral("W001"), QStringLiteral("mixed"), QStringLiteral("mixed")));
        QCOMPARE(run.one(QStringLiteral("SELECT password FROM lib_worker WHERE wkr_no='W001'")),
                 passwordDigest(QStringLiteral("MIXED"), run.context().codePage()));
        QCOMPARE(run.login->checkLogin(QStringLiteral("W001"), QStringLiteral("mIxEd")), 0);
    }

    // A failing update is shown and reported as a failure, not as success.
    void changePasswordFailureIsShown_data() { addBackendRows(); }
    void changePasswordFailureIsShown()
    {
        START(run);
        run.exec(QStringLiteral("DROP TABLE lib_worker"));
        run.prompter().clear();
        QVERIFY(!run.login->changePassword(QStringLiteral("W001"), QStringLiteral("x"), QStringLiteral("x")));
        QCOMPARE(run.prompter().shown().size(), 1);
        QCOMPARE(run.prompter().shown().last().kind, QChar(u'E'));
        QVERIFY(!run.context().db().inTransaction());
    }

    void workstationName_data()
    {
        QTest::addColumn<QString>("sshClient");
        QTest::addColumn<QString>("sshConnection");
        QTest::addColumn<QString>("display");
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<QString>("name");
        auto row = [](const char *name, const char *client, const char *connection, const char *display, bool terminal,
                      const char *expected) {
            QTest::newRow(name) << QString::fromLatin1(client) << QString::fromLatin1(connection)
                                << QString::fromLatin1(display) << terminal << QString::fromLatin1(expected);
        };
        row("host name", "10.0.0.7 5000 22", "", "", false, "LIB-WS12");
        row("ssh client", "10.0.0.7 5000 22", "", "", true, "10.0.0.7");
        row("ssh connection", "", "fe80::1a 5000 fe80::2 22", "", true, "FE80::1A");
        row("mapped ipv4", "::ffff:192.168.1.23 5000 22", "", "", true, "192.168.1.23");
        row("remote display", "", "", "ws-07.lib:0.0", true, "WS-07.LIB");
        row("ssh before display", "10.0.0.7 5000 22", "", "localhost:10.0", true, "10.0.0.7");
        row("local display", "", "", ":0", true, "LIB-WS12");
        row("socket display", "", "", "/tmp/launch-x/org.x:0", true, "LIB-WS12");
    }
    void workstationName()
    {
        QFETCH(QString, sshClient);
        QFETCH(QString, sshConnection);
        QFETCH(QString, display);
        QFETCH(bool, terminal);
        QFETCH(QString, name);
        const WorkstationEnvironment env{QStringLiteral(" lib-ws12 "), sshClient, sshConnection, display};
        QCOMPARE(kestra::workstationName(env, terminal), name);
    }

    void commandLine()
    {
        QVERIFY(Login::terminalSwitch(QStringLiteral("W001/pw -t")));
        QVERIFY(Login::terminalSwitch(QStringLiteral("W001/pw\t-t")));
        QVERIFY(!Login::terminalSwitch(QStringLiteral("-t W001/pw")));
        QVERIFY(!Login::terminalSwitch(QStringLiteral("W001/pw")));
        // The switch is not part of the password.
        QCOMPARE(Login::loginText(QStringLiteral("W001/pw -t")), QStringLiteral("W001/pw"));
        QCOMPARE(Login::loginText(QStringLiteral("W001/pw")), QStringLiteral("W001/pw"));
        QCOMPARE(Login::loginText(QStringLiteral("W001/p w")), QStringLiteral("W001/p w"));
    }
};

KESTRA_TEST(LoginTest)
#include "LoginTest.moc"
