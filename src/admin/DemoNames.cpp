#include "admin/DemoNames.h"

namespace kestra::demo {

namespace {

const char *const kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "赵", "黄",   "周",  "吴", "徐",
                                 "孙", "胡", "朱", "高", "林", "何", "郭", "马",   "罗",  "梁", "宋",
                                 "郑", "谢", "韩", "唐", "冯", "于", "董", "萧",   "程",  "曹", "袁",
                                 "邓", "许", "傅", "沈", "曾", "彭", "吕", "欧阳", "司马"};
const char *const kMale[] = {"伟", "强", "磊", "军", "洋",   "勇",   "杰",   "涛",  "明", "超",
                             "平", "建", "国", "志", "浩",   "宇",   "鹏",   "辉",  "斌", "峰",
                             "晨", "博", "文", "俊", "子轩", "浩然", "宇航", "一鸣"};
const char *const kFemale[] = {"芳", "敏", "静",   "丽",   "艳",   "霞",   "娟",   "婷",  "雪",
                               "琳", "欣", "怡",   "颖",   "悦",   "佳",   "倩",   "璐",  "晶",
                               "梦", "瑶", "雨萱", "思涵", "欣怡", "诗雨", "子涵", "梓萱"};
const char *const kDepartments[] = {"文学院",   "历史学院",   "哲学系",       "经济学院", "管理学院", "法学院",
                                    "教育学院", "外国语学院", "数学科学学院", "物理学系", "化学系",   "计算机学院",
                                    "医学院",   "艺术学院",   "建筑工程学院", "图书馆"};

QString pick(DemoRandom &r, const char *const *list, int size)
{
    return QString::fromUtf8(list[r.below(size)]);
}

} // namespace

Person person(DemoRandom &r)
{
    Person p;
    p.male = r.chance(50);
    p.name = pick(r, kSurnames, int(std::size(kSurnames)));
    if (p.male)
        p.name += pick(r, kMale, int(std::size(kMale)));
    else
        p.name += pick(r, kFemale, int(std::size(kFemale)));
    if (p.name.size() == 2 && r.chance(40))
        p.name += p.male ? pick(r, kMale, 20) : pick(r, kFemale, 20);
    p.department = pick(r, kDepartments, int(std::size(kDepartments)));
    return p;
}

QString statusName(const QString &code)
{
    static const std::pair<const char *, const char *> names[] = {
        {"11", "正常验收"}, {"12", "赠送验收"}, {"13", "交换验收"}, {"14", "自采验收"}, {"15", "送编验收"},
        {"16", "在编"},     {"17", "典藏处理"}, {"33", "书刊修补"}, {"34", "破损报废"}, {"35", "剔旧报废"},
        {"36", "赠送出"},   {"37", "交换出"},   {"38", "丢失"},     {"39", "遗失赔偿"}, {"3A", "下架装订"},
        {"3B", "声明丢失"}, {"3C", "停借"},     {"41", "可借"},     {"42", "非可借"},   {"43", "阅览"},
        {"44", "业务用书"}, {"45", "保留本"},   {"46", "分馆藏书"},
    };
    for (const auto &[c, name] : names) {
        if (code == QLatin1String(c))
            return QString::fromUtf8(name);
    }
    return {};
}

} // namespace kestra::demo
