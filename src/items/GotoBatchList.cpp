#include "items/GotoBatchList.h"

#include "core/AppContext.h"
#include "core/CodeTables.h"
#include "core/Preferences.h"
#include "core/Session.h"
#include "kit/BatchPicker.h"
#include "kit/CopyColumns.h"
#include "kit/CopyWatch.h"

namespace kestra {

namespace {

QList<Column<GotoBatch>> batchColumns(AppContext &context)
{
    using B = GotoBatch;
    const CodeTables &codes = context.codes();
    return {
        {QStringLiteral("调拨批次"), [](const B &b) { return b.batchNo; }},
        {QStringLiteral("调拨类型"), [](const B &b) { return transfer::kindName(b.kind); }},
        {QStringLiteral("原馆藏地"),
         [&context](const B &b) {
             return b.source == transfer::AllLocations ? QStringLiteral("所有馆藏地")
                                                       : cell::location(context, b.source);
         }},
        {QStringLiteral("新馆藏地"), [&context](const B &b) { return cell::location(context, b.destination); }},
        {QStringLiteral("文献类型"),
         [&codes](const B &b) {
             return b.docType.isEmpty() ? QStringLiteral("<不限>") : codes.docTypeName(b.docType);
         }},
        {QStringLiteral("说明"), [](const B &b) { return b.remark; }},
        {QStringLiteral("调拨日期"), [](const B &b) { return b.dealDate; }},
        {QStringLiteral("操作员"), [&context](const B &b) { return cell::staff(context, b.operatorNo); }},
    };
}

} // namespace

GotoBatchList::GotoBatchList(AppContext &context) : context_(context), rows_(batchColumns(context), false)
{
    reloadOnChange(context, rows_, false, batch_table::transfer().table, [this] { load(); });
}

int GotoBatchList::load()
{
    const BatchTable &table = batch_table::transfer();
    const QString since =
        BatchPicker::startDate(context_.preferences().showDate, context_.db().serverDate(), table.showDateInMonths);
    QList<GotoBatch> batches;
    if (GotoBatches(context_).list(since, batches) < 0)
        return -1;
    rows_.reset(batches);
    return static_cast<int>(batches.size());
}

int GotoBatchList::find(const QString &text, int after)
{
    return nextFoundRow(GotoBatches(context_).search(rows_.rows(), text), after);
}

int GotoBatchList::remove(int row)
{
    if (row < 0 || row >= rows_.count())
        return 0;
    const int done = GotoBatches(context_).remove(rows_.at(row).batchNo);
    if (done == 1)
        load();
    return done;
}

QStringList GotoBatchList::describe(int row) const
{
    if (row < 0 || row >= rows_.count())
        return {};
    return GotoBatches(context_).describe(rows_.at(row));
}

} // namespace kestra
