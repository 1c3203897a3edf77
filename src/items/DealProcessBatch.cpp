#include "items/DealProcess.h"

#include "copies/ItemCodes.h"
#include "items/DealLists.h"

// The batch commands of the processing forms: choosing, refreshing,
// finishing and reopening the batch, its printed lists and its records.

namespace kestra {

int DealProcess::refreshBatch()
{
    if (!hasBatch())
        return 0;
    // The batch itself may have been finished or reopened elsewhere.
    DealBatch now;
    if (deal_batch::read(context_, batch_.location, batch_.number, type_, now) > 0)
        batch_ = now;
    return reload();
}

void DealProcess::batchChosen(const std::optional<DealBatch> &chosen)
{
    if (chosen) {
        selectBatch(chosen->location, chosen->number);
    } else if (hasBatch()) {
        DealBatch now;
        if (deal_batch::read(context_, batch_.location, batch_.number, type_, now) == 0) {
            batch_ = DealBatch();
            rows_.reset();
        }
    }
    titleCopies_.show(QString());
}

int DealProcess::finishBatch()
{
    return hasBatch() ? deal_batch::finish(context_, batch_) : 0;
}

int DealProcess::reopenBatch()
{
    return hasBatch() ? deal_batch::reopen(context_, batch_) : 0;
}

int DealProcess::printLists()
{
    int shown = 0;
    const auto show = [&](const std::optional<ListReport> &list) {
        if (list && deal_lists::preview(context_, *list) >= 0)
            ++shown;
    };
    if (type_ != deal_type::CheckBack) {
        show(deal_lists::batchList(context_, batch_));
        return shown;
    }
    show(deal_lists::returnedList(context_, batch_));
    show(deal_lists::stillOutList(context_, batch_));
    return shown;
}

int DealProcess::exportMarc()
{
    return deal_lists::exportMarc(context_, batch_);
}

} // namespace kestra
