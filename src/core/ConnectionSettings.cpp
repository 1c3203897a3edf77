#include "core/ConnectionSettings.h"

#include "core/IniFile.h"
#include "core/Scramble.h"

#include <QFileInfo>
#include <algorithm>

namespace kestra {

IniLoadResult loadIniSettings(const InstallFolders &folders)
{
    IniLoadResult result;
    const QString path = folders.file(InstallFolders::Root, QStringLiteral("kestra.ini"));
    bool opened = false;
    IniFile ini = IniFile::load(path, result.codePage, &opened);
    if (!opened && QFileInfo::exists(path)) {
        result.error = QStringLiteral("kestra.ini exists but cannot be read: ") + path;
        return result;
    }

    const QString codePageName = ini.value(QStringLiteral("LIB-DATA"), QStringLiteral("CODEPAGE"));
    if (!codePageName.isEmpty()) {
        CodePage chosen(codePageName);
        if (!chosen.isUsable()) {
            result.error = QStringLiteral("kestra.ini: code page %1 is not known").arg(codePageName);
            return result;
        }
        if (chosen.name().compare(result.codePage.name(), Qt::CaseInsensitive) != 0) {
            result.codePage = chosen;
            ini = IniFile::load(path, result.codePage);
        }
    }

    ConnectionSettings &c = result.connection;
    c.serverSection = ini.value(QStringLiteral("LIB-DATA"), QStringLiteral("LIB_SERVER"));
    c.dsnText = ini.value(c.serverSection, QStringLiteral("DSN"));
    c.user = ini.value(c.serverSection, QStringLiteral("UID"));
    c.driver = ini.value(c.serverSection, QStringLiteral("DRIVER"));
    c.server = ini.value(c.serverSection, QStringLiteral("SERVER"));
    c.database = ini.value(c.serverSection, QStringLiteral("DATABASE"));
    c.lockWaitMs = std::max(0, ini.value(c.serverSection, QStringLiteral("LOCK_WAIT")).trimmed().toInt());
    const std::optional<QString> clear = unscramblePassword(ini.value(c.serverSection, QStringLiteral("PWD")));
    if (!clear) {
        result.error = QStringLiteral("kestra.ini: PWD of section %1 is not in the scrambled form "
                                      "(write it with kestra-admin scramble)")
                           .arg(c.serverSection);
        return result;
    }
    c.password = *clear;
    c.dsn = Dsn::parse(c.dsnText, folders.root());
    result.status = 0;
    return result;
}

} // namespace kestra
