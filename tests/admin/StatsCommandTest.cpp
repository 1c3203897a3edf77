// kestra-admin stats on both backends: the holdings and a month's intake by
// a template, written as text and as a workbook, and the refusals of the
// command line (reversed period, unknown template, hostile location).

#include "admin/StatsCommand.h"
#include "support/SuiteFixture.h"
#include "support/TestRunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

class StatsCommandTest : public QObject {
    Q_OBJECT

    struct Run {
        int status = -1;
        QString out;
        QString err;
    };

    static Run stats(SuiteFixture &fx, QStringList args)
    {
        Run run;
        QTextStream out(&run.out);
        QTextStream err(&run.err);
        run.status = runStatsCommand(QStringList{QStringLiteral("--root"), fx.tc.root()} + args, out, err);
        return run;
    }

private Q_SLOTS:
    void countsAndRefuses_data() { addBackendRows(); }
    void countsAndRefuses()
    {
        QFETCH(int, backend);
        SuiteFixture fx;
        KESTRA_OPEN_SUITE(fx, backend);
        for (const char *sql :
             {"INSERT INTO marc (marc_rec_no,marc_type) VALUES ('M1','C')",
              "INSERT INTO call_no_lst (call_no,marc_rec_no,cls_id) VALUES ('I247/1','M1','1')",
              "INSERT INTO indi_acct (prop_no,marc_rec_no,call_no,dis_location,book_stat_code,"
              "in_date,chk_batch_no,price) VALUES ('P1','M1','I247/1','SK','41','2026-03-02','C1',12)",
              "INSERT INTO indi_acct (prop_no,marc_rec_no,dis_location,book_stat_code,in_date,"
              "chk_batch_no,price) VALUES ('P2','M1','XS','41','2026-02-02','C1',3)"})
            QVERIFY(fx.exec(QString::fromUtf8(sql)));

        // The holdings: I 文学 holds P1, P2 has no call number.
        Run r = stats(fx, {QStringLiteral("--template"), QStringLiteral("S01")});
        QCOMPARE(r.status, 0);
        QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1 + 22 + 2);
        QCOMPARE(lines.at(9), QStringLiteral("I 文学\t1\t1\t12.00"));
        QCOMPARE(lines.at(23), QStringLiteral("未分配索书号\t1\t1\t3.00"));
        QCOMPARE(lines.last(), QStringLiteral("馆藏合计\t1\t2\t15.00"));

        // March at SK, into a workbook.
        QTemporaryDir dir;
        const QString book = dir.filePath(QStringLiteral("m.xlsx"));
        r = stats(fx, {QStringLiteral("--template"), QStringLiteral("S02"), QStringLiteral("--month"),
                       QStringLiteral("2026-03"), QStringLiteral("--location"), QStringLiteral("SK"),
                       QStringLiteral("--xlsx"), book});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.endsWith(QStringLiteral("馆藏合计\t1\t1\t12.00\n")));
        QVERIFY(QFile(book).size() > 0);

        r = stats(fx, {QStringLiteral("--template"), QStringLiteral("S01"), QStringLiteral("--from"),
                       QStringLiteral("2026-03-31"), QStringLiteral("--to"), QStringLiteral("2026-03-01")});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(QStringLiteral("reversed")));
        r = stats(fx, {QStringLiteral("--template"), QStringLiteral("NOPE'--")});
        QCOMPARE(r.status, 1);
        r = stats(fx, {QStringLiteral("--template"), QStringLiteral("S01"), QStringLiteral("--year"),
                       QStringLiteral("2026"), QStringLiteral("--location"), QStringLiteral("SK' OR '1'='1")});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.endsWith(QStringLiteral("馆藏合计\t0\t0\t\n")));
        QCOMPARE(stats(fx, {}).status, 2);
    }
};

KESTRA_TEST(StatsCommandTest)
#include "StatsCommandTest.moc"
