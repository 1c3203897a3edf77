// The statistics side of the demo: copies carried between the campuses, and
// two statistics templates beside the reference data's, so that every
// statistics window has a template to show the engine with: thirty
// sub-statistics over two classification schemes, and one that mixes
// ranges and prefixes (with sub-statistic "10" after "2").

#include "admin/DemoBuilder.h"
#include "core/Session.h"

namespace kestra::demo {

namespace {

struct DemoSubStat {
    const char *name;
    const char *clc;   // the specification in scheme 1 (CLC)
    const char *kexue; // in scheme 2; empty for none
};

// The thirty classes of S03: the main classes with industry split, and
// computing inside TP once more (a copy there counts in both).
const DemoSubStat kThirty[] = {
    {"A 马列主义", "A", "10"},
    {"B 哲学宗教", "B", "11~13"},
    {"C 社会科学总论", "C", "20"},
    {"D 政治法律", "D", "27~34"},
    {"E 军事", "E", "35"},
    {"F 经济", "F", "36~37"},
    {"G 文化教育体育", "G", "38~41"},
    {"H 语言文字", "H", "41"},
    {"I 文学", "I", "42"},
    {"J 艺术", "J", "46"},
    {"K 历史地理", "K", "47~49"},
    {"N 自然科学总论", "N", "50"},
    {"O 数理化", "O", "51~54"},
    {"P 天文地球", "P", "55~57"},
    {"Q 生物", "Q", "58"},
    {"R 医药卫生", "R", "61"},
    {"S 农业", "S", "65"},
    {"TB~TH 一般工业", "TB~TH", "71"},
    {"TJ 武器", "TJ", ""},
    {"TK~TM 能源电工", "TK~TM", "73"},
    {"TN 电子通信", "TN", "73.9"},
    {"TP 自动化", "TP", "73.8"},
    {"TQ 化学工业", "TQ", "74"},
    {"TS 轻工业", "TS", "75"},
    {"TU~TV 建筑水利", "TU~TV", "76~77"},
    {"U 交通运输", "U", "78"},
    {"V 航空航天", "V", "79"},
    {"X 环境科学", "X", "80"},
    {"Z 综合", "Z", "90"},
    {"TP3~TP39 计算机", "TP3~TP39", "73.87"},
};

const DemoSubStat kMixed[] = {
    {"马列哲学", "A,B", ""}, {"社会科学", "C~F,G0~G3,H", ""}, {"文学艺术", "I,J", ""},        {"历史地理", "K", ""},
    {"自然科学", "N~Q", ""}, {"医药农业", "R,S", ""},         {"工业技术", "T,TP3~TP39", ""}, {"交通环境", "U~X", ""},
    {"综合性图书", "Z", ""}, {"文化教育", "G4~G8", ""},
};

} // namespace

void Builder::transport(const TitleFacts &t, const CopyFacts &c)
{
    // Copies of the east campus branch came over from the main campus; one
    // in nine has a transport row, the newest still on the way. The rule
    // uses no random draw, so the rest of the library stays as it was.
    if (c.location != FG || !c.hasItem || c.index % 9 != 0)
        return;
    if (!transportBatches_) {
        transportBatches_ = true;
        w_[QStringLiteral("transport_batch")].add({QStringLiteral("YS0001"), QStringLiteral("01"), QStringLiteral("02"),
                                                   QStringLiteral("1"), QStringLiteral("1"), day(30),
                                                   QStringLiteral("DC01")});
        w_[QStringLiteral("transport_batch")].add({QStringLiteral("YS0002"), QStringLiteral("01"), QStringLiteral("02"),
                                                   QStringLiteral("1"), QStringLiteral("0"), day(1),
                                                   QStringLiteral("DC01")});
    }
    const bool onTheWay = c.index % 27 == 0;
    const int sent = onTheWay ? 1 : std::max(t.arrivalDay, 2);
    w_[QStringLiteral("transport_detl")].add(
        {onTheWay ? QStringLiteral("YS0002") : QStringLiteral("YS0001"), c.propNo,
         onTheWay ? QStringLiteral("0") : QStringLiteral("1"), day(sent), QStringLiteral("DC01"), locationCode(SK),
         onTheWay ? QVariant() : QVariant(day(sent - 1)), onTheWay ? QVariant() : QVariant(QStringLiteral("DC02")),
         onTheWay ? QVariant() : QVariant(locationCode(FG))});
}

bool Builder::statistics()
{
    progress(QStringLiteral("statistics templates"));
    const QString codes = QStringLiteral(" WHERE stat_type_code IN ('S03','U01')");
    for (const char *table : {"stat_cls_comp", "stat_type_detl", "stat_type_code"}) {
        if (!w_.exec(QStringLiteral("DELETE FROM ") + QLatin1String(table) + codes))
            return false;
    }
    auto add = [this](const char *code, const char *name, const DemoSubStat *subs, int count) {
        if (!w_.exec(QStringLiteral("INSERT INTO stat_type_code (stat_type_code,stat_type_name) VALUES (?,?)"),
                     {QLatin1String(code), zh(name)}))
            return false;
        for (int i = 0; i < count; ++i) {
            const QString sub = QString::number(i + 1);
            if (!w_.exec(QStringLiteral("INSERT INTO stat_type_detl (stat_type_code,sub_stat_code,sub_stat_name,"
                                        "code_use_flag) VALUES (?,?,?,'1')"),
                         {QLatin1String(code), sub, zh(subs[i].name)}) ||
                !w_.exec(QStringLiteral("INSERT INTO stat_cls_comp (stat_type_code,sub_stat_code,cls_id,comp_cls) "
                                        "VALUES (?,?,'1',?)"),
                         {QLatin1String(code), sub, QLatin1String(subs[i].clc)}))
                return false;
            if (*subs[i].kexue != 0 &&
                !w_.exec(QStringLiteral("INSERT INTO stat_cls_comp (stat_type_code,sub_stat_code,cls_id,comp_cls) "
                                        "VALUES (?,?,'2',?)"),
                         {QLatin1String(code), sub, QLatin1String(subs[i].kexue)}))
                return false;
        }
        return true;
    };
    return add("S03", "中图法三十类（含科图法）", kThirty, int(std::size(kThirty))) &&
           add("U01", "学科分布（范围与前缀）", kMixed, int(std::size(kMixed)));
}

} // namespace kestra::demo
