#pragma once

#include "inventory/CountBatch.h"
#include "kit/QueryModel.h"
#include "output/ListReport.h"

#include <QList>
#include <QString>
#include <array>
#include <optional>

namespace kestra {

class AppContext;

// The figures of the summary tab, in its order.
struct CountSummary {
    int holdings = 0; // 理论馆藏: the scope in a holding status
    int scanned = 0;
    int missing = 0;
    int abnormal = 0;
    int foreign = 0; // of another location or class
    int onLoan = 0;
    int actual() const { return scanned + onLoan - abnormal - foreign; }
    // (类型, 数量) rows as the tab shows and prints them.
    QList<QPair<QString, int>> lines() const;
};

// frmHold_BookCount_Report without its widgets: the statistics of a count
// batch, stored in count_lost_copy, the batch closed with them in one
// transaction; the three lists of results and the summary; their printed
// lists.
class CountReport {
public:
    enum List { Missing = 0, Abnormal = 1, Foreign = 2 };

    explicit CountReport(AppContext &context);

    const CountBatch &batch() const { return batch_; }
    // The batch the window shows (chosen in the batch list); its stored
    // results are shown when it is finished. -1 on failure.
    int setBatch(const CountBatch &batch);

    // cmdStat: a finished batch shows its stored results; otherwise, after
    // the question, the results, the operation log 30009 and the closing of
    // the batch in one transaction, then the lists. 1 computed, 0 shown or
    // declined, -1 failed (nothing of the run kept).
    int stat();

    QueryModel &list(List which) { return lists_[which]; }
    const CountSummary &summary() const { return summary_; }
    // Reads the lists and the summary of the batch again; -1 on failure.
    int load();

    // The printed list of a tab (0-2 the lists, 3 the summary); an empty
    // list gives its message and no report.
    std::optional<ListReport> report(int tab);
    // cmdPrint: the four lists through the printer, the empty ones said.
    int print();

    // The summary figures of a batch now (before the statistics too).
    static int summarize(AppContext &context, const CountBatch &batch, CountSummary &out);

private:
    AppContext &context_;
    CountBatch batch_;
    std::array<QueryModel, 3> lists_;
    CountSummary summary_;
};

} // namespace kestra
