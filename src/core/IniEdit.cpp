#include "core/IniEdit.h"

#include "core/CodePage.h"

#include <QFile>
#include <QSaveFile>

namespace kestra {

namespace {

bool isSectionLine(const QString &line, QString *name)
{
    const QString t = line.trimmed();
    if (!t.startsWith(u'['))
        return false;
    const qsizetype close = t.indexOf(u']');
    *name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
    return true;
}

} // namespace

bool writeProfileString(const QString &path, const QString &section, const QString &key, const QString &value,
                        const QString &codePage, QString *error)
{
    const CodePage cp(codePage);
    QByteArray original;
    {
        QFile in(path);
        if (in.exists() && !in.open(QIODevice::ReadOnly)) {
            *error = in.errorString();
            return false;
        }
        if (in.isOpen())
            original = in.readAll();
    }
    const bool hadBom = original.startsWith("\xEF\xBB\xBF");
    const bool utf8 = hadBom || isValidUtf8(original);
    const QString text = cp.decodeFile(original);
    const bool crlf = text.contains(QStringLiteral("\r\n"));
    QStringList lines = text.split(u'\n');
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();

    const QString newLine = key + u'=' + value;
    qsizetype sectionAt = -1;
    qsizetype sectionEnd = lines.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString name;
        if (!isSectionLine(lines.at(i), &name))
            continue;
        if (sectionAt >= 0) {
            sectionEnd = i;
            break;
        }
        if (name.compare(section, Qt::CaseInsensitive) == 0)
            sectionAt = i;
    }
    bool done = false;
    if (sectionAt >= 0) {
        for (qsizetype i = sectionAt + 1; i < sectionEnd; ++i) {
            const QString t = lines.at(i).trimmed();
            const qsizetype eq = t.indexOf(u'=');
            if (eq > 0 && !t.startsWith(u';') && t.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
                lines[i] = newLine;
                done = true;
                break;
            }
        }
        if (!done) {
            qsizetype at = sectionEnd;
            while (at > sectionAt + 1 && lines.at(at - 1).trimmed().isEmpty())
                --at;
            lines.insert(at, newLine);
        }
    } else {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QString());
        lines.append(u'[' + section + u']');
        lines.append(newLine);
    }

    const QString out = lines.join(crlf ? QStringLiteral("\r\n") : QStringLiteral("\n")) +
                        (crlf ? QStringLiteral("\r\n") : QStringLiteral("\n"));
    QByteArray bytes = utf8 ? out.toUtf8() : cp.encode(out);
    if (hadBom)
        bytes.prepend("\xEF\xBB\xBF");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace kestra
