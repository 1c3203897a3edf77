// The start-up sequence up to the login form, on a temporary installation.

#include "shell/Startup.h"
#include "core/Session.h"
#include "db/Backends.h"
#include "support/TestContext.h"
#include "support/TestDatabase.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

struct Run {
    TestContext tc;
    QStringList statuses;
    int status = 0;

    int start()
    {
        Startup startup(tc.context(), [this](const QString &s) { statuses.append(s); });
        status = startup.run();
        return status;
    }
    void writeIni(const QString &dsn, const QString &pwd = QString())
    {
        tc.writeText(QStringLiteral("kestra.ini"),
                     QStringLiteral("[LIB-DATA]\nLIB_SERVER=S1\n[S1]\nDSN=%1\nUID=u\nPWD=%2\n").arg(dsn, pwd));
    }
};

// A database with just the two tables the first start-up steps read.
std::unique_ptr<TestDatabase> paramsDatabase(int backend, const QString &version, QString *skip)
{
    auto db = TestDatabase::create(static_cast<TestDatabase::Kind>(backend), skip);
    if (!db)
        return nullptr;
    auto b = createBackend(db->target().kind);
    DbError e;
    const QStringList sql = {
        QStringLiteral("CREATE TABLE msg_mst (msg_id VARCHAR(6), msg_content VARCHAR(400))"),
        QStringLiteral("CREATE TABLE sys_comm_para (sys_para_code VARCHAR(20), sys_para_value VARCHAR(200))"),
        QStringLiteral("INSERT INTO msg_mst VALUES ('ECM012', '数据库操作失败')"),
        QStringLiteral("INSERT INTO sys_comm_para VALUES ('1', '示范图书馆')"),
        QStringLiteral("INSERT INTO sys_comm_para VALUES ('99', '%1')").arg(version),
    };
    if (!b->open(db->target(), e))
        return nullptr;
    for (const QString &s : sql) {
        if (!b->execute(s, e)) {
            *skip = e.text;
            return nullptr;
        }
    }
    return db;
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void missingIniStopsAtTheConnection()
    {
        Run run;
        QCOMPARE(run.start(), -1);
        QCOMPARE(run.statuses, (QStringList{QStringLiteral("取系统环境变量..."), QStringLiteral("连接数据库...")}));
        QCOMPARE(run.tc.prompter().texts(), QStringList{QStringLiteral("与数据库连接失败，启动失败！")});
        QCOMPARE(run.tc.prompter().shown().front().kind, QChar(u'E'));
    }

    void unscrambledPasswordIsAnEnvironmentError()
    {
        Run run;
        run.writeIni(QStringLiteral("sqlite:DAT/x.db"), QStringLiteral("plain-text"));
        QCOMPARE(run.start(), -1);
        QCOMPARE(run.tc.prompter().texts(), QStringList{QStringLiteral("系统环境出错，启动失败！")});
        // The reason is in the day's log for whoever looks after the workstation.
        QVERIFY(QString::fromUtf8(run.tc.readFile(QStringLiteral("LOG/2026-03-14_Log.log")))
                    .contains(QStringLiteral("scrambled")));
    }

    void missingDatabaseFileIsAConnectionFailure()
    {
        Run run;
        run.writeIni(QStringLiteral("sqlite:DAT/none.db"));
        QCOMPARE(run.start(), -1);
        QCOMPARE(run.tc.prompter().texts(), QStringList{QStringLiteral("与数据库连接失败，启动失败！")});
        QVERIFY(!QFileInfo::exists(run.tc.root() + QStringLiteral("/DAT/none.db")));
    }

    void emptyDatabaseStopsAtTheBasicData()
    {
        Run run;
        run.tc.writeFile(QStringLiteral("DAT/empty.db"), QByteArray());
        run.writeIni(QStringLiteral("sqlite:DAT/empty.db"));
        QCOMPARE(run.start(), -1);
        QCOMPARE(run.statuses.last(), QStringLiteral("初始化系统使用的基本数据..."));
        // The message table is not there to name the error; the last words are fixed.
        QCOMPARE(run.tc.prompter().lastText(), QStringLiteral("系统初始化出错，启动失败！"));
        QCOMPARE(run.tc.context().errors().oraCode, 942);
    }

    void versionMustMatchParameter99_data() { addBackendRows(); }
    void versionMustMatchParameter99()
    {
        QFETCH(int, backend);
        QString skip;
        auto db = paramsDatabase(backend, QStringLiteral("0.9.9"), &skip);
        if (!db)
            QSKIP(qPrintable(skip));
        Run run;
        run.writeIni(db->dsn());
        QCOMPARE(run.start(), -1);
        QCOMPARE(run.tc.prompter().texts(), QStringList{QStringLiteral("客户端和服务端版本不一致。")});
        QCOMPARE(run.tc.prompter().shown().front().title, QStringLiteral("Orvane文献信息服务系统"));
    }

    void matchingVersionReachesTheLogin_data() { addBackendRows(); }
    void matchingVersionReachesTheLogin()
    {
        QFETCH(int, backend);
        QString skip;
        auto db = paramsDatabase(backend, Startup::clientVersion(), &skip);
        if (!db)
            QSKIP(qPrintable(skip));
        Run run;
        run.writeIni(db->dsn());
        QCOMPARE(run.start(), 0);
        QCOMPARE(run.statuses.last(), QStringLiteral("用户登录"));
        QVERIFY(run.tc.prompter().shown().isEmpty());
        // Boxes from now on carry the library's title (system parameter 1).
        run.tc.context().showMsg(QStringLiteral("ECM012"));
        QCOMPARE(run.tc.prompter().shown().last().title, QStringLiteral("示范图书馆"));
        QCOMPARE(run.tc.prompter().lastText(), QStringLiteral("数据库操作失败"));
    }

    void nextTokenSplitsAtTheFirstSeparator()
    {
        QString text = QStringLiteral("W001/pa/ss");
        QCOMPARE(Startup::nextToken(text, QStringLiteral("/")), QStringLiteral("W001"));
        QCOMPARE(text, QStringLiteral("pa/ss"));
        QString alone = QStringLiteral("W001");
        QCOMPARE(Startup::nextToken(alone, QStringLiteral("/")), QStringLiteral("W001"));
        QVERIFY(alone.isEmpty());
    }
};

KESTRA_TEST(StartupTest)
#include "StartupTest.moc"
