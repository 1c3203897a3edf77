#pragma once

#include "copies/ItemEntry.h"
#include "copies/NormStat.h"
#include "items/GotoBatch.h"
#include "items/Transfer.h"
#include "items/TransferGather.h"
#include "kit/CodeImport.h"
#include "kit/RowModel.h"
#include "kit/ScanController.h"
#include "kit/TitleCopies.h"
#include "output/ListReport.h"

#include <QSet>
#include <QString>
#include <optional>

namespace kestra {

class AppContext;
class ItemTransaction;
class ProblemFile;

namespace transfer {

// cmbNewState of the transfer: the statuses of the status change but the
// repair (it needs its batch) and "不变", which is the blank entry here.
QList<CodeName> newStatuses();

} // namespace transfer

// frmHold_BookGoto_New without its widgets: the transfer plan (kind,
// locations, new status, document type, transfer batch), the list of copies
// gathered by scanning, importing, a range of codes, a class number or a
// handover batch (the last two through the pick list), and the transfer of
// that list or of a whole location.
class BookGoto : public ScanController {
public:
    // One copy's outcome inside the controller.
    enum class Outcome { Empty, Listed, Refused, Cancelled, Failed };

    BookGoto(AppContext &context, const BarcodeSettings &barcode);

    ItemEntry &entry() override { return entry_; }
    RowModelBase &listModel() override { return rows_; }
    const TransferPlan &plan() const { return plan_; }
    transfer::Kind kind() const { return kind_; }

    // Changing the kind or the source while copies are listed asks
    // "是否放弃对所选书刊的调拨？"; yes empties the list. A kind the operator
    // has no right for is refused (ECM504). False: nothing changed.
    bool setKind(transfer::Kind kind);
    bool setSource(const QString &location);
    // A destination equal to the source is refused (EDC017) but kept, so
    // that the operator can change the other one.
    bool setDestination(const QString &location);
    void setNewStatus(const QString &status) { plan_.newStatus = status; }
    void setDocType(const QString &docType) { plan_.docType = docType; }
    // The transfer batch chosen (its kind, locations and type become the
    // form's, the list is kept only when they do not change it), or none.
    bool chooseBatch(const std::optional<GotoBatch> &batch);
    const std::optional<GotoBatch> &batch() const { return batch_; }
    // The chosen batch may have been deleted since (in the batch window, at
    // another workstation): then it is let go, as the processing forms let
    // go of a deleted batch, rather than recording rows under a number that
    // no longer exists. 1 still there (or none chosen), 0 let go, -1 failed
    // (shown).
    int checkBatch();
    // What the transfer batch window starts from: the chosen batch, or a new
    // one made for the form's kind, locations and type.
    GotoBatch batchPreset() const;
    // lblGotoBatch ("调拨批次：" and the number) and its tooltip (the batch's
    // lines); empty without a batch.
    QString batchLabel() const;
    QString batchDescription() const;
    // Closing the form with copies listed asks as a change of kind does.
    bool mayClose();

    // The scan operations (ScanController): each copy entered is gathered
    // into the list with every check of a scan; the copy search looks at the
    // source location.
    ScanReport enter(const QString &text) override;
    ScanReport enterCode(const QString &code, InputType type) override;
    ScanReport searchAndEnter(const CopyPicker &search) override;
    // The codes from start to end, each gathered as if scanned. The number
    // of copies listed; -1 on failure.
    int gatherRange(const QString &start, const QString &end);
    // The class number or handover batch into the pick list (all marked);
    // the number of copies found, -1 on failure.
    int pickByClass(const QString &cls);
    int pickByHandoverBatch(const QString &batch);
    RowModel<GatheredCopy> &picks() { return picks_; }
    // OK of the pick dialog: the marked copies not listed yet join the list;
    // the pick list is emptied either way (cancel: takePicks(false)).
    int takePicks(bool accept);

    // "Import": a text file of codes, each gathered as if scanned; codes
    // that fail go to the problem file beside it, each after its reason.
    ScanReport importCodes() override;
    ScanReport importFile(const QString &path) override;

    // "UndoGoto": the marked rows leave the list after the question; the
    // database does not change. done: the rows dropped.
    ScanReport undoMarked() override;

    // "Connect": the list, or the whole location. The number of copies
    // moved; 0 when refused or declined; -1 on failure.
    int run();

    // "Print": the list "书刊调拨清单"; nothing (and "没有选择调拨书刊!") for an
    // empty list.
    std::optional<ListReport> report();
    int print(PrintTarget target, const QString &pdfPath = QString());

    // "ShowAllItem": every copy of the title of a listed row in
    // titleCopies() (spdItemAll); their count, -1 on failure (shown).
    int showAllItems(int row);
    RowModel<ItemRow> &titleCopies() { return titleCopies_.model(); }

    RowModel<GatheredCopy> &model() { return rows_; }
    const QList<GatheredCopy> &rows() const { return rows_.rows(); }

    void setNormStatChooser(NormStatChooser choose) { choose_ = std::move(choose); }

private:
    Outcome enterText(const QString &text);
    Outcome lookupCode(const QString &code, InputType type);
    bool mayChangeList();
    bool hasKindRight(transfer::Kind kind);
    Outcome gather(const ItemRow &found);
    Outcome takeBack(ItemRow &row, QString &lendFlag);
    void append(const GatheredCopy &copy);
    void clearList();
    int runList();
    // The copies one way of gathering finds, offered in picks() all marked.
    using Gathering = int (TransferGather::*)(const TransferPlan &, const QString &, QList<GatheredCopy> &);
    int offerPicks(Gathering gathering, const QString &key);

    AppContext &context_;
    ItemEntry entry_;
    TransferPlan plan_;
    transfer::Kind kind_ = transfer::Kind::ByCopy;
    std::optional<GotoBatch> batch_;
    RowModel<GatheredCopy> rows_;
    RowModel<GatheredCopy> picks_;
    TitleCopies titleCopies_;
    QSet<QString> listed_;
    NormStatChooser choose_;
    bool importing_ = false;
};

} // namespace kestra
