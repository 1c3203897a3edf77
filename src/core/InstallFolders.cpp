#include "core/InstallFolders.h"

#include <QDir>
#include <QFileInfo>

namespace kestra {

namespace {

QString withSlash(QString path)
{
    path.replace(u'\\', u'/');
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

} // namespace

InstallFolders::InstallFolders(const QString &root)
{
    const QString base = withSlash(QDir::cleanPath(QFileInfo(root).absoluteFilePath()));
    folders_[Root] = base;
    folders_[Bin] = base + QStringLiteral("BIN/");
    folders_[Doc] = base + QStringLiteral("DOC/");
    folders_[Cfg] = base + QStringLiteral("CFG/");
    folders_[Log] = base + QStringLiteral("LOG/");
    folders_[Tmp] = base + QStringLiteral("TMP/");
    folders_[Dat] = base + QStringLiteral("DAT/");
    folders_[BaseParam] = folders_[Cfg] + QStringLiteral("BM/BaseParam/");
    folders_[CardParam] = folders_[Cfg] + QStringLiteral("BM/CardParam/");
    folders_[Template] = folders_[Cfg] + QStringLiteral("BM/Template/");
    folders_[Z3950] = folders_[Cfg] + QStringLiteral("BM/Z3950/");
}

QString InstallFolders::folder(int entry) const
{
    if (entry < 0 || entry >= Count)
        return {};
    return folders_[static_cast<std::size_t>(entry)];
}

QString InstallFolders::file(int entry, const QString &relative) const
{
    QString rel = relative;
    rel.replace(u'\\', u'/');
    return resolvePathCaseInsensitive(folder(entry) + rel);
}

bool InstallFolders::createAll() const
{
    bool ok = true;
    for (const QString &path : folders_)
        ok = QDir().mkpath(path) && ok;
    return ok;
}

QString resolvePathCaseInsensitive(const QString &path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;
    const bool absolute = path.startsWith(u'/');
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    QString current = absolute ? QStringLiteral("/") : QStringLiteral(".");
    QString built = absolute ? QStringLiteral("/") : QString();
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString &part = parts.at(i);
        QString match;
        QDir dir(current);
        if (QFileInfo::exists(dir.filePath(part))) {
            match = part;
        } else {
            const QStringList entries =
                dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            for (const QString &entry : entries) {
                if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                    match = entry;
                    break;
                }
            }
        }
        if (match.isEmpty())
            return path;
        current = dir.filePath(match);
        built += (built.isEmpty() || built.endsWith(u'/') ? QString() : QStringLiteral("/")) + match;
    }
    if (path.endsWith(u'/'))
        built += u'/';
    return built;
}

} // namespace kestra
