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

namespace {

QString fillCode(const QueryResult &table, int row, const QString &message)
{
    QString text = table.text(row, 1);
    text = replaceFirstCaseInsensitive(text, QStringLiteral("%S"), message.mid(6));
    return replaceFirstCaseInsensitive(text, QStringLiteral("\\N"), QStringLiteral("\n"));
}

bool isQuestion(QChar kind)
{
    return kind == u'Q' || kind == u'S' || kind == u'Y';
}

} // namespace

QString Messages::messageText(const QString &message)
{
    const int row = table_.findRow(0, message.left(6));
    if (row < 0)
        return message;
    const QString sound = table_.spare(row);
    if (!sound.isEmpty())
        sounds_.play(folders_.file(InstallFolders::Cfg, QStringLiteral("sound/") + sound));
    return fillCode(table_, row, message);
}

QString Messages::plainText(const QString &message) const
{
    const int row = table_.findRow(0, message.left(6));
    return row < 0 ? message.mid(1) : fillCode(table_, row, message);
}

int Messages::showMsg(const QString &message)
{
    if (message.isEmpty())
        return AnswerOk;
    const QChar kind = message.front();
    // A collected message makes no sound: a long file is not a long row of
    // sounds either.
    QString text = sink_ != nullptr && !isQuestion(kind) ? plainText(message) : messageText(message);
    if (text == message)
        text = message.mid(1);
    return show(MessageBox{kind, title_, text, messageStyle(kind)});
}

int Messages::show(const MessageBox &box)
{
    if (sink_ != nullptr && !isQuestion(box.kind)) {
        sink_->take(box);
        return AnswerOk;
    }
    return prompter_.showMessage(box);
}

MessageSink *Messages::setSink(MessageSink *sink)
{
    MessageSink *previous = sink_;
    sink_ = sink;
    return previous;
}

} // namespace kestra
