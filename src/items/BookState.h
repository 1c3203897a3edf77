#pragma once

#include "items/ItemCodes.h"
#include "items/ItemEntry.h"
#include "items/ItemRecord.h"

#include <QList>
#include <QString>
#include <QStringList>

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
    bool marked = false;
};

// frmHold_BookState without its widgets: sets the status and the public
// catalogue flag of single copies (scanned, imported or found by the copy
// search), undoes such changes, and changes every copy of one status at one
// location at once.
class BookState {
public:
    enum class Mode { Single, ByLocation };
    enum class Outcome { Empty, Changed, Refused, Cancelled, Failed };

    struct ImportResult {
        int codes = 0; // non-blank lines read
        int changed = 0;
        QStringList refused;  // "code: reason" of each code that changed nothing
        bool stopped = false; // a database failure or the person stopped it
    };

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

    // "Import": asks for a text file of codes (one per line) and changes
    // each as if it had been entered.
    ImportResult importCodes();
    ImportResult importFile(const QString &path);
    // The lines of an import file: UTF-8 (with or without byte-order mark)
    // or the workstation code page; blank lines left out.
    static QStringList importLines(const QString &text);

    // "UndoState": the marked rows, from the last one up.
    UndoResult undoMarked();

    // cmdChange: the change by location. The number of copies changed, 0
    // when nothing was changed (declined, none found), -1 on failure.
    int changeByLocation();

    const QList<ChangedCopy> &rows() const { return rows_; }
    void setMarked(int row, bool marked);
    void markAll();

private:
    Outcome change(const ItemRow &row, bool quiet);
    Outcome refuse(const QString &message, bool quiet);
    int removeProcessingRow(ItemTransaction &tx, const QString &condition);
    QString plainText(const QString &message) const;

    AppContext &context_;
    ItemEntry entry_;
    Mode mode_ = Mode::Single;
    QString newStatus_ = QStringLiteral("41");
    bool opac_ = true;
    QString location_;
    QString sourceStatus_ = QStringLiteral("41");
    QList<ChangedCopy> rows_;
    QString lastRefusal_;
};

} // namespace kestra
