// Oracle's results from translated SQL, on SQLite and on PostgreSQL.

#include "db/SqlScratchDb.h"
#include "support/TestRunner.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTest>

using namespace kestra;
using kestra::test::SqlScratchDb;

class SqlExecutionTest : public QObject {
    Q_OBJECT

    kestra::test::SqlBackends backends_;

    // A fresh table; the column types differ per backend.
    static void table(SqlScratchDb *db, const QString &name, const QString &sqliteCols, const QString &pgCols)
    {
        QVERIFY(db->native(QStringLiteral("DROP TABLE IF EXISTS %1").arg(name)));
        QVERIFY(db->native(QStringLiteral("CREATE TABLE %1 (%2)").arg(name, sqliteCols),
                           QStringLiteral("CREATE TABLE %1 (%2)").arg(name, pgCols)));
    }
    static void run(SqlScratchDb *db, const QString &oracle)
    {
        QString why;
        QVERIFY2(db->exec(oracle, &why), qPrintable(why));
    }
    static QStringList column(SqlScratchDb *db, const QString &oracle)
    {
        QString why;
        QStringList out;
        const QList<QVariantList> rows = db->rows(oracle, &why);
        if (!why.isEmpty())
            out << QStringLiteral("<ERROR: ") + why + u'>';
        for (const QVariantList &r : rows)
            out << (r.first().isNull() ? QStringLiteral("<NULL>") : r.first().toString());
        return out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString why;
        QVERIFY2(backends_.open(&why), qPrintable(why));
    }
    void cleanupTestCase() { backends_.close(); }

    void emptyTextIsNull_data() { kestra::test::SqlBackends::addRows(); }
    void emptyTextIsNull()
    {
        KESTRA_SQL_BACKEND(db);
        table(db, "t_empty", "id INTEGER, a VARCHAR(20) NOT NULL, b VARCHAR(20)",
              "id INTEGER, a VARCHAR(20) NOT NULL, b VARCHAR(20)");
        run(db, "INSERT INTO t_empty(id, a, b) VALUES(1, 'x', '')");
        QCOMPARE(db->text("SELECT count(*) FROM t_empty WHERE b IS NULL"), QString("1"));
        QCOMPARE(db->text("SELECT nvl(b, 'was null') FROM t_empty"), QString("was null"));
        // '' compares like NULL: never equal, never unequal.
        QCOMPARE(db->text("SELECT count(*) FROM t_empty WHERE a <> ''"), QString("0"));
        // A NOT NULL column refuses '' as Oracle does.
        QVERIFY(!db->exec("INSERT INTO t_empty(id, a) VALUES(2, '')"));
        run(db, "UPDATE t_empty SET a = 'y', b = 'z' WHERE id = 1");
        run(db, "UPDATE t_empty SET b = '' WHERE id = 1");
        QCOMPARE(db->text("SELECT b FROM t_empty"), QString("<NULL>"));
    }

    void concatenation_data() { kestra::test::SqlBackends::addRows(); }
    void concatenation()
    {
        KESTRA_SQL_BACKEND(db);
        QCOMPARE(db->text("SELECT NULL || 'x' FROM dual"), QString("x"));
        QCOMPARE(db->text("SELECT 'a' || NULL || '' || 'b' FROM dual"), QString("ab"));
        // Nothing at all is NULL, as Oracle has no empty text.
        QCOMPARE(db->text("SELECT count(*) FROM dual WHERE NULL || '' IS NULL"), QString("1"));
        QCOMPARE(db->text("SELECT 12.50 || '|' || 0.5 || '|' || -0.25 || '|' || 25.0 || '|' || 7 FROM dual"),
                 QString("12.5|.5|-.25|25|7"));
        QCOMPARE(db->text("SELECT 'x' || (1 + 2) * 2 FROM dual"), QString("x6"));
        QCOMPARE(db->text("SELECT concat('a', NULL) FROM dual"), QString("a"));
    }

