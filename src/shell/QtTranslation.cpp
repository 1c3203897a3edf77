#include "shell/QtTranslation.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace kestra {

namespace {

const QString kCatalogue = QStringLiteral("qtbase_zh_CN.qm");

} // namespace

QStringList qtTranslationFolders(const QString &programFolder)
{
    return {QDir(programFolder).filePath(QStringLiteral("translations")),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
}

QString loadQtChinese(QTranslator &translator, const QStringList &folders)
{
    for (const QString &folder : folders) {
        const QString path = QDir(folder).filePath(kCatalogue);
        // A damaged or unreadable copy is passed over for the next folder's.
        if (QFileInfo(path).isFile() && translator.load(path))
            return path;
    }
    return {};
}

} // namespace kestra
