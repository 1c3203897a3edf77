#pragma once

#include "copies/ItemEntry.h"
#include "copies/NormStat.h"
#include "items/GotoBatch.h"
#include "items/Transfer.h"
#include "items/TransferGather.h"
#include "kit/CodeImport.h"
#include "kit/RowModel.h"
#include "output/ListReport.h"

#include <QSet>
#include <QString>
#include <optional>

namespace kestra {

class AppContext;
class ItemTransaction;
class ProblemFile;

// frmHold_BookGoto_New without its widgets: the transfer plan (kind,
// locations, new status, document type, transfer batch), the list of copies
// gathered by scanning, importing, a range of codes, a class number or a
// handover batch (the last two through the pick list), and the transfer of
// that list or of a whole location.
class BookGoto {
public:
    enum class Outcome { Empty, Listed, Refused, Cancelled, Failed };

    BookGoto(AppContext &context, const BarcodeSettings &barcode);

    ItemEntry &entry() { return entry_; }
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
    // Closing the form with copies listed asks as a change of kind does.
    bool mayClose();

    // Enter in txtInputCode: one copy gathered with every check of a scan.
    Outcome enter(const QString &text);
    // A code that needs no normalising (the copy search, a range).
    Outcome enterCode(const QString &code, InputType type);
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
    ImportReport importCodes();
    ImportReport importFile(const QString &path);

    // "UndoGoto": the marked rows leave the list after the question; the
    // database does not change. The number of rows dropped.
    int dropMarked();

    // "Connect": the list, or the whole location. The number of copies
    // moved; 0 when refused or declined; -1 on failure.
    int run();

    // "Print": the list "书刊调拨清单"; nothing (and "没有选择调拨书刊!") for an
    // empty list.
    std::optional<ListReport> report();
    int print(PrintTarget target, const QString &pdfPath = QString());

    RowModel<GatheredCopy> &model() { return rows_; }
    const QList<GatheredCopy> &rows() const { return rows_.rows(); }

    void setNormStatChooser(NormStatChooser choose) { choose_ = std::move(choose); }

private:
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
    QSet<QString> listed_;
    NormStatChooser choose_;
    bool importing_ = false;
};

} // namespace kestra
