#include "support/ScriptedPrompter.h"

#include <QTest>

namespace kestra::test {

ScriptedPrompter &ScriptedPrompter::answer(int answer)
{
    answers_.enqueue(answer);
    return *this;
}

ScriptedPrompter &ScriptedPrompter::answerFile(const QString &path)
{
    files_.enqueue(path);
    return *this;
}

ScriptedPrompter &ScriptedPrompter::answerText(const std::optional<QString> &text)
{
    inputs_.enqueue(text);
    return *this;
}

int ScriptedPrompter::showMessage(const MessageBox &box)
{
    const bool question = box.style.buttons != MessageStyle::Buttons::Ok;
    shown_.append(Shown{box.kind, box.title, box.text, box.style.beep, question});
    if (!question)
        return AnswerOk;
    if (onQuestion_)
        onQuestion_(box.text);
    if (answers_.isEmpty()) {
        ++unexpected_;
        QTest::qFail(qPrintable(QStringLiteral("unexpected question: ") + box.text), __FILE__, __LINE__);
        return AnswerCancel;
    }
    return answers_.dequeue();
}

QString ScriptedPrompter::chooseOpenFile(const QString &caption, const QString &, const QString &)
{
    if (files_.isEmpty()) {
        ++unexpected_;
        QTest::qFail(qPrintable(QStringLiteral("unexpected file chooser: ") + caption), __FILE__, __LINE__);
        return {};
    }
    return files_.dequeue();
}

QString ScriptedPrompter::chooseSaveFile(const QString &caption, const QString &path, const QString &filter)
{
    return chooseOpenFile(caption, path, filter);
}

std::optional<QString> ScriptedPrompter::inputText(const QString &caption, const QString &, const QString &)
{
    if (inputs_.isEmpty()) {
        ++unexpected_;
        QTest::qFail(qPrintable(QStringLiteral("unexpected text input: ") + caption), __FILE__, __LINE__);
        return std::nullopt;
    }
    return inputs_.dequeue();
}

void ScriptedPrompter::beginProgress(const QString &, int)
{
    progressSteps_ = 0;
}

bool ScriptedPrompter::stepProgress(int value)
{
    if (onStep_)
        onStep_(value);
    ++progressSteps_;
    return stopAt_ < 0 || progressSteps_ < stopAt_;
}

void ScriptedPrompter::endProgress() {}

QStringList ScriptedPrompter::texts() const
{
    QStringList out;
    for (const Shown &s : shown_)
        out.append(s.text);
    return out;
}

} // namespace kestra::test
