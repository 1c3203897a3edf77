// Oracle's functions, translated and run on SQLite and on PostgreSQL.

#include "db/SqlScratchDb.h"
#include "db/sql/SummaryQuery.h"
#include "support/TestRunner.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTest>

using namespace kestra;
using kestra::test::SqlScratchDb;

namespace {

// The reading side of a dump cell, as the bibliographic decoder does it:
// the bytes after ":", each pair swapped into a little-endian code unit.
QString decodeDumpCell(const QString &cell)
{
    if (cell.isEmpty() || cell == QLatin1StringView("NULL"))
        return QString();
    const QStringList items = cell.mid(cell.indexOf(u':') + 1).trimmed().split(u',');
    QByteArray bytes;
    for (const QString &item : items)
        bytes.append(static_cast<char>(item.toInt(nullptr, 16)));
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        std::swap(bytes[i], bytes[i + 1]);
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
}

// EncodeUnistr: "\" and four upper-case hex digits per UTF-16 code unit.
QString encodeUnistr(const QString &text)
{
    QString out;
    for (const QChar c : text)
        out += QStringLiteral("\\%1").arg(c.unicode(), 4, 16, QChar(u'0')).toUpper();
    return out;
}

} // namespace

class SqlFunctionExecTest : public QObject {
    Q_OBJECT

    kestra::test::SqlBackends backends_;

private Q_SLOTS:
    void initTestCase()
    {
        QString why;
        QVERIFY2(backends_.open(&why), qPrintable(why));
    }
    void cleanupTestCase() { backends_.close(); }

    void datesAndToChar_data() { kestra::test::SqlBackends::addRows(); }
    void datesAndToChar()
    {
        KESTRA_SQL_BACKEND(db);
        QVERIFY(db->native("DROP TABLE IF EXISTS login_log"));
        // A DATE column: text on SQLite, timestamp on PostgreSQL.
        QVERIFY(db->native(
            "CREATE TABLE login_log (wkr_no VARCHAR(10), error_count INTEGER, limit_login_time TEXT, note VARCHAR(30))",
            "CREATE TABLE login_log (wkr_no VARCHAR(10), error_count INTEGER, limit_login_time TIMESTAMP(0), "
            "note VARCHAR(30))"));
        QVERIFY(db->exec("insert into login_log(wkr_no,error_count) values('1',1)"));
        QVERIFY(db->exec("update login_log set limit_login_time=sysdate where wkr_no='1'"));
        const QString now =
            db->text("SELECT to_char(limit_login_time,'yyyy-mm-dd hh24:mi:ss') FROM login_log WHERE wkr_no='1'");
        QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$").match(now).hasMatch(),
                 qPrintable(now));
        const QDateTime stamp = QDateTime::fromString(now, u"yyyy-MM-dd HH:mm:ss");
        QVERIFY(qAbs(stamp.secsTo(QDateTime::currentDateTime())) < 26 * 3600);

