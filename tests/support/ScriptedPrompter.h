#pragma once

#include "core/Prompter.h"
#include "core/SoundPlayer.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <functional>

namespace kestra::test {

// The Prompter of every test: records each box, answers questions (boxes
// with OK and Cancel, or Yes, No and Cancel) from a queue, and fails the running test when a
// question comes that the script did not expect or when answers are left
// over at the end (checked by the test with QVERIFY(prompter.done())).
class ScriptedPrompter final : public Prompter {
public:
    struct Shown {
        QChar kind;
        QString title;
        QString text;
        bool beep;
        bool question;
    };

    // Queue answers for the next questions (AnswerOk or AnswerCancel;
    // AnswerYes, AnswerNo or AnswerCancel for a Yes/No/Cancel box).
    ScriptedPrompter &answer(int answer);
    ScriptedPrompter &answerFile(const QString &path);
    ScriptedPrompter &answerText(const std::optional<QString> &text);

    int showMessage(const MessageBox &box) override;
    QString chooseOpenFile(const QString &caption, const QString &folder, const QString &filter) override;
    QString chooseSaveFile(const QString &caption, const QString &path, const QString &filter) override;
    std::optional<QString> inputText(const QString &caption, const QString &label, const QString &initial) override;
    void beginProgress(const QString &text, int maximum) override;
    bool stepProgress(int value) override;
    void endProgress() override;
    void setBusy(bool busy) override { busy_ = busy; }

    const QList<Shown> &shown() const { return shown_; }
    QStringList texts() const;
    QString lastText() const { return shown_.isEmpty() ? QString() : shown_.last().text; }
    void clear() { shown_.clear(); }

    // True when every scripted answer was used and nothing unexpected came.
    bool done() const { return answers_.isEmpty() && files_.isEmpty() && inputs_.isEmpty() && unexpected_ == 0; }
    int unexpected() const { return unexpected_; }

    int progressSteps() const { return progressSteps_; }
    bool busy() const { return busy_; }
    // Runs before each question is answered (the test acts while the
    // question is open: another operator meets what the asking one holds).
    void onQuestion(std::function<void(const QString &text)> hook) { onQuestion_ = std::move(hook); }

    // Makes stepProgress answer "stop" from the given step on.
    void stopProgressAt(int step) { stopAt_ = step; }
    // Runs at each step of a progress (the value given), before it answers.
    void onStep(std::function<void(int value)> hook) { onStep_ = std::move(hook); }

private:
    QList<Shown> shown_;
    QQueue<int> answers_;
    QQueue<QString> files_;
    QQueue<std::optional<QString>> inputs_;
    int unexpected_ = 0;
    int progressSteps_ = 0;
    int stopAt_ = -1;
    bool busy_ = false;
    std::function<void(const QString &)> onQuestion_;
    std::function<void(int)> onStep_;
};

// Records the sounds a test asked for.
class RecordingSoundPlayer final : public SoundPlayer {
public:
    void play(const QString &path) override { played.append(path); }
    QStringList played;
};

} // namespace kestra::test
