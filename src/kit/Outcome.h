#pragma once

namespace kestra {

// How one step of a run over copies or codes ended.
//   Done      written and committed
//   Refused   a check refused it (its message says why); nothing written
//   Declined  the person answered "no" to a question; rolled back
//   Failed    a database call failed; rolled back, the run ends
enum class StepOutcome { Done, Refused, Declined, Failed };

} // namespace kestra
