#include "copies/ItemCodes.h"

namespace kestra {

namespace {

QString nameOf(const QList<CodeName> &table, const QString &code)
{
    for (const CodeName &entry : table) {
        if (entry.code == code)
            return entry.name;
    }
    return {};
}

QString codeOf(const QList<CodeName> &table, const QString &name)
{
    for (const CodeName &entry : table) {
        if (entry.name == name)
            return entry.code;
    }
    return {};
}

} // namespace

namespace item_status {

const QList<CodeName> &all()
{
    static const QList<CodeName> table = {
        {QStringLiteral("11"), QStringLiteral("正常验收")}, {QStringLiteral("12"), QStringLiteral("赠送验收")},
        {QStringLiteral("13"), QStringLiteral("交换验收")}, {QStringLiteral("14"), QStringLiteral("自采验收")},
        {QStringLiteral("15"), QStringLiteral("送编验收")}, {QStringLiteral("16"), QStringLiteral("在编")},
        {QStringLiteral("17"), QStringLiteral("典藏处理")}, {QStringLiteral("33"), QStringLiteral("书刊修补")},
        {QStringLiteral("34"), QStringLiteral("破损报废")}, {QStringLiteral("35"), QStringLiteral("剔旧报废")},
        {QStringLiteral("36"), QStringLiteral("赠送出")},   {QStringLiteral("37"), QStringLiteral("交换出")},
        {QStringLiteral("38"), QStringLiteral("丢失")},     {QStringLiteral("39"), QStringLiteral("遗失赔偿")},
        {QStringLiteral("3A"), QStringLiteral("下架装订")}, {QStringLiteral("3B"), QStringLiteral("声明丢失")},
        {QStringLiteral("3C"), QStringLiteral("停借")},     {QStringLiteral("41"), QStringLiteral("可借")},
        {QStringLiteral("42"), QStringLiteral("非可借")},   {QStringLiteral("43"), QStringLiteral("阅览")},
        {QStringLiteral("44"), QStringLiteral("业务用书")}, {QStringLiteral("45"), QStringLiteral("保留本")},
        {QStringLiteral("46"), QStringLiteral("分馆藏书")},
    };
    return table;
}

QString name(const QString &code)
{
    return nameOf(all(), code);
}

QString code(const QString &name)
{
    return codeOf(all(), name);
}

bool beforeCollection(const QString &code, bool includeHandedOver)
{
    if (code.size() != 2 || code.at(0) != u'1')
        return false;
    const QChar d = code.at(1);
    return (d >= u'1' && d <= u'6') || (includeHandedOver && d == u'7');
}

} // namespace item_status

namespace lend_flag {

const QList<CodeName> &all()
{
    static const QList<CodeName> table = {
        {QStringLiteral("0"), QStringLiteral("在馆")},     {QStringLiteral("1"), QStringLiteral("借出")},
        {QStringLiteral("2"), QStringLiteral("预约回馆")}, {QStringLiteral("3"), QStringLiteral("委托借出")},
        {QStringLiteral("4"), QStringLiteral("馆际借出")}, {QStringLiteral("5"), QStringLiteral("馆际还回")},
    };
    return table;
}

QString name(const QString &code)
{
    const QString found = nameOf(all(), code);
    return found.isEmpty() ? code : found;
}

QString code(const QString &name)
{
    return codeOf(all(), name);
}

} // namespace lend_flag

namespace deal_type {

const QList<CodeName> &all()
{
    static const QList<CodeName> table = {
        {QString(Repair), QStringLiteral("书刊修补")},   {QString(CheckBack), QStringLiteral("书刊回验")},
        {QString(Weeding), QStringLiteral("书刊剔旧")},  {QString(Gift), QStringLiteral("书刊赠送")},
        {QString(Exchange), QStringLiteral("书刊交换")},
    };
    return table;
}

QString name(const QString &code)
{
    return nameOf(all(), code);
}

QString code(const QString &name)
{
    return codeOf(all(), name);
}

} // namespace deal_type

} // namespace kestra
