#pragma once

#include "kit/RowModel.h"

#include <QList>
#include <QString>

namespace kestra {

class AppContext;
class CodeTables;

// One handover batch of the list.
struct HandoverBatch {
    QString moveBatch;
    QString sendDate;
    // Known once its detail was read: it holds copies of a location the
    // operator has no right on ("X").
    bool blocked = false;
};

// One row of a batch's detail: a title's acceptance row with one of its
// copies' locations.
struct HandoverRow {
    QString moveBatch;
    int copies = 0;
    QString storeFlag; // "1": taken into holdings
    QString sendDate;
    QString remark;
    QString marcRecNo;
    QString location;
    bool noRight = false; // shown "X"

    QString storeText() const;
};

// The circulation type a call number has outside the new-book period: the
// class rule (circ_type_sort) of its scheme whose class is the longest
// beginning of the call number, "01" when none applies.
QString normalCircType(const CodeTables &codes, const QString &clsId, const QString &callNo);

// frmTransferDoc without its widgets: the handover batches that cataloguing
// sent, their titles and copies, and the actions on a whole batch.
class TransferDoc {
public:
    explicit TransferDoc(AppContext &context);

    // The batches sent since the per-user ShowDate (months back, or "All"),
    // newest first; the chosen batch's rows are emptied. -1 on failure
    // (shown).
    int loadBatches();
    const QList<HandoverBatch> &batches() const { return batches_.rows(); }
    // spdBatch: the batches, "X" once a batch is known to hold a location
    // without rights.
    RowModel<HandoverBatch> &batchModel() { return batches_; }
    // cmdFind: the positions of the batches whose number contains the text.
    QList<int> find(const QString &text);

    // A click on a batch: its rows, the rights of their locations and the
    // two counts of copies readers asked for. -1 on failure (shown).
    int select(const QString &moveBatch);
    const QString &selected() const { return selected_; }
    const QList<HandoverRow> &rows() const { return rows_.rows(); }
    // spdDetail: the rows of the chosen batch.
    RowModel<HandoverRow> &rowModel() { return rows_; }
    // lblRequests: the line with the two counts of requested copies.
    QString requestsText() const;
    bool blocked() const;
    int recommended() const { return recommended_; }
    int suggested() const { return suggested_; }

    // cmdSet, cmdUnSet, cmdUndo: 1 done, 0 refused or declined (shown),
    // -1 failed (rolled back, shown).
    int setNewBookType();
    int restoreType();
    int undoAccession();

    // cmdEmail: whether the chosen batch has requests to answer and no
    // location outside the operator's rights (the key is enabled then).
    bool mayNotify() const;
    // cmdEmail: asks with the two counts, then in one transaction queues a
    // mail for each request of the batch's orders still awaiting its reply
    // (readers with an e-mail address) and answers them all, so that the
    // new-book save does not tell the same readers again; logged as 30001.
    // Says how many mails were queued and how many readers had no address;
    // the detail is read again. 1 done, 0 refused or declined (shown), -1
    // failed (rolled back, shown).
    int notifyReaders();

    // cmdPrintBookMark ("是否确认开始打印书标？") and cmdPrintCard (QCM005,
    // then a printer must be installed): true when the chosen batch's labels
    // or cards are to be printed; false when declined or refused (shown).
    bool confirmLabels();
    bool confirmCards();

    // cmdOK: the batch handed back to the window that opened this one
    // (empty when none is chosen).
    QString chosen() const { return selected_; }

private:
    bool mayAct();

    AppContext &context_;
    RowModel<HandoverBatch> batches_;
    QString selected_;
    RowModel<HandoverRow> rows_;
    int recommended_ = 0;
    int suggested_ = 0;
};

} // namespace kestra
