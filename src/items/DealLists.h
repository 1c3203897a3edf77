#pragma once

#include "items/DealBatch.h"
#include "output/ListReport.h"

#include <QString>
#include <optional>

namespace kestra {

class AppContext;

// The printed lists of the processing batches and the export of the weeded
// records.
namespace deal_lists {

// "Print" of the repair, weeding, gift and exchange forms: the batch's rows
// as a list; nothing (and "该批次无书刊记录!") when the batch has none.
std::optional<ListReport> batchList(AppContext &context, const DealBatch &batch);

// The check-back form's two lists: the copies returned in the check-back
// batch, and those of the repair batch of the same number still out.
std::optional<ListReport> returnedList(AppContext &context, const DealBatch &checkBack);
std::optional<ListReport> stillOutList(AppContext &context, const DealBatch &checkBack);

// Lays a list out on A4 landscape and shows it in the print preview
// through the context's printer; 1 printed, 0 cancelled, -1 failed.
int preview(AppContext &context, const ListReport &report);

// "ExportMarc": asks for the file, then exportMarcTo. 0 when the person
// chose none.
int exportMarc(AppContext &context, const DealBatch &batch);
// The bibliographic records of the batch's copies, written as the admin
// command marc-export writes them (a record stored in UTF-8 stays UTF-8,
// the others take the workstation's code page), then "导出MARC完成。". The
// records written; 0 and "该批次无书刊记录!" when the batch has none; -1
// when the file cannot be written or the query fails (shown).
int exportMarcTo(AppContext &context, const DealBatch &batch, const QString &path);

} // namespace deal_lists

} // namespace kestra
