#include "core/Messages.h"

namespace kestra {

Messages::Messages(Prompter &prompter, SoundPlayer &sounds, const InstallFolders &folders)
    : prompter_(prompter), sounds_(sounds), folders_(folders)
{}

void Messages::setTable(QueryResult table)
{
    table_ = std::move(table);
}

void Messages::applySounds(const QList<SoundAssignment> &sounds)
{
    for (const SoundAssignment &sound : sounds) {
        const int row = table_.findRow(0, sound.key);
        if (row >= 0)
            table_.setSpare(row, sound.file);
    }
}

QString replaceFirstCaseInsensitive(const QString &text, const QString &needle, const QString &replacement)
{
    const qsizetype at = text.indexOf(needle, 0, Qt::CaseInsensitive);
    if (at < 0)
        return text;
    QString out = text;
    out.replace(at, needle.size(), replacement);
    return out;
}

QString Messages::messageText(const QString &message)
{
    const QString code = message.left(6);
    const int row = table_.findRow(0, code);
    if (row < 0)
        return message;
    const QString sound = table_.spare(row);
    if (!sound.isEmpty())
        sounds_.play(folders_.file(InstallFolders::Cfg, QStringLiteral("sound/") + sound));
    QString text = table_.text(row, 1);
    text = replaceFirstCaseInsensitive(text, QStringLiteral("%S"), message.mid(6));
    text = replaceFirstCaseInsensitive(text, QStringLiteral("\\N"), QStringLiteral("\n"));
    return text;
}

int Messages::showMsg(const QString &message)
{
    if (message.isEmpty())
        return AnswerOk;
    const QChar kind = message.front();
    QString text = messageText(message);
    if (text == message)
        text = message.mid(1);
    MessageBox box{kind, title_, text, messageStyle(kind)};
    return prompter_.showMessage(box);
}

} // namespace kestra
