// Catalogue cards: ISBN hyphenation by the range table against real ISBNs
// of several registration groups; the card parameter and layout files; a
// record composed (header items, material designation, call number,
// paragraphs with their punctuation, ISBN, tracing, headings); the kinds
// printed by their Print flags; continuation cards and the cut line.

#include "printing/CatalogueCard.h"
#include "core/CodePage.h"
#include "marc/BibRecord.h"
#include "marc/MarcCodec.h"
#include "printing/Isbn.h"
#include "support/RecordingPrinter.h"
#include "support/TestRunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

QString sub(char code, const QString &value)
{
    return QChar(iso2709::SubfieldDelimiter) + QLatin1Char(code) + value;
}

BibRecord record(const char *type, const QList<MarcField> &fields)
{
    BibRecord r = BibRecord::create("00000nam0 2200000   450 ", MarcCodec());
    r.summary.marcRecNo = QStringLiteral("M1");
    r.summary.marcType = QLatin1String(type);
    r.summary.cataOper = QStringLiteral("W001");
    for (const MarcField &f : fields)
        r.addField(f);
    return r;
}

// 红楼梦 as a UNIMARC record with its call number in 905.
BibRecord dream()
{
    return record("C",
                  {{u"010"_qs, u"  "_qs, sub('a', u"9787020002207"_qs) + sub('d', u"CNY59.70"_qs)},
                   {u"011"_qs, u"  "_qs, QString()},
                   {u"200"_qs, u"1 "_qs,
                    sub('a', u"红楼梦"_qs) + sub('9', u"hong lou meng"_qs) + sub('b', u"专著"_qs) +
                        sub('f', u"曹雪芹著"_qs) + sub('g', u"无名氏续"_qs)},
                   {u"210"_qs, u"  "_qs, sub('a', u"北京"_qs) + sub('c', u"人民文学出版社"_qs) + sub('d', u"1982"_qs)},
                   {u"215"_qs, u"  "_qs, sub('a', u"1606页"_qs) + sub('d', u"21cm"_qs)},
                   {u"225"_qs, u"2 "_qs, sub('a', u"中国古典文学读本丛书"_qs)},
                   {u"606"_qs, u"0 "_qs, sub('a', u"章回小说"_qs) + sub('x', u"中国"_qs)},
                   {u"701"_qs, u" 0"_qs, sub('a', u"曹雪芹"_qs)},
                   {u"701"_qs, u" 0"_qs, sub('a', u"@高鹗"_qs)},
                   {u"905"_qs, u"  "_qs, sub('d', u"I242.4"_qs) + sub('e', u"12"_qs)}});
}

CardParams params()
{
    CardParams p;
    p.lines = 10;
    p.columns = 40;
    p.omitChar = QStringLiteral("…");
    p.indentionSpace = 2;
    p.classRow = 2;
    p.classCol = 1;
    p.maxLineChars = 8;
    p.maxLines = 3;
    p.lineReturn = QStringLiteral("/");
    p.traceOmitLead = QStringLiteral("@");
    p.kinds[0] = {u"主要款目卡"_qs, true, false, false, true, false, true, false, true, {}};
    p.kinds[1] = {u"书名卡"_qs, true, false, false, true, false, false, false, false, {}};
    p.kinds[2] = {u"著者卡"_qs, true, false, false, true, false, false, false, false, {}};
    CardTypeParams &cn = p.types[0];
    cn.docTypes = {u"USER"_qs, u"210d"_qs};
    cn.materialDesignation = true;
    cn.fieldTag = u"905"_qs;
    cn.classSubfield = u"d"_qs;
    cn.accessSubfield = u"e"_qs;
    cn.headings[1] = u"200a"_qs;
    cn.headings[2] = u"701a"_qs;
    cn.isbnFields = {u"010"_qs};
    cn.traceIds = {u"200"_qs, u"701"_qs, u"606"_qs};
    cn.subTraceIds = {u"a"_qs, u"a"_qs, u"a"_qs};
    return p;
}