    void aggregatesOverNoRows_data() { kestra::test::SqlBackends::addRows(); }
    void aggregatesOverNoRows()
    {
        KESTRA_SQL_BACKEND(db);
        table(db, "t_sum", "x VARCHAR(10), y NUMERIC(12,2)", "x VARCHAR(10), y NUMERIC(12,2)");
        // SUM over no rows is NULL, which concatenates as nothing.
        QCOMPARE(db->text("select count(x)||','||sum(y)||',' from t_sum where 1=0"), QString("0,,"));
        const QString stats =
            " SELECT count(distinct t_sum.x)|| ',' ||COUNT(t_sum.x)|| ',' ||SUM(t_sum.y)  FROM   t_sum "
            " WHERE t_sum.x is not null ";
        QCOMPARE(db->text(stats), QString("0,0,"));
        run(db, "INSERT INTO t_sum VALUES('a', 12.3)");
        run(db, "INSERT INTO t_sum VALUES('a', 45.6)");
        run(db, "INSERT INTO t_sum VALUES('b', 0.1)");
        QCOMPARE(db->text(stats), QString("2,3,58"));
        run(db, "INSERT INTO t_sum VALUES('c', 0.15)");
        QCOMPARE(db->text(stats), QString("3,4,58.15"));
    }

    void rownum_data() { kestra::test::SqlBackends::addRows(); }
    void rownum()
    {
        KESTRA_SQL_BACKEND(db);
        table(db, "t_rows", "id INTEGER", "id INTEGER");
        for (int i = 1; i <= 5; ++i)
            run(db, QStringLiteral("INSERT INTO t_rows VALUES(%1)").arg(i));
        QCOMPARE(db->rows("SELECT id FROM t_rows WHERE rownum = 1").size(), 1);
        QCOMPARE(db->rows("SELECT id FROM t_rows WHERE rownum < 1").size(), 0);
        QCOMPARE(db->rows("SELECT id FROM t_rows WHERE rownum = 2").size(), 0);
        QCOMPARE(db->rows("SELECT id FROM t_rows WHERE rownum >= 1").size(), 5);
        QCOMPARE(db->text("SELECT count(*) FROM (SELECT id FROM t_rows WHERE rownum <= 3)"), QString("3"));
        QCOMPARE(column(db, "SELECT id FROM t_rows WHERE id > 1 AND rownum <= 2 ORDER BY id"), QStringList({"2", "3"}));
    }

    void orderPutsNullsLast_data() { kestra::test::SqlBackends::addRows(); }
    void orderPutsNullsLast()
    {
        KESTRA_SQL_BACKEND(db);
        table(db, "t_order", "v VARCHAR(5)", "v VARCHAR(5)");
        for (const char *v : {"'b'", "NULL", "'a'", "''"})
            run(db, QStringLiteral("INSERT INTO t_order VALUES(%1)").arg(QLatin1StringView(v)));
        QCOMPARE(column(db, "SELECT v FROM t_order ORDER BY v"), QStringList({"a", "b", "<NULL>", "<NULL>"}));
        QCOMPARE(column(db, "SELECT v FROM t_order ORDER BY v DESC"), QStringList({"<NULL>", "<NULL>", "b", "a"}));
    }

    void likeIsOracles_data() { kestra::test::SqlBackends::addRows(); }
    void likeIsOracles()
    {
        KESTRA_SQL_BACKEND(db);
        table(db, "t_like", "v VARCHAR(20)", "v VARCHAR(20)");
        run(db, "INSERT INTO t_like VALUES('abc')");
        run(db, "INSERT INTO t_like VALUES('a\\bc')");
        run(db, "INSERT INTO t_like VALUES('100%')");
        // Case matters, and a backslash is an ordinary character.
        QCOMPARE(db->text("SELECT count(*) FROM t_like WHERE v LIKE 'A%'"), QString("0"));
        QCOMPARE(db->text("SELECT v FROM t_like WHERE v LIKE 'a\\%'"), QString("a\\bc"));
        QCOMPARE(db->text("SELECT count(*) FROM t_like WHERE v LIKE 'a\\bc'"), QString("1"));
        QCOMPARE(db->text("SELECT v FROM t_like WHERE v LIKE '%!%' ESCAPE '!'"), QString("100%"));
        QCOMPARE(db->text("SELECT count(*) FROM t_like WHERE v LIKE ''"), QString("0"));
    }

