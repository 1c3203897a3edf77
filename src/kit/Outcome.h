#pragma once

#include <QString>
#include <QStringList>

namespace kestra {

// How one step of a run over copies or codes ended.
//   Done      written and committed
//   Refused   a check refused it (its message says why); nothing written
//   Declined  the person answered "no" to a question; rolled back
//   Failed    a database call failed; rolled back, the run ends
enum class StepOutcome { Done, Refused, Declined, Failed };

// What one operation of a scan form did: a scanned code, a copy from the
// search, an imported file, an undo of the marked rows, a run over listed
// copies. One type for all of them, so that a form shows every operation the
// same way and a test reads every operation the same way.
struct ScanReport {
    int codes = 0;        // codes read, or rows gone through; 0: nothing to do
    int done = 0;         // written and committed (or listed)
    int refused = 0;      // refused or declined, and skipped
    int declined = 0;     // of those, a "no" to a question
    QStringList reasons;  // "code：reason" of each code that was not taken
    bool stopped = false; // ended before the last one (a failure, a refusal or "no" that stops, Stop)
    bool failed = false;  // a database call failed, or the file could not be read

    // One code's outcome.
    static ScanReport of(StepOutcome outcome)
    {
        ScanReport r;
        r.add(outcome);
        return r;
    }
    void add(StepOutcome outcome)
    {
        ++codes;
        if (outcome == StepOutcome::Done) {
            ++done;
            return;
        }
        if (outcome == StepOutcome::Failed) {
            failed = true;
            stopped = true;
            return;
        }
        ++refused;
        if (outcome == StepOutcome::Declined)
            ++declined;
    }
    bool isEmpty() const { return codes == 0 && !failed; }
    // The outcome of a one-code operation (the worst of a longer one).
    StepOutcome outcome() const
    {
        if (failed)
            return StepOutcome::Failed;
        if (declined > 0)
            return StepOutcome::Declined;
        if (refused > 0 || done == 0)
            return StepOutcome::Refused;
        return StepOutcome::Done;
    }
};

// A controller's own outcome of one copy as a step of a run: `done` is the
// controller's success, Cancelled a "no", Failed a database failure; anything
// else (nothing entered, a refusal) counts as refused.
template <class Outcome>
StepOutcome stepOutcomeOf(Outcome outcome, Outcome done)
{
    if (outcome == done) {
        return StepOutcome::Done;
    }
    if (outcome == Outcome::Cancelled) {
        return StepOutcome::Declined;
    }
    return outcome == Outcome::Failed ? StepOutcome::Failed : StepOutcome::Refused;
}

// The report of one code: a controller's outcome, nothing at all when the
// box was empty.
template <class Outcome>
ScanReport scanReportOf(Outcome outcome, Outcome done)
{
    if (outcome == Outcome::Empty)
        return {};
    return ScanReport::of(stepOutcomeOf(outcome, done));
}

} // namespace kestra
