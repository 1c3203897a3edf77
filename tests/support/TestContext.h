#pragma once

#include "core/AppContext.h"
#include "support/ScriptedPrompter.h"

#include <QTemporaryDir>
#include <memory>

namespace kestra::test {

// A clock the test sets.
class FixedClock final : public Clock {
public:
    explicit FixedClock(QDateTime now = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53))) : now_(std::move(now)) {}
    QDateTime now() const override { return now_; }
    void set(const QDateTime &now) { now_ = now; }
    void advanceSecs(qint64 secs) { now_ = now_.addSecs(secs); }

private:
    QDateTime now_;
};

// A fresh installation folder in a temporary directory, with its folder
// tree, and an application context over it answered by a ScriptedPrompter.
class TestContext {
public:
    TestContext();

    AppContext &context() { return *context_; }
    ScriptedPrompter &prompter() { return prompter_; }
    RecordingSoundPlayer &sounds() { return sounds_; }
    FixedClock &clock() { return clock_; }
    QString root() const { return dir_.path(); }

    // Writes a file below the installation folder (bytes as given).
    void writeFile(const QString &relative, const QByteArray &bytes) const;
    void writeText(const QString &relative, const QString &text) const { writeFile(relative, text.toUtf8()); }
    QByteArray readFile(const QString &relative) const;

private:
    QTemporaryDir dir_;
    ScriptedPrompter prompter_;
    RecordingSoundPlayer sounds_;
    FixedClock clock_;
    std::unique_ptr<AppContext> context_;
};

// GBK bytes of a text, for files as Windows workstations write them.
QByteArray gbk(const QString &text);

} // namespace kestra::test
