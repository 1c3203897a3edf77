#include "ui/GridOutput.h"

#include "ui/FormLayout.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "kit/CellText.h"
#include "output/GridReport.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>
#include <QToolButton>
#include <QTreeView>

namespace kestra {

namespace {

// Screen pixels to millimetres, for choosing the paper's orientation.
constexpr double kMmPerPixel = 25.4 / 96.0;

} // namespace

GridOutput::GridOutput(AppContext &context, QAbstractItemView *view, QString title)
    : QObject(view), context_(context), view_(view), title_(std::move(title)), menu_(new QMenu(view))
{
    setObjectName(view->objectName() + QStringLiteral("Output"));
    menu_->setObjectName(view->objectName() + QStringLiteral("OutputMenu"));
    addAction("ExportCsv", QStringLiteral("导出CSV"), [this]() { exportCsv(CsvEncoding::Utf8Bom); });
    addAction("ExportCsvCodePage", QStringLiteral("导出CSV(%1)").arg(context.codePage().name()),
              [this]() { exportCsv(CsvEncoding::CodePage); });
    addAction("ExportXlsx", QStringLiteral("导出Excel"), [this]() { exportXlsx(); });
    menu_->addSeparator();
    addAction("Print", QStringLiteral("打印"), [this]() { print(PrintTarget::Printer); });
    addAction("PrintPreview", QStringLiteral("打印预览"), [this]() { print(PrintTarget::Preview); });
    addAction("SavePdf", QStringLiteral("保存PDF"), [this]() { print(PrintTarget::Pdf); });
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { menu_->popup(view_->viewport()->mapToGlobal(at)); });
}

QAction *GridOutput::addAction(const char *key, const QString &text, std::function<void()> run)
{
    QAction *action = menu_->addAction(text);
    action->setObjectName(QLatin1String(key));
    connect(action, &QAction::triggered, this, std::move(run));
    return action;
}

QAction *GridOutput::action(const QString &key) const
{
    return menu_->findChild<QAction *>(key, Qt::FindDirectChildrenOnly);
}

QToolButton *GridOutput::makeButton(QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("cmdOutput"));
    button->setText(QStringLiteral("输出"));
    button->setMenu(menu_);
    button->setPopupMode(QToolButton::InstantPopup);
    return button;
}

GridColumns GridOutput::visibleColumns(QList<int> *widths) const
{
    GridColumns columns;
    const QHeaderView *header = columnsOf(view_);
    const int count = view_->model() != nullptr ? view_->model()->columnCount() : 0;
    for (int visual = 0; visual < count; ++visual) {
        const int logical = header != nullptr ? header->logicalIndex(visual) : visual;
        if (logical < 0 || (header != nullptr && header->isSectionHidden(logical)))
            continue;
        columns.columns.append(logical);
        if (widths != nullptr)
            widths->append(header != nullptr ? header->sectionSize(logical) : 100);
    }
    return columns;
}

bool GridOutput::hasRows()
{
    if (view_->model() != nullptr && view_->model()->rowCount() > 0)
        return true;
    context_.showMsg(QStringLiteral("I列表中没有数据"));
    return false;
}

QString GridOutput::choosePath(const QString &caption, const QString &suffix, const QString &filter)
{
    const QString name = (title_.isEmpty() ? QStringLiteral("list") : title_) + suffix;
    return context_.prompter().chooseSaveFile(caption, QDir::home().filePath(name), filter);
}

bool GridOutput::exportCsv(CsvEncoding encoding)
{
    if (!hasRows())
        return false;
    const QString path = choosePath(QStringLiteral("导出CSV"), QStringLiteral(".csv"), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return false;
    QString error;
    if (!writeCsv(*view_->model(), path, encoding, context_.codePage(), &error, visibleColumns())) {
        context_.showMsg(QStringLiteral("E") + error);
        return false;
    }
    context_.showMsg(QStringLiteral("I数据导出成功。"));
    return true;
}

bool GridOutput::exportXlsx()
{
    if (!hasRows())
        return false;
    const QString path =
        choosePath(QStringLiteral("导出Excel"), QStringLiteral(".xlsx"), QStringLiteral("Excel (*.xlsx)"));
    if (path.isEmpty())
        return false;
    QString error;
    if (!writeXlsx(*view_->model(), path, title_, &error, visibleColumns())) {
        context_.showMsg(QStringLiteral("E") + error);
        return false;
    }
    context_.showMsg(QStringLiteral("I数据导出成功。"));
    return true;
}

PageDocument GridOutput::document() const
{
    QList<int> widths;
    const GridColumns columns = visibleColumns(&widths);
    double wanted = 0;
    for (int w : std::as_const(widths))
        wanted += w * kMmPerPixel;
    PaperSetup paper = PaperSetup::a4();
    if (wanted > paper.printable().width())
        paper = PaperSetup::a4(true);
    const QAbstractItemModel &model = *view_->model();
    ListReport report = reportFromModel(model, title_, columns, widths, paper.printable().width());
    // The server's date, as every list of the suite is dated; the
    // workstation's when the server does not answer.
    QString date = context_.db().serverDate().left(10);
    if (date.isEmpty())
        date = context_.clock().now().date().toString(QStringLiteral("yyyy-MM-dd"));
    const QString maker = cell::staff(context_, context_.session().operatorNo);
    if (priceColumn_ >= 0)
        report.setCopyFooter(model.rowCount(), columnTotal(model, priceColumn_), date, maker);
    else
        report.footer = {{QStringLiteral("制表日期："), date}, {QStringLiteral("制表人："), maker}};
    if (decorate_)
        decorate_(report);
    PageDocument document = layoutListReport(report, paper);
    if (extend_)
        extend_(document);
    return document;
}

bool GridOutput::print(PrintTarget target)
{
    if (!hasRows())
        return false;
    QString path;
    if (target == PrintTarget::Pdf) {
        path = choosePath(QStringLiteral("保存PDF"), QStringLiteral(".pdf"), QStringLiteral("PDF (*.pdf)"));
        if (path.isEmpty())
            return false;
    }
    return context_.printer().print(document(), target, path) > 0;
}

} // namespace kestra
