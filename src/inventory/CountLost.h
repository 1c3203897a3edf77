#pragma once

#include "kit/QueryModel.h"

#include <QString>

namespace kestra {

class AppContext;

// frmHold_BookCount_LostView without its widgets: the copies the finished
// batches of a location missed, those found later taken back into their
// batch, the rest declared lost.
class CountLost {
public:
    explicit CountLost(AppContext &context);

    // cmbLocation; the finished batches of the location (count_date,
    // count_class, count_batch_no), -1 on failure.
    int setLocation(const QString &location);
    const QueryResult &batches() const { return batches_; }
    // cmbCountBatchNo: empty for the undetermined entry (every batch).
    void setBatch(const QString &number) { batch_ = number; }
    // chkCount with txtCountNum: only copies missed at least n times (0: all).
    void setMinimumMisses(int n) { minMisses_ = n; }

    // cmdView: -1 on failure.
    int view();
    QueryModel &model() { return rows_; }

    // txtInputCode: a copy of the list found after all goes back among the
    // batch's scanned copies. 0 taken back, 1 refused, -1 failed.
    int foundLater(const QString &barCode);

    // cmdDeal: after QDC010, every listed copy not already out of the
    // collection becomes "声明丢失" (3B), each in its own transaction with
    // workload 305; then the operation log 30010. The copies declared, -1
    // when one failed (the run stops there).
    int declareLost();
    // The copies of the list declared in this window ("声明丢失" shown).
    const QStringList &declared() const { return declared_; }

private:
    AppContext &context_;
    QString location_;
    QString batch_;
    int minMisses_ = 0;
    QueryResult batches_;
    QueryModel rows_;
    QStringList declared_;
};

} // namespace kestra