    void sequences_data() { kestra::test::SqlBackends::addRows(); }
    void sequences()
    {
        KESTRA_SQL_BACKEND(db);
        QVERIFY(db->native("INSERT INTO kestra_sequence (seq_name, last_value) VALUES ('s_deal_log', 0)",
                           "CREATE SEQUENCE s_deal_log"));
        QVERIFY(!db->exec("SELECT s_deal_log.currval FROM dual")); // not drawn yet in this session
        QCOMPARE(db->text("SELECT s_deal_log.nextval FROM dual"), QString("1"));
        QCOMPARE(db->text("SELECT S_DEAL_LOG.NEXTVAL FROM dual"), QString("2"));
        QCOMPARE(db->text("SELECT s_deal_log.currval FROM dual"), QString("2"));
        table(db, "t_seq", "deal_no INTEGER, prop_no VARCHAR(10)", "deal_no INTEGER, prop_no VARCHAR(10)");
        run(db, "INSERT INTO t_seq(deal_no, prop_no) VALUES(s_deal_log.nextval, 'P1')");
        run(db, "INSERT INTO t_seq(deal_no, prop_no) SELECT s_deal_log.nextval, 'P2' FROM dual");
        QCOMPARE(column(db, "SELECT deal_no || prop_no FROM t_seq ORDER BY deal_no"), QStringList({"3P1", "4P2"}));
        QVERIFY(!db->exec("SELECT s_missing.nextval FROM dual"));
    }

    void statementForms_data() { kestra::test::SqlBackends::addRows(); }
    void statementForms()
    {
        KESTRA_SQL_BACKEND(db);
        table(db, "marc", "marc_rec_no VARCHAR(10), lendable_copies INTEGER",
              "marc_rec_no VARCHAR(10), lendable_copies INTEGER");
        table(db, "indi_acct", "prop_no VARCHAR(10), marc_rec_no VARCHAR(10), book_stat_code VARCHAR(2)",
              "prop_no VARCHAR(10), marc_rec_no VARCHAR(10), book_stat_code VARCHAR(2)");
        table(db, "transfer_doc", "move_batch VARCHAR(10), marc_rec_no VARCHAR(10)",
              "move_batch VARCHAR(10), marc_rec_no VARCHAR(10)");
        run(db, "INSERT INTO marc VALUES('M1', NULL)");
        run(db, "INSERT INTO marc VALUES('M2', NULL)");
        run(db, "INSERT INTO indi_acct VALUES('P1', 'M1', '41')");
        run(db, "INSERT INTO indi_acct VALUES('P2', 'M1', '41')");
        run(db, "INSERT INTO indi_acct VALUES('P3', 'M1', '3C')");
        run(db, "INSERT INTO transfer_doc VALUES('B1', 'M1')");
        run(db, "update marc A set lendable_copies=  (select count(*) from indi_acct B     where A.marc_rec_no = "
                "B.marc_rec_no  and B.book_stat_code='41')   where marc_rec_no in (select marc_rec_no from "
                "transfer_doc where move_batch='B1')");
        QCOMPARE(column(db, "SELECT nvl(lendable_copies, -1) FROM marc ORDER BY marc_rec_no"),
                 QStringList({"2", "-1"}));

        QCOMPARE(column(db, "SELECT marc_rec_no FROM marc MINUS SELECT marc_rec_no FROM transfer_doc"),
                 QStringList({"M2"}));
        QCOMPARE(db->text(" SELECT 1 from dual "), QString("1"));
        QCOMPARE(db->rows("SELECT 1 FROM dual WHERE EXISTS (SELECT 1 FROM marc WHERE marc_rec_no = 'none')").size(), 0);
        QVERIFY(db->db().transaction());
        QCOMPARE(db->text("SELECT prop_no FROM indi_acct WHERE prop_no = 'P3' FOR UPDATE NOWAIT"), QString("P3"));
        QVERIFY(db->db().commit());

        table(db, "mail_data", "prop_no VARCHAR(10), m VARCHAR(10)", "prop_no VARCHAR(10), m VARCHAR(10)");
        run(db, "INSERT INTO mail_data(prop_no, m)  (SELECT indi_acct.prop_no, marc.marc_rec_no FROM indi_acct, marc "
                " WHERE indi_acct.marc_rec_no = marc.marc_rec_no AND indi_acct.book_stat_code = '41')");
        QCOMPARE(db->text("SELECT count(*) FROM mail_data"), QString("2"));
        run(db, "DELETE mail_data WHERE prop_no = 'P1'");
        QCOMPARE(db->text("SELECT count(*) FROM mail_data"), QString("1"));
        QVERIFY(db->db().transaction());
        run(db, "TRUNCATE table mail_data");
        run(db, "Delete FROM indi_acct");
        QVERIFY(db->db().commit());
        QCOMPARE(db->text("SELECT count(*) FROM mail_data"), QString("0"));
    }
    void rownumCountsRowsBeforeCombining_data() { kestra::test::SqlBackends::addRows(); }
    void rownumCountsRowsBeforeCombining()
    {
        KESTRA_SQL_BACKEND(db);
        table(db, "t_agg", "id INTEGER, k VARCHAR(5), v NUMERIC(6,2)", "id INTEGER, k VARCHAR(5), v NUMERIC(6,2)");
        for (const char *row : {"1, 'a', 1", "2, 'a', 2", "3, 'b', 3", "4, 'b', 4", "5, 'c', 5"})
            run(db, QStringLiteral("INSERT INTO t_agg VALUES(%1)").arg(QLatin1StringView(row)));
        // Oracle numbers the rows, then counts, groups or drops duplicates.
        QCOMPARE(db->text("SELECT count(*) FROM t_agg WHERE rownum <= 1"), QString("1"));
        QCOMPARE(db->text("SELECT count(*) FROM t_agg WHERE k <> 'a' AND rownum < 3"), QString("2"));
        QCOMPARE(db->text("SELECT count(*) FROM t_agg WHERE rownum = 2"), QString("0"));
        QCOMPARE(db->text("SELECT count(t_agg.id) || ',' || sum(t_agg.v) FROM t_agg WHERE t_agg.k <> 'c' AND "
                          "rownum <= 3"),
                 QString("3,6"));
        QCOMPARE(db->text("SELECT max(x.v) FROM t_agg x WHERE x.id > 1 AND rownum <= 2"), QString("3"));
        QCOMPARE(db->text("SELECT sum(c) FROM (SELECT k, count(*) c FROM t_agg WHERE rownum <= 3 GROUP BY k)"),
                 QString("3"));
        // The first rows of the scan, then their distinct values.
        QCOMPARE(column(db, "SELECT DISTINCT k FROM t_agg WHERE rownum <= 2"), QStringList({"a"}));
        // Without combining, the limit is still the last step.
        QCOMPARE(column(db, "SELECT id FROM t_agg WHERE rownum <= 2 ORDER BY id"), QStringList({"1", "2"}));
        // Over a join there is no name to keep: refused, never a wrong count.
        QString why;
        QVERIFY(!db->exec("SELECT count(*) FROM t_agg a, t_agg b WHERE a.id = b.id AND rownum <= 1", &why));
        QVERIFY2(why.contains(QStringLiteral("ORA-03001")), qPrintable(why));
    }

