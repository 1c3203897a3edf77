#pragma once

#include "copies/ItemEntry.h"
#include "core/SettingsFiles.h"
#include "kit/RowModel.h"

#include <QString>

namespace kestra {

class AppContext;

// What a scanned or batch assignment gives the copies: the handover batch,
// the ordering location whose copies are taken (empty: "<不定>", any), the
// target location and status (empty: "<不变>", left as they are; the scanned
// assignment always gives both) and whether the copies go to circulation.
struct AssignTarget {
    QString moveBatch;
    QString subscriber;
    QString location;
    QString status;
    bool release = false;
};

// frmAssignBatch's cmdOK (right 3020): every copy of the batch (and
// subscriber) in one transaction of set-based statements; an intake date is
// set only where none exists. Copies in a special state (repair, lost ...)
// are left to their own forms. 1 done, 0 refused or declined (shown), -1
// failed (rolled back, shown).
int assignWholeBatch(AppContext &context, const AssignTarget &target);

// The statements of the batch assignment in order, for the benchmark that
// compares them typed directly with the run above.
QStringList assignBatchStatements(const AssignTarget &target, const QString &today, const QString &operatorNo);

// One copy the scanned assignment took.
struct ScannedCopy {
    QString propNo;
    QString barCode;
    QString callNo;
    QString title;
    QString author;
    QString publisher;
    QString price;
};

// frmAssignLocation without its widgets: each scanned copy is checked and
// saved at once into the fixed target; the window's list holds the copies
// taken (each code once).
class AssignLocation {
public:
    AssignLocation(AppContext &context, const BarcodeSettings &barcode);

    AssignTarget &target() { return target_; }
    // txtCode (Enter): 1 saved, 0 refused (shown), -1 failed (rolled back,
    // shown). The list and the other copies are not affected by a refusal.
    int enter(const QString &text, InputType type);
    // cmdView: the copies of the batch already given this target (after the
    // question; the list is replaced). cmdClear: empties the list (after its
    // question).
    int view();
    int clear();
    RowModel<ScannedCopy> &listModel() { return list_; }

private:
    AppContext &context_;
    CodeNormaliser normaliser_;
    AssignTarget target_;
    RowModel<ScannedCopy> list_;
};

// frmShowAllAssign: where the copies of a title went, one line per
// location: its name and "n册: accession (year - volume); ...".
struct AssignedPlace {
    QString location;
    QString copies;
};
QList<AssignedPlace> assignedPlaces(AppContext &context, const QString &marcRecNo, bool *ok = nullptr);

} // namespace kestra
