#pragma once

#include "copies/ChangeNotice.h"
#include "copies/ItemRecord.h"
#include "core/AppContext.h"
#include "kit/RowModel.h"

#include <QStringList>
#include <functional>

namespace kestra {

// Reads a listed copy again by its accession number. False when it cannot
// be read (gone, or the query failed): the row then stays as it was shown.
bool refreshCopy(AppContext &context, ItemRow &row);

// Keeps the copies a grid lists current while its window is open: when an
// operation of any window commits a change of a copy that a row shows, the
// row is read again (after a set-based change, which names no copies, every
// row is). The rows are the model's own; only the copy part is replaced, so
// a form's columns of its own (the old status, the batch) stay. The
// connection ends with the model.
template <class T>
void watchCopies(AppContext &context, RowModel<T> &model, ItemRow T::*member)
{
    QObject::connect(&ChangeNotice::of(context), &ChangeNotice::copiesChanged, &model,
                     [&context, &model, member](const QStringList &propNos) {
                         for (int i = 0; i < model.count(); ++i) {
                             const QString &propNo = (model.at(i).*member).propNo;
                             if (!propNos.isEmpty() && !propNos.contains(propNo))
                                 continue;
                             T row = model.at(i);
                             if (refreshCopy(context, row.*member))
                                 model.replace(i, std::move(row));
                         }
                     });
}

// The same for a grid whose rows are the copies themselves.
inline void watchCopies(AppContext &context, RowModel<ItemRow> &model)
{
    QObject::connect(&ChangeNotice::of(context), &ChangeNotice::copiesChanged, &model,
                     [&context, &model](const QStringList &propNos) {
                         for (int i = 0; i < model.count(); ++i) {
                             if (!propNos.isEmpty() && !propNos.contains(model.at(i).propNo))
                                 continue;
                             ItemRow row = model.at(i);
                             if (refreshCopy(context, row))
                                 model.replace(i, std::move(row));
                         }
                     });
}

// Calls `reload` after a commit that changed copies (when `copies`) or the
// batch table `batchTable` (deal_batch_lst, goto_batch, count_data; empty:
// none), for a list that shows what is stored now rather than what its own
// window did. The connection ends with `owner`.
void reloadOnChange(AppContext &context, QObject &owner, bool copies, const QString &batchTable,
                    std::function<void()> reload);

} // namespace kestra
