// What each backend receives for the Oracle SQL the client sends.

#include "db/sql/OracleSql.h"
#include "db/sql/OracleTranslator.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;

class TranslateOracleSqlTest : public QObject {
    Q_OBJECT

private:
    static void row(const char *name, const QString &oracle, const QString &sqlite, const QString &postgres)
    {
        QTest::newRow(name) << oracle << sqlite << postgres;
    }
    static void same(const char *name, const QString &oracle, const QString &both) { row(name, oracle, both, both); }

private Q_SLOTS:
    void translates_data()
    {
        QTest::addColumn<QString>("oracle");
        QTest::addColumn<QString>("sqlite");
        QTest::addColumn<QString>("postgres");

        // Literals, names, comments: kept byte for byte, except '' which is NULL.
        same("doubled quotes stay", "SELECT 'O''Brien', '''', 'a''''b' FROM t WHERE n = 'it''s'",
             "SELECT 'O''Brien', '''', 'a''''b' FROM t WHERE n = 'it''s'");
        same("keywords inside literals", "SELECT 'from dual || sysdate '''' rownum' FROM t",
             "SELECT 'from dual || sysdate '''' rownum' FROM t");
        same("quoted names", "SELECT \"Mixed\"\"Name\", a \"题名\" FROM \"T\"",
             "SELECT \"Mixed\"\"Name\", a \"题名\" FROM \"T\"");
        same("national and q literals", "SELECT N'abc', q'[it's]', nq'{x}', q'[]' FROM t",
             "SELECT 'abc', 'it''s', 'x', NULL FROM t");
        same("unterminated literal passes", "SELECT 'abc FROM t", "SELECT 'abc FROM t");
        row("hint and comments", "SELECT /*+ INDEX(marc) */ a -- note ''\nFROM t /* end */",
            "SELECT /*+ INDEX(marc) */ a -- note ''\nFROM t /* end */",
            "SELECT /*+ INDEX(marc) */ a -- note ''\nFROM t /* end */");
        row("nested comment opener", "SELECT /* a /* b */ 1 FROM t", "SELECT /* a /* b */ 1 FROM t",
            "SELECT /* a / * b */ 1 FROM t");
        same("name touching a quote", "SELECT a FROM t WHERE b = x'41'", "SELECT a FROM t WHERE b = x '41'");
        same("not equal", "SELECT a FROM t WHERE b ^= 1", "SELECT a FROM t WHERE b <> 1");
        same("unknown function passes", "SELECT greatest(a, b), ascii(c) FROM t",
             "SELECT greatest(a, b), ascii(c) FROM t");
        same("blocks untouched", "Begin update_copies('', 'O''B'); end;", "Begin update_copies('', 'O''B'); end;");

        // Concatenation: NULL is empty text, numbers in Oracle's form.
        row("concat with arithmetic", "SELECT a + 1 || b, c || d - 1 x, e || f * 2 FROM t",
            "SELECT kestra_concat(a + 1, b), kestra_concat(c, d) - 1 x, kestra_concat(e, f * 2) FROM t",
            "SELECT NULLIF(CONCAT(kestra_text(a + 1), kestra_text(b)), ''), NULLIF(CONCAT(kestra_text(c), "
            "kestra_text(d)), '') - 1 x, NULLIF(CONCAT(kestra_text(e), kestra_text(f * 2)), '') FROM t");
        row("concat in where and case", "SELECT CASE WHEN a||b = 'x' THEN 'y' || '' END FROM t WHERE c || d IS NULL",
            "SELECT CASE WHEN kestra_concat(a, b) = 'x' THEN kestra_concat('y', NULL) END FROM t WHERE "
            "kestra_concat(c, d) IS NULL",
            "SELECT CASE WHEN NULLIF(CONCAT(kestra_text(a), kestra_text(b)), '') = 'x' THEN NULLIF(CONCAT('y', NULL), "
            "'') "
            "END FROM t WHERE NULLIF(CONCAT(kestra_text(c), kestra_text(d)), '') IS NULL");

        // Clock, dual, sequences, statements.
        same("dual aliased", "SELECT d.dummy FROM dual d", "SELECT d.dummy FROM (SELECT 'X' AS dummy) d");
        row("currval with schema", "SELECT lib.s_x.CURRVAL FROM dual", "SELECT kestra_currval('lib.s_x')",
            "SELECT currval('lib.s_x')");
        row("truncate storage", "truncate TABLE lib.x DROP STORAGE", "DELETE FROM lib.x", "truncate TABLE lib.x");
        row("delete without from", "DELETE t x WHERE x.a = 1", "DELETE FROM t AS x WHERE x.a = 1",
            "DELETE FROM t x WHERE x.a = 1");

        // rownum becomes LIMIT where it is a plain row limit.
        same("rownum first", "SELECT a FROM t WHERE rownum < 3 AND x BETWEEN 1 AND 5 AND y = 2",
             "SELECT a FROM t WHERE x BETWEEN 1 AND 5 AND y = 2 LIMIT 2");
        same("rownum reversed", "SELECT a FROM t WHERE 5 >= rownum", "SELECT a FROM t LIMIT 5");
        same("rownum in subquery", "SELECT x FROM t WHERE a IN (SELECT a FROM u WHERE rownum <= 1)",
             "SELECT x FROM t WHERE a IN (SELECT a FROM u LIMIT 1)");
        row("rownum before for update", "SELECT a FROM t WHERE rownum = 1 FOR UPDATE", "SELECT a FROM t LIMIT 1",
            "SELECT a FROM t LIMIT 1 FOR UPDATE");
        same("rownum under or passes", "SELECT a FROM t WHERE x = 1 OR rownum < 2",
             "SELECT a FROM t WHERE x = 1 OR rownum < 2");

        row("for update", "SELECT a FROM t WHERE k='1' FOR UPDATE OF t.a, t.b WAIT 5", "SELECT a FROM t WHERE k='1'",
            "SELECT a FROM t WHERE k='1' FOR UPDATE");
        row("for update nowait", "SELECT a FROM t FOR UPDATE NOWAIT", "SELECT a FROM t",
            "SELECT a FROM t FOR UPDATE NOWAIT");
    }

