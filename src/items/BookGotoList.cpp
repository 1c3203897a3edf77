#include "items/BookGoto.h"

#include "items/BookState.h"

// The transfer as the form shows it: the statuses it offers, the transfer
// batch, the copies of a listed title.

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

GotoBatch BookGoto::batchPreset() const
{
    if (batch_)
        return *batch_;
    GotoBatch preset;
    preset.kind = kind_;
    preset.source = plan_.source;
    preset.destination = plan_.destination;
    preset.docType = plan_.docType;
    return preset;
}

QString BookGoto::batchLabel() const
{
    return batch_ ? QStringLiteral("调拨批次：") + batch_->batchNo : QString();
}

QString BookGoto::batchDescription() const
{
    return batch_ ? GotoBatches(context_).describe(*batch_).join(u'\n') : QString();
}

int BookGoto::showAllItems(int row)
{
    if (row < 0 || row >= rows_.count())
        return 0;
    return titleCopies_.show(rows_.at(row).row.marcRecNo);
}

} // namespace kestra
