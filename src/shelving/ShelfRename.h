#pragma once

#include "shelving/ShelfList.h"

namespace kestra {

class AppContext;

// frmCompactModifyShelf without its widgets: lists the copies of one shelf
// (txtShelfOld, cmdSearch), ticks them (cmdAll, cmdUnAll) and gives the
// ticked ones another shelf number (txtShelfNew, cmdModify), all of them in
// one transaction or none.
class ShelfRename {
public:
    explicit ShelfRename(AppContext &context);

    QString oldShelf;
    QString newShelf;

    // cmdSearch: the copies of the old shelf; -1 on failure, 0 (and a
    // message) when there are none or no shelf was named.
    int search();
    // cmdModify: the number of copies renamed; 0 when refused (a message
    // says why) or nothing ticked, -1 on failure (rolled back, shown).
    int modify();
    // The copies on the new shelf after the last rename; -1 before.
    int newShelfCount() const { return newShelfCount_; }

    RowModel<ShelvedCopy> &model() { return rows_; }

private:
    AppContext &context_;
    RowModel<ShelvedCopy> rows_;
    QString searched_; // the shelf the rows were read for
    int newShelfCount_ = -1;
};

} // namespace kestra
