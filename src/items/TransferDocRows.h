#pragma once

#include "items/TransferDoc.h"
#include "kit/RowModel.h"

namespace kestra {

class AppContext;

// The two grids of frmTransferDoc: the batches ("X" once a batch is known
// to hold a location without rights) and the rows of the chosen batch.
QList<Column<HandoverBatch>> handoverBatchColumns();
QList<Column<HandoverRow>> handoverRowColumns(AppContext &context);

// The line under the detail with the two counts of requested copies.
QString handoverRequestsText(const TransferDoc &doc);

} // namespace kestra
