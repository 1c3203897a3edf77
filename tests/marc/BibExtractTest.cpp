#include "marc/BibExtract.h"
#include "MarcTestData.h"
#include "support/TestRunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

BibRecord typed(const QByteArray &raw, const char *type)
{
    BibRecord rec = BibRecord::fromBytes(raw, MarcCodec());
    rec.summary.marcType = QString::fromLatin1(type);
    return rec;
}

BibParams siteParams()
{
    BibParams p;
    p.titleFields[0] = {QStringLiteral("200a"), QStringLiteral(" 200e"), QStringLiteral("200h"),
                        QStringLiteral("225a")};
    p.titleFields[1] = {QStringLiteral("245a")};
    const struct {
        int group;
        const char *c;
        const char *u;
    } items[] = {{1, "200a", "245a"}, {2, "701a,711a", "100a,700a"}, {3, "210c", "260b"},
                 {4, "010a", "020a"}, {7, "606a", "650a"},           {8, "690a", "084a"}};
    for (const auto &i : items) {
        p.addIndexRow(0, 1, IndexParaRow{i.group, QString(), 0, QString::fromLatin1(i.c)});
        p.addIndexRow(1, 1, IndexParaRow{i.group, QString(), 0, QString::fromLatin1(i.u)});
    }
    p.addIndexRow(0, 0, IndexParaRow{1, u("题名"), 1, QStringLiteral("200a")});
    p.addIndexRow(0, 0, IndexParaRow{2, u("责任者"), 0, QStringLiteral("701a")});
    return p;
}

} // namespace

class BibExtractTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void composedTitleOfTheChineseScheme()
    {
        const BibParams p = siteParams();
        auto title = [&p](const QByteArray &body, const QList<RawField> &more = {}) {
            QList<RawField> fields{{"200", body}};
            fields += more;
            return getBibItem(typed(isoRecord(fields), "C"), ItemTitle, p);
        };
        QCOMPARE(title("1 " + sf('a', "甲") + sf('e', "乙") + sf('h', "丙")), u("甲:乙.丙"));
        QCOMPARE(title("1 " + sf('a', "红楼梦")), u("红楼梦"));
        QCOMPARE(title("1 " + sf('a', "红楼梦") + sf('f', "曹雪芹著")), u("红楼梦"));
        QCOMPARE(title("1 " + sf('a', "甲") + sf('a', "乙"),
                       {{"225", "2 " + sf('a', "丛书一")}, {"225", "2 " + sf('a', "丛书二")}}),
                 u("甲 乙.丛书一.丛书二"));
        QCOMPARE(title("1 " + sf('e', "只有副题")), u("只有副题"));
    }

    void composedTitleOfTheUsScheme()
    {
        const BibRecord rec = typed(chineseMarc21(), "U");
        QCOMPARE(getBibItem(rec, ItemTitle, siteParams()), QStringLiteral("Hong lou meng / Dream of the red chamber"));
    }

    void requestsByGroup()
    {
        const BibParams p = siteParams();
        QList<RawField> fields{{"010", "  " + sf('a', "7-02-001")}, {"010", "  " + sf('a', "7-02-002")},
                               {"200", "1 " + sf('a', "书")},       {"210", "  " + sf('c', "中华书局")},
                               {"606", "0 " + sf('a', "小说")},     {"606", "0 " + sf('a', "清代")},
                               {"690", "  " + sf('a', "I242")},     {"711", "02" + sf('a', "红学会")}};
        const BibRecord rec = typed(isoRecord(fields), "C");
        QCOMPARE(getBibItem(rec, ItemGroup4All, p), QStringLiteral("7-02-001, 7-02-002"));
        QCOMPARE(getBibItem(rec, ItemGroup4First, p), QStringLiteral("7-02-001"));
        QCOMPARE(getBibItem(rec, ItemGroup7All, p), u("小说, 清代"));
        QCOMPARE(getBibItem(rec, ItemGroup8, p), QStringLiteral("I242"));
        QCOMPARE(getBibItem(rec, ItemGroup3, p), u("中华书局"));
        QCOMPARE(getBibItem(rec, ItemGroup3Again, p), u("中华书局"));
        QCOMPARE(getBibItem(rec, ItemAuthor, p), u("红学会"));
        QCOMPARE(getBibItem(rec, ItemMainAuthor, p), u("红学会"));
        QCOMPARE(getBibItem(rec, ItemTitleProper, p), u("书"));
        QCOMPARE(getBibItem(rec, ItemGroup9, p), QString()); // no parameters for group 9
        QCOMPARE(getBibItem(rec, 14, p), QString());
        QCOMPARE(getBibItem(rec, -1, p), QString());
        QCOMPARE(getBibItem(BibRecord(), ItemTitle, p), QString());
        QCOMPARE(getBibItem(typed(isoRecord(fields), "c"), ItemGroup3, p), QString());
    }

    void mainAuthorOfUsRecordWithout1xx()
    {
        const BibRecord rec = typed(isoRecord({{"245", "10" + sf('a', "Title /") + sf('c', "by someone.")}}), "U");
        QCOMPARE(getBibItem(rec, ItemMainAuthor, siteParams()), QStringLiteral("by someone."));
        QCOMPARE(getBibItem(typed(chineseMarc21(), "U"), ItemMainAuthor, siteParams()), QStringLiteral("Cao, Xueqin."));
    }

    void infoListFromMarcInfoIni()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("MarcInfo.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray ini = gbkBytes("[CN]\r\n"
                                  "001=题名与责任者|200{a}{:e}{/f}{;g}}\r\n"
                                  "002=出版发行| 210acd,; \r\n"
                                  "003=丛编|461{a}{(v}}\r\n"
                                  "004=记录号|001x.\r\n"
                                  "005=个人名称|701a..\r\n"
                                  "007=不读|215a.\r\n"
                                  "[US]\r\n"
                                  "001=Title|245{a}{ c}}\r\n");
        file.write(ini);
        file.close();
        BibParams p = siteParams();
        loadMarcInfo(IniFile::load(path, CodePage()), p);
        QCOMPARE(p.marcInfo[0].size(), 5); // reading stops at the missing key 006
        QCOMPARE(p.marcInfo[0][1].display, QStringLiteral("210acd,"));

        const InfoList list = buildInfoList(typed(chineseUnimarc(), "C"), p);
        QCOMPARE(list.size(), 6);
        QCOMPARE(list[0].label, u("题名与责任者"));
        QCOMPARE(list[0].value, u("红楼梦:校注本/曹雪芹著;无名氏续"));
        QCOMPARE(list[1].value, u("北京,人民文学出版社,2008"));
        QCOMPARE(list[2].value, u("中国古典文学读本丛书 四大名著"));
        QCOMPARE(list[3].value, QStringLiteral("CAL012005000123"));
        QCOMPARE(list[4].value, u("曹雪芹"));
        QCOMPARE(list[5].value, u("高鹗"));

        BibRecord series = typed(isoRecord({{"461", " 0" + sf('a', "丛书") + sf('v', "第3辑")}}), "C");
        QCOMPARE(buildInfoList(series, p).first().value, u("丛书(第3辑)"));
        const InfoList us = buildInfoList(typed(chineseMarc21(), "U"), p);
        QCOMPARE(us.size(), 2);
        QCOMPARE(us[0].value, QStringLiteral("Hong lou meng / Cao Xueqin zhu."));
        QVERIFY(buildInfoList(typed(chineseUnimarc(), "u"), p).isEmpty());

        addFieldNamesFromMarcInfo(p);
        const BibRecord c = typed(chineseUnimarc(), "C");
        QCOMPARE(fieldLabel(QStringLiteral("200"), c, p), u("题名与责任者"));
        QCOMPARE(fieldLabel(QStringLiteral("099"), c, p), u("非Marc字段"));
        QCOMPARE(fieldLabel(QStringLiteral("245"), typed(chineseMarc21(), "U"), p), QStringLiteral("Title"));
        QCOMPARE(fieldLabel(QStringLiteral("099"), typed(chineseMarc21(), "u"), p), QStringLiteral("*No Marc*"));
    }

    void marcInfoReadsAtMost151Keys()
    {
        QString text = QStringLiteral("[CN]\n");
        for (int i = 1; i <= 160; ++i)
            text += QStringLiteral("%1=L%1|200a.\n").arg(i, 3, 10, QLatin1Char('0'));
        BibParams p;
        loadMarcInfo(IniFile(text, CodePage()), p);
        QCOMPARE(p.marcInfo[0].size(), 151);
        QCOMPARE(parseMarcInfoValue(QStringLiteral("no bar")).label, QStringLiteral("no bar"));
        QCOMPARE(parseMarcInfoValue(QStringLiteral("a|b|c. ")).display, QStringLiteral("b|c"));
    }

    void flagsAndModes()
    {
        const BibParams p = siteParams();
        QVERIFY(groupUsesStopwords(1, p));
        QVERIFY(!groupUsesStopwords(2, p));
        QVERIFY(!groupUsesStopwords(5, p));
        BibRecord rec;
        for (const auto &[code, expected] :
             {std::pair{"11", true}, {" 19", true}, {"1", false}, {"20", false}, {"", false}}) {
            rec.summary.docTypeCode = QString::fromLatin1(code);
            QCOMPARE(docTypeCodeIn11To19(rec), expected);
        }
        QVERIFY(!unicodeModeForSize(2000));
        QVERIFY(unicodeModeForSize(2001));
        QCOMPARE(indexWidthFor(false, 31), 60);
        QCOMPARE(indexWidthFor(true, 60), 30);
        QCOMPARE(indexWidthFor(true, 61), 60);
        BibParams words;
        words.addStopword(0, QStringLiteral("THE"));
        words.addStopword(0, QStringLiteral("A"));
        words.addStopword(2, u("《"));
        words.addStopword(2, u("》"));
        QCOMPARE(words.stopWords[0], QStringLiteral("THE,A"));
        QCOMPARE(words.stopWords[2], u("《》"));
    }

    // Every tag of both formats has a name; the site's names come first.
    void fieldLabelsOfBothFormats()
    {
        BibParams p = siteParams();
        const BibRecord c = typed(chineseUnimarc(), "C");
        const BibRecord us = typed(chineseMarc21(), "U");
        QCOMPARE(fieldLabel(QStringLiteral("690"), c, p), u("中国图书馆分类法分类号"));
        QCOMPARE(fieldLabel(QStringLiteral("245"), us, p), u("题名说明"));
        QCOMPARE(fieldLabel(QStringLiteral("880"), us, p), u("交替图形表示"));
        QCOMPARE(fieldLabel(QStringLiteral("999"), c, p), u("本地字段"));
        QCOMPARE(fieldLabel(QStringLiteral("245"), c, p), u("非Marc字段"));
        QCOMPARE(fieldLabel(QStringLiteral("200"), us, p), QStringLiteral("*No Marc*"));
        QVERIFY(p.addFieldName(0, QStringLiteral("690"), u("中图分类号")));
        QCOMPARE(fieldLabel(QStringLiteral("690"), c, p), u("中图分类号"));
        // Every field of the demo records is named.
        for (const BibRecord *rec : {&c, &us}) {
            for (int i = 0; i < rec->fieldCount(); ++i) {
                const QString label = fieldLabel(rec->entry(i).tagText(), *rec, BibParams());
                QVERIFY2(label != u("非Marc字段") && label != QLatin1String("*No Marc*"), qPrintable(label));
            }
        }
    }
};

KESTRA_TEST(BibExtractTest)
#include "BibExtractTest.moc"
