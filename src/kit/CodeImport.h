#pragma once

#include "kit/CodeFile.h"
#include "kit/Outcome.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace kestra {

class AppContext;

// The import of a code file: reads the codes, runs the form's step on each
// with a progress bar that can be stopped, collects the refusals as text
// (questions still reach the person), lists them in the problem file when
// the form keeps one, and reports once at the end.
class CodeImport {
public:
    using Step = std::function<StepOutcome(const QString &code)>;

    // progress: the text of the progress bar; summary: the head line of the
    // closing box with %1 the codes read and %2 the codes taken.
    CodeImport(AppContext &context, QString progress, QString summary);

    // The column of the code in tab, comma or semicolon separated lines.
    void setColumn(int column) { column_ = column; }
    // The problem file, when the form writes one (it outlives the run).
    void setProblemFile(ProblemFile *file) { problems_ = file; }
    // The reason written before a code the step refused without a message.
    static QString declinedReason() { return QStringLiteral("未确认"); }

    // For a step that commits its writes in groups: `settle` runs once the
    // codes are gone through (all of them, or stopped) and before the
    // summary, to commit what waits; a code that was taken but could not be
    // written after all is taken back with retract(), during the run or from
    // settle.
    void setSettle(std::function<void()> settle) { settle_ = std::move(settle); }
    void retract(const QString &code, StepOutcome now, const QString &reason);

    // Asks for the file ("导入文件", in the DAT folder) and runs it; an
    // empty report when the person chose none.
    ScanReport chooseAndRun(const Step &step);
    ScanReport runFile(const QString &path, const Step &step);
    ScanReport run(const QStringList &codes, const Step &step);

    // The closing box: the head line, then up to 20 refusals.
    QString summary(const ScanReport &report) const;

private:
    AppContext &context_;
    QString progress_;
    QString summary_;
    int column_ = 0;
    ProblemFile *problems_ = nullptr;
    std::function<void()> settle_;
    ScanReport *running_ = nullptr; // the report of the run going on
};

} // namespace kestra
