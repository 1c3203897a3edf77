#pragma once

#include "copies/ItemCodes.h"
#include "copies/ItemEntry.h"
#include "copies/ItemRecord.h"
#include "kit/CodeImport.h"
#include "kit/RowModel.h"

#include <QList>
#include <QString>

namespace kestra {

class AppContext;
class ItemTransaction;

namespace book_state {

// "不变": the copy keeps its status (only the catalogue flag changes).
inline constexpr QLatin1String Unchanged("99");

// cmbNewState, in its order.
const QList<CodeName> &targetStatuses();
// cmbOldState: the target list without "书刊修补" and "不变".
QList<CodeName> sourceStatuses();

} // namespace book_state

// One row of spdBookLst: a copy changed by this form, as it was found.
struct ChangedCopy {
    ItemRow row; // row.status and row.opacFlag are the values before the change
    QString newStatus;
    QString newOpacFlag;
};

// frmHold_BookState without its widgets: sets the status and the public
// catalogue flag of single copies (scanned, imported or found by the copy
// search), undoes such changes, and changes every copy of one status at one
// location at once.
class BookState {
public:
    enum class Mode { Single, ByLocation };
    enum class Outcome { Empty, Changed, Refused, Cancelled, Failed };

    struct UndoResult {
        int undone = 0;
        bool stopped = false; // EDC001, EDC009 or a failure ended it early
    };

    BookState(AppContext &context, const BarcodeSettings &barcode);

    ItemEntry &entry() { return entry_; }
    Mode mode() const { return mode_; }
    void setMode(Mode mode) { mode_ = mode; }

    // The target status (cmbNewState), a code of the target list.
    const QString &newStatus() const { return newStatus_; }
    void setNewStatus(const QString &code) { newStatus_ = code; }
    // chkOpac: the value written to indi_opac_flag.
    bool opac() const { return opac_; }
    void setOpac(bool on) { opac_ = on; }
    // By location: cmbDisLoca and cmbOldState.
    const QString &location() const { return location_; }
    void setLocation(const QString &code) { location_ = code; }
    const QString &sourceStatus() const { return sourceStatus_; }
    void setSourceStatus(const QString &code) { sourceStatus_ = code; }

    // Enter in txtInputCode: normalise, look up, check and change the copy.
    Outcome enter(const QString &text);
    // A code that needs no normalising (the copy search gives accession
    // numbers).
    Outcome changeCode(const QString &code, InputType type);
    // Asks the copy search for a copy and changes it.
    Outcome searchAndChange(const CopyPicker &search);

    // "Import": asks for a text file of codes and changes each as if it had
    // been entered.
    ImportReport importCodes();
    ImportReport importFile(const QString &path);

    // "UndoState": the marked rows, from the last one up.
    UndoResult undoMarked();

    // cmdChange: the change by location. The number of copies changed, 0
    // when nothing was changed (declined, none found, stopped), -1 on
    // failure.
    int changeByLocation();

    // spdBookLst's rows; the view shows the model.
    RowModel<ChangedCopy> &model() { return rows_; }
    const QList<ChangedCopy> &rows() const { return rows_.rows(); }
    void setMarked(int row, bool marked) { rows_.setMarked(row, marked); }
    void markAll() { rows_.markAll(); }

private:
    Outcome change(const ItemRow &row);
    Outcome write(ItemTransaction &tx, const ItemRow &row, const QString &target, const QString &lendFlag);
    StepOutcome undo(ItemTransaction &tx, const ChangedCopy &copy);
    CodeImport import();

    AppContext &context_;
    ItemEntry entry_;
    Mode mode_ = Mode::Single;
    QString newStatus_ = QStringLiteral("41");
    bool opac_ = true;
    QString location_;
    QString sourceStatus_ = QStringLiteral("41");
    RowModel<ChangedCopy> rows_;
};

} // namespace kestra
