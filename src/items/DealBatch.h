#pragma once

#include "db/QueryResult.h"

#include <QString>
#include <QStringList>

namespace kestra {

class AppContext;

// The processing batch a repair, check-back, weeding, gift or exchange form
// works in, and what the forms do to it besides logging copies: amend and
// delete it (the batch dialogs), finish and reopen it (the forms' command
// bar).
struct DealBatch {
    QString location;
    QString number;
    QString type;
    QString remark;
    QString beginDate;
    QString endDate;
    QString flag; // '0' open, anything else finished

    bool isEmpty() const { return number.isEmpty(); }
    bool finished() const { return !flag.isEmpty() && flag != QLatin1String("0"); }
};

namespace deal_batch {

// "处理中" or "处理结束".
QString stateName(const QString &flag);

// The cells of one row of the batch pickers' list (batch_table::deal()
// columns) as the dialogs show them: names, never codes.
QStringList listCells(AppContext &context, const QueryResult &rows, int row);

// A batch number goes into SQL texts, printed lists and scanner labels:
// blanks, quotes and characters outside printable ASCII are refused with
// a message (an empty number with the dialog's own text); true when it may
// be used.
bool numberAllowed(AppContext &context, const QString &number);

// The batch row; 1 found, 0 none, -1 failed (shown).
int read(AppContext &context, const QString &location, const QString &number, const QString &type, DealBatch &batch);

// Amending (frmHold_BookBatchRemark): the remark, with log line 30015.
int amend(AppContext &context, const DealBatch &batch, const QString &remark);

// cmdDelete: right 3013, QCM003, the second question when copies are
// logged in it (`doneForm` ends it in "。"), then the log rows and the batch
// with log line 30016 in one transaction; a repair batch takes its
// check-back batch of the same number (and that batch's rows) with it. 1
// deleted, 0 not (refused or declined), -1 failed.
int remove(AppContext &context, const DealBatch &batch, bool doneForm);

// "Connect": QDC004, then the batch finished and, for a repair batch, its
// check-back batch of the same number opened. 1 done, 0 declined or
// refused, -1 failed.
int finish(AppContext &context, DealBatch &batch);

// "UndoConnect": refused with EDC021 once copies have come back in the
// check-back batch; QDC003; then open again and, for a repair batch, its
// check-back batch dropped. 1 done, 0 declined or refused, -1 failed.
int reopen(AppContext &context, DealBatch &batch);

} // namespace deal_batch

} // namespace kestra
