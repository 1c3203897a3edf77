// Oracle's conversions as the SQLite functions imitate them: the cases the
// execution tests do not reach (PostgreSQL has its own).

#include "db/sql/OracleFormat.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;

class SqlOracleFormatTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void numberText()
    {
        QCOMPARE(oracleNumberText(0.0), QString("0"));
        QCOMPARE(oracleNumberText(-0.0), QString("0"));
        QCOMPARE(oracleNumberText(0.00001), QString(".00001"));
        QCOMPARE(oracleNumberText(-1234.5), QString("-1234.5"));
        QCOMPARE(oracleNumberText(0.1 + 0.2), QString(".3"));
        QCOMPARE(oracleNumberText(1e20), QString("100000000000000000000"));
        QCOMPARE(oracleNumberText(1.5e40), QString("1.5E+40"));
        QCOMPARE(oracleNumberText(qint64(123456789012345678)), QString("123456789012345678"));
    }

    void numberFormats_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("out");
        QTest::newRow("overflow") << 12345.0 << "999"
                                  << "####";
        QTest::newRow("leading sign") << 5.0 << "S999"
                                      << "  +5";
        QTest::newRow("trailing minus") << -5.0 << "999MI"
                                        << "  5-";
        QTest::newRow("brackets") << -5.0 << "999PR"
                                  << "  <5>";
        QTest::newRow("dollar") << 1234.5 << "$9,999.99"
                                << " $1,234.50";
        QTest::newRow("zero integer") << 0.0 << "999"
                                      << "   0";
        QTest::newRow("zero fraction") << 0.0 << "99.99"
                                       << "   .00";
        QTest::newRow("group blank") << 12.0 << "9,999"
                                     << "    12";
        QTest::newRow("rounds away from zero") << -2.5 << "9"
                                               << "-3";
        QTest::newRow("fill mode") << 0.5 << "FM990.00"
                                   << "0.50";
    }
    void numberFormats()
    {
        QFETCH(double, value);
        QFETCH(QString, format);
        QFETCH(QString, out);
        QString error;
        const auto r = formatOracleNumber(value, format, &error);
        QVERIFY2(r, qPrintable(error));
        QCOMPARE(*r, out);
        QVERIFY(!formatOracleNumber(1, u"99X9", &error));
        QVERIFY(error.startsWith(u"ORA-01481"));
    }

    void dateFormats()
    {
        const OracleDateTime midnight{QDate(2024, 3, 5), QTime(0, 5, 9)};
        QString error;
        QCOMPARE(*formatOracleDate(midnight, u"HH:MI:SS AM", &error), QString("12:05:09 AM"));
        QCOMPARE(*formatOracleDate(midnight, u"MONTH|Day|\"week\" WW|J", &error),
                 QString("MARCH    |Tuesday  |week 10|2460375"));
        QCOMPARE(*formatOracleDate(midnight, u"FMMonth DD, YYYY", &error), QString("March 5, 2024"));
        QVERIFY(!formatOracleDate(midnight, u"yyyy-nn", &error));
        QVERIFY(error.startsWith(u"ORA-01821"));
    }

    void dateParsing()
    {
        QString error;
        auto parsed = [&](QStringView text, QStringView format) {
            const auto d = parseOracleDate(text, format, &error);
            return d ? storedDateTimeText(*d) : u"<" + error.left(9) + u'>';
        };
        QCOMPARE(parsed(u"2024-03-05 14:07:09", u"yyyy-mm-dd hh24:mi:ss"), QString("2024-03-05 14:07:09"));
        QCOMPARE(parsed(u"5 mar 2024 2:07 PM", u"dd mon yyyy hh:mi am"), QString("2024-03-05 14:07:00"));
        QCOMPARE(parsed(u"20240305", u"yyyymmdd"), QString("2024-03-05 00:00:00"));
        QCOMPARE(parsed(u"2023-02-29", u"yyyy-mm-dd"), QString("<ORA-01847>"));
        QCOMPARE(parsed(u"2024-13-01", u"yyyy-mm-dd"), QString("<ORA-01843>"));
        QCOMPARE(parsed(u"2024-03-05 x", u"yyyy-mm-dd"), QString("<ORA-01830>"));
        QCOMPARE(parsed(u"ab", u"yyyy"), QString("<ORA-01858>"));
        const int century = QDate::currentDate().year() / 100 * 100;
        QCOMPARE(parsed(u"05-03-24", u"dd-mm-yy").left(4), QString::number(century + 24));
    }

    void storedDates()
    {
        QVERIFY(parseStoredDateTime(u"2024-03-05"));
        QCOMPARE(parseStoredDateTime(u"2024-03-05T14:07:09.5")->time, QTime(14, 7, 9, 500));
        QCOMPARE(parseStoredDateTime(u" 2024/03/05 14:07 ")->time, QTime(14, 7));
        QVERIFY(!parseStoredDateTime(u"2024-02-30"));
        QVERIFY(!parseStoredDateTime(u"2024-03-05 25:00"));
        QVERIFY(!parseStoredDateTime(u"05.03.2024"));
    }

    void rounding()
    {
        QCOMPARE(oracleRound(1.005, 2), 1.01); // decimal, not binary, halves
        QCOMPARE(oracleRound(0.5, 0), 1.0);
        QCOMPARE(oracleRound(-0.5, 0), -1.0);
        QCOMPARE(oracleRound(999.96, 1), 1000.0);
        QCOMPARE(oracleRound(0.004, 2), 0.0);
        QCOMPARE(oracleTrunc(-15.79, 1), -15.7);
        QCOMPARE(oracleTrunc(15.79, -1), 10.0);
    }

    void dumpAndUnistr()
    {
        QCOMPARE(oracleDump(u"中A", 16), QString("Typ=1 Len=4: 4e,2d,0,41"));
        QCOMPARE(oracleDump(u"A", 1016), QString("Typ=1 Len=2 CharacterSet=AL16UTF16: 0,41"));
        QCOMPARE(oracleDump(u"A", 8), QString("Typ=1 Len=2: 0,101"));
        QCOMPARE(oracleDump(u"A\n", 17), QString("Typ=1 Len=4: 0,A,0,a"));
        QString error;
        QCOMPARE(*decodeUnistr(u"\\4e2d\\\\x", &error), QStringLiteral("中\\x"));
        QVERIFY(!decodeUnistr(u"\\4e2", &error));
        QVERIFY(!decodeUnistr(u"\\zzzz", &error));
        QVERIFY(error.startsWith(u"ORA-30186"));
    }
};

KESTRA_TEST(SqlOracleFormatTest)
#include "SqlOracleFormatTest.moc"
