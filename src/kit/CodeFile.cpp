#include "kit/CodeFile.h"

#include "core/CodePage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace kestra {

namespace code_file {

QList<QStringList> rows(const QString &text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    static const QRegularExpression separator(QStringLiteral("[\t,;]"));
    QList<QStringList> out;
    for (const QString &line : text.split(lineBreak)) {
        if (line.trimmed().isEmpty())
            continue;
        QStringList fields = line.split(separator);
        for (QString &f : fields)
            f = f.trimmed();
        out.append(fields);
    }
    return out;
}

QStringList codes(const QString &text, int column)
{
    QStringList out;
    for (const QStringList &fields : rows(text)) {
        if (column < fields.size() && !fields.at(column).isEmpty())
            out.append(fields.at(column));
    }
    return out;
}

bool read(const CodePage &page, const QString &path, QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    text = page.decodeFile(file.readAll());
    return true;
}

} // namespace code_file

ProblemFile::ProblemFile(QString path, QString heading, QString separator)
    : path_(std::move(path)), heading_(std::move(heading)), separator_(std::move(separator))
{}

QString ProblemFile::besideFile(const QString &importPath)
{
    const QFileInfo info(importPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("_err.txt"));
}

void ProblemFile::add(const QString &reason, const QString &code)
{
    entries_.append(reason + code);
}

bool ProblemFile::write(const CodePage &page) const
{
    QFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QString text;
    if (!heading_.isEmpty())
        text = heading_ + QStringLiteral("\r\n");
    text += entries_.join(separator_) + QStringLiteral("\r\n");
    return file.write(page.encode(text)) >= 0;
}

QString ProblemFile::notice() const
{
    // The message names the file without its extension and adds ".txt。".
    QString base = path_;
    if (base.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
        base.chop(4);
    return QStringLiteral("I某些书刊存在问题，详细情况请查看文件") + base + QStringLiteral(".txt。");
}

} // namespace kestra
