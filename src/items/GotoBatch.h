#pragma once

#include "items/Transfer.h"
#include "kit/QueryModel.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kestra {

class AppContext;

// One transfer batch, a row of goto_batch.
struct GotoBatch {
    QString batchNo;
    transfer::Kind kind = transfer::Kind::ByCopy;
    QString source; // a location code or transfer::AllLocations
    QString destination;
    QString docType; // empty: every type (stored as "AA")
    QString remark;
    QString dealDate;
    QString operatorNo;

    // The plan a transfer recorded in this batch follows (no new status).
    TransferPlan plan() const { return TransferPlan{source, destination, QString(), docType, batchNo}; }
};

// One history row of a batch, as the detail window lists it.
struct GotoDetailRow {
    QString propNo;
    QString callNo;
    QString title;
    QString author;
    QString publisher;
    QString sourceStatus;
    QString targetStatus;
    QString dealDate;
    QString operatorNo;
    QString marcRecNo;
    QString sourceLocation;
    QString dealNo;
    QString barCode;
    QString attachment;
    QString yearVolume;
    QString disLocation;
    QString status;
    QString shelfNo;
};

// The transfer batches: created by frmHold_BookGotoBatchRemark, listed,
// searched, chosen and deleted in frmHold_BookGotoBatch, their history rows
// in frmHold_BookGotoBatchDetail.
class GotoBatches {
public:
    explicit GotoBatches(AppContext &context) : context_(context) {}

    // OK of the remark window: the checks, then the row and log 30011.
    // 1 created, 0 refused (shown), -1 failed (shown).
    int create(const GotoBatch &batch);

    // The batch of a row of goto_batch read with the batch picker's select
    // list (batch_table::transfer()).
    static GotoBatch fromRow(const QueryResult &rows, int row);
    // The columns of the batch dialog's list: names, never codes.
    static QList<QueryColumn> listColumns(AppContext &context);
    // The columns of that select list a search reads: the number and the
    // remark.
    static QList<int> searchColumns() { return {0, 5}; }
    // The lines that show the chosen batch.
    QStringList describe(const GotoBatch &batch) const;

    // Deleting needs right 3013 and a "yes"; the history rows go with the
    // batch, the copies stay where they are. 1 deleted, 0 refused or
    // declined, -1 failed.
    int remove(const QString &batchNo);

    // The batch's history, newest first; -1 on failure.
    int detail(const QString &batchNo, QList<GotoDetailRow> &rows);

private:
    AppContext &context_;
};

} // namespace kestra
