#pragma once

#include "copies/ItemEntry.h"
#include "copies/ItemRecord.h"
#include "inventory/CountBatch.h"
#include "inventory/CountJournal.h"
#include "kit/RowModel.h"
#include "kit/ScanController.h"
#include "kit/TitleCopies.h"

#include <QString>
#include <memory>
#include <optional>

namespace kestra {

class AppContext;
class CodeImport;
class ProblemFile;

// One row of spdBookLst: a copy this window recorded in the batch.
struct CountedCopy {
    ItemRow row;
    QString shelfNo;
};

// Where a batch stands while it is being scanned, read from the database
// so that every operator's window shows the others' scans too.
struct CountProgress {
    int expected = 0; // copies of the scope in a holding status
    int scanned = 0;  // recorded in the batch by anyone
    QString text() const;
};

// frmHold_BookCount_New without its widgets: checks each scanned copy
// against the chosen count batch, records it in wait_count_lst, corrects
// its shelf number on the way when asked, imports scanner files with a
// problem file, and takes copies out of the batch again.
class BookCount : public ScanController {
public:
    enum class Outcome { Empty, Recorded, Refused, Cancelled, Failed };
    // Why a code was not recorded: the headings of the problem file.
    enum class Problem {
        None,
        NoCopy,
        OnLoan,
        Abnormal,
        OtherLocation,
        OtherClass,
        OtherShelf,
        Counted,
        Closed,
        Kept, // the database was away: the scan waits in the journal
        Other
    };

    BookCount(AppContext &context, const BarcodeSettings &barcode);
    ~BookCount() override;

    ItemEntry &entry() override { return entry_; }
    RowModelBase &listModel() override { return rows_; }

    // The batch scanned into; chooseBatch takes one by number as the batch
    // list's OK does (rights, reopening a finished one): 0 taken, 1 not,
    // -1 failed.
    const CountBatch &batch() const { return batch_; }
    int chooseBatch(const QString &number);
    // The window's caption line for the batch: the location's name and,
    // for a class batch, "按类别: " and the classes.
    QString batchTitle() const;

    // txtShelfNo and chkModifyShelf.
    void setShelfNo(const QString &shelf) { shelfNo_ = shelf.trimmed(); }
    const QString &shelfNo() const { return shelfNo_; }
    void setModifyShelf(bool on) { modifyShelf_ = on; }

    ScanReport enter(const QString &text) override;
    ScanReport enterCode(const QString &code, InputType type) override;
    ScanReport searchAndEnter(const CopyPicker &search) override;
    // One bar code per line; refused lines go to the problem file beside
    // the chosen one ("<name>-问题.txt").
    ScanReport importCodes() override;
    ScanReport importFile(const QString &path) override;
    // "UndoCheck": after the question, the marked copies leave the batch in
    // one transaction.
    ScanReport undoMarked() override;

    // "ShowAllItem": the copies of the title of a listed row; their count,
    // -1 on failure.
    int showAllItems(int row);
    RowModel<ItemRow> &titleCopies() { return titleCopies_.model(); }

    // The scans waiting in the workstation's journal because the database
    // was away when they were made. Each scan first writes the waiting
    // ones, in order, through the same checks; replayJournal does it now.
    int waiting() const { return journal_.size(); }
    const CountJournal &journal() const { return journal_; }
    ScanReport replayJournal();

    // The batch's progress now; false when it could not be read. The copies
    // expected are counted again only when asked (a count over the whole
    // scope), the copies scanned every time.
    bool progress(CountProgress &out, bool countExpected);

    RowModel<CountedCopy> &model() { return rows_; }
    const QList<CountedCopy> &rows() const { return rows_.rows(); }
    // The problem of the last code refused, with the expected shelf.
    Problem lastProblem() const { return problem_; }

    static QString problemFileFor(const QString &importPath);

private:
    ScanReport scanOne(const QString &code, InputType type, const std::function<Entry()> &lookup);
    bool reachable();
    bool reconnect();
    ScanReport keep(const QString &code, InputType type);
    Outcome failed();
    struct ScanFacts;
    QStringList scanReads(const QString &code, InputType type) const;
    Outcome check(const Entry &entry);
    Outcome refuse(Problem problem, const QString &message);
    Outcome refuseCounted();
    int correctShelf(const ItemRow &row, const QString &oldShelf);
    int writeScan(const ItemRow &row, const QString &oldShelf, bool correct, bool recordIt, const QString &date);
    Outcome record(const ItemRow &row, const ScanFacts &facts, bool correct);
    Outcome recordInGroup(const ItemRow &row, const QString &shelf);
    struct ImportGroup;
    StepOutcome importStep(const QString &code, CodeImport &import);
    bool openGroup();
    StepOutcome commitGroup(CodeImport &import, bool currentIsLast);
    StepOutcome dropGroup(CodeImport &import, const std::optional<JournalScan> &current);

    AppContext &context_;
    ItemEntry entry_;
    CountBatch batch_;
    QString shelfNo_;
    bool modifyShelf_ = false;
    Problem problem_ = Problem::None;
    QString problemDetail_;
    RowModel<CountedCopy> rows_;
    TitleCopies titleCopies_;
    CountJournal journal_;
    bool replaying_ = false;
    int expected_ = -1;                  // the scope's holdings when last counted
    JournalScan current_;                // the code being checked, as the journal would keep it
    std::unique_ptr<ImportGroup> group_; // the import's open group
};

} // namespace kestra
