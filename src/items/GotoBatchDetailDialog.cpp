#include "items/GotoBatchDetailDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kestra {

namespace {

QPushButton *detailButton(const char *name, const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    return button;
}

} // namespace

GotoBatchDetailDialog::GotoBatchDetailDialog(AppContext &context, const QString &batchNo, QWidget *parent)
    : QDialog(parent), detail_(context)
{
    setObjectName(QStringLiteral("frmHold_BookGotoBatchDetail"));
    setWindowTitle(QStringLiteral("调拨批次明细"));
    detail_.load(batchNo);
    auto *grid = new QTableView(this);
    grid->setObjectName(QStringLiteral("spdDetail"));
    grid->setModel(&detail_.model());
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->setColumnWidth(3, 220);
    auto *count = new QLabel(QStringLiteral("调拨批次：%1    共%2册").arg(batchNo).arg(detail_.model().count()), this);
    count->setObjectName(QStringLiteral("lblCount"));
    QPushButton *exportButton = detailButton("cmdExport", QStringLiteral("导出"), this);
    QPushButton *print = detailButton("cmdPrint", QStringLiteral("打印"), this);
    QPushButton *preview = detailButton("cmdPreview", QStringLiteral("打印预览"), this);
    QPushButton *exit = detailButton("cmdExit", QStringLiteral("退出"), this);
    const bool any = !detail_.model().isEmpty();
    for (QPushButton *b : {exportButton, print, preview})
        b->setEnabled(any);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(count, 1);
    for (QPushButton *b : {exportButton, print, preview, exit})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(grid, 1);
    layout->addLayout(buttons);
    connect(exportButton, &QPushButton::clicked, this, [this]() { detail_.exportText(); });
    connect(print, &QPushButton::clicked, this, [this]() { detail_.print(PrintTarget::Printer); });
    connect(preview, &QPushButton::clicked, this, [this]() { detail_.print(PrintTarget::Preview); });
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    resize(960, 560);
}

} // namespace kestra
