#include "marc/DemoRecords.h"
#include "marc/FieldReader.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;

class DemoRecordsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sameSeedSameRecord()
    {
        for (const bool marc21 : {false, true}) {
            QCOMPARE(demoRecord(42, marc21, MarcCodec()).serialize(), demoRecord(42, marc21, MarcCodec()).serialize());
            QVERIFY(demoRecord(42, marc21, MarcCodec()).serialize() != demoRecord(43, marc21, MarcCodec()).serialize());
        }
        // The seed decides, not the order of calls.
        const DemoBook first = demoBook(7);
        demoBook(8);
        QCOMPARE(demoBook(7).title, first.title);
    }

    void isbnCheckDigits()
    {
        QCOMPARE(isbn13CheckDigit(u"978030640615"), 7);
        QCOMPARE(isbn13CheckDigit(u"978756001234"), 6);
        for (quint64 seed = 1; seed <= 200; ++seed) {
            const QString digits = demoBook(seed).isbn.remove(QLatin1Char('-'));
            QCOMPARE(digits.size(), 13);
            QCOMPARE(digits.back().digitValue(), isbn13CheckDigit(digits.left(12)));
        }
    }

    void recordsAreWellFormedAndReadable()
    {
        for (quint64 seed = 1; seed <= 200; ++seed) {
            const DemoBook book = demoBook(seed);
            const BibRecord c = demoUnimarcRecord(book, MarcCodec());
            ParseReport report;
            BibRecord::fromBytes(c.serialize(), MarcCodec(), &report);
            QCOMPARE(report.outcome, ParseOutcome::Clean);
            FieldReader rc(c);
            QCOMPARE(rc.firstFieldValue(u"200a"), book.title);
            QCOMPARE(rc.firstFieldValue(u"701a"), book.author);
            QVERIFY(book.callNo.startsWith(rc.firstFieldValue(u"690a") + QLatin1Char('/')));
            QVERIFY(c.recordLength() > c.decode(c.serialize()).size()); // Chinese text: more bytes than characters

            const BibRecord u = demoMarc21Record(book, MarcCodec::utf8());
            QCOMPARE(u.leader()[9], 'a');
            FieldReader ru(u);
            QVERIFY(ru.firstFieldValue(u"8806245a").startsWith(book.title)); // ISBD punctuation follows
            QVERIFY(ru.firstFieldValue(u"245a").startsWith(book.titlePinyin));
            QCOMPARE(ru.firstFieldValue(u"008").size(), 40);
            if (!book.series.isEmpty())
                QCOMPARE(rc.firstFieldValue(u"4611200a"), book.series);
        }
    }
};

KESTRA_TEST(DemoRecordsTest)
#include "DemoRecordsTest.moc"
