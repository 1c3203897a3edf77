#include "kit/CopyRunner.h"

#include "core/AppContext.h"

namespace kestra {

CopyRunner::CopyRunner(AppContext &context, Policy policy) : context_(context), policy_(std::move(policy)) {}

ScanReport CopyRunner::run(const QList<int> &indices, const Step &step)
{
    ScanReport report;
    Prompter &prompter = context_.prompter();
    const bool progress = !policy_.progress.isEmpty();
    const int total = static_cast<int>(indices.size());
    if (progress)
        prompter.beginProgress(policy_.progress, total);
    for (int n = 0; n < total; ++n) {
        if (progress && !prompter.stepProgress(n)) {
            report.stopped = true;
            break;
        }
        ItemTransaction tx(context_);
        StepOutcome outcome = step(tx, indices.at(n));
        if (outcome == StepOutcome::Done && tx.isOpen() && tx.commit() < 0)
            outcome = StepOutcome::Failed;
        if (outcome != StepOutcome::Done)
            tx.cancel();
        report.add(outcome);
        if (outcome == StepOutcome::Done)
            continue;
        if (outcome == StepOutcome::Failed)
            break;
        if ((outcome == StepOutcome::Refused && policy_.stopAtRefusal) ||
            (outcome == StepOutcome::Declined && policy_.stopAtNo)) {
            report.stopped = true;
            break;
        }
    }
    if (progress) {
        prompter.stepProgress(total);
        prompter.endProgress();
    }
    return report;
}

StepRunner::StepRunner(AppContext &context, QString progress) : context_(context), progress_(std::move(progress)) {}

StepRunner::Result StepRunner::run(const WriteTail &tail)
{
    Prompter &prompter = context_.prompter();
    prompter.beginProgress(progress_, count() + 1);
    ItemTransaction tx(context_);
    Result result = Result::Done;
    for (int i = 0; i < count() && result == Result::Done; ++i) {
        if (!prompter.stepProgress(i)) {
            tx.cancel();
            result = Result::Stopped;
        } else if (tx.execute(steps_.at(i)) < 0) {
            result = Result::Failed;
        }
    }
    if (result == Result::Done) {
        prompter.stepProgress(count());
        if (tx.finish(tail) < 0)
            result = Result::Failed;
    }
    prompter.endProgress();
    return result;
}

} // namespace kestra
