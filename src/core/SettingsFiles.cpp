#include "core/SettingsFiles.h"

#include "core/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kestra {

namespace {

QStringList textLines(const QString &text)
{
    QStringList lines = text.split(u'\n');
    for (QString &line : lines)
        line = line.trimmed();
    return lines;
}

} // namespace

QString readSettingsText(const QString &path, const CodePage &cp, bool *exists)
{
    QFile file(path);
    const bool ok = file.open(QIODevice::ReadOnly);
    if (exists != nullptr)
        *exists = ok;
    return ok ? cp.decodeFile(file.readAll()) : QString();
}

AssignGroups parseAssignGroups(const QString &text)
{
    AssignGroups result;
    for (const QString &line : textLines(text)) {
        if (line.isEmpty())
            continue;
        result.hadLines = true;
        if (line.startsWith(u'[')) {
            // The name is the line without its first and last character; a
            // lone "[" names a group with an empty name.
            result.groups.append(LocationGroup{line.size() > 1 ? line.mid(1, line.size() - 2) : QString(), {}});
        } else if (result.groups.isEmpty()) {
            ++result.orphanLines;
        } else {
            result.groups.last().members.append(line);
        }
    }
    return result;
}

AssignGroups loadAssignGroups(const InstallFolders &folders, const CodePage &cp)
{
    return parseAssignGroups(readSettingsText(ruleFilePath(folders), cp));
}

InitialStatusTable parseInitialStatus(const QString &text)
{
    InitialStatusTable result;
    for (const QString &line : textLines(text)) {
        if (line.isEmpty())
            continue;
        result.hadLines = true;
        const QStringList fields = line.split(u',');
        InitialStatus row;
        row.location = fields.value(0).trimmed();
        row.status = fields.value(1).trimmed();
        row.release = fields.value(2).trimmed();
        // A row without location or status would give copies an empty status
        // (or match the copies that have no target location yet).
        if (row.location.isEmpty() || row.status.isEmpty())
            continue;
        result.rows.append(row);
    }
    return result;
}

InitialStatusTable loadInitialStatus(const InstallFolders &folders, const CodePage &cp)
{
    return parseInitialStatus(readSettingsText(statusFilePath(folders), cp));
}

QList<FundType> loadFundTypes(const InstallFolders &folders, const CodePage &cp)
{
    QList<FundType> types;
    const IniFile ini = IniFile::load(folders.file(InstallFolders::Cfg, QStringLiteral("cf/cfCfg.ini")), cp);
    for (int i = 0; i < MaxFundTypes; ++i) {
        const QString key = QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
        // The profile call gives "" for a missing and an empty value alike:
        // either ends the list.
        const QString value = ini.value(QStringLiteral("FUND_TYPE"), key);
        if (value.isEmpty())
            break;
        const qsizetype colon = value.indexOf(u':');
        types.append(colon < 0 ? FundType{value, QString()} : FundType{value.left(colon), value.mid(colon + 1)});
    }
    return types;
}

ReaderTexts loadReaderTexts(const InstallFolders &folders, const CodePage &cp)
{
    ReaderTexts texts;
    const IniFile ini = IniFile::load(folders.file(InstallFolders::Cfg, QStringLiteral("LT/LT_reader.ini")), cp);
    auto readSection = [&ini](const QString &section, QStringList &out) {
        for (int i = 0; i < MaxReaderTexts; ++i) {
            const QString key = QStringLiteral("R%1").arg(i, 3, 10, QLatin1Char('0'));
            const QString text = ini.value(section, key);
            if (text.isEmpty())
                break;
            out.append(text);
        }
    };
    readSection(QStringLiteral("读者"), texts.categories);
    readSection(QStringLiteral("读者证件"), texts.certificates);
    return texts;
}

BarcodeSettings loadBarcodeSettings(const InstallFolders &folders, const CodePage &cp)
{
    BarcodeSettings settings;
    bool exists = false;
    const IniFile ini =
        IniFile::load(folders.file(InstallFolders::Cfg, QStringLiteral("lt/book_config.ini")), cp, &exists);
    if (!exists)
        return settings;
    const QString section = QStringLiteral("BOOK-CONFIG");
    settings.fileFound = true;
    settings.use = ini.value(section, QStringLiteral("BAR_USE")).trimmed().toInt();
    settings.max = ini.value(section, QStringLiteral("BAR_MAX")).trimmed().toDouble();
    settings.min = ini.value(section, QStringLiteral("BAR_MIN")).trimmed().toDouble();
    settings.prefix = ini.value(section, QStringLiteral("BAR_PREFIX")).trimmed();
    settings.suffix = ini.value(section, QStringLiteral("BAR_SUFFIX")).trimmed();
    settings.structUse = ini.value(section, QStringLiteral("BAR_STRUCT_USE")).trimmed().toInt();
    settings.structRule = ini.value(section, QStringLiteral("BAR_STRUCT")).trimmed();
    return settings;
}

QList<SoundAssignment> parseSoundLines(const QString &text, int maxLines)
{
    QList<SoundAssignment> result;
    int read = 0;
    for (const QString &line : textLines(text)) {
        if (line.isEmpty())
            continue;
        if (maxLines >= 0 && read >= maxLines)
            break;
        ++read;
        const qsizetype comma = line.indexOf(u',');
        if (comma <= 0)
            continue;
        result.append(SoundAssignment{line.left(comma).trimmed(), line.mid(comma + 1).trimmed()});
    }
    return result;
}

SoundSettings loadSoundSettings(const InstallFolders &folders, const CodePage &cp)
{
    SoundSettings settings;
    auto read = [&](const char *name) {
        return readSettingsText(folders.file(InstallFolders::Cfg, QStringLiteral("sound/") + QLatin1String(name)), cp);
    };
    settings.messages = parseSoundLines(read("snd.ini"));
    settings.locations = parseSoundLines(read("snd_loca.ini"));
    settings.others = parseSoundLines(read("other_loca.ini"), MaxOtherLocationSounds);
    return settings;
}

QString ruleFilePath(const InstallFolders &folders)
{
    return folders.file(InstallFolders::Cfg, QStringLiteral("Dc/DCcfg.ini"));
}

QString statusFilePath(const InstallFolders &folders)
{
    return folders.file(InstallFolders::Cfg, QStringLiteral("Dc/dccfg1.ini"));
}

bool writeSettingsText(const QString &path, const QString &text, const CodePage &cp, QString *error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(cp.encode(text)) < 0 || !file.commit()) {
        if (error != nullptr)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace kestra