// Title and statement of responsibility; publication; series.
CardLayout layout()
{
    CardLayout l;
    CardParagraph title;
    title.sections = {{1, {parseCardField(u"200a:|||#f: / |||#g: ; |||"_qs)}},
                      {2, {parseCardField(u"210a:|||#c: : |||#d: , |||"_qs)}}};
    CardParagraph series;
    series.sections = {{3, {parseCardField(u"215a:|||#d: ; |||"_qs), parseCardField(u"225a:|||"_qs)}}};
    l.paragraphs = {title, series};
    return l;
}

} // namespace

class CatalogueCardTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void isbn_data()
    {
        QTest::addColumn<QString>("isbn");
        QTest::addColumn<QString>("printed");
        // Group 7, each publisher length of its ranges.
        QTest::newRow("7, 2 digits") << u"9787020002207"_qs << u"978-7-02-000220-7"_qs;
        QTest::newRow("7, 3 digits") << u"9787111544937"_qs << u"978-7-111-54493-7"_qs;
        QTest::newRow("7, 3 digits, ten") << u"7111544935"_qs << u"7-111-54493-5"_qs;
        QTest::newRow("7, 4 digits") << u"9787532737180"_qs << u"978-7-5327-3718-0"_qs;
        QTest::newRow("7, 5 digits") << u"7800501234"_qs << u"7-80050-123-4"_qs;
        QTest::newRow("7, 6 digits") << u"9787900001234"_qs << u"978-7-900001-23-4"_qs;
        QTest::newRow("0, 2 digits") << u"0198526636"_qs << u"0-19-852663-6"_qs;
        QTest::newRow("0, 3 digits") << u"9780306406157"_qs << u"978-0-306-40615-7"_qs;
        QTest::newRow("0, 4 digits, X") << u"080442957x"_qs << u"0-8044-2957-X"_qs;
        QTest::newRow("0, 3 digits, O'Reilly") << u"9780596517748"_qs << u"978-0-596-51774-8"_qs;
        QTest::newRow("1, 4 digits") << u"9781402894626"_qs << u"978-1-4028-9462-6"_qs;
        QTest::newRow("1, 5 digits") << u"9781861978769"_qs << u"978-1-86197-876-9"_qs;
        QTest::newRow("3, 2 digits") << u"9783161484100"_qs << u"978-3-16-148410-0"_qs;
        QTest::newRow("979-10") << u"9791090636071"_qs << u"979-10-90636-07-1"_qs;
        QTest::newRow("blanks dropped") << u"978 7 111 54493 7"_qs << u"978-7-111-54493-7"_qs;
        // Kept as they are.
        QTest::newRow("hyphenated") << u"7-5600-1234-5"_qs << u"7-5600-1234-5"_qs;
        QTest::newRow("in no range") << u"9789998212345"_qs << u"9789998212345"_qs;
        QTest::newRow("wrong length") << u"97871115449"_qs << u"97871115449"_qs;
        QTest::newRow("not a number") << u"abcdefghij"_qs << u"abcdefghij"_qs;
        QTest::newRow("977 is no ISBN") << u"9771234567003"_qs << u"9771234567003"_qs;
        QTest::newRow("empty") << QString() << QString();
    }
    void isbn()
    {
        QFETCH(QString, isbn);
        QFETCH(QString, printed);
        QCOMPARE(isbn::hyphenate(isbn), printed);
    }

    void files()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath(u"card.ini"_qs));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[BaseParam]\nLine=12\nColum=abc\nOmitChar=...\n[CardStock]\nPrintMain=1\nMainName=Main\n"
                "TitleContinue=1\n[Classification]\nCNPrintDocType=TYPE,DOC,USER,200a\nCNFieldTag=905\n"
                "[Dimensions]\nLeftMargin=8.5\n[PrintFooter]\nFootLine=1\nFooter01=2,3\nFooter02=4\n"
                "[Tracing]\nCNTraceID=200,701\n");
        f.close();
        CardParams p;
        QCOMPARE(loadCardParams(f.fileName(), CodePage(), p), 0);
        QCOMPARE(p.lines, 12);
        QCOMPARE(p.columns, 0);
        QCOMPARE(p.omitChar, u"..."_qs);
        QVERIFY(p.kinds[0].print && !p.kinds[1].print && p.kinds[1].continued);
        QCOMPARE(p.kinds[0].name, u"Main"_qs);
        QCOMPARE(p.types[0].docTypes, (QStringList{u"TYPE"_qs, u"DOC"_qs, u"USER"_qs})); // three at most
        QCOMPARE(p.types[0].fieldTag, u"905"_qs);
        QCOMPARE(p.leftMargin.toMm(), 8.5);
        QCOMPARE(p.footers, (QList<QList<int>>{{2, 3}, {4}}));
        QCOMPARE(p.types[0].traceIds, (QStringList{u"200"_qs, u"701"_qs}));
        QCOMPARE(loadCardParams(dir.filePath(u"none.ini"_qs), CodePage(), p), -1);
        QCOMPARE(p.lines, 12);

        QFile l(dir.filePath(u"layout.ini"_qs));
        QVERIFY(l.open(QIODevice::WriteOnly));
        l.write("[CNMARCParam]\nparagraph=2\n[CNparagraph01]\nfont=12,1\nsectionnum=2\nsection=01,02\n"
                "[CNsection01]\nfieldnum=1\nfield01=200a:|||# e: : |||\n[CNsection02]\nfieldnum=2\n"
                "field01=210c: : ||| #d:, |||\nfield02=x\n[CNparagraph02]\nsection=09\n");
        l.close();
        std::array<CardLayout, 2> layouts;
        QCOMPARE(loadCardLayout(l.fileName(), CodePage(), layouts), 0);
        const CardLayout &cn = layouts[0];
        QCOMPARE(cn.paragraphs.size(), 2);
        QCOMPARE(cn.paragraphs[0].fontSize, 12);
        QVERIFY(cn.paragraphs[0].bold);
        QCOMPARE(cn.paragraphs[0].sections.size(), 2);
        const CardField &title = cn.paragraphs[0].sections[0].fields[0];
        QCOMPARE(title.tag, u"200"_qs);
        QCOMPARE(title.elements.size(), 2);
        QCOMPARE(title.elements[1].code, QChar(u'e'));
        QCOMPARE(title.elements[1].before, u" : "_qs);
        QCOMPARE(cn.paragraphs[0].sections[1].fields.size(), 1); // "x" is no field
        QVERIFY(cn.paragraphs[1].sections[0].fields.isEmpty());  // a section the file lacks
        QVERIFY(layouts[1].paragraphs.isEmpty());
    }

    void compose()
    {
        CardRecordInfo info;
        info.holdings = {u"0001"_qs, u"0002"_qs};
        info.separator = u"/"_qs;
        const CardData c = composeCard(dream(), params(), layout(), info);
        QCOMPARE(c.header, (QStringList{u"W001"_qs, u"1982"_qs}));
        QVERIFY(!c.serial); // 011 without $a
        QCOMPARE(c.materialDesignation, u"专著"_qs);
        QCOMPARE(c.callNumber, u"I242.4/12"_qs);
        QCOMPARE(cardCallNumberLines(c, params()), (QStringList{u"I242.4"_qs, u"12"_qs}));
        QCOMPARE(c.paragraphs.at(0), u"红楼梦 [专著] / 曹雪芹著 ; 无名氏续 北京 : 人民文学出版社 , 1982"_qs);
        QCOMPARE(c.paragraphs.at(1), u"1606页 ; 21cm (中国古典文学读本丛书)"_qs);
        QCOMPARE(c.isbns, QStringList{u"ISBN 978-7-02-000220-7 : CNY59.70"_qs});
        QCOMPARE(c.tracing, (QStringList{u"1\t红楼梦"_qs, u"2\t曹雪芹"_qs, u"2\t高鹗"_qs, u"3\t章回小说"_qs}));
        QCOMPARE(c.headings[2], (QStringList{u"曹雪芹"_qs, u"高鹗"_qs}));

        // A type U record without 245$h prints no designation; a record
        // without a title or the layout's fields composes what it has.
        CardParams p = params();
        p.types[1].materialDesignation = true;
        const BibRecord u = record("U", {{u"245"_qs, u"10"_qs, sub('a', u"Hamlet"_qs)}});
        QVERIFY(composeCard(u, p, layout(), info).materialDesignation.isEmpty());
        const BibRecord bare = record("C", {{u"210"_qs, u"  "_qs, sub('c', u"中华书局"_qs)}});
        const CardData b = composeCard(bare, params(), layout(), info);
        QCOMPARE(b.paragraphs, (QStringList{u"中华书局"_qs, QString()}));
        QVERIFY(b.callNumber.isEmpty());
        QCOMPARE(layoutCards({b}, params()).pages.size(), 1); // main only: no title, no author to head a card
    }

    // The Print flags choose the kinds; one card per access point.
    void kinds()
    {
        const CardData c = composeCard(dream(), params(), layout(), CardRecordInfo{{}, {}, {}, u"/"_qs});
        CardParams p = params();
        QCOMPARE(layoutCards({c}, p).pages.size(), 4); // main, title, two authors
        p.kinds[1].print = false;
        p.kinds[2].print = false;
        const PageDocument main = layoutCards({c, c}, p);
        QCOMPARE(main.pages.size(), 2);
        QCOMPARE(main.paper.size, QSizeF(125, 75));
        // The call number at row 2 column 1, the body beside it.
        const Page &page = main.pages.at(0);
        const PageText *call = findText(page, u"I242.4"_qs);
        QVERIFY(call != nullptr);
        QCOMPARE(call->box.topLeft(), QPointF(0, 7.5));
        const QString all = pageTexts(page).join(u'|');
        QVERIFY2(all.contains(u"Ⅰ.红楼梦 Ⅱ.曹雪芹"_qs) && all.contains(u"Ⅳ.章回小说"_qs), qPrintable(all));
        QVERIFY2(all.contains(u"ISBN 978-7-02-000220-7 :"_qs), qPrintable(all));
        // The author card carries its heading on the first line.
        p.kinds[2].print = true;
        p.kinds[0].print = false;
        const PageDocument authors = layoutCards({c}, p);
        QCOMPARE(authors.pages.size(), 2);
        const PageText *heading = findText(authors.pages.at(1), u"高鹗"_qs);
        QVERIFY(heading != nullptr);
        QCOMPARE(heading->box.left(), 9 * 125.0 / 40);
    }

    void continuation()
    {
        CardParams p = params();
        p.kinds[1].print = false;
        p.kinds[2].print = false;
        CardData c = composeCard(dream(), p, layout(), CardRecordInfo{{}, {}, {}, u"/"_qs});
        c.paragraphs.append(QString(200, QChar(u'字'))); // 200 wide characters: 13 lines of 30 columns
        const PageDocument more = layoutCards({c}, p);
        QCOMPARE(more.pages.size(), 3);
        QVERIFY(pageTexts(more.pages.at(1)).contains(u"（续1）"_qs));
        QVERIFY(findText(more.pages.at(1), u"I242.4"_qs) != nullptr); // the call number on every card
        p.kinds[0].continued = false;
        const PageDocument cut = layoutCards({c}, p);
        QCOMPARE(cut.pages.size(), 1);
        QVERIFY(cut.pages.at(0).texts.last().text.endsWith(u"…"_qs));
        // Every line fits its columns.
        for (const PageText &t : more.pages.at(0).texts)
            QVERIFY2(t.box.right() <= 125.0 + 1e-9, qPrintable(t.text));
    }
};

KESTRA_TEST(CatalogueCardTest)
#include "CatalogueCardTest.moc"
