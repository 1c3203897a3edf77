#include "marc/BibRecord.h"
#include "MarcTestData.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// Every record the parser accepts must come back unchanged from its own
// serialization, with nothing left to repair.
void checkRoundTrip(const BibRecord &rec)
{
    const QByteArray bytes = rec.serialize();
    ParseReport again;
    const BibRecord second = BibRecord::fromBytes(bytes, rec.codec(), &again);
    QCOMPARE(again.outcome, ParseOutcome::Clean);
    QCOMPARE(second.serialize(), bytes);
    QCOMPARE(bytes.size(), rec.recordLength());
    QCOMPARE(bytes.left(5).toInt(), bytes.size());
}

QList<QByteArray> fieldTexts(const BibRecord &rec)
{
    QList<QByteArray> out;
    for (int i = 0; i < rec.fieldCount(); ++i)
        out.append(rec.entry(i).tagBytes().toByteArray() + '=' + rec.fieldBytes(i).toByteArray());
    return out;
}

} // namespace

class BibRecordTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parsesChineseRecordByBytes()
    {
        const QByteArray raw = chineseUnimarc();
        ParseReport report;
        const BibRecord rec = BibRecord::fromBytes(raw, MarcCodec(), &report);
        QCOMPARE(report.outcome, ParseOutcome::Clean);
        QCOMPARE(rec.fieldCount(), 9);
        // The 210 starts after two fields of Chinese text: its byte start
        // is well past its character position in the decoded data.
        const int i210 = rec.findField("210");
        QCOMPARE(i210, 4);
        const QString decodedData = rec.decode(rec.data());
        QVERIFY(decodedData.indexOf(u("北京")) < rec.entry(i210).start);
        QCOMPARE(rec.fieldText(i210), QString(u("  \x1f"
                                                "a北京\x1f"
                                                "c人民文学出版社\x1f"
                                                "d2008")));
        QCOMPARE(rec.serialize(), raw);
        QCOMPARE(rec.leader(), QByteArrayView(raw.left(24)));
    }

    void textFromTheDatabaseReadsLikeBytes()
    {
        const QByteArray raw = chineseUnimarc();
        const QString text = MarcCodec().decode(raw);
        const BibRecord rec = BibRecord::fromText(text, MarcCodec());
        QCOMPARE(rec.serialize(), raw);
        QCOMPARE(rec.serializeText(), text);
    }

    void missingRecordTerminatorReadsAsIfPresent()
    {
        const QByteArray raw = chineseUnimarc();
        ParseReport report;
        const BibRecord rec = BibRecord::fromBytes(raw.chopped(1), MarcCodec(), &report);
        QCOMPARE(report.outcome, ParseOutcome::Repaired);
        QCOMPARE(report.items.size(), 1);
        QCOMPARE(report.items.first().issue, ParseIssue::TerminatorAdded);
        QCOMPARE(rec.serialize(), raw);
    }

    void lineBreaksBecomeBlanksInPlace()
    {
        QByteArray raw = chineseUnimarc();
        const qsizetype at = raw.indexOf(gbkBytes("人民文学"));
        raw[at - 2] = '\r';
        raw[at - 1] = '\n';
        ParseReport report;
        const BibRecord rec = BibRecord::fromBytes(raw, MarcCodec(), &report);
        QCOMPARE(report.outcome, ParseOutcome::Repaired);
        QCOMPARE(rec.fieldCount(), 9);
        const QString f210 = rec.fieldText(rec.findField("210"));
        // The delimiter and code before 人民文学 are now two blanks.
        QCOMPARE(f210, u("  \x1f"
                         "a北京  人民文学出版社\x1f"
                         "d2008"));
        checkRoundTrip(rec);
    }

    void faults_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QList<QByteArray>>("fields");

        const QByteArray good =
            isoRecord({{"001", "ID1"}, {"200", "1 " + sf('a', "书名")}, {"701", " 0" + sf('a', "作者")}});
        const QByteArray f200 = "200=1 " + sf('a', "书名");
        const QByteArray f701 = "701= 0" + sf('a', "作者");
        const QList<QByteArray> all = {"001=ID1", f200, f701};

        QByteArray wrongLength = good;
        wrongLength.replace(0, 5, "00999");
        QTest::newRow("wrong record length") << wrongLength << int(ParseOutcome::Repaired) << all;

        QByteArray baseBeyond = good;
        baseBeyond.replace(12, 5, "99000");
        QTest::newRow("base address beyond the data") << baseBeyond << int(ParseOutcome::Repaired) << all;

        QByteArray baseLetters = good;
        baseLetters.replace(12, 5, "0x0y0");
        QTest::newRow("base address not digits") << baseLetters << int(ParseOutcome::Repaired) << all;

        QByteArray cutDirectory = good;
        cutDirectory.remove(24 + 24 + 5, 7); // the 701 entry loses its position
        QTest::newRow("directory cut short")
            << cutDirectory << int(ParseOutcome::Damaged) << QList<QByteArray>{"001=ID1", f200};

        QByteArray letterLength = good;
        letterLength.replace(24 + 12 + 3, 4, "00a9");
        QTest::newRow("length not digits")
            << letterLength << int(ParseOutcome::Damaged) << QList<QByteArray>{"001=ID1", f701};

        QByteArray letterStart = good;
        letterStart.replace(24 + 24 + 7, 5, "0001O");
        QTest::newRow("position not digits")
            << letterStart << int(ParseOutcome::Damaged) << QList<QByteArray>{"001=ID1", f200};

        QByteArray pastEnd = good;
        pastEnd.replace(24 + 24 + 3, 4, "0900");
        QTest::newRow("last field length runs past the end")
            << pastEnd << int(ParseOutcome::Repaired) << all; // its own terminator is still there

        QByteArray startPastEnd = good;
        startPastEnd.replace(24 + 24 + 7, 5, "00900");
        QTest::newRow("field starts past the end")
            << startPastEnd << int(ParseOutcome::Damaged) << QList<QByteArray>{"001=ID1", f200};

        // A record cut inside its last field, without any terminator.
        QByteArray truncated = good.left(good.size() - 4);
        QTest::newRow("cut inside the last field")
            << truncated << int(ParseOutcome::Damaged)
            << QList<QByteArray>{"001=ID1", f200, QByteArray("701= 0") + sf('a', "作")};

        // Field terminators missing, lengths counting only the text.
        QByteArray noTerminators = "00000nam0 2200049   450 ";
        noTerminators += "001000300000200000400003";
        noTerminators += char(0x1E);
        noTerminators += "IDX1 ab";
        noTerminators += char(0x1D);
        QTest::newRow("field terminators missing")
            << noTerminators << int(ParseOutcome::Repaired) << QList<QByteArray>{"001=IDX", "200=1 ab"};

        QByteArray lengthOverNext = good;
        lengthOverNext.replace(24 + 12 + 3, 4, "0030"); // 200 swallows the 701
        QTest::newRow("field length over its terminator") << lengthOverNext << int(ParseOutcome::Repaired) << all;

        QByteArray badTag = good;
        badTag[24 + 12] = char(0x1F);
        QTest::newRow("tag with a control character")
            << badTag << int(ParseOutcome::Damaged) << QList<QByteArray>{"001=ID1", f701};

        QByteArray invalidGbk = isoRecord({{"200", "1 \x1f"
                                                   "a\x81\x30\xFF\x80"}});
        QTest::newRow("invalid GBK bytes are data") << invalidGbk << int(ParseOutcome::Clean)
                                                    << QList<QByteArray>{"200=1 \x1f"
                                                                         "a\x81\x30\xFF\x80"};

        QTest::newRow("shorter than a leader") << good.left(20) << int(ParseOutcome::Refused) << QList<QByteArray>{};
        QTest::newRow("no directory terminator")
            << QByteArray("00040nam0 2200000   450 0010003000001") << int(ParseOutcome::Refused) << QList<QByteArray>{};
        QTest::newRow("blank") << QByteArray("  \r\n ") << int(ParseOutcome::Blank) << QList<QByteArray>{};
    }

    void faults()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, outcome);
        QFETCH(QList<QByteArray>, fields);
        ParseReport report;
        const BibRecord rec = BibRecord::fromBytes(input, MarcCodec(), &report);
        QCOMPARE(int(report.outcome), outcome);
        QCOMPARE(fieldTexts(rec), fields);
        if (report.accepted())
            checkRoundTrip(rec);
        else
            QVERIFY(rec.isBlank());
    }

    // Every prefix and every single-byte corruption of a record: nothing
    // crashes (the sanitizer build watches reads), and what is accepted
    // survives its own round trip.
    void everyPrefixAndCorruption()
    {
        const QByteArray raw = chineseUnimarc();
        for (qsizetype n = 0; n <= raw.size(); ++n) {
            const BibRecord rec = BibRecord::fromBytes(raw.left(n), MarcCodec());
            if (!rec.isBlank())
                checkRoundTrip(rec);
        }
        const char probes[] = {'\0', 0x1D, 0x1E, 0x1F, '9', 'A', '\n'};
        for (qsizetype at = 0; at < raw.size(); at += 3) {
            for (const char c : probes) {
                QByteArray bad = raw;
                bad[at] = c;
                const BibRecord rec = BibRecord::fromBytes(bad, MarcCodec());
                if (!rec.isBlank())
                    checkRoundTrip(rec);
            }
        }
    }

    void addFieldAppendsAndRefusesPastTheLimit()
    {
        BibRecord rec = BibRecord::fromBytes(chineseUnimarc(), MarcCodec());
        const int before = rec.recordLength();
        QCOMPARE(rec.addField(MarcField{QStringLiteral("905"), QStringLiteral("  "),
                                        u("\x1f"
                                          "d索书号")}),
                 0);
        QCOMPARE(rec.recordLength(), before + 12 + 2 + 2 + 6 + 1);
        QCOMPARE(rec.fieldText(rec.fieldCount() - 1), u("  \x1f"
                                                        "d索书号"));
        checkRoundTrip(rec);

        // Fill up to just below 99999 bytes, then one byte too many.
        BibRecord big = BibRecord::create("00000nam0 2200000   450 ", MarcCodec());
        const QString chunk(9000, QLatin1Char('x'));
        while (big.recordLength() + 9000 + 3 + 12 <= 99999)
            QCOMPARE(big.addField(MarcField{QStringLiteral("300"), QStringLiteral("  "), chunk}), 0);
        const int room = 99999 - big.recordLength() - 12 - 1 - 2; // terminator and indicators
        const QByteArray snapshot = big.serialize();
        QCOMPARE(
            big.addField(MarcField{QStringLiteral("301"), QStringLiteral("  "), QString(room + 1, QLatin1Char('y'))}),
            -1);
        QCOMPARE(big.serialize(), snapshot);
        QCOMPARE(big.addField(MarcField{QStringLiteral("301"), QStringLiteral("  "), QString(room, QLatin1Char('y'))}),
                 0);
        QCOMPARE(big.recordLength(), 99999);
        checkRoundTrip(big);

        QCOMPARE(rec.addField(MarcField{QStringLiteral("9999"), QString(), QStringLiteral("x")}), -1);
        QCOMPARE(rec.addField(MarcField{QStringLiteral("500"), QString(),
                                        QStringLiteral("a\x1e"
                                                       "b")}),
                 -1);
        QCOMPARE(BibRecord().addField(MarcField{QStringLiteral("500"), QString(), QStringLiteral("x")}), -1);
    }

    void setSubfieldShiftsFollowingFields()
    {
        BibRecord rec = BibRecord::fromBytes(chineseUnimarc(), MarcCodec());
        const int i690 = rec.findField("690");
        const qint32 start690 = rec.entry(i690).start;
        // Four ASCII bytes become five Chinese characters (ten bytes).
        QCOMPARE(rec.setSubfield(u"210d", u("二零零八年")), 0);
        QCOMPARE(rec.entry(i690).start, start690 + 10 - 4);
        QCOMPARE(rec.fieldText(rec.findField("210")), u("  \x1f"
                                                        "a北京\x1f"
                                                        "c人民文学出版社\x1f"
                                                        "d二零零八年"));
        QCOMPARE(rec.fieldText(i690), u("  \x1f"
                                        "aI242.4\x1f"
                                        "v5"));
        // A subfield in the middle, and a missing one appended.
        QCOMPARE(rec.setSubfield(u"200e", QString()), 0);
        QCOMPARE(rec.setSubfield(u"200z", u("英文")), 0);
        QCOMPARE(rec.fieldText(rec.findField("200")), u("1 \x1f"
                                                        "a红楼梦\x1f"
                                                        "e\x1f"
                                                        "f曹雪芹著\x1f"
                                                        "g无名氏续\x1f"
                                                        "z英文"));
        // No such field: added with blank indicators.
        QCOMPARE(rec.setSubfield(u"905d", u("I242.4/12")), 0);
        QCOMPARE(rec.fieldText(rec.findField("905")), u("  \x1f"
                                                        "dI242.4/12"));
        QCOMPARE(rec.setSubfield(u"001a", QStringLiteral("NEW")), 0);
        QCOMPARE(rec.fieldText(0), QStringLiteral("NEW"));
        checkRoundTrip(rec);
        QCOMPARE(rec.setSubfield(u"20a", QStringLiteral("x")), -1);
        QCOMPARE(rec.setSubfield(u"200a", u("a\x1f"
                                            "b")),
                 -1);
    }

    void sortFieldsIsStableAndRebuildsData()
    {
        BibRecord rec = BibRecord::fromBytes(isoRecord({{"701", " 0" + sf('a', "甲")},
                                                        {"200", "1 " + sf('a', "题名")},
                                                        {"701", " 1" + sf('a', "乙")},
                                                        {"001", "X"}}),
                                             MarcCodec());
        QCOMPARE(rec.sortFields(), 0);
        QCOMPARE(fieldTexts(rec), (QList<QByteArray>{"001=X", "200=1 " + sf('a', "题名"), "701= 0" + sf('a', "甲"),
                                                     "701= 1" + sf('a', "乙")}));
        QCOMPARE(rec.entry(0).start, 0);
        QCOMPARE(rec.entry(1).start, 2);
        checkRoundTrip(rec);
    }

    void reencodingIsLosslessBothWays()
    {
        const QByteArray original = chineseMarc21();
        const BibRecord rec = BibRecord::fromBytes(original, MarcCodec());
        const BibRecord utf = rec.reencoded(MarcCodec::utf8());
        QCOMPARE(utf.leader()[9], 'a'); // a MARC 21 record says it is Unicode
        QVERIFY(utf.recordLength() > rec.recordLength());
        const int i880 = utf.findField("880");
        QCOMPARE(utf.fieldText(i880), rec.fieldText(i880));
        QCOMPARE(utf.fieldBytes(i880).size(), QString(u("1 \x1f"
                                                        "6100-01/$1\x1f"
                                                        "a曹雪芹."))
                                                  .toUtf8()
                                                  .size());
        QByteArray back;
        QVERIFY(utf.writeTo(back, MarcCodec()));
        QCOMPARE(back, original);
        checkRoundTrip(utf);

        // A UNIMARC record keeps leader position 10 blank in UTF-8.
        const BibRecord c = BibRecord::fromBytes(chineseUnimarc(), MarcCodec()).reencoded(MarcCodec::utf8());
        QCOMPARE(c.leader()[9], ' ');
    }
};

KESTRA_TEST(BibRecordTest)
#include "BibRecordTest.moc"
