#pragma once

#include "items/GotoBatch.h"
#include "kit/RowModel.h"

namespace kestra {

class AppContext;

// frmHold_BookGotoBatch without its widgets: the transfer batches since
// the per-user ShowDate, newest first, the search, the deletion.
class GotoBatchList {
public:
    explicit GotoBatchList(AppContext &context);

    // -1 on failure (shown).
    int load();
    RowModel<GotoBatch> &model() { return rows_; }
    const GotoBatch &at(int row) const { return rows_.at(row); }

    // The first match after `after` (from the top again when none is
    // below); -1 and the message when none matches.
    int find(const QString &text, int after = -1);
    // Right 3013 and a yes; the list is read again. 1 deleted.
    int remove(int row);
    QStringList describe(int row) const;

private:
    AppContext &context_;
    RowModel<GotoBatch> rows_;
};

} // namespace kestra
