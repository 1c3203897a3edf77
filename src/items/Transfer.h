#pragma once

#include "copies/ItemRecord.h"
#include "kit/CopyRunner.h"

#include <QLatin1String>
#include <QString>

namespace kestra {

class AppContext;
class CodeTables;

namespace transfer {

// cmbLoca_Src: every location.
inline constexpr QLatin1String AllLocations("All");
// goto_batch.doc_type_code of a batch open to every document type.
inline constexpr QLatin1String AnyDocType("AA");

// The transfer kinds, with the goto_batch.batch_type that records each.
enum class Kind { ByLocation = 0, ByClass = 1, ByBatch = 2, ByCopy = 3 };

// The right a kind needs: 3012, 3017, 3018, 3019.
QString kindRight(Kind kind);
// "按地", "按类", "按批", "按册".
QString kindName(Kind kind);
QString batchType(Kind kind);
// The kind of a goto_batch.batch_type; false for an unknown one.
bool kindOfBatchType(const QString &type, Kind &kind);

// The right to delete a transfer batch.
inline constexpr QLatin1String DeleteBatchRight("3013");

} // namespace transfer

// What one transfer moves and where to.
struct TransferPlan {
    QString source;      // a location code, or transfer::AllLocations
    QString destination; // a location code
    QString newStatus;   // empty: every copy keeps its status
    QString docType;     // empty: every document type
    QString batchNo;     // empty: not recorded in a transfer batch
};

// The destination of a list transfer, checked when it is chosen and again
// before a run: none chosen (EDC018) or the source itself (EDC017) is
// refused with its message.
bool destinationValid(AppContext &context, const TransferPlan &plan);

// The operation-log text of a transfer (30013): the location names
// "from -> to", and " | 文献类型:" with the type's name when one is chosen.
QString transferLogText(const CodeTables &codes, const QString &from, const QString &to, const QString &docType);

// One copy of the list, moved inside the transaction a CopyRunner opened
// for it: the circulation flag and the copy's status and location are read
// again inside it, so that a copy lent, reserved or moved since it was
// listed is dealt with as it is now. Refused: the copy is gone, or no
// longer at the source (shown).
StepOutcome transferStep(ItemTransaction &tx, const TransferPlan &plan, const QString &propNo);

// A list transfer: each copy in its own transaction, with the progress bar
// "正在执行书刊调拨"; a refusal or a failure ends the run, the copies moved
// before it stay moved. `moved` receives the positions of the copies moved.
ScanReport transferCopies(AppContext &context, const TransferPlan &plan, const QStringList &propNos,
                          QList<int> *moved = nullptr);

// One copy on its own: 1 moved; 0 refused (shown); -1 failed (rolled back,
// the error shown).
int transferCopy(AppContext &context, const TransferPlan &plan, const QString &propNo);

} // namespace kestra
