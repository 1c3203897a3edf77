#pragma once

#include "core/PagePrinter.h"
#include "output/GridExport.h"
#include "output/ListReport.h"

#include <QObject>
#include <functional>

class QAbstractItemView;
class QAction;
class QMenu;
class QToolButton;

namespace kestra {

class AppContext;

// Export and print for one grid: the actions 导出CSV (UTF-8), 导出CSV in the
// workstation code page, 导出Excel, 打印, 打印预览 and 保存PDF, as the grid's
// context menu and as a menu button a form can put beside its grid. Exports
// and printed lists take the visible columns in the order shown; paths come
// from the Prompter's file chooser, pages go to the context's printer.
class GridOutput : public QObject {
    Q_OBJECT
public:
    GridOutput(AppContext &context, QAbstractItemView *view, QString title);

    // Action keys (object names): ExportCsv, ExportCsvCodePage, ExportXlsx,
    // Print, PrintPreview, SavePdf.
    QAction *action(const QString &key) const;
    QMenu *menu() const { return menu_; }
    // A button "输出" (cmdOutput) that opens the menu.
    QToolButton *makeButton(QWidget *parent);

    // The printed list counts copies: 总册数 from the rows and 总价格 from
    // this column.
    void setCopyTotals(int priceColumn) { priceColumn_ = priceColumn; }
    // Header lines and the like, added to each printed list before layout.
    void setDecorator(std::function<void(ListReport &)> decorate) { decorate_ = std::move(decorate); }
    // Pages added after the list (a statistic's chart), printed and saved
    // to PDF with it.
    void setPageExtender(std::function<void(PageDocument &)> extend) { extend_ = std::move(extend); }

    // What the actions do; false when nothing was written (cancelled,
    // refused or failed, the reason shown).
    bool exportCsv(CsvEncoding encoding);
    bool exportXlsx();
    bool print(PrintTarget target);

    // The list as it would print.
    PageDocument document() const;

private:
    QAction *addAction(const char *key, const QString &text, std::function<void()> run);
    GridColumns visibleColumns(QList<int> *widths = nullptr) const;
    bool hasRows();
    QString choosePath(const QString &caption, const QString &suffix, const QString &filter);

    AppContext &context_;
    QAbstractItemView *view_;
    QString title_;
    QMenu *menu_;
    int priceColumn_ = -1;
    std::function<void(ListReport &)> decorate_;
    std::function<void(PageDocument &)> extend_;
};

} // namespace kestra