    void quotedNumbersMeetNumbers_data() { kestra::test::SqlBackends::addRows(); }
    void quotedNumbersMeetNumbers()
    {
        KESTRA_SQL_BACKEND(db);
        table(db, "t_num", "code VARCHAR(10)", "code VARCHAR(10)");
        for (const char *code : {"1234567", "7654321", "123", "123", "0123"})
            run(db, QStringLiteral("INSERT INTO t_num VALUES('%1')").arg(QLatin1StringView(code)));
        // Oracle turns the quoted text into a number to compare it with one.
        QCOMPARE(db->text("SELECT count(*) FROM t_num WHERE length(code) = '7'"), QString("2"));
        QCOMPARE(db->text("SELECT count(*) FROM t_num WHERE ' 7 ' = length(code)"), QString("2"));
        QCOMPARE(db->text("SELECT count(*) FROM t_num WHERE length(code) >= '4' AND length(code) < '7.5'"),
                 QString("3"));
        QCOMPARE(column(db, "SELECT code FROM t_num GROUP BY code HAVING count(*) >= '2'"), QStringList({"123"}));
        QCOMPARE(db->text("SELECT count(*) FROM t_num WHERE instr(code, '4') > '0'"), QString("2"));
        // Text against text stays text: '0123' is not 123.
        QCOMPARE(db->text("SELECT count(*) FROM t_num WHERE substr(code, 1, 2) = '01'"), QString("1"));
        QCOMPARE(db->text("SELECT count(*) FROM t_num WHERE code = '0123'"), QString("1"));
        QCOMPARE(db->text("SELECT count(*) FROM t_num WHERE 'x' || length(code) = 'x7'"), QString("2"));

        // A bare number against a text column of the schema: Oracle compares
        // numbers. Text holding no number matches nothing.
        table(db, "t_bare", "deal_batch_no VARCHAR(10), class_order INTEGER",
              "deal_batch_no VARCHAR(10), class_order INTEGER");
        for (const char *row : {"'12', 1", "'0012', 2", "'B12', 3", "NULL, 4", "' 5 ', 5"})
            run(db, QStringLiteral("INSERT INTO t_bare VALUES(%1)").arg(QLatin1StringView(row)));
        QCOMPARE(db->text("SELECT count(*) FROM t_bare WHERE deal_batch_no=12"), QString("2"));
        QCOMPARE(db->text("SELECT count(*) FROM t_bare x WHERE 12 = x.deal_batch_no AND class_order > 1"),
                 QString("1"));
        QCOMPARE(db->text("SELECT count(*) FROM t_bare WHERE deal_batch_no > 9"), QString("2"));
        QCOMPARE(db->text("SELECT count(*) FROM t_bare WHERE deal_batch_no = 5"), QString("1"));
        QCOMPARE(db->text("SELECT count(*) FROM t_bare WHERE deal_batch_no = '12'"), QString("1"));
        run(db, "UPDATE t_bare SET class_order = 0 WHERE deal_batch_no = 12");
        QCOMPARE(db->text("SELECT sum(class_order) FROM t_bare"), QString("12"));
        // Assigned, the number becomes text.
        run(db, "UPDATE t_bare SET deal_batch_no = 13, class_order = 6 WHERE deal_batch_no = 5");
        QCOMPARE(db->text("SELECT deal_batch_no FROM t_bare WHERE class_order = 6"), QString("13"));
    }

