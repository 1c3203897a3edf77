#pragma once

#include "items/DealProcess.h"

#include <QString>

namespace kestra {

namespace compact {

// The processing types under which the two compact-stack forms log their
// copies: a copy put on a shelf and a barcode changed. They are not batches
// of the batch dialogs; each form keeps one work batch while it is open.
inline constexpr QLatin1String ShelfType("06");
inline constexpr QLatin1String BarcodeType("07");

// A work batch number of its own for each opened form: the server's date and
// time as digits, then the operator (20 characters at most).
QString workBatchNumber(const QString &serverNow, const QString &operatorNo);

// What the log row of a copy keeps of the copy as it was (in its remark),
// so that its undo needs nothing but the row: the old shelf or barcode, and
// the old location. The label names the value ("原排架号", "原条码号").
struct Before {
    QString value;
    QString location;
};
QString beforeText(const QString &label, const Before &before);
Before parseBefore(const QString &remark);

// The number of copies on a shelf (lblCount); -1 on failure (shown).
int shelfCount(AppContext &context, const QString &shelf);

} // namespace compact

// What frmCompactShelf and frmCompactBarCode share: their work batch, the
// location and status a copy may take on the way (chkLoca, chkStat), the
// checks of the status change on every copy, the list of the batch again
// ("ShowAllItem"), its printed list ("Print", "处理清单") and records
// ("ExportMarc"), and the undo of logged copies from their log rows.
class CompactWork : public DealProcess {
public:
    CompactWork(AppContext &context, const BarcodeSettings &barcode, const QString &type);

    // chkLoca and the location the copy moves to; chkStat and its status.
    bool moveLocation = false;
    QString location;
    bool setStatus = false;
    QString status = QStringLiteral("41");

    // "Print": the grid's rows under "处理清单" with the number of copies.
    int printList();

    // "UndoDelete": the marked rows from the last one up, each in its own
    // transaction, restored from its log row; stops at a copy changed since
    // (EDC009), gone (EDC001) or a failure.
    ScanReport undoMarked() override;

protected:
    // The copy found: the checks of the status change (EDC024 for 11-17,
    // EDC005), then the form's write in the copy's transaction, the checks
    // run again under the lock when the copy changed since.
    Outcome add(const ItemRow &row) override;
    // The form's own writes on the locked copy; the caller ends the
    // transaction with the moves, the log row and the tail.
    struct Change {
        QString target; // the log row's book_target: the new shelf or barcode
        QString remark; // what the undo needs of the copy as it was
    };
    virtual Outcome prepare(ItemTransaction &tx, ItemRow &row, const QString &now, Change &change) = 0;
    // The form's part of an undo, after the copy's status and location went
    // back: refused (EDC009) when the copy is no longer as the row left it.
    // `now` is the copy as read under the lock, `stamp` the date and time.
    virtual StepOutcome restore(ItemTransaction &tx, const DealRow &row, const ItemRow &now, const QString &stamp) = 0;
    // After a copy was written (the shelf count).
    virtual void written(const ItemRow &) {}
    // The server's date and time as the compact forms stamp them.
    int stamp(ItemTransaction &tx, QString &now);
    // Reads one text column of the copy inside its transaction; -1 on failure (rolled back, shown).
    int readColumn(ItemTransaction &tx, const QString &column, const QString &propNo, QString &value);

private:
    Outcome write(ItemTransaction &tx, ItemRow row);
    StepOutcome undoOne(ItemTransaction &tx, const DealRow &row);
};

} // namespace kestra
