#pragma once

#include "core/PagePrinter.h"
#include "items/GotoBatch.h"
#include "kit/RowModel.h"
#include "output/ListReport.h"

#include <optional>

namespace kestra {

class AppContext;

// frmHold_BookGotoBatchDetail without its widgets: the history rows of one
// transfer batch, newest first, exported to a text file or printed.
class GotoBatchDetail {
public:
    explicit GotoBatchDetail(AppContext &context);

    // -1 on failure (shown).
    int load(const QString &batchNo);
    const QString &batchNo() const { return batchNo_; }
    RowModel<GotoDetailRow> &model() { return rows_; }

    // The rows as comma-separated text in the workstation code page;
    // "数据导出成功。" when written.
    bool exportTo(const QString &path);
    // Asks for the path first.
    bool exportText();

    // "调拨批次：", the rows, "总计：" with the count and "册", the date and
    // the maker; nothing for an empty batch.
    std::optional<ListReport> report();
    int print(PrintTarget target, const QString &pdfPath = QString());

private:
    AppContext &context_;
    QString batchNo_;
    RowModel<GotoDetailRow> rows_;
};

} // namespace kestra