    void replaceAndDateArithmetic_data() { kestra::test::SqlBackends::addRows(); }
    void replaceAndDateArithmetic()
    {
        KESTRA_SQL_BACKEND(db);
        table(db, "t_rep", "id INTEGER, v VARCHAR(20)", "id INTEGER, v VARCHAR(20)");
        run(db, "INSERT INTO t_rep VALUES(1, ' a b  c ')");
        run(db, "INSERT INTO t_rep VALUES(2, NULL)");
        // A NULL replacement removes what it finds; a NULL search finds nothing.
        QCOMPARE(db->text("SELECT replace(v, ' ', '') FROM t_rep WHERE id = 1"), QString("abc"));
        QCOMPARE(db->text("SELECT replace(v, ' ') FROM t_rep WHERE id = 1"), QString("abc"));
        QCOMPARE(db->text("SELECT replace(v, '', 'x') FROM t_rep WHERE id = 1"), QString(" a b  c "));
        QCOMPARE(db->text("SELECT replace(v, 'b', '-') FROM t_rep WHERE id = 1"), QString(" a -  c "));
        QCOMPARE(db->text("SELECT replace(v, ' ', '') FROM t_rep WHERE id = 2"), QString("<NULL>"));
        QCOMPARE(db->text("SELECT count(*) FROM dual WHERE replace('   ', ' ', '') IS NULL"), QString("1"));
        run(db, "UPDATE t_rep SET v = replace(v, ' ', '') WHERE id = 1");
        QCOMPARE(db->text("SELECT v FROM t_rep WHERE id = 1"), QString("abc"));

        // A number added to a date counts days; a date minus a date is days.
        QCOMPARE(db->text("SELECT to_char(to_date('2024-02-27','yyyy-mm-dd') + 3, 'yyyy-mm-dd') FROM dual"),
                 QString("2024-03-01"));
        QCOMPARE(db->text("SELECT to_char(2 + to_date('2024-02-27','yyyy-mm-dd') - 1, 'yyyy-mm-dd') FROM dual"),
                 QString("2024-02-28"));
        QCOMPARE(db->text("SELECT to_char(to_date('2024-03-01','yyyy-mm-dd') - 0.5, 'yyyy-mm-dd hh24:mi') FROM dual"),
                 QString("2024-02-29 12:00"));
        QCOMPARE(db->text("SELECT to_date('2024-03-01','yyyy-mm-dd') - to_date('2024-01-31','yyyy-mm-dd') FROM dual"),
                 QString("30"));
        QCOMPARE(db->text("SELECT to_char(trunc(sysdate) - 1, 'yyyy-mm-dd') FROM dual"),
                 QDate::currentDate().addDays(-1).toString(Qt::ISODate));
        QCOMPARE(db->text("SELECT count(*) FROM dual WHERE sysdate - 7 < sysdate AND sysdate + 1 > sysdate"),
                 QString("1"));
        // Numbers alone keep their arithmetic.
        QCOMPARE(db->text("SELECT 7 - 2 + 1 FROM dual"), QString("6"));
    }
};

KESTRA_TEST(SqlExecutionTest)
#include "SqlExecutionTest.moc"
