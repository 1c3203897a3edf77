#pragma once

#include "core/InstallFolders.h"
#include "core/Prompter.h"
#include "core/SettingsFiles.h"
#include "core/SoundPlayer.h"
#include "db/QueryResult.h"

#include <QString>

namespace kestra {

// Takes the error, warning and information boxes while an unattended run
// (an import, a batch) goes on, so that they become lines of its summary;
// questions still go to the person.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void take(const MessageBox &box) = 0;
};

// The message table and ShowMsg. A message is either a six-character code
// of the table ("ECM002"), optionally followed by the text for its "%S", or
// a text whose first letter gives its kind ("E该条码号不存在").
class Messages {
public:
    Messages(Prompter &prompter, SoundPlayer &sounds, const InstallFolders &folders);

    // The rows of "SELECT msg_id, msg_content FROM msg_mst ORDER BY msg_id DESC".
    void setTable(QueryResult table);
    const QueryResult &table() const { return table_; }
    bool isLoaded() const { return !table_.isNull(); }

    // Fills the sound column from sound/snd.ini.
    void applySounds(const QList<SoundAssignment> &sounds);

    // The title of every box: system parameter 1.
    void setTitle(const QString &title) { title_ = title; }
    const QString &title() const { return title_; }

    // MessageText: the text of a code with "%S" and "\N" filled (and its
    // sound started), or the argument unchanged when no code matches.
    QString messageText(const QString &message);

    // The text of a message as a box shows it, without its sound.
    QString plainText(const QString &message) const;

    // ShowMsg: shows the message and returns AnswerOk or AnswerCancel (a
    // "Y" message: AnswerYes, AnswerNo or AnswerCancel).
    int showMsg(const QString &message);
    // Every box goes through here: to the sink while one is set (a
    // question excepted), else to the prompter.
    int show(const MessageBox &box);

    // The sink that takes the boxes now; the previous one, so that the
    // caller can put it back.
    MessageSink *setSink(MessageSink *sink);

    Prompter &prompter() { return prompter_; }

private:
    Prompter &prompter_;
    SoundPlayer &sounds_;
    const InstallFolders &folders_;
    QueryResult table_;
    QString title_;
    MessageSink *sink_ = nullptr;
};

// Replaces the first occurrence of needle, compared case-insensitively.
QString replaceFirstCaseInsensitive(const QString &text, const QString &needle, const QString &replacement);

} // namespace kestra
