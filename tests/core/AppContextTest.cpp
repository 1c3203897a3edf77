// The folder table, GetEnv and the per-user preferences.

#include "core/Preferences.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace Qt::StringLiterals;

namespace {

class FakeServerClock final : public ServerClock {
public:
    QString serverDate() override
    {
        ++calls;
        return value;
    }
    QString value = u"2026-03-1423:59:58"_s;
    int calls = 0;
};

} // namespace

class AppContextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void folderTable()
    {
        test::TestContext tc;
        const QString root = QDir::cleanPath(tc.root()) + u'/';
        const QStringList expected =
            u"|BIN/|DOC/|CFG/|LOG/|TMP/|DAT/|CFG/BM/BaseParam/|CFG/BM/CardParam/|CFG/BM/Template/|CFG/BM/Z3950/"_s
                .split(u'|');
        QCOMPARE(int(InstallFolders::Count), expected.size());
        // The same table however the root is spelled.
        for (const QString &given : {tc.root(), QString(tc.root() + u'/'), QString(tc.root() + u"/LOG/../"_s)}) {
            const InstallFolders f(given);
            for (int i = 0; i < InstallFolders::Count; ++i)
                QCOMPARE(f.folder(i), root + expected.at(i));
            QVERIFY(f.folder(-1).isEmpty());
            QVERIFY(f.folder(InstallFolders::Count).isEmpty());
        }
        // The test context created them all.
        for (const QString &sub : expected)
            QVERIFY2(QFileInfo(root + sub).isDir(), qPrintable(sub));
    }

    // Files copied from Windows differ in case from the names the code uses.
    void caseInsensitiveResolution()
    {
        test::TestContext tc;
        const InstallFolders &f = tc.context().folders();
        tc.writeText(u"CFG/LT/book_config.ini"_s, u"x"_s);
        tc.writeText(u"CFG/Sound/Ding.WAV"_s, u"x"_s);
        QCOMPARE(f.file(InstallFolders::Cfg, u"lt\\BOOK_CONFIG.INI"_s),
                 f.folder(InstallFolders::Cfg) + u"LT/book_config.ini"_s);
        QCOMPARE(f.file(InstallFolders::Cfg, u"sound/ding.wav"_s), f.folder(InstallFolders::Cfg) + u"Sound/Ding.WAV"_s);
        QCOMPARE(f.file(InstallFolders::Root, u"KESTRA.INI"_s), f.root() + u"KESTRA.INI"_s); // nothing matches

        // An exact match wins over a name that differs only in case.
        tc.writeText(u"CFG/lt/book_config.ini"_s, u"y"_s);
        QCOMPARE(f.file(InstallFolders::Cfg, u"lt/book_config.ini"_s),
                 f.folder(InstallFolders::Cfg) + u"lt/book_config.ini"_s);
        QCOMPARE(f.file(InstallFolders::Cfg, u"LT/book_config.ini"_s),
                 f.folder(InstallFolders::Cfg) + u"LT/book_config.ini"_s);
    }

    void getEnv()
    {
        test::TestContext tc;
        AppContext &ctx = tc.context();
        // Without a database session the server values are empty.
        QCOMPARE(ctx.getEnv(0).toString(), QString());
        QCOMPARE(ctx.getEnv(1).toString(), QString());

        FakeServerClock server;
        ctx.setServerClock(&server);
        ctx.session().currentLocation = u"A01"_s;
        ctx.session().operatorNo = u"0007"_s;
        ctx.session().password = u"密码"_s;
        // Indices 0 to 9; 6 is empty.
        const QStringList values =
            u"2026-03-1423:59:58|2026-03-14|23:59:58|A01|0007|密码||2026|true|2026-03-14 23:59:58"_s.split(u'|');
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(ctx.getEnv(i).toString(), values.at(i));
        const int folderOf[] = {InstallFolders::Root,     InstallFolders::Bin,       InstallFolders::Doc,
                                InstallFolders::Tmp,      InstallFolders::Cfg,       InstallFolders::Log,
                                InstallFolders::Dat,      InstallFolders::BaseParam, InstallFolders::CardParam,
                                InstallFolders::Template, InstallFolders::Z3950};
        for (int i = 0; i < 11; ++i)
            QCOMPARE(ctx.getEnv(10 + i).toString(), ctx.folders().folder(folderOf[i]));
        QVERIFY(ctx.getEnv(8).toBool());
        QCOMPARE(ctx.getEnv(21).toString(), QString());
        QCOMPARE(ctx.getEnv(-1).toString(), QString());
        QVERIFY(ctx.getEnv(14).toString().endsWith(u"/CFG/"_s));

        // The server-clock indices ask the server on every read; the others never.
        server.calls = 0;
        for (int i : {0, 1, 2, 7, 9})
            ctx.getEnv(i);
        QCOMPARE(server.calls, 5);
        server.value = u"2026-03-1500:00:01"_s;
        QCOMPARE(ctx.getEnv(9).toString(), u"2026-03-15 00:00:01"_s);
        server.calls = 0;
        for (int i : {3, 4, 5, 6, 8, 10, 15, 20})
            ctx.getEnv(i);
        QCOMPARE(server.calls, 0);
        ctx.setServerClock(nullptr);
    }

    void preferences()
    {
        QTemporaryDir dir;
        const QString file = dir.path() + u"/user.ini"_s;
        {
            const Preferences p = UserSettingsStore(file).loadPreferences();
            QCOMPARE(p.styleId, u"DefaultTheme"_s);
            QCOMPARE(p.showDate, u"All"_s);
            QCOMPARE(p.intervalTime, 1000);
            QCOMPARE(p.bookStat, u"1"_s);
            QCOMPARE(p.sdsd, 0);
            QCOMPARE(p.suggest, u"0"_s);
            QCOMPARE(p.fontName, u"Fixedsys"_s);
            QCOMPARE(p.fontSize, 12);
            QCOMPARE(p.fontBold, false);
            QCOMPARE(p.bmSubidRep, 31);
            QCOMPARE(p.listFontName, u"宋体"_s);
            QCOMPARE(p.listFontSize, 9);
            QCOMPARE(p.listFontBold, false);
            QVERIFY(p.smtpAddress.isEmpty() && p.emailAddress.isEmpty() && p.smtpUser.isEmpty() &&
                    p.smtpPassword.isEmpty() && p.smtp.isEmpty());
        }
        {
            UserSettingsStore store(file);
            store.setValue(u"SysParam"_s, u"ShowDate"_s, u"Today"_s);
            store.setValue(u"SysParam"_s, u"IntervalTime"_s, u"250"_s);
            store.setValue(u"SysParam"_s, u"FontSize"_s, u"not a number"_s); // keeps the default
            store.setValue(u"SysParam"_s, u"FontBold"_s, u"-1"_s);           // the old stores' True
            store.setValue(u"SysParam"_s, u"SmtpPassWord"_s, u"a,b=c;d"_s);
            store.setValue(u"Settings"_s, u"ListFontName"_s, u"Noto Sans CJK SC"_s);
            store.setValue(u"Settings"_s, u"ListFontBold"_s, u"True"_s);
            store.saveStyle(u"深色"_s);
        }
        const Preferences p = UserSettingsStore(file).loadPreferences();
        QCOMPARE(p.showDate, u"Today"_s);
        QCOMPARE(p.intervalTime, 250);
        QCOMPARE(p.fontSize, 12);
        QCOMPARE(p.fontBold, true);
        QCOMPARE(p.smtpPassword, u"a,b=c;d"_s);
        QCOMPARE(p.listFontName, u"Noto Sans CJK SC"_s);
        QCOMPARE(p.listFontBold, true);
        QCOMPARE(p.styleId, u"深色"_s);
        QCOMPARE(UserSettingsStore(file).value(u"Settings"_s, u"StyleID"_s, QString()), u"深色"_s);
    }
};

KESTRA_TEST(AppContextTest)
#include "AppContextTest.moc"
