#include "printing/LabelParams.h"

#include "core/AppContext.h"
#include "core/IniFile.h"

#include <QFile>
#include <limits>

namespace kestra {

double profileNumber(const QString &text)
{
    // The longest leading piece that reads as a number: sign, digits, one
    // decimal point. What follows (units, rubbish) is ignored.
    const QString t = text.trimmed();
    qsizetype end = 0;
    if (end < t.size() && (t.at(end) == u'+' || t.at(end) == u'-'))
        ++end;
    bool point = false;
    qsizetype digits = 0;
    while (end < t.size()) {
        const QChar c = t.at(end);
        if (c.isDigit() && c.unicode() < 128)
            ++digits;
        else if (c == u'.' && !point)
            point = true;
        else
            break;
        ++end;
    }
    if (digits == 0)
        return 0.0;
    bool ok = false;
    const double v = t.left(end).toDouble(&ok);
    return ok ? v : 0.0;
}

int profileShort(const QString &text)
{
    const double v = profileNumber(text);
    constexpr double lo = std::numeric_limits<qint16>::min();
    constexpr double hi = std::numeric_limits<qint16>::max();
    return static_cast<int>(std::clamp(std::trunc(v), lo, hi));
}

LabelParams labelParamsFrom(const IniFile &ini)
{
    const QString base = QStringLiteral("BaseParam");
    const auto text = [&](const QString &section, const char *key) {
        return ini.value(section, QString::fromLatin1(key), QString());
    };
    const auto mm = [&](const char *key) { return Distance::mm(profileNumber(text(base, key))); };
    const auto num = [&](const QString &section, const char *key) { return profileShort(text(section, key)); };
    LabelParams p;
    p.width = mm("Width");
    p.height = mm("Height");
    p.top = mm("Top");
    p.bottom = mm("Bottom");
    p.left = mm("Left");
    p.right = mm("Right");
    p.rows = num(base, "Rows");
    p.cols = num(base, "Cols");
    p.numPerItem = num(base, "NumPerItem");
    p.center = num(base, "Center") != 0;
    p.centerV = num(base, "CenterV") != 0;
    p.callNoAlign = num(base, "CallNoAlign");
    p.callNoReturn = num(base, "CallNoReturn");
    p.callNoStop = num(base, "CallNoStop") != 0;
    p.customText = text(base, "CustomText");
    p.attachment = num(base, "Attachment") != 0;
    p.autoSize = num(base, "AutoSize") != 0;
    for (std::size_t i = 0; i < p.items.size(); ++i) {
        const QString section = QString::number(i + 1) + QStringLiteral("PrintItem");
        LabelItem &item = p.items[i];
        item.print = num(section, "Print");
        item.left = Distance::mm(profileNumber(text(section, "Left")));
        item.top = Distance::mm(profileNumber(text(section, "Top")));
        item.bold = num(section, "FontBold") != 0;
        item.italic = num(section, "FontItalic") != 0;
        item.fontName = text(section, "FontName").trimmed();
        item.fontSize = num(section, "FontSize");
    }
    return p;
}

int loadLabelParams(const QString &path, const CodePage &codePage, LabelParams &params)
{
    bool exists = false;
    const IniFile ini = IniFile::load(path, codePage, &exists);
    if (!exists)
        return -1;
    params = labelParamsFrom(ini);
    return 0;
}

bool readComposeParam(AppContext &context, ComposeFiles &files)
{
    files = {};
    const InstallFolders &folders = context.folders();
    QFile file(folders.file(InstallFolders::CardParam, QStringLiteral("BM_ComposeParam")));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = context.codePage().decodeFile(file.readAll());
    const QStringList lines = text.split(QLatin1Char('\n'));
    const auto line = [&](int i) -> QString {
        if (i >= lines.size())
            return {};
        const QString name = lines.at(i).trimmed();
        return name.isEmpty() ? QString() : folders.file(InstallFolders::CardParam, name);
    };
    files.cardParams = line(0);
    files.cardLayout = line(1);
    files.labelParams = line(2);
    return true;
}

QString loadInstalledLabelParams(AppContext &context, LabelParams &params)
{
    ComposeFiles files;
    if (!readComposeParam(context, files))
        return QStringLiteral("找不到书标参数组成文件BM_ComposeParam");
    if (files.labelParams.isEmpty())
        return QStringLiteral("BM_ComposeParam中没有书标参数文件");
    if (loadLabelParams(files.labelParams, context.codePage(), params) != 0)
        return QStringLiteral("不能读取书标参数文件：") + files.labelParams;
    return {};
}

} // namespace kestra
