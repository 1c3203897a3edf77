#include "marc/FieldReader.h"
#include "MarcTestData.h"
#include "marc/BibExtract.h"
#include "marc/MarcDump.h"
#include "support/TestRunner.h"

#include <QTest>
#include <type_traits>

using namespace kestra;
using namespace kestra::test;

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

BibRecord unimarc()
{
    BibRecord rec = BibRecord::fromBytes(chineseUnimarc(), MarcCodec());
    rec.summary.marcType = QStringLiteral("C");
    return rec;
}

BibRecord marc21()
{
    BibRecord rec = BibRecord::fromBytes(chineseMarc21(), MarcCodec());
    rec.summary.marcType = QStringLiteral("U");
    return rec;
}

// Values of one path until it runs dry, as the callers loop.
QStringList drain(FieldReader &reader, const QString &path)
{
    QStringList out;
    for (int i = 0; i < 20; ++i) {
        const QString v = reader.getFieldValue(path);
        if (v.isEmpty())
            break;
        out.append(v);
    }
    return out;
}

// A reader holds a reference: one over a temporary record must not compile.
static_assert(!std::is_constructible_v<FieldReader, BibRecord &&>);
static_assert(std::is_constructible_v<FieldReader, const BibRecord &>);

} // namespace

class FieldReaderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fourCharacterPathsWalkRepetitions()
    {
        const BibRecord rec = unimarc();
        FieldReader reader(rec);
        QCOMPARE(drain(reader, QStringLiteral("701a")), (QStringList{u("曹雪芹"), u("高鹗")}));
        // Running dry resets the cursors: the next call starts over.
        QCOMPARE(reader.fieldCursor(), 0);
        QCOMPARE(reader.getFieldValue(u" 701a "), u("曹雪芹"));
        reader.resetCursors();
        // Only the first of the two 200 fields has $a; $b is in the second.
        QCOMPARE(reader.getFieldValue(u"200b"), u("专著"));
        reader.resetCursors();
        QCOMPARE(drain(reader, QStringLiteral("200a")), QStringList{u("红楼梦")});
        reader.resetCursors();
        QCOMPARE(reader.getFieldValue(u"001a"), QStringLiteral("CAL012005000123"));
        QCOMPARE(reader.getFieldValue(u"001a"), QString());
        for (const char16_t *bad : {u"", u"20", u"200ab", u"200a1234x", u"9999"})
            QCOMPARE(reader.getFieldValue(bad), QString());
    }

    void secondFieldAnswersWhenTheFirstHasNoSubfield()
    {
        const BibRecord rec = BibRecord::fromBytes(
            isoRecord({{"200", "1 " + sf('e', "副题名")}, {"200", "1 "}, {"200", "1 " + sf('a', "第三个")}}),
            MarcCodec());
        FieldReader reader(rec);
        QCOMPARE(reader.getFieldValue(u"200a"), u("第三个"));
    }

    void subfieldCursorContinuesInTheField()
    {
        const BibRecord rec = BibRecord::fromBytes(
            isoRecord({{"606", "0 " + sf('a', "甲") + sf('x', "乙") + sf('a', "丙")}}), MarcCodec());
        FieldReader reader(rec);
        const int index = reader.getField("606");
        QCOMPARE(index, 0);
        const QByteArrayView body = withoutIndicators(rec.fieldBytes(index));
        QCOMPARE(rec.decode(reader.nextSubfield(body, 'a')), u("甲"));
        QCOMPARE(rec.decode(reader.nextSubfield(body, 'a')), u("丙"));
        QVERIFY(reader.nextSubfield(body, 'a').isEmpty());
        QCOMPARE(rec.decode(FieldReader::getSubfield(body, 'x')), u("乙"));
        QCOMPARE(getSubfield(rec.fieldText(0), QLatin1Char('a')), u("甲"));
    }

    void nextFieldDataWalksOccurrences()
    {
        const BibRecord rec = unimarc();
        FieldReader reader(rec);
        QCOMPARE(reader.nextFieldData(u"701"), u(" 0\x1f"
                                                 "a曹雪芹\x1f"
                                                 "4著"));
        QCOMPARE(reader.nextFieldData(u"701"), u(" 1\x1f"
                                                 "a高鹗\x1f"
                                                 "4续"));
        QCOMPARE(reader.nextFieldData(u"701"), QString());
        reader.resetCursors();
        QCOMPARE(reader.getFieldData(u"210"), reader.getFieldData(u"210"));
    }

    void linkedScriptFieldsOfMarc21()
    {
        const BibRecord rec = marc21();
        FieldReader reader(rec);
        QCOMPARE(reader.getFieldValue(u"8806245a"), u("红楼梦 /"));
        reader.resetCursors();
        QCOMPARE(reader.getFieldValue(u"8806245c"), u("曹雪芹著."));
        reader.resetCursors();
        QCOMPARE(reader.getFieldValue(u"8806700a"), QString());
        // The same path on a Chinese-scheme record means nothing.
        BibRecord asC = rec;
        asC.summary.marcType = QStringLiteral("C");
        FieldReader readerC(asC);
        QCOMPARE(readerC.getFieldValue(u"8806245a"), QString());
    }

    void embeddedFieldsOfLinkingFields()
    {
        const BibRecord rec = unimarc();
        FieldReader reader(rec);
        QCOMPARE(drain(reader, QStringLiteral("4611200a")), (QStringList{u("中国古典文学读本丛书"), u("四大名著")}));
        reader.resetCursors();
        QCOMPARE(reader.getFieldValue(u"4611001x"), QStringLiteral("CAL0001"));
        reader.resetCursors();
        QCOMPARE(reader.getFieldValue(u"4611200e"), QString());
        QCOMPARE(reader.fieldCursor(), 0);
    }

    void pathLists()
    {
        const BibRecord rec = marc21();
        FieldReader reader(rec);
        QCOMPARE(reader.firstFieldValue(u"110a, 100a,245a"), QStringLiteral("Cao, Xueqin."));
        QCOMPARE(reader.allFieldValues(u"245a"), QStringLiteral("Hong lou meng /, Dream of the red chamber"));
        QCOMPARE(reader.allFieldValues(u"111a,8806260b"), u("人民文学,"));
        // A bare tag gives the plain text; a control field stays whole.
        QCOMPARE(reader.firstFieldValue(u"260"), QStringLiteral("880-03 Beijing : Ren min wen xue,"));
        QCOMPARE(reader.firstFieldValue(u"001"), QStringLiteral("ocm00012345"));
        QCOMPARE(reader.firstFieldValue(u"999,999a"), QString());
    }

    void plainText()
    {
        QCOMPARE(fieldPlainText(u("10\x1f"
                                  "a红楼梦 \x1f"
                                  "b副题\x1f")),
                 u("红楼梦  副题"));
        QCOMPARE(fieldPlainText(QByteArrayView("1"), MarcCodec()), QString());
        QCOMPARE(fieldPlainText(QByteArrayView("10\x1f"
                                               "aX\x1f"
                                               "bY"),
                                MarcCodec()),
                 QStringLiteral("X Y"));
    }

    // A subfield code is a character of the code page: a delimiter followed
    // by a Chinese character takes both of its bytes as the code.
    void chineseSubfieldCodes()
    {
        BibRecord rec = BibRecord::fromBytes(
            isoRecord({{"001", "X1"},
                       {"200", "1 " + sf('a', "红楼梦") + QByteArray(1, 0x1F) + gbkBytes("书校注") + sf('b', "副")}}),
            MarcCodec());
        rec.summary.marcType = QStringLiteral("C");
        QCOMPARE(fieldPlainText(rec.fieldBytes(1), rec.codec()), u("红楼梦 校注 副"));
        QCOMPARE(fieldPlainText(rec.fieldText(1)), u("红楼梦 校注 副"));
        QByteArray dump;
        appendDumpLines(rec, dump, false);
        QVERIFY2(dump.contains(u("200 1  $a 红楼梦 $书 校注 $b 副\n").toUtf8()), dump.constData());
        BibParams params;
        params.marcInfo[0].append(MarcInfoEntry{u("题名"), u("200a书b,")});
        const InfoList info = buildInfoList(rec, params);
        QCOMPARE(info.value(0).value, u("红楼梦,校注,副"));
    }
};

KESTRA_TEST(FieldReaderTest)
#include "FieldReaderTest.moc"
