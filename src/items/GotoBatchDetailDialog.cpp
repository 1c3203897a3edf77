#include "items/GotoBatchDetailDialog.h"
#include "ui/FormParts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kestra {

GotoBatchDetailDialog::GotoBatchDetailDialog(AppContext &context, const QString &batchNo, QWidget *parent)
    : QDialog(parent), detail_(context)
{
    setObjectName(QStringLiteral("frmHold_BookGotoBatchDetail"));
    setWindowTitle(QStringLiteral("调拨批次明细"));
    detail_.load(batchNo);
    auto *grid = makeRowGrid(&detail_.model(), QStringLiteral("spdDetail"), this);
    auto *count = new QLabel(QStringLiteral("调拨批次：%1    共%2册").arg(batchNo).arg(detail_.model().count()), this);
    count->setObjectName(QStringLiteral("lblCount"));
    QPushButton *exportButton = makeButton(QStringLiteral("cmdExport"), QStringLiteral("导出"), this);
    QPushButton *print = makeButton(QStringLiteral("cmdPrint"), QStringLiteral("打印"), this);
    QPushButton *preview = makeButton(QStringLiteral("cmdPreview"), QStringLiteral("打印预览"), this);
    QPushButton *exit = makeButton(QStringLiteral("cmdExit"), QStringLiteral("退出"), this);
    const bool any = !detail_.model().isEmpty();
    for (QPushButton *b : {exportButton, print, preview})
        b->setEnabled(any);
    QHBoxLayout *buttons = makeFootRow({count}, {exportButton, print, preview, exit});
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