    void translates()
    {
        QFETCH(QString, oracle);
        QFETCH(QString, sqlite);
        QFETCH(QString, postgres);
        QCOMPARE(translateOracleSql(oracle, SqlDialect::Sqlite), sqlite);
        QCOMPARE(translateOracleSql(oracle, SqlDialect::Postgres), postgres);
    }

    void hostileTextNeverCrashes()
    {
        const QString deep = QString(20000, u'(') + u"1" + QString(20000, u')');
        QVERIFY(translateOracleSql(u"SELECT " + deep + u" FROM t", SqlDialect::Sqlite).contains(u"1"));
        QString cases;
        for (int i = 0; i < 5000; ++i)
            cases += u"CASE WHEN a THEN ";
        QVERIFY(!translateOracleSql(u"SELECT " + cases + u"1 FROM t", SqlDialect::Postgres).isEmpty());
        // Nested calls the rewrite declines (wrong argument count), and a
        // long chain of || and -: work must stay linear, not double per level.
        const QString nested =
            QString(150 * 4, u' ').replace(QStringLiteral("    "), QStringLiteral("nvl(")) + u"x" + QString(150, u')');
        QVERIFY(translateOracleSql(u"SELECT " + nested + u" FROM t", SqlDialect::Sqlite).contains(u"nvl(nvl(x"));
        QString chain = QStringLiteral("a");
        for (int i = 0; i < 20000; ++i)
            chain += u" || b - c";
        const QString longOut = translateOracleSql(u"SELECT " + chain + u" FROM t", SqlDialect::Postgres);
        QVERIFY(longOut.startsWith(u"SELECT NULLIF(CONCAT(kestra_text(NULLIF(CONCAT(kestra_text("));
        QCOMPARE(longOut.count(u"CONCAT("), 20000);
        const QStringList odd = {"",
                                 "   ",
                                 "'",
                                 "\"",
                                 "/*",
                                 "--",
                                 ")))",
                                 "((( ",
                                 "SELECT ||",
                                 "|| ||",
                                 "FROM dual WHERE",
                                 "WHERE rownum",
                                 "decode(",
                                 "nvl()",
                                 "substr(a,",
                                 "x.nextval.",
                                 "TRUNCATE",
                                 "q'[",
                                 "N'"};
        for (const QString &s : odd) {
            translateOracleSql(s, SqlDialect::Sqlite);
            translateOracleSql(s, SqlDialect::Postgres);
        }
        QCOMPARE(translateOracleSql("", SqlDialect::Sqlite), QString());
    }

    void wordTable()
    {
        // The table is searched by halves: every word must be found.
        for (const char *w : {"ALL", "and", "Between", "CONNECT", "DISTINCT", "EXCEPT", "from", "INTERSECT", "IS",
                              "MINUS", "NULLS", "ORDER", "SELECT", "UNION", "UNIQUE", "WHERE", "WITH"})
            QVERIFY2(sqlx::isSqlKeyword(QString::fromLatin1(w)), w);
        for (const char *w : {"year", "value", "dual", "sysdate", "rownum", "LIMIT", "first", "ÄND", "A"})
            QVERIFY2(!sqlx::isSqlKeyword(QString::fromUtf8(w)), w);
        QVERIFY(sqlx::sqlWordFlags(u"limit") & sqlx::ClauseEndWord);
        QVERIFY(sqlx::sqlWordFlags(u"Minus") & sqlx::SetOperatorWord);
    }

    void cacheReturnsTheSameText()
    {
        SqlTranslator tr(SqlDialect::Postgres, 2);
        const QString a = "SELECT 1 FROM dual";
        QCOMPARE(tr.translate(a), QString("SELECT 1"));
        QCOMPARE(tr.translate(a), QString("SELECT 1"));
        tr.translate("SELECT 2 FROM dual");
        tr.translate("SELECT 3 FROM dual");
        QCOMPARE(tr.translate(a), QString("SELECT 1"));
        QCOMPARE(tr.dialect(), SqlDialect::Postgres);
    }
};

KESTRA_TEST(TranslateOracleSqlTest)
#include "TranslateOracleSqlTest.moc"
