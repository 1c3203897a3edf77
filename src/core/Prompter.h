#pragma once

#include "core/MessageKind.h"

#include <QString>
#include <optional>

namespace kestra {

// Everything the client asks of the person at the workstation goes through
// this interface: message boxes, file choosers, text input, progress and the
// busy pointer. The gui implements it with Qt dialogs; tests answer it from
// a script. Controllers never show a widget themselves.
class Prompter {
public:
    virtual ~Prompter() = default;

    // Shows the box (beeping when its style says so) and returns AnswerOk
    // or AnswerCancel; a Yes/No/Cancel box returns AnswerYes, AnswerNo or
    // AnswerCancel.
    virtual int showMessage(const MessageBox &box) = 0;

    // An empty text when the person cancels.
    virtual QString chooseOpenFile(const QString &caption, const QString &folder, const QString &filter) = 0;
    virtual QString chooseSaveFile(const QString &caption, const QString &path, const QString &filter) = 0;
    virtual std::optional<QString> inputText(const QString &caption, const QString &label, const QString &initial) = 0;

    // Progress of a long run. stepProgress returns false when the person
    // asked to stop.
    virtual void beginProgress(const QString &text, int maximum) = 0;
    virtual bool stepProgress(int value) = 0;
    virtual void endProgress() = 0;

    // The hourglass while a blocking call runs.
    virtual void setBusy(bool busy) = 0;
};

// A prompter for programs without a person: boxes go to stderr, questions
// are answered with Cancel, choosers with nothing.
class SilentPrompter final : public Prompter {
public:
    int showMessage(const MessageBox &box) override;
    QString chooseOpenFile(const QString &, const QString &, const QString &) override { return {}; }
    QString chooseSaveFile(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> inputText(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    void beginProgress(const QString &, int) override {}
    bool stepProgress(int) override { return true; }
    void endProgress() override {}
    void setBusy(bool) override {}
};

} // namespace kestra
