// What a suite procedure is handed: Oracle SQL it runs through the
// translator on its own connection, and PL/SQL tables bound as lists.

#include "core/Session.h"
#include "db/procs/Procedures.h"
#include "support/SuiteFixture.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

class ProcOracleQueryTest : public QObject {
    Q_OBJECT

    static QStringList firstCells(const QList<Row> &rows)
    {
        QStringList out;
        for (const Row &r : rows)
            out << (r.value(0).isNull() ? QStringLiteral("<NULL>") : r.value(0).toString());
        return out;
    }

private Q_SLOTS:
    void runsOracleQueries_data() { addBackendRows(); }
    void runsOracleQueries()
    {
        QFETCH(int, backend);
        SuiteFixture fx;
        KESTRA_OPEN_SUITE(fx, backend);
        auto *host = dynamic_cast<ProcHost *>(fx.db().backend());
        QVERIFY(host);
        DbError error;
        QVERIFY(host->exec(QStringLiteral("CREATE TABLE t_base (id INTEGER, call_no VARCHAR(20), price NUMERIC(8,2))"),
                           {}, error));
        for (const char *row : {"1, 'TP391.4', 10.5", "2, 'TP3', 4", "3, 'A12', 2.25", "4, NULL, 1"})
            QVERIFY(host->exec(QStringLiteral("INSERT INTO t_base VALUES(%1)").arg(QLatin1StringView(row)), {}, error));

        // A base query and one class condition, as the statistics send them.
        const QString base = QStringLiteral(" SELECT COUNT(distinct t_base.call_no)|| ',' ||COUNT(t_base.id)|| ',' "
                                            "||SUM(t_base.price)  FROM   t_base  WHERE  t_base.id > 0 ");
        QList<Row> rows;
        QVERIFY2(selectOracle(*host,
                              base + QStringLiteral(" AND (t_base.call_no  >= 'TP3' AND "
                                                    "substr(t_base.call_no ,1,4)<= 'TP39') "),
                              rows, error),
                 qPrintable(error.text));
        QCOMPARE(firstCells(rows), QStringList({"2,2,14.5"}));
        QVERIFY(selectOracle(*host, base + QStringLiteral(" AND t_base.call_no like 'Z%'"), rows, error));
        QCOMPARE(firstCells(rows), QStringList({"0,0,"}));
        // A "?" in a comment or a literal is text, not a placeholder.
        QVERIFY2(selectOracle(*host,
                              QStringLiteral("SELECT call_no /* which? */ FROM t_base WHERE call_no <> '?' "
                                             "AND rownum <= 1 -- first?"),
                              rows, error),
                 qPrintable(error.text));
        QCOMPARE(rows.size(), 1);

        // One query only.
        QVERIFY(!selectOracle(*host, QStringLiteral("SELECT 1 FROM dual; DELETE FROM t_base"), rows, error));
        QCOMPARE(error.oraCode, 911);
        QVERIFY(!selectOracle(*host, QStringLiteral("DELETE FROM t_base"), rows, error));
        QCOMPARE(error.oraCode, 928);
        QVERIFY(selectOracle(*host, QStringLiteral("SELECT count(*) FROM t_base"), rows, error));
        QCOMPARE(firstCells(rows), QStringList({"4"}));
    }

    void listsReachProcedures()
    {
        // A PL/SQL table is a list, even an empty one; an empty value is NULL.
        const QStringList conditions = {" AND a = '1'", " AND b = '2'"};
        ProcArgs args({boundArgument(conditions), boundArgument(QStringList()), boundArgument(QString()),
                       boundArgument(QStringLiteral("x")), boundArgument(QVariant())});
        QCOMPARE(args.list(0), conditions);
        QVERIFY(!args.isNull(1));
        QCOMPARE(args.list(1), QStringList());
        QVERIFY(args.isNull(2));
        QCOMPARE(args.list(3), QStringList({"x"}));
        QVERIFY(args.isNull(4));
        args.setOutput(0, QStringList({"1,2,3", "4,5,6"}));
        QCOMPARE(args.output(0).toStringList(), QStringList({"1,2,3", "4,5,6"}));
    }
};

KESTRA_TEST(ProcOracleQueryTest)
#include "ProcOracleQueryTest.moc"
