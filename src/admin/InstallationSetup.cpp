#include "admin/InstallationSetup.h"

#include "core/InstallFolders.h"
#include "printing/ParamFiles.h"

#include <QDir>
#include <QFile>

namespace kestra {

namespace {

bool writeIfMissing(const QString &path, const QString &text, QString *error)
{
    if (QFileInfo::exists(path))
        return true;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString() + QStringLiteral(": ") + path;
        return false;
    }
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        *error = file.errorString() + QStringLiteral(": ") + path;
        return false;
    }
    return true;
}

bool copyAddinTree(const QString &from, const QString &to, QString *error)
{
    if (!QDir().mkpath(to)) {
        *error = QStringLiteral("cannot create ") + to;
        return false;
    }
    const QDir source(from);
    for (const QFileInfo &entry : source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + u'/' + entry.fileName();
        if (entry.isDir() ? !copyAddinTree(entry.filePath(), target, error) : !QFile::copy(entry.filePath(), target)) {
            if (error->isEmpty())
                *error = QStringLiteral("cannot copy ") + entry.filePath() + QStringLiteral(" to ") + target;
            return false;
        }
    }
    return true;
}

} // namespace

bool copyMissingAddins(const QString &samples, const QString &root, QString *error)
{
    const QDir source(samples);
    for (const QString &name : source.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString target = root + QStringLiteral("/addins/") + name;
        if (!QFileInfo::exists(target) && !copyAddinTree(source.filePath(name), target, error))
            return false;
    }
    return true;
}

bool createInstallation(const QString &root, const QString &dsn, QString *error)
{
    const InstallFolders folders(root);
    if (!folders.createAll()) {
        *error = QStringLiteral("cannot create the folders under ") + root;
        return false;
    }
    for (const char *sub : {"Dc", "cf", "LT", "sound"})
        QDir().mkpath(folders.folder(InstallFolders::Cfg) + QLatin1String(sub));
    QDir().mkpath(folders.root() + QStringLiteral("addins"));

    const QString ini = QStringLiteral("[LIB-DATA]\n"
                                       "LIB_SERVER=KESTRA\n"
                                       "CODEPAGE=GBK\n"
                                       "\n"
                                       "[KESTRA]\n"
                                       "DSN=%1\n"
                                       "UID=kestra\n"
                                       "PWD=\n")
                            .arg(dsn);
    const QString cfg = folders.folder(InstallFolders::Cfg);
    // The label and card parameters (BM_ComposeParam and what it names).
    for (const ParamFile &f : defaultPrintParamFiles()) {
        if (!writeIfMissing(folders.folder(InstallFolders::CardParam) + f.name, f.text, error))
            return false;
    }
    return writeIfMissing(folders.root() + QStringLiteral("kestra.ini"), ini, error) &&
           writeIfMissing(cfg + QStringLiteral("cf/cfCfg.ini"),
                          QStringLiteral("[FUND_TYPE]\n000=01:中央财政\n001=02:地方财政\n002=03:自筹经费\n"), error) &&
           writeIfMissing(cfg + QStringLiteral("LT/LT_reader.ini"),
                          QStringLiteral("[读者]\nR000=教师\nR001=学生\nR002=职工\n\n"
                                         "[读者证件]\nR000=身份证\nR001=学生证\nR002=工作证\n"),
                          error) &&
           writeIfMissing(cfg + QStringLiteral("LT/book_config.ini"),
                          QStringLiteral("[BOOK-CONFIG]\nBAR_USE=0\nBAR_MAX=0\nBAR_MIN=0\nBAR_PREFIX=\n"
                                         "BAR_SUFFIX=\nBAR_STRUCT_USE=0\nBAR_STRUCT=\n"),
                          error) &&
           writeIfMissing(cfg + QStringLiteral("sound/snd.ini"), QString(), error) &&
           writeIfMissing(cfg + QStringLiteral("sound/snd_loca.ini"), QString(), error) &&
           writeIfMissing(cfg + QStringLiteral("sound/other_loca.ini"), QString(), error);
}

} // namespace kestra
