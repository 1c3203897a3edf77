// WriteLog and the lenient date formatter it shares with the statistics forms.

#include "core/DateText.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace Qt::StringLiterals;

class LogFileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void linesAndModes()
    {
        test::TestContext tc;
        AppContext &ctx = tc.context();
        QCOMPARE(ctx.log().write(u"ignored title"_s, u"ORA-00001: 违反唯一约束条件"_s, LogFile::Append), 0);
        tc.clock().advanceSecs(3600 * 5 + 7);
        QCOMPARE(ctx.writeLog(u"second"_s), 0);
        QCOMPARE(QString::fromUtf8(tc.readFile(u"LOG/2026-03-14_Log.log"_s)),
                 u"2026-03-14 09:26:53;ORA-00001: 违反唯一约束条件\n2026-03-14 14:27:00;second\n"_s);

        QCOMPARE(ctx.writeLog(u"fresh"_s, LogFile::Replace), 0);
        QCOMPARE(QString::fromUtf8(tc.readFile(u"LOG/2026-03-14_Log.log"_s)), u"2026-03-14 14:27:00;fresh\n"_s);

        // The workstation's date names the file; a new day starts a new file.
        tc.clock().set(QDateTime(QDate(2026, 3, 14), QTime(23, 59, 59)));
        QCOMPARE(ctx.writeLog(u"late"_s), 0);
        tc.clock().set(QDateTime(QDate(2026, 3, 15), QTime(0, 0, 1)));
        QCOMPARE(ctx.writeLog(u"early"_s), 0);
        QVERIFY(QString::fromUtf8(tc.readFile(u"LOG/2026-03-14_Log.log"_s)).endsWith(u"23:59:59;late\n"_s));
        QCOMPARE(QString::fromUtf8(tc.readFile(u"LOG/2026-03-15_Log.log"_s)), u"2026-03-15 00:00:01;early\n"_s);
        QCOMPARE(ctx.log().pathForToday(), ctx.folders().folder(InstallFolders::Log) + u"2026-03-15_Log.log"_s);
        QCOMPARE(ctx.errors().location, int(ErrorRecord::Elsewhere));
    }

    // Failures go to the error record and are never shown.
    void unwritableLogFolder()
    {
        test::TestContext tc;
        AppContext &ctx = tc.context();
        QVERIFY(QDir(tc.root() + u"/LOG"_s).removeRecursively());
        tc.writeText(u"LOG"_s, u"a file where the folder should be"_s);
        for (int mode : {LogFile::Append, LogFile::Replace}) {
            ctx.errors().clear();
            QCOMPARE(ctx.writeLog(u"lost"_s, mode), -1);
            QCOMPARE(ctx.errors().location, 1007);
            QCOMPARE(ctx.errors().proc, u"LIB_WriteLogFile"_s);
            QVERIFY(!ctx.errors().text.isEmpty());
        }
        QVERIFY(tc.prompter().shown().isEmpty());

        // The day's file name taken by a folder fails the same way.
        test::TestContext tc2;
        QVERIFY(QDir(tc2.root()).mkpath(u"LOG/2026-03-14_Log.log"_s));
        QCOMPARE(tc2.context().writeLog(u"lost"_s), -1);
        QCOMPARE(tc2.context().errors().location, 1007);
        QVERIFY(tc2.prompter().shown().isEmpty());
    }

    void formatDateText_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        const QString ymd = u"yyyy-mm-dd"_s;
        QTest::newRow("minguo simplified") << u"民国89.5.1"_s << ymd << u"2000-05-01"_s;
        QTest::newRow("minguo traditional") << u"民國89年5月1日"_s << ymd << u"2000-05-01"_s;
        QTest::newRow("minguo three digits") << u"民国 100/1/2"_s << u"yyyy/mm/dd"_s << u"2011/01/02"_s;
        QTest::newRow("dots") << u"2024.5.6"_s << ymd << u"2024-05-06"_s;
        QTest::newRow("slashes") << u"2024/05/06"_s << ymd << u"2024-05-06"_s;
        QTest::newRow("dashes") << u"2024-5-6"_s << u"yyyy/mm/dd"_s << u"2024/05/06"_s;
        QTest::newRow("chinese") << u"2024年5月6日"_s << ymd << u"2024-05-06"_s;
        QTest::newRow("eight digits") << u"20240506"_s << ymd << u"2024-05-06"_s;
        QTest::newRow("two digits below 50") << u"49-1-2"_s << ymd << u"2049-01-02"_s;
        QTest::newRow("two digits at 50") << u"50.1.2"_s << ymd << u"1950-01-02"_s;
        QTest::newRow("00 is 2000") << u"00/12/31"_s << ymd << u"2000-12-31"_s;
        QTest::newRow("99 is 1999") << u"99/12/31"_s << ymd << u"1999-12-31"_s;
        QTest::newRow("year and month") << u"2024-05"_s << ymd << u"2024-05-01"_s;
        QTest::newRow("minguo with time") << u"民国 89.5.1 13:07"_s << u"yyyy-mm-dd hh:mm"_s << u"2000-05-01 13:07"_s;
        QTest::newRow("minguo year and month") << u"民国89.5"_s << ymd << u"2000-05-01"_s;
        QTest::newRow("cut to yyyy") << u"2024-05-06 13:07:09"_s << u"yyyy"_s << u"2024"_s;
        QTest::newRow("cut to yyyy-mm") << u"2024/5/6"_s << u"yyyy-mm"_s << u"2024-05"_s;
        QTest::newRow("time dropped") << u"2024-05-06 13:07:09"_s << ymd << u"2024-05-06"_s;
        QTest::newRow("with time") << u"2024.5.6 13:07:09"_s << u"yyyy-mm-dd hh:mm:ss"_s << u"2024-05-06 13:07:09"_s;
        QTest::newRow("chinese pattern") << u"2024-05-06 13:07"_s << u"yyyy年mm月dd日 hh时mm分"_s
                                         << u"2024年05月06日 13时07分"_s;
        QTest::newRow("nn minutes") << u"2024-05-06 13:07"_s << u"hh:nn"_s << u"13:07"_s;
        QTest::newRow("two-digit pattern") << u"2024-05-06"_s << u"yy/mm/dd"_s << u"24/05/06"_s;
        QTest::newRow("text") << u"丢失"_s << ymd << u"丢失"_s;
        QTest::newRow("empty") << QString() << ymd << QString();
        QTest::newRow("no such day") << u"2024-02-30"_s << ymd << u"2024-02-30"_s;
        QTest::newRow("no such month") << u"2024-13-01"_s << ymd << u"2024-13-01"_s;
        QTest::newRow("barcode") << u"T0012345"_s << ymd << u"T0012345"_s;
        QTest::newRow("year alone") << u"2024"_s << ymd << u"2024"_s;
        QTest::newRow("bad time") << u"2024-05-06 25:00"_s << ymd << u"2024-05-06 25:00"_s;
    }
    void formatDateText()
    {
        QFETCH(QString, value);
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(kestra::formatDateText(value, pattern), expected);
    }
};

KESTRA_TEST(LogFileTest)
#include "LogFileTest.moc"
