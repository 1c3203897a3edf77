#include "oplog/LogCodes.h"

#include <array>

namespace kestra::log_codes {

namespace {

struct Module {
    const char *code;
    const char16_t *name;
};

// By code; cboType lists them in another order (statistics before system).
constexpr std::array<Module, 7> modules{
    {{"1", u"采访"}, {"2", u"编目"}, {"3", u"典藏"}, {"4", u"流通"}, {"5", u"期刊"}, {"6", u"系统"}, {"7", u"统计"}}};

} // namespace

QString anyEntry()
{
    return QStringLiteral("[不限]");
}

QString moduleName(const QString &code)
{
    for (const Module &m : modules) {
        if (code == QLatin1String(m.code))
            return QString::fromUtf16(m.name);
    }
    return QString();
}

QString moduleCode(const QString &name)
{
    for (const Module &m : modules) {
        if (name == QString::fromUtf16(m.name))
            return QLatin1String(m.code);
    }
    return QStringLiteral("0");
}

QStringList moduleNames()
{
    return {QStringLiteral("采访"), QStringLiteral("编目"), QStringLiteral("典藏"), QStringLiteral("流通"),
            QStringLiteral("期刊"), QStringLiteral("统计"), QStringLiteral("系统")};
}

const QList<CodeName> &serviceCodes()
{
    static const QList<CodeName> codes = {
        {QStringLiteral("ACS "), QStringLiteral("自助借还接口")}, {QStringLiteral("API "), QStringLiteral("标准接口")},
        {QStringLiteral("APP "), QStringLiteral("应用服务")},     {QStringLiteral("IVR "), QStringLiteral("语音自助")},
        {QStringLiteral("MAPP"), QStringLiteral("移动APP")},      {QStringLiteral("MAPI"), QStringLiteral("移动接口")},
        {QStringLiteral("MWEI"), QStringLiteral("微信服务")},     {QStringLiteral("MWEB"), QStringLiteral("移动OPAC")},
        {QStringLiteral("OPAC"), QStringLiteral("OPAC")},         {QStringLiteral("SELF"), QStringLiteral("自助服务")},
        {QStringLiteral("SMS "), QStringLiteral("短信服务")},
    };
    return codes;
}

QString entry(const QString &code, const QString &name, int width, int gap)
{
    return code.leftJustified(width, QLatin1Char(' ')) + QString(gap, QLatin1Char(' ')) + name;
}

QString entryCode(const QString &entry)
{
    if (entry == anyEntry())
        return QString();
    const qsizetype blank = entry.indexOf(QLatin1Char(' '));
    return blank < 0 ? entry : entry.left(blank);
}

} // namespace kestra::log_codes
