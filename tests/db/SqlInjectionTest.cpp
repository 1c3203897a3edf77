// Values quoted the Oracle way (apostrophes doubled, nothing else escaped)
// must come back exactly, whatever they hold, and never change the
// statement they sit in.

#include "db/SqlScratchDb.h"
#include "db/sql/OracleSql.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using kestra::test::SqlScratchDb;

namespace {

// SqlQuote: the value in apostrophes, each apostrophe doubled.
QString oracleQuote(const QString &value)
{
    QString out = value;
    out.replace(u'\'', QStringLiteral("''"));
    return u'\'' + out + u'\'';
}

QStringList hostileValues()
{
    QString control;
    for (char16_t c = 1; c < 32; ++c)
        control += QChar(c);
    QString longText;
    for (int i = 0; i < 20000; ++i)
        longText += (i % 3 == 0) ? QStringLiteral("书'") : QStringLiteral("\\%_");
    return {
        QStringLiteral("O'Brien"),
        QStringLiteral("'"),
        QStringLiteral("''"),
        QStringLiteral("''''"),
        QStringLiteral("\\"),
        QStringLiteral("a\\'b"),
        QStringLiteral("\\'; DROP TABLE inj; --"),
        QStringLiteral("'; DROP TABLE inj; --"),
        QStringLiteral("100% _done_"),
        QStringLiteral("%1 %2 %L1"),
        QStringLiteral("E'\\x41'"),
        QStringLiteral("$$ $tag$ :name ? /* -- */"),
        QStringLiteral("/* unterminated"),
        QStringLiteral("中文書名《测试》 “引号” ‘单’"),
        QStringLiteral("😀 \U0001F4DA 𠀀"),
        control,
        QStringLiteral("trailing  "),
        QStringLiteral(" "),
        QStringLiteral("NULL"),
        QStringLiteral("sysdate || rownum FROM dual"),
        longText,
    };
}

} // namespace

class SqlInjectionTest : public QObject {
    Q_OBJECT

    kestra::test::SqlBackends backends_;

private Q_SLOTS:
    void initTestCase()
    {
        QString why;
        QVERIFY2(backends_.open(&why), qPrintable(why));
    }
    void cleanupTestCase() { backends_.close(); }

    void valuesRoundTrip_data() { kestra::test::SqlBackends::addRows(); }
    void valuesRoundTrip()
    {
        KESTRA_SQL_BACKEND(db);
        if (db->postgres())
            QCOMPARE(db->text("SELECT current_setting('standard_conforming_strings') FROM dual"), QString("on"));
        QVERIFY(db->native("DROP TABLE IF EXISTS inj"));
        QVERIFY(db->native("CREATE TABLE inj (id INTEGER, v TEXT)"));
        const QStringList values = hostileValues();
        for (int i = 0; i < values.size(); ++i) {
            const QString &v = values[i];
            const QString q = oracleQuote(v);
            QString why;
            QVERIFY2(db->exec(QStringLiteral("INSERT INTO inj(id, v) VALUES(%1, %2)").arg(QString::number(i), q), &why),
                     qPrintable(why));
            QCOMPARE(db->text(QStringLiteral("SELECT v FROM inj WHERE id = %1").arg(i)), v);
            QCOMPARE(db->text(QStringLiteral("SELECT id FROM inj WHERE v = %1").arg(q)), QString::number(i));
            QCOMPARE(
                db->text(QStringLiteral("SELECT 'pre' || %1 || v FROM inj WHERE id = %2").arg(q, QString::number(i))),
                QString(u"pre" + v + v));
            // A pattern without wildcards matches itself, backslashes included.
            if (!v.contains(u'%') && !v.contains(u'_'))
                QCOMPARE(db->text(QStringLiteral("SELECT count(*) FROM inj WHERE v LIKE %1").arg(q)), QString("1"));
            // "Empty to space" leaves every non-empty literal alone.
            QVERIFY(db->exec(emptyLiteralsToSpace(
                QStringLiteral("UPDATE inj SET v = %1 WHERE id = %2").arg(q, QString::number(i)))));
            QCOMPARE(db->text(QStringLiteral("SELECT v FROM inj WHERE id = %1").arg(i)), v);
        }
        QCOMPARE(db->text("SELECT count(*) FROM inj"), QString::number(values.size()));
    }

    void emptyToSpaceStoresABlank_data() { kestra::test::SqlBackends::addRows(); }
    void emptyToSpaceStoresABlank()
    {
        KESTRA_SQL_BACKEND(db);
        QVERIFY(db->native("DROP TABLE IF EXISTS inj2"));
        QVERIFY(db->native("CREATE TABLE inj2 (a TEXT, b TEXT, c TEXT)"));
        QVERIFY(db->exec(emptyLiteralsToSpace("INSERT INTO inj2 VALUES('', 'O''Brien', '''')")));
        QCOMPARE(db->text("SELECT a || '|' || b || '|' || c FROM inj2"), QString(" |O'Brien|'"));
    }
};

KESTRA_TEST(SqlInjectionTest)
#include "SqlInjectionTest.moc"
