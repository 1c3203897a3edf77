#include "marc/DemoRecords.h"

namespace kestra {

namespace {

struct Word {
    const char *zh;
    const char *py;
};

struct Subject {
    const char *heading;
    const char *english;
    const char *clc;
    Word words[8];
};

const Subject kSubjects[] = {
    {"小说",
     "Chinese fiction",
     "I247.5",
     {{"长河", "chang he"},
      {"故乡", "gu xiang"},
      {"春天", "chun tian"},
      {"记忆", "ji yi"},
      {"远方", "yuan fang"},
      {"月光", "yue guang"},
      {"少年", "shao nian"},
      {"岁月", "sui yue"}}},
    {"中国历史",
     "China -- History",
     "K20",
     {{"明代", "Ming dai"},
      {"宋朝", "Song chao"},
      {"丝绸之路", "si chou zhi lu"},
      {"帝国", "di guo"},
      {"文明", "wen ming"},
      {"变迁", "bian qian"},
      {"王朝", "wang chao"},
      {"边疆", "bian jiang"}}},
    {"程序设计",
     "Computer programming",
     "TP311",
     {{"程序设计", "cheng xu she ji"},
      {"数据结构", "shu ju jie gou"},
      {"算法", "suan fa"},
      {"网络", "wang luo"},
      {"数据库", "shu ju ku"},
      {"软件工程", "ruan jian gong cheng"},
      {"操作系统", "cao zuo xi tong"},
      {"人工智能", "ren gong zhi neng"}}},
    {"经济发展",
     "Economic development",
     "F124",
     {{"市场", "shi chang"},
      {"金融", "jin rong"},
      {"改革", "gai ge"},
      {"发展", "fa zhan"},
      {"贸易", "mao yi"},
      {"企业", "qi ye"},
      {"管理", "guan li"},
      {"区域经济", "qu yu jing ji"}}},
    {"哲学思想",
     "Philosophy, Chinese",
     "B2",
     {{"思想", "si xiang"},
      {"哲学", "zhe xue"},
      {"伦理", "lun li"},
      {"智慧", "zhi hui"},
      {"儒家", "Ru jia"},
      {"道家", "Dao jia"},
      {"心学", "xin xue"},
      {"名家", "ming jia"}}},
    {"教育",
     "Education",
     "G40",
     {{"教育", "jiao yu"},
      {"课程", "ke cheng"},
      {"教学", "jiao xue"},
      {"学习", "xue xi"},
      {"儿童", "er tong"},
      {"课堂", "ke tang"},
      {"教师", "jiao shi"},
      {"评价", "ping jia"}}},
    {"中医学",
     "Medicine, Chinese",
     "R2",
     {{"中医", "Zhong yi"},
      {"针灸", "zhen jiu"},
      {"养生", "yang sheng"},
      {"本草", "ben cao"},
      {"临床", "lin chuang"},
      {"方剂", "fang ji"},
      {"经络", "jing luo"},
      {"伤寒", "shang han"}}},
    {"数学",
     "Mathematics",
     "O1",
     {{"数学分析", "shu xue fen xi"},
      {"代数", "dai shu"},
      {"几何", "ji he"},
      {"概率论", "gai lü lun"},
      {"微积分", "wei ji fen"},
      {"拓扑", "tuo pu"},
      {"数论", "shu lun"},
      {"方程", "fang cheng"}}},
    {"中国画",
     "Painting, Chinese",
     "J212",
     {{"绘画", "hui hua"},
      {"书法", "shu fa"},
      {"山水", "shan shui"},
      {"艺术", "yi shu"},
      {"美学", "mei xue"},
      {"笔墨", "bi mo"},
      {"花鸟", "hua niao"},
      {"名画", "ming hua"}}},
};

const Word kSuffixes[] = {{"研究", "yan jiu"},  {"导论", "dao lun"},  {"概论", "gai lun"},   {"教程", "jiao cheng"},
                          {"简史", "jian shi"}, {"新编", "xin bian"}, {"十讲", "shi jiang"}, {"论集", "lun ji"}};

const Word kSurnames[] = {{"王", "Wang"}, {"李", "Li"},   {"张", "Zhang"}, {"刘", "Liu"},  {"陈", "Chen"},
                          {"杨", "Yang"}, {"赵", "Zhao"}, {"黄", "Huang"}, {"周", "Zhou"}, {"吴", "Wu"},
                          {"徐", "Xu"},   {"孙", "Sun"},  {"胡", "Hu"},    {"朱", "Zhu"},  {"高", "Gao"},
                          {"林", "Lin"},  {"何", "He"},   {"郭", "Guo"},   {"马", "Ma"},   {"罗", "Luo"}};

const Word kGiven[] = {{"伟", "wei"},   {"芳", "fang"}, {"敏", "min"},  {"静", "jing"}, {"丽", "li"},
                       {"强", "qiang"}, {"磊", "lei"},  {"军", "jun"},  {"洋", "yang"}, {"勇", "yong"},
                       {"艳", "yan"},   {"杰", "jie"},  {"涛", "tao"},  {"明", "ming"}, {"超", "chao"},
                       {"霞", "xia"},   {"平", "ping"}, {"华", "hua"},  {"文", "wen"},  {"建", "jian"},
                       {"国", "guo"},   {"志", "zhi"},  {"红", "hong"}, {"玉", "yu"},   {"晓", "xiao"}};

struct Publisher {
    const char *name;
    const char *pinyin;
    const char *place;
    const char *placePinyin;
    const char *prefix; // ISBN publisher code after 978-7-
};

const Publisher kPublishers[] = {
    {"人民文学出版社", "Ren min wen xue chu ban she", "北京", "Beijing", "02"},
    {"科学出版社", "Ke xue chu ban she", "北京", "Beijing", "03"},
    {"高等教育出版社", "Gao deng jiao yu chu ban she", "北京", "Beijing", "04"},
    {"商务印书馆", "Shang wu yin shu guan", "北京", "Beijing", "100"},
    {"中华书局", "Zhonghua shu ju", "北京", "Beijing", "101"},
    {"清华大学出版社", "Qing hua da xue chu ban she", "北京", "Beijing", "302"},
    {"北京大学出版社", "Beijing da xue chu ban she", "北京", "Beijing", "301"},
    {"机械工业出版社", "Ji xie gong ye chu ban she", "北京", "Beijing", "111"},
    {"上海古籍出版社", "Shanghai gu ji chu ban she", "上海", "Shanghai", "5325"},
    {"上海译文出版社", "Shanghai yi wen chu ban she", "上海", "Shanghai", "5327"},
    {"浙江人民出版社", "Zhejiang ren min chu ban she", "杭州", "Hangzhou", "213"},
    {"广西师范大学出版社", "Guangxi shi fan da xue chu ban she", "桂林", "Guilin", "5633"},
};

const char *const kRoles[] = {"著", "编", "主编", "编著"};
const char *const kSeries[] = {"汉译世界学术名著丛书", "大学计算机教育丛书", "中国文库", "名家讲堂", "新世纪教材"};

QString zh(const char *s)
{
    return QString::fromUtf8(s);
}

QString capitalised(QString s)
{
    if (!s.isEmpty())
        s[0] = s[0].toUpper();
    return s;
}

QString sub(char code, const QString &value)
{
    return QString(QChar(iso2709::SubfieldDelimiter)) + QLatin1Char(code) + value;
}

void add(BibRecord &r, const char *tag, const char *indicators, const QString &data)
{
    r.addField(MarcField{QString::fromLatin1(tag), QString::fromLatin1(indicators), data});
}

QString stamp(const DemoBook &b)
{
    const int y = std::min(b.year + 1, 2024);
    return QStringLiteral("%1%2%3")
        .arg(y)
        .arg(1 + b.pages % 12, 2, 10, QLatin1Char('0'))
        .arg(1 + b.pages % 28, 2, 10, QLatin1Char('0'));
}

} // namespace

quint64 DemoRandom::next()
{
    quint64 z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

int isbn13CheckDigit(QStringView twelveDigits)
{
    int sum = 0;
    for (qsizetype i = 0; i < twelveDigits.size() && i < 12; ++i)
        sum += (twelveDigits[i].unicode() - '0') * (i % 2 == 0 ? 1 : 3);
    return (10 - sum % 10) % 10;
}

DemoBook demoBook(quint64 seed)
{
    DemoRandom rnd(seed);
    DemoBook b;
    b.recordId = QStringLiteral("%1").arg(seed, 10, 10, QLatin1Char('0'));
    const Subject &s = kSubjects[rnd.below(int(std::size(kSubjects)))];
    const Word &w1 = s.words[rnd.below(8)];
    const Word &w2 = s.words[rnd.below(8)];
    const Word &suffix = kSuffixes[rnd.below(int(std::size(kSuffixes)))];
    b.title = zh(w1.zh);
    b.titlePinyin = QString::fromUtf8(w1.py);
    if (&w1 != &w2 && rnd.chance(60)) {
        b.title += QStringLiteral("与") + zh(w2.zh);
        b.titlePinyin += QStringLiteral(" yu ") + QString::fromUtf8(w2.py);
    }
    if (rnd.chance(70)) {
        b.title += zh(suffix.zh);
        b.titlePinyin += QLatin1Char(' ') + QString::fromUtf8(suffix.py);
    }
    b.titlePinyin = capitalised(b.titlePinyin);
    if (rnd.chance(30))
        b.otherTitle = zh(s.words[rnd.below(8)].zh) + QStringLiteral("的理论与实践");

    const Word &surname = kSurnames[rnd.below(int(std::size(kSurnames)))];
    const Word &g1 = kGiven[rnd.below(int(std::size(kGiven)))];
    b.author = zh(surname.zh) + zh(g1.zh);
    QString given = QString::fromUtf8(g1.py);
    if (rnd.chance(60)) {
        const Word &g2 = kGiven[rnd.below(int(std::size(kGiven)))];
        b.author += zh(g2.zh);
        given += QString::fromUtf8(g2.py);
    }
    b.authorPinyin = QString::fromUtf8(surname.py) + QStringLiteral(", ") + capitalised(given);
    b.role = zh(kRoles[rnd.below(int(std::size(kRoles)))]);
    if (rnd.chance(15)) {
        b.translator = zh(kSurnames[rnd.below(int(std::size(kSurnames)))].zh) +
                       zh(kGiven[rnd.below(int(std::size(kGiven)))].zh) + QStringLiteral("译");
    }

    const Publisher &p = kPublishers[rnd.below(int(std::size(kPublishers)))];
    b.publisher = zh(p.name);
    b.publisherPinyin = QString::fromUtf8(p.pinyin);
    b.place = zh(p.place);
    b.placePinyin = QString::fromUtf8(p.placePinyin);
    b.year = rnd.between(1985, 2024);
    const QString prefix = QString::fromLatin1(p.prefix);
    const int itemDigits = 8 - int(prefix.size());
    int itemMax = 1;
    for (int i = 0; i < itemDigits; ++i)
        itemMax *= 10;
    const QString item = QStringLiteral("%1").arg(rnd.below(itemMax), itemDigits, 10, QLatin1Char('0'));
    const QString digits = QStringLiteral("9787") + prefix + item;
    b.isbn = QStringLiteral("978-7-") + prefix + QLatin1Char('-') + item + QLatin1Char('-') +
             QString::number(isbn13CheckDigit(digits));
    b.price = QStringLiteral("CNY%1.%2").arg(rnd.between(12, 128)).arg(rnd.below(10) * 10, 2, 10, QLatin1Char('0'));
    b.pages = rnd.between(96, 720);
    b.heightCm = rnd.between(19, 26);
    b.clc = QString::fromLatin1(s.clc);
    if (rnd.chance(50))
        b.clc += QString::number(rnd.between(1, 9));
    b.callNo = b.clc + QLatin1Char('/') + QString::number(rnd.between(1, 2999));
    b.subject = zh(s.heading);
    b.subjectEnglish = QString::fromLatin1(s.english);
    if (rnd.chance(25))
        b.series = zh(kSeries[rnd.below(int(std::size(kSeries)))]);
    if (rnd.chance(40)) {
        // Built with arg() rather than one long concatenation, which GCC's
        // -O3 string-overflow check misjudges.
        b.summary = QStringLiteral("本书%1%2的基本概念、%3的发展历程及其%4方面的意义，可供相关专业师生及研究人员参考。")
                        .arg(rnd.chance(50) ? QStringLiteral("系统介绍了") : QStringLiteral("论述了"), zh(w1.zh),
                             zh(w2.zh), zh(s.heading));
    }
    return b;
}

BibRecord demoUnimarcRecord(const DemoBook &b, const MarcCodec &codec)
{
    BibRecord r = BibRecord::create("00000nam0 2200000   450 ", codec);
    r.summary.marcType = QStringLiteral("C");
    r.summary.marcRecNo = b.recordId;
    add(r, "001", "", QStringLiteral("KS") + b.recordId);
    add(r, "005", "", stamp(b) + QStringLiteral("101530.0"));
    add(r, "010", "  ", sub('a', b.isbn) + sub('d', b.price));
    add(r, "100", "  ",
        sub('a', stamp(b) + QLatin1Char('d') + QString::number(b.year) + QStringLiteral("    em y0chiy50      ea")));
    add(r, "101", "0 ", sub('a', QStringLiteral("chi")));
    add(r, "102", "  ", sub('a', QStringLiteral("CN")) + sub('b', QStringLiteral("110000")));
    add(r, "105", "  ", sub('a', QStringLiteral("y   z   000yy")));
    add(r, "106", "  ", sub('a', QStringLiteral("r")));
    QString title = sub('a', b.title) + sub('9', b.titlePinyin.toLower());
    if (!b.otherTitle.isEmpty())
        title += sub('e', b.otherTitle);
    title += sub('f', b.author + b.role);
    if (!b.translator.isEmpty())
        title += sub('g', b.translator);
    add(r, "200", "1 ", title);
    add(r, "210", "  ", sub('a', b.place) + sub('c', b.publisher) + sub('d', QString::number(b.year)));
    add(r, "215", "  ",
        sub('a', QString::number(b.pages) + QStringLiteral("页")) +
            sub('d', QString::number(b.heightCm) + QStringLiteral("cm")));
    if (!b.series.isEmpty())
        add(r, "225", "2 ", sub('a', b.series));
    if (!b.summary.isEmpty())
        add(r, "330", "  ", sub('a', b.summary));
    if (!b.series.isEmpty())
        add(r, "461", " 0", sub('1', QStringLiteral("2001 ") + sub('a', b.series)));
    add(r, "606", "0 ", sub('a', b.subject) + sub('x', QStringLiteral("研究")));
    add(r, "690", "  ", sub('a', b.clc) + sub('v', QStringLiteral("5")));
    add(r, "701", " 0", sub('a', b.author) + sub('9', b.authorPinyin.toLower()) + sub('4', b.role));
    add(r, "801", " 0", sub('a', QStringLiteral("CN")) + sub('b', QStringLiteral("KESTRA")) + sub('c', stamp(b)));
    add(r, "905", "  ",
        sub('a', QStringLiteral("KESTRA")) + sub('d', b.clc) + sub('e', b.callNo.section(QLatin1Char('/'), 1)));
    return r;
}

BibRecord demoMarc21Record(const DemoBook &b, const MarcCodec &codec)
{
    BibRecord r = BibRecord::create(codec.isUtf8() ? "00000nam a2200000 i 4500" : "00000nam  2200000 i 4500", codec);
    r.summary.marcType = QStringLiteral("U");
    r.summary.marcRecNo = b.recordId;
    const QString year = QString::number(b.year);
    add(r, "001", "", QStringLiteral("KS") + b.recordId);
    add(r, "005", "", stamp(b) + QStringLiteral("101530.0"));
    // Forty positions: entry date, dates, place, the book positions, language.
    add(r, "008", "",
        stamp(b).mid(2) + QLatin1Char('s') + year + QStringLiteral("    cc ") + QString(12, QLatin1Char(' ')) +
            QStringLiteral("00 0 chi d"));
    add(r, "020", "  ", sub('a', QString(b.isbn).remove(QLatin1Char('-'))) + sub('c', b.price));
    add(r, "040", "  ",
        sub('a', QStringLiteral("KESTRA")) + sub('b', QStringLiteral("eng")) + sub('c', QStringLiteral("KESTRA")));
    add(r, "041", "0 ", sub('a', QStringLiteral("chi")));
    add(r, "084", "  ", sub('a', b.clc) + sub('2', QStringLiteral("clc")));
    add(r, "090", "  ", sub('a', b.clc) + sub('b', b.callNo.section(QLatin1Char('/'), 1)));
    add(r, "100", "1 ", sub('6', QStringLiteral("880-01")) + sub('a', b.authorPinyin + QLatin1Char('.')));
    QString title = sub('6', QStringLiteral("880-02")) + sub('a', b.titlePinyin);
    QString original = sub('6', QStringLiteral("245-02/$1")) + sub('a', b.title);
    if (!b.otherTitle.isEmpty()) {
        title += QStringLiteral(" :") + sub('b', QStringLiteral("li lun yu shi jian"));
        original += QStringLiteral(" :") + sub('b', b.otherTitle);
    }
    title += QStringLiteral(" /") + sub('c', QString(b.authorPinyin).remove(QLatin1Char(',')) + QLatin1Char('.'));
    original += QStringLiteral(" /") + sub('c', b.author + b.role + QLatin1Char('.'));
    add(r, "245", "10", title);
    add(r, "260", "  ",
        sub('6', QStringLiteral("880-03")) + sub('a', b.placePinyin + QStringLiteral(" :")) +
            sub('b', b.publisherPinyin + QLatin1Char(',')) + sub('c', year + QLatin1Char('.')));
    add(r, "300", "  ",
        sub('a', QString::number(b.pages) + QStringLiteral(" p. ;")) +
            sub('c', QString::number(b.heightCm) + QStringLiteral(" cm.")));
    if (!b.summary.isEmpty())
        add(r, "520", "  ", sub('6', QStringLiteral("880-04")) + sub('a', QStringLiteral("Summary in Chinese.")));
    add(r, "650", " 0", sub('a', b.subjectEnglish + QLatin1Char('.')));
    add(r, "880", "1 ", sub('6', QStringLiteral("100-01/$1")) + sub('a', b.author + QLatin1Char('.')));
    add(r, "880", "10", original);
    add(r, "880", "  ",
        sub('6', QStringLiteral("260-03/$1")) + sub('a', b.place + QStringLiteral(" :")) +
            sub('b', b.publisher + QLatin1Char(',')) + sub('c', year + QLatin1Char('.')));
    if (!b.summary.isEmpty())
        add(r, "880", "  ", sub('6', QStringLiteral("520-04/$1")) + sub('a', b.summary));
    return r;
}

} // namespace kestra
