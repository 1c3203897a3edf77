#include "items/BookGoto.h"

#include "items/BookState.h"

// The transfer's list as the form shows it: the statuses it offers and the
// copies of a listed title.

namespace kestra {

QList<CodeName> transfer::newStatuses()
{
    QList<CodeName> list;
    for (const CodeName &entry : book_state::targetStatuses()) {
        if (entry.code != QLatin1String("33") && entry.code != book_state::Unchanged)
            list.append(entry);
    }
    return list;
}

int BookGoto::showAllItems(int row)
{
    if (row < 0 || row >= rows_.count())
        return 0;
    return titleCopies_.show(rows_.at(row).row.marcRecNo);
}

} // namespace kestra
