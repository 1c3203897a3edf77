#pragma once

#include "copies/ItemCodes.h"
#include "copies/ItemEntry.h"
#include "copies/ItemRecord.h"
#include "kit/CodeImport.h"
#include "kit/RowModel.h"
#include "kit/ScanController.h"

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
class BookState : public ScanController {
public:
    enum class Mode { Single, ByLocation };
    enum class Outcome { Empty, Changed, Refused, Cancelled, Failed };

    BookState(AppContext &context, const BarcodeSettings &barcode);

    ItemEntry &entry() override { return entry_; }
    RowModelBase &listModel() override { return rows_; }
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

    // The scan operations (ScanController): each copy entered is changed
    // at once; the copy search looks at every location. Single-copy mode
    // only: in the by-location mode they do nothing.
    ScanReport enter(const QString &text) override;
    ScanReport enterCode(const QString &code, InputType type) override;
    ScanReport searchAndEnter(const CopyPicker &search) override;
    ScanReport importCodes() override;
    ScanReport importFile(const QString &path) override;
    // "UndoState": the marked rows, from the last one up; stops at the first
    // copy changed since (EDC001, EDC009) or a failure.
    ScanReport undoMarked() override;

    // cmdChange: the change by location. The number of copies changed, 0
    // when nothing was changed (declined, none found, stopped), -1 on
    // failure.
    int changeByLocation();

    // spdBookLst's rows; the view shows the model.
    RowModel<ChangedCopy> &model() { return rows_; }
    const QList<ChangedCopy> &rows() const { return rows_.rows(); }
    void setMarked(int row, bool marked) { rows_.setMarked(row, marked); }

private:
    Outcome enterText(const QString &text);
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
