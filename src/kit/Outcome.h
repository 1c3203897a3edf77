#pragma once

namespace kestra {

// How one step of a run over copies or codes ended.
//   Done      written and committed
//   Refused   a check refused it (its message says why); nothing written
//   Declined  the person answered "no" to a question; rolled back
//   Failed    a database call failed; rolled back, the run ends
enum class StepOutcome { Done, Refused, Declined, Failed };

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

} // namespace kestra