        QVERIFY(db->exec("INSERT INTO login_log(wkr_no, limit_login_time, note) VALUES('2', "
                         "to_date('2024-03-05 14:07:09','yyyy-mm-dd hh24:mi:ss'), '2024-03-05 14:07:09')"));
        const QString of = "SELECT to_char(limit_login_time, '%1') FROM login_log WHERE wkr_no = '2'";
        QCOMPARE(db->text(of.arg("yyyy-mm-dd hh24:mi:ss")), QString("2024-03-05 14:07:09"));
        QCOMPARE(db->text(of.arg("yyyymmdd")), QString("20240305"));
        QCOMPARE(db->text(of.arg("hh:mi am")), QString("02:07 pm"));
        QCOMPARE(db->text(of.arg("Mon dd, yyyy DY ddd q")), QString("Mar 05, 2024 TUE 065 1"));
        QCOMPARE(db->text(of.arg("FMMonth")), QString("March"));
        // A date kept as text converts as Oracle's implicit conversion would.
        QCOMPARE(db->text("SELECT to_char(note, 'yyyy/mm/dd') FROM login_log WHERE wkr_no = '2'"),
                 QString("2024/03/05"));
        QCOMPARE(db->text("SELECT count(*) FROM login_log WHERE limit_login_time <= sysdate"), QString("2"));
    }

    void numberFormats_data() { kestra::test::SqlBackends::addRows(); }
    void numberFormats()
    {
        KESTRA_SQL_BACKEND(db);
        const QString q = "SELECT to_char(%1, '%2') FROM dual";
        QCOMPARE(db->text(q.arg("1234.5", "9,999.99")), QString(" 1,234.50"));
        QCOMPARE(db->text(q.arg("0.5", "0.99")), QString(" 0.50"));
        QCOMPARE(db->text(q.arg("-5", "999")), QString("  -5"));
        QCOMPARE(db->text(q.arg("7", "000")), QString(" 007"));
        QCOMPARE(db->text(q.arg("12", "FM99.99")), QString("12."));
        QCOMPARE(db->text(q.arg("1234.5", "FM9999.99")), QString("1234.5"));
        QCOMPARE(db->text(q.arg("2.675", "9.99")), QString(" 2.68"));
        QCOMPARE(db->text("SELECT to_char(0.5) || '|' || to_char(25.00) FROM dual"), QString(".5|25"));
        QCOMPARE(db->text("SELECT to_number('12.50') + 1 FROM dual").toDouble(), 13.5);
        QVERIFY(!db->exec("SELECT to_number('12x') FROM dual"));
    }

    void conditionals_data() { kestra::test::SqlBackends::addRows(); }
    void conditionals()
    {
        KESTRA_SQL_BACKEND(db);
        QCOMPARE(db->text("SELECT decode(NULL, NULL, 'n', 'x') FROM dual"), QString("n"));
        QCOMPARE(db->text("SELECT decode(2, 1, 'a', 2, 'b', 'z') FROM dual"), QString("b"));
        QCOMPARE(db->text("SELECT decode(3, 1, 'a', 'z') FROM dual"), QString("z"));
        QCOMPARE(db->text("SELECT decode(3, 1, 'a') FROM dual"), QString("<NULL>"));
        QCOMPARE(db->text("SELECT nvl2('', 'set', 'unset') || nvl2('x', 'set', 'unset') FROM dual"),
                 QString("unsetset"));
        QCOMPARE(db->text("SELECT nvl(NULL, 'b') FROM dual"), QString("b"));
    }

    void textFunctions_data() { kestra::test::SqlBackends::addRows(); }
    void textFunctions()
    {
        KESTRA_SQL_BACKEND(db);
        QCOMPARE(db->text("SELECT substr('abcdef', -3, 2) FROM dual"), QString("de"));
        QCOMPARE(db->text("SELECT substr('abcdef', 0, 2) || substr('abcdef', 5) FROM dual"), QString("abef"));
        QCOMPARE(db->text("SELECT substr('abc', 5) FROM dual"), QString("<NULL>"));
        QCOMPARE(db->text("SELECT substr('abc', -5, 1) FROM dual"), QString("<NULL>"));
        QCOMPARE(db->text("SELECT substr('abc', 2, 0) FROM dual"), QString("<NULL>"));
        QCOMPARE(db->text("SELECT substr('中文字段', 2, 2) FROM dual"), QString("文字"));
        QCOMPARE(db->text("SELECT instr('CORPORATE FLOOR', 'OR', -3, 2) FROM dual"), QString("2"));
        QCOMPARE(db->text("SELECT instr('CORPORATE FLOOR', 'OR', 3, 2) FROM dual"), QString("14"));
        QCOMPARE(db->text("SELECT instr('abc', 'z') FROM dual"), QString("0"));
        QCOMPARE(db->text("SELECT lpad('7', 3, '0') || rpad('ab', 5, 'xy') || lpad('abcdef', 3) FROM dual"),
                 QString("007abxyxabc"));
        QCOMPARE(db->text("SELECT lpad('x', 0) FROM dual"), QString("<NULL>"));
        QCOMPARE(db->text("SELECT trim('   ') FROM dual"), QString("<NULL>"));
        QCOMPARE(db->text("SELECT length(trim('  a ')) || '|' || length('中文') || '|' || lengthb('中文') FROM dual"),
                 QString("1|2|6"));
        QCOMPARE(db->text("SELECT upper('abc') || lower('ÄB') FROM dual"), QString("ABCäb"));
        QCOMPARE(db->text("SELECT TRIM(LEADING '0' FROM '0012') || rtrim('xaa', 'a') FROM dual"), QString("12x"));
    }

    void numberFunctions_data() { kestra::test::SqlBackends::addRows(); }
    void numberFunctions()
    {
        KESTRA_SQL_BACKEND(db);
        QCOMPARE(db->text("SELECT mod(-11, 4) || '|' || mod(5, 0) || '|' || mod(7.5, 2) FROM dual"),
                 QString("-3|5|1.5"));
        QCOMPARE(db->text("SELECT round(2.675, 2) || '|' || round(-2.5) || '|' || round(1234, -2) FROM dual"),
                 QString("2.68|-3|1200"));
        QCOMPARE(db->text("SELECT trunc(15.79, 1) || '|' || trunc(-15.79) FROM dual"), QString("15.7|-15"));
    }

    void dumpAndUnistr_data() { kestra::test::SqlBackends::addRows(); }
    void dumpAndUnistr()
    {
        KESTRA_SQL_BACKEND(db);
        QCOMPARE(db->text("SELECT dump(unistr('\\4E2D\\6587'),16) FROM dual"), QString("Typ=1 Len=4: 4e,2d,65,87"));
        QCOMPARE(db->text("SELECT dump('A', 16) || '|' || dump('') || '|' || dump('A') FROM dual"),
                 QString("Typ=1 Len=2: 0,41|NULL|Typ=1 Len=2: 0,65"));
        QCOMPARE(db->text("SELECT dump(unistr('\\D83D\\DE00'), 16) FROM dual"), QString("Typ=1 Len=4: d8,3d,de,0"));
        QCOMPARE(db->text("SELECT unistr('a\\\\b') FROM dual"), QString("a\\b"));
        QVERIFY(!db->exec("SELECT unistr('\\12') FROM dual"));

        // The Unicode-mode record read: each column in pieces of 500
        // characters, every piece a dump cell.
        QVERIFY(db->native("DROP TABLE IF EXISTS marc_data"));
        QVERIFY(db->native("CREATE TABLE marc_data (marc_rec_no VARCHAR(10), data_serial INTEGER, marc01 TEXT)"));
        QString record;
        for (int i = 0; i < 600; ++i)
            record += QChar(0x4E00 + i * 7);
        record += u"'\\\x1e😀";
        QVERIFY(db->exec("INSERT INTO marc_data VALUES('1', 1, unistr('" + encodeUnistr(record) + "'))"));
        const QList<QVariantList> rows = db->rows(
            "SELECT dump(substr(marc01,1,500),16),dump(substr(marc01,501,500),16),"
            "dump(substr(marc01,1001,500),16),dump(substr(marc01,1501),16) FROM marc_data WHERE marc_rec_no='1'"
            " ORDER BY data_serial");
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0][2].toString(), QString("NULL"));
        QString back;
        for (const QVariant &cell : rows[0])
            back += decodeDumpCell(cell.toString());
        QCOMPARE(back, record);
    }

    void summaryQueryEndToEnd_data() { kestra::test::SqlBackends::addRows(); }
    void summaryQueryEndToEnd()
    {
        KESTRA_SQL_BACKEND(db);
        QVERIFY(db->native("DROP TABLE IF EXISTS marc"));
        QVERIFY(db->native("CREATE TABLE marc (marc_rec_no VARCHAR(10), m_title TEXT, m_author TEXT)"));
        const QString title = QStringLiteral("红楼梦 O'Brien 100%");
        QVERIFY(db->exec("INSERT INTO marc VALUES('7', unistr('" + encodeUnistr(title) + "'), NULL)"));
        const QString sql = rewriteSummaryQuery(
            " select distinct marc.m_title,marc.m_author,marc.marc_rec_no from marc where marc_rec_no = '7'");
        const QList<QVariantList> rows = db->rows(sql);
        QCOMPARE(rows.size(), 1);
        QVERIFY(rows[0][0].toString().startsWith(u"Typ="));
        QCOMPARE(decodeDumpCell(rows[0][0].toString()), title);
        QCOMPARE(rows[0][1].toString(), QString("NULL"));
        QCOMPARE(rows[0][2].toString(), QString("7"));
    }
};

KESTRA_TEST(SqlFunctionExecTest)
#include "SqlFunctionExecTest.moc"
