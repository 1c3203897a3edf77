#pragma once

#include "copies/ItemRecord.h"
#include "copies/ItemWrite.h"
#include "copies/NormStat.h"

#include <QString>
#include <functional>

namespace kestra {

class AppContext;

// The checks the processing forms make on a found copy before they open
// its transaction. Each shows its message when it refuses; a database
// failure shows the error.
namespace copy_check {

enum class Verdict { Pass, Refused, Failed };

// EDC024: still in acceptance (11-16, and 17 unless handed-over copies are
// allowed).
Verdict inCollection(AppContext &context, const ItemRow &row, bool handedOverAllowed);
// EDC002 with the name of the copy's location: a copy of another location
// than the processing one (empty or "All": any location passes).
Verdict atLocation(AppContext &context, const ItemRow &row, const QString &location);
// EDC003: on loan.
Verdict notOnLoan(AppContext &context, const CirculationRow &circulation);
// EDC026: a status the operation does not take.
Verdict statusAllowed(AppContext &context, const ItemRow &row, const QStringList &allowed);
// EDC004: already logged in this batch.
Verdict notInBatch(AppContext &context, const ItemRow &row, const QString &location, const QString &batchNo,
                   const QString &type);
// The same check split for reading along with the copy's lock: the select,
// and the verdict on its answer.
QString inBatchSql(const ItemRow &row, const QString &location, const QString &batchNo, const QString &type);
Verdict notInBatch(AppContext &context, const QueryResult &inBatch);
// EDC005: a copy in 39 whose reader still owes the replacement.
Verdict noOpenClaim(AppContext &context, const ItemRow &row);

// What a step makes of ItemTransaction::lockCopy: Pass when the copy is as
// the operator saw it; when another operator changed it since, the step's
// own checks run again on the copy as read under the lock (a refusal there
// leaves the transaction to roll back); Refused when it is gone or held by
// another operator past the lock wait (a refusal of this copy: a run goes
// on); Failed on a database failure.
Verdict relocked(ItemTransaction::CopyLock lock, const std::function<Verdict()> &checks);

} // namespace copy_check

// The questions that take a copy back from where it is, asked inside the
// copy's transaction after the checks: a "no" rolls back, a yes writes the
// take-back in the same transaction.
namespace take_back {

enum class Result { Go, Declined, Refused, Failed };

// QDC015 (38) or QDC016 (3B), then frmNormStat gives the copy a collection
// status, which becomes row.status. Go without a question for any other
// status.
Result found(ItemTransaction &tx, ItemRow &row, const NormStatChooser &choose);
// QDC001 with 已/未: an arrived reservation (lend flag 2) is dropped and
// the flag becomes 0.
Result arrivedReservation(ItemTransaction &tx, const ItemRow &row, QString &lendFlag);
// QDC002 (35), QDC006 (37) or QDC005 (36): the copy leaves its weeding,
// exchange or gift row. With requireRow a missing row refuses (EDC011).
// sourceState receives the row's source_state when asked for.
Result outOfCollection(ItemTransaction &tx, const ItemRow &row, bool requireRow, QString *sourceState = nullptr);
// QDC007: a copy in 33 leaves its repair or check-back row at the location.
Result repairRow(ItemTransaction &tx, const ItemRow &row, const QString &location, QString *sourceState = nullptr);

} // namespace take_back

// A check's verdict or a question's result as a form's own outcome, whose
// enumeration names Refused, Cancelled and Failed; done is what a result
// that lets the form go on becomes.
template <class Outcome>
Outcome outcomeOf(copy_check::Verdict verdict)
{
    return verdict == copy_check::Verdict::Failed ? Outcome::Failed : Outcome::Refused;
}

template <class Outcome>
Outcome outcomeOf(take_back::Result result, Outcome done)
{
    switch (result) {
    case take_back::Result::Declined:
        return Outcome::Cancelled;
    case take_back::Result::Refused:
        return Outcome::Refused;
    case take_back::Result::Failed:
        return Outcome::Failed;
    case take_back::Result::Go:
        break;
    }
    return done;
}

} // namespace kestra
