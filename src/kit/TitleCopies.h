#pragma once

#include "copies/ItemRecord.h"
#include "kit/RowModel.h"

namespace kestra {

class AppContext;

// "ShowAllItem" of the scan forms: every copy of one title, shown under the
// list (spdItemAll) so that the operator sees where the title's other copies
// are and what state they are in.
class TitleCopies {
public:
    explicit TitleCopies(AppContext &context);

    // Reads the copies of a title into the model; their count, -1 on
    // failure (shown). An empty record number empties the model.
    int show(const QString &marcRecNo);

    RowModel<ItemRow> &model() { return copies_; }

private:
    AppContext &context_;
    RowModel<ItemRow> copies_;
};

} // namespace kestra
