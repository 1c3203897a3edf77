#pragma once

#include "copies/ItemWrite.h"
#include "kit/Outcome.h"

#include <QList>
#include <QString>
#include <functional>

namespace kestra {

class AppContext;

// What a run over copies did.
struct RunReport {
    int done = 0;
    int refused = 0;      // refused or declined, and skipped
    bool stopped = false; // ended before the last copy (a failure, a refusal or "no" that stops, Stop)
    bool failed = false;
};

// Runs a step for each copy of a list, each copy in its own transaction:
// the runner opens it, the step makes its checks and writes inside it, and
// the runner commits what the step left open. A failure ends the run;
// copies done before it stay done.
class CopyRunner {
public:
    struct Policy {
        bool stopAtRefusal = false; // the undo: a copy changed since ends it
        bool stopAtNo = false;
        QString progress; // a progress bar with Stop when not empty
    };
    using Step = std::function<StepOutcome(ItemTransaction &tx, int index)>;

    CopyRunner(AppContext &context, Policy policy);

    // The indices in the order given (the undo passes them bottom up).
    RunReport run(const QList<int> &indices, const Step &step);

private:
    AppContext &context_;
    Policy policy_;
};

// The set-based operations ("whole location"): statements run in order in
// one transaction with a progress bar; Stop rolls everything back. The
// workload and the operation log close it.
class StepRunner {
public:
    enum class Result { Done, Stopped, Failed };

    StepRunner(AppContext &context, QString progress);

    void add(const QString &sql) { steps_.append(sql); }
    int count() const { return static_cast<int>(steps_.size()); }
    const QStringList &steps() const { return steps_; }

    // Failed: rolled back and the database error shown.
    Result run(const WriteTail &tail);

private:
    AppContext &context_;
    QString progress_;
    QStringList steps_;
};

} // namespace kestra
