// The start-up sequence up to the login form, on a temporary installation.

#include "shell/Startup.h"
#include "core/Session.h"
#include "db/Backends.h"
#include "shell/LoginFixture.h"
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

// The installed suite database, with system parameters 1 and 99 set.
std::unique_ptr<TestDatabase> suiteDatabase(int backend, const QString &version, QString *skip)
{
    auto db = TestDatabase::create(static_cast<TestDatabase::Kind>(backend), skip);
    if (!db)
        return nullptr;
    if (!installSuite(*db, skip))
        return nullptr;
    auto b = createBackend(db->target().kind);
    DbError e;
    const QStringList sql = {
        QStringLiteral("UPDATE sys_comm_para SET sys_para_value='示范图书馆' WHERE sys_para_code='1'"),
        QStringLiteral("UPDATE sys_comm_para SET sys_para_value='%1' WHERE sys_para_code='99'").arg(version),
    };
    if (!b->open(db->target(), e)) {
        *skip = e.text;
        return nullptr;
    }
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
        auto db = suiteDatabase(backend, QStringLiteral("0.9.9"), &skip);
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
        auto db = suiteDatabase(backend, Startup::clientVersion(), &skip);
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
        QCOMPARE(run.tc.prompter().lastText(), QStringLiteral("数据库操作出错，操作没有完成！"));
    }

    // The code tables, location lists and settings files are loaded before
    // the version check; registered loaders run in their stages.
    void loadsTheTablesAndRunsTheLoaders_data() { addBackendRows(); }
    void loadsTheTablesAndRunsTheLoaders()
    {
        QFETCH(int, backend);
        QString skip;
        auto db = suiteDatabase(backend, Startup::clientVersion(), &skip);
        if (!db)
            QSKIP(qPrintable(skip));
        Run run;
        run.writeIni(db->dsn());
        run.tc.writeText(QStringLiteral("CFG/sound/snd.ini"), QStringLiteral("ECM012,oops.wav\n"));
        run.tc.writeText(QStringLiteral("CFG/sound/snd_loca.ini"), QStringLiteral("L01,l01.wav\n"));
        run.tc.writeText(QStringLiteral("CFG/Dc/DCcfg.ini"), QStringLiteral("[一楼]\nL01\n"));
        QStringList order;
        Startup startup(run.tc.context(), [&](const QString &s) { run.statuses.append(s); });
        startup.addLoader(Startup::Stage::Optional, QStringLiteral("opt"), [&](AppContext &) {
            order.append(QStringLiteral("optional"));
            return -1; // ignored
        });
        startup.addLoader(Startup::Stage::AfterCodeTables, QStringLiteral("bib"), [&](AppContext &c) {
            order.append(c.codes().isLoaded(CodeCache::LimitTypes) ? QStringLiteral("bib") : QStringLiteral("early"));
            return 0;
        });
        startup.addLoader(Startup::Stage::PrintParameters, QStringLiteral("labels"), [&](AppContext &) {
            order.append(QStringLiteral("labels"));
            return 0;
        });
        startup.addLoader(Startup::Stage::AfterLocationLists, QStringLiteral("rules"), [&](AppContext &c) {
            order.append(c.codes().isLoaded(CodeCache::Currencies) ? QStringLiteral("rules") : QStringLiteral("early"));
            return 0;
        });
        QCOMPARE(startup.run(), 0);
        QCOMPARE(order, (QStringList{QStringLiteral("bib"), QStringLiteral("labels"), QStringLiteral("rules"),
                                     QStringLiteral("optional")}));
        QVERIFY(run.statuses.contains(QStringLiteral("初始化代码基本数据...")));
        QVERIFY(run.tc.prompter().shown().isEmpty());
        CodeTables &codes = run.tc.context().codes();
        for (int c = 0; c < int(CodeCache::Count); ++c)
            QVERIFY(codes.isLoaded(CodeCache(c)));
        QCOMPARE(codes.settings().sounds.locations.size(), 1);
        QCOMPARE(codes.settings().assignGroups.groups.size(), 1);
        run.tc.context().showMsg(QStringLiteral("ECM012"));
        QVERIFY(run.tc.sounds().played.last().endsWith(QStringLiteral("sound/oops.wav")));
    }

    // A failing code table is shown as the database error, then the start
    // ends; a failing label loader ends it with the initialisation message.
    void failingLoadsEndTheStart_data() { addBackendRows(); }
    void failingLoadsEndTheStart()
    {
        QFETCH(int, backend);
        QString skip;
        auto db = suiteDatabase(backend, Startup::clientVersion(), &skip);
        if (!db)
            QSKIP(qPrintable(skip));
        {
            Run run;
            run.writeIni(db->dsn());
            Startup startup(run.tc.context(), [](const QString &) {});
            startup.addLoader(Startup::Stage::PrintParameters, QStringLiteral("labels"),
                              [](AppContext &) { return -1; });
            QCOMPARE(startup.run(), -1);
            QCOMPARE(run.tc.prompter().texts(), QStringList{QStringLiteral("系统初始化出错，启动失败！")});
        }
        {
            Run run;
            run.writeIni(db->dsn());
            Startup startup(run.tc.context(), [](const QString &) {});
            startup.addLoader(Startup::Stage::AfterCodeTables, QStringLiteral("书目参数"),
                              [](AppContext &) { return -1; });
            QCOMPARE(startup.run(), -1);
            QCOMPARE(run.tc.prompter().texts(),
                     QStringList{QStringLiteral("启动时发生意外错误（书目参数），启动失败！")});
        }
        auto b = createBackend(db->target().kind);
        DbError e;
        QVERIFY(b->open(db->target(), e) && b->execute(QStringLiteral("DROP TABLE limit_type"), e));
        Run run;
        run.writeIni(db->dsn());
        QCOMPARE(run.start(), -1);
        QCOMPARE(run.tc.prompter().texts().size(), 2);
        QCOMPARE(run.tc.context().errors().oraCode, 942);
        QCOMPARE(run.tc.prompter().lastText(), QStringLiteral("启动时发生意外错误（代码表），启动失败！"));
        QCOMPARE(run.tc.prompter().shown().last().kind, QChar(u'E'));
    }

    void commandLineText()
    {
        const QString prog = QStringLiteral("/opt/kestra/kestra-holdings");
        QCOMPARE(Startup::commandLineText({prog}), QString());
        QCOMPARE(Startup::commandLineText({prog, QStringLiteral("W001/pw"), QStringLiteral("-t")}),
                 QStringLiteral("W001/pw -t"));
        QCOMPARE(Startup::commandLineText(
                     {prog, QStringLiteral("--root"), QStringLiteral("/srv/k"), QStringLiteral("W001/pw")}),
                 QStringLiteral("W001/pw"));
        QCOMPARE(Startup::commandLineText({prog, QStringLiteral("--root=/srv/k"), QStringLiteral("W001/pw")}),
                 QStringLiteral("W001/pw"));
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
