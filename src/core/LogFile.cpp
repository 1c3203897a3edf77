#include "core/LogFile.h"

#include "core/DateText.h"

#include <QFile>

namespace kestra {

LogFile::LogFile(const InstallFolders &folders, const Clock &clock, ErrorRecord &errors)
    : folders_(folders), clock_(clock), errors_(errors)
{}

QString LogFile::pathForToday() const
{
    const QString day =
        formatDateText(clock_.now().date().toString(QStringLiteral("yyyy-MM-dd")), QStringLiteral("yyyy-mm-dd"));
    return folders_.folder(InstallFolders::Log) + day + QStringLiteral("_Log.log");
}

int LogFile::write(const QString &title, const QString &text, int mode)
{
    Q_UNUSED(title);
    const QDateTime now = clock_.now();
    QFile file(pathForToday());
    const QIODevice::OpenMode openMode =
        QIODevice::WriteOnly | (mode == Replace ? QIODevice::Truncate : QIODevice::Append);
    if (!file.open(openMode)) {
        errors_.set(ErrorRecord::LogWrite, 0, file.errorString() + QStringLiteral(": ") + file.fileName(),
                    QStringLiteral("LIB_WriteLogFile"));
        return -1;
    }
    const QString line = now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + u';' + text + u'\n';
    const QByteArray bytes = line.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        errors_.set(ErrorRecord::LogWrite, 0, file.errorString() + QStringLiteral(": ") + file.fileName(),
                    QStringLiteral("LIB_WriteLogFile"));
        return -1;
    }
    return 0;
}

} // namespace kestra
