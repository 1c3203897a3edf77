#pragma once

#include "copies/ItemEntry.h"
#include "copies/ItemRecord.h"
#include "copies/NormStat.h"
#include "db/QueryResult.h"
#include "items/DealBatch.h"
#include "kit/CodeImport.h"
#include "kit/Outcome.h"
#include "kit/RowModel.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace kestra {

class AppContext;
class ItemTransaction;
struct WriteTail;

// One row of a processing batch's list (spdBookLst): the copy as it stands
// and its processing-log row.
struct DealRow {
    ItemRow row;
    double realPrice = 0;
    QString sourceState;
    QString target;
    QString remark;
    std::optional<double> fee; // none: logged without a fee
    QString dealNo;
};

namespace deal_form {

// The caption of a processing type's form ("书刊修补", "书刊剔旧", ...).
QString caption(const QString &type);
// The caption of its undo button ("取消修补", "取消剔旧", ...).
QString undoCaption(const QString &type);
// The status a batch of the type sets (33, 35, 36, 37).
QString statusSet(const QString &type);
// The workload job code of the type.
QString jobCode(const QString &type);

// txtFee: blank is 0; a text that is not a number is refused with a message.
std::optional<double> parseFee(AppContext &context, const QString &text);

} // namespace deal_form

// The part every processing form shares: the selected batch, its list, the
// per-copy inputs, the entry, the amending of logged rows.
class DealProcess {
public:
    enum class Outcome { Empty, Added, Refused, Cancelled, Failed };
    struct CancelResult {
        int cancelled = 0;
        bool stopped = false; // EDC001, EDC009, EDC010 or a failure ended it early
    };

    DealProcess(AppContext &context, const BarcodeSettings &barcode, QString type);
    virtual ~DealProcess() = default;

    const QString &type() const { return type_; }
    ItemEntry &entry() { return entry_; }
    const DealBatch &batch() const { return batch_; }
    DealBatch &batch() { return batch_; }
    bool hasBatch() const { return !batch_.isEmpty(); }

    // The batch chosen in the batch dialog: reads it and its list. -1 on
    // failure (shown), 0 when it does not exist.
    int selectBatch(const QString &location, const QString &number);
    // "ShowBatch": reads the list again.
    int reload();

    // txtFee, txtBook_Target, txtRemark.
    QString fee;
    QString target;
    QString remark;

    // Enter in txtInputCode; a code that needs no normalising; the copy search.
    Outcome enter(const QString &text);
    Outcome addCode(const QString &code, InputType type);
    Outcome searchAndAdd(const CopyPicker &search);
    // The detail boxes: the copy last found, whether it was taken or not.
    const CopyDetails &details() const { return details_; }
    // "Import": a text file of codes, each as if entered.
    ImportReport importCodes();
    ImportReport importFile(const QString &path);

    // cmdChange: the fee, target and remark of the marked rows, in one
    // transaction. The rows amended, -1 on failure.
    int amendMarked();

    // The undo button ("UndoRepair", "UndoDelete", the check-back's): after
    // the confirmation, the marked rows from the last one up, each in its
    // own transaction.
    virtual CancelResult cancelMarked() = 0;

    // "ShowAllItem": every copy of the title of a listed row.
    int allCopiesOf(int row, QueryResult &copies);
    // The same copies in titleCopies() (spdItemAll); their count, -1 on
    // failure (shown).
    int showAllItems(int row);
    RowModel<ItemRow> &titleCopies() { return titleCopies_; }

    RowModel<DealRow> &model() { return rows_; }
    const QList<DealRow> &rows() const { return rows_.rows(); }

protected:
    virtual Outcome add(const ItemRow &row) = 0;
    virtual bool hasFee() const { return false; }
    // The log row of a copy: (location, batch, type, copy, date, fee or
    // NULL, target, source status, operator, remark).
    int writeLog(ItemTransaction &tx, const QString &propNo, const QString &date, std::optional<double> feeValue,
                 const QString &targetText, const QString &source, const QString &remarkText);
    int loadRows();
    Outcome noBatch();
    // The cancelling run: the confirmation, then the step for each marked
    // row from the last one up in the copy's own transaction, stopping at
    // the first refusal or failure; the rows done leave the list.
    CancelResult cancelRows(const std::function<StepOutcome(ItemTransaction &tx, const DealRow &row)> &step);
    // The end of one cancelled row: the copy back to a status, its row of
    // this batch removed, the lendable recount, log line 30018, commit.
    StepOutcome undoRow(ItemTransaction &tx, const QString &propNo, const QString &marcRecNo, const QString &status);
    // The end of one entered copy: the copy to a status (with its circulation
    // row's lend flag as given), the lendable recount, log line 30017 with
    // the workload, commit. -1 on failure.
    int finishEntry(ItemTransaction &tx, const ItemRow &row, const QString &status, const QString &date,
                    const QString &lendFlag);
    // The operation-log texts of this batch: type name, location name, number.
    void describe(WriteTail &tail) const;

    AppContext &context_;
    ItemEntry entry_;
    QString type_;
    DealBatch batch_;
    RowModel<DealRow> rows_;
    RowModel<ItemRow> titleCopies_;
    CopyDetails details_;
};

} // namespace kestra
