#pragma once

#include "kit/RowModel.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace kestra {

class AppContext;

// One title of the window's list: a handover batch's titles, or those a
// search found.
struct AssignTitle {
    QString marcRecNo;
    QString storeFlag; // "1": assigned
    QString useFlag;   // marc_use_flag: "3..." catalogued and checked
    QString callNo;
    QString title;
    QString author;
    QString isbn;
    QString publisher;
    QString year;
    QString mark; // ShowExist: "已有馆藏", "荐购" ...
};

// One copy of the title in the grid, with what was read when the title was
// shown (seen*), which the save compares with what is stored when it writes.
struct AssignRow {
    QString propNo;
    QString marcRecNo;
    QString moveBatch;
    QString price;
    QString subscriber; // indi_acct.location
    QString callNo;
    QString barCode;
    QString remark;
    QString carrier;
    QString volPeri;
    QString year;
    QString status;
    QString disLocation;
    QString attachment;
    QString asordNo;
    QString inDate;
    bool release = false; // marked for circulation (has or gets an item row)
    int circulated = 0;   // item.total_circ_times

    QString seenBarCode;
    QString seenStatus;
    QString seenDisLocation;
    bool seenRelease = false;
};

// The six statuses an assignment gives, in the order the lists offer them.
const QList<CodeChoice> &assignStatuses();
// A status only its own processing form may change (repair, weeded, lost ...).
bool lockedForAssignment(const QString &status);

// Shows a message of the assignment windows: a warning ("W...") with OK
// alone (it refuses, it asks nothing), any other kind as ShowMsg shows it.
void showAssignMessage(AppContext &context, const QString &message);

// AutoBarcode's numbering: the seed split into its prefix and trailing
// digits, the k-th next number with as many digits. Empty when the number
// would not fit.
QString nextBarCode(const QString &seed, int k);

// frmNewBookAssign without its widgets: the titles of a handover batch or a
// search, the copies of the current title with their editing rules, the
// automatic fills (bar codes, rules, circulation), the save and the undo of
// one title.
class NewBookAssign : public QObject {
    Q_OBJECT
public:
    enum class Mode { None, Batch, Search };
    explicit NewBookAssign(AppContext &context, QObject *parent = nullptr);

    // Loads a handover batch's titles (batch mode) and shows the first.
    // -1 on failure (shown).
    int loadBatch(const QString &moveBatch);
    // cmdSearch: 1 loaded (search mode), 0 nothing found or too many (the
    // list stays; shown), -1 failed.
    int search(const QString &type, const QString &term);

    Mode mode() const { return mode_; }
    const QString &moveBatch() const { return batch_; }
    QString caption() const;
    QString statusLine() const;

    RowModel<AssignTitle> &titleModel() { return titles_; }
    RowModel<AssignRow> &copyModel() { return copies_; }
    int position() const { return position_; } // 0-based, -1 none
    const AssignTitle *currentTitle() const;

    // Moves to a title; a changed title asks QDC017 first (Cancel stays).
    // false when it stayed.
    bool show(int position);
    bool next() { return show(position_ + 1); }
    bool previous() { return show(position_ - 1); }
    // Rereads the current title's copies (ShowAllItem: every copy of the
    // title, not only this batch's).
    int reloadCopies();
    void setShowAllItems(bool on) { showAll_ = on; }
    bool showAllItems() const { return showAll_; }

    bool dirty() const { return dirty_; }
    // The editing keys: a catalogued title shown, copies of this batch.
    bool mayEdit() const;

    // The fills; nothing is written until save. 1 done, 0 refused (shown).
    int autoBarcode();
    int autoAssign();
    int allCirculate();
    // Attachment: the title's accompanying-material note, written into its
    // record at once (not part of the save). 1 written, 0 refused, unchanged
    // or cancelled (shown), -1 failed (shown).
    int attachment();

    // Save: 1 saved, 0 refused by a check or changed by another operator
    // meanwhile (shown; the title read again), -1 failed (rolled back,
    // shown; the grid keeps the edits).
    int save();
    // Undo (right 3021): 1 done, 0 refused or declined, -1 failed.
    int undo();
    // ShowExist: marks the titles held before or requested by readers.
    int showExist();
    // Closing: true when the window may close (a changed title asks to
    // save: Yes saves, No drops, Cancel stays).
    bool mayClose();

    // A batch run's step: the fill and the save of the current title, then
    // on to the next. false when the run is over (the last title, a
    // refusal or a failure).
    enum class Fill { AutoAssign, AllCirculate };
    // The batch runs and the batch assignment work on a handover batch: a
    // search's titles refuse them (shown).
    bool batchWorkAllowed();
    bool runStep(Fill fill);

Q_SIGNALS:
    // The list, the title, or the changed flag changed.
    void stateChanged();

private:
    QString quietRefusal(bool lockedToo) const;
    bool mayProcess(const QString &location) const;
    void setDirty(bool on);
    int loadCopies();
    void setTitles(QList<AssignTitle> titles, Mode mode, const QString &batch);
    QList<Column<AssignRow>> copyColumns();
    QString copyBatch() const;
    // Another window's commit (the batch or scanned assignment): the stored
    // flags of the list read again, and the title when it is not changed.
    void followCommits();

    AppContext &context_;
    RowModel<AssignTitle> titles_;
    RowModel<AssignRow> copies_;
    Mode mode_ = Mode::None;
    QString batch_;
    int position_ = -1;
    bool dirty_ = false;
    bool showAll_ = false;
    bool writing_ = false; // this window's own save or undo is committing
};

} // namespace kestra
