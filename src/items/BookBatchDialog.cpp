#include "items/BookBatchDialog.h"

#include "copies/ItemCodes.h"
#include "core/AppContext.h"
#include "kit/MessageCollector.h"
#include "ui/CodeBoxes.h"
#include "ui/FormParts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kestra {

namespace {

// The listing's columns: number, location, type, begin, end, flag, operator, remark.
enum BatchColumn {
    BatchNumber,
    BatchLocation,
    BatchType,
    BatchBegin,
    BatchEnd,
    BatchFlag,
    BatchWorker,
    BatchRemark,
    BatchColumns
};

} // namespace

BookBatchDialog::BookBatchDialog(AppContext &context, const QString &type, const QString &location, Kind kind,
                                 QWidget *parent)
    : QDialog(parent), context_(context), type_(type), location_(location), kind_(kind),
      picker_(context, batch_table::deal(), type)
{
    setObjectName(kind == Kind::Full ? QStringLiteral("frmHold_BookBatch") : QStringLiteral("frmHold_BookBatch_Done"));
    setWindowTitle(deal_type::name(type) + QStringLiteral("批次"));
    grid_ = new QTableWidget(0, BatchColumns, this);
    grid_->setObjectName(QStringLiteral("spdBatch"));
    grid_->setHorizontalHeaderLabels({QStringLiteral("处理批次"), QStringLiteral("馆藏地"), QStringLiteral("处理类型"),
                                      QStringLiteral("开始日期"), QStringLiteral("结束日期"), QStringLiteral("状态"),
                                      QStringLiteral("操作员"), QStringLiteral("说明")});
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->horizontalHeader()->setStretchLastSection(true);
    const FindRow top = makeFindRow(QStringLiteral("查询内容"), this);
    txtFind_ = top.text;
    QPushButton *cmdFind = top.button;
    cmdFind->setAutoDefault(false);
    QList<QWidget *> batchButtons;
    if (kind == Kind::Full) {
        QPushButton *cmdNew = dialogButton(this, "cmdNew", QStringLiteral("新增"));
        QPushButton *cmdModify = dialogButton(this, "cmdModify", QStringLiteral("修改"));
        batchButtons = {cmdNew, cmdModify};
        connect(cmdNew, &QPushButton::clicked, this, &BookBatchDialog::create);
        connect(cmdModify, &QPushButton::clicked, this, &BookBatchDialog::amend);
    }
    QPushButton *cmdDelete = dialogButton(this, "cmdDelete", QStringLiteral("删除"));
    QPushButton *cmdOK = dialogButton(this, "cmdOK", QStringLiteral("确定"));
    QPushButton *cmdCancel = dialogButton(this, "cmdCancel", QStringLiteral("取消"));
    batchButtons.append(cmdDelete);
    QHBoxLayout *buttons = makeFootRow(batchButtons, {cmdOK, cmdCancel});
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top.row);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
    resize(760, 420);

    connect(cmdFind, &QPushButton::clicked, this, &BookBatchDialog::find);
    connect(cmdDelete, &QPushButton::clicked, this, &BookBatchDialog::remove);
    connect(cmdOK, &QPushButton::clicked, this, &BookBatchDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &BookBatchDialog::reject);
    connect(grid_, &QTableWidget::cellDoubleClicked, this, &BookBatchDialog::accept);
    reload();
}

std::optional<DealBatch> BookBatchDialog::choose(AppContext &context, const QString &type, const QString &location,
                                                 Kind kind, QWidget *parent)
{
    BookBatchDialog dialog(context, type, location, kind, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosen();
}

void BookBatchDialog::reload()
{
    const QString keep = current() ? current()->number : QString();
    grid_->setRowCount(0);
    if (picker_.list(location_) < 0)
        return;
    const QueryResult &rows = picker_.rows();
    grid_->setRowCount(rows.rowCount());
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QStringList cells = deal_batch::listCells(context_, rows, r);
        for (int c = 0; c < BatchColumns; ++c)
            grid_->setItem(r, c, new QTableWidgetItem(cells.at(c)));
        if (rows.text(r, BatchNumber) == keep || (keep.isEmpty() && r == 0))
            grid_->selectRow(r);
    }
}

std::optional<DealBatch> BookBatchDialog::current() const
{
    const int r = grid_->currentRow();
    const QueryResult &rows = picker_.rows();
    if (r < 0 || r >= rows.rowCount())
        return std::nullopt;
    return DealBatch{rows.text(r, BatchLocation), rows.text(r, BatchNumber), rows.text(r, BatchType),
                     rows.text(r, BatchRemark),   rows.text(r, BatchBegin),  rows.text(r, BatchEnd),
                     rows.text(r, BatchFlag)};
}

void BookBatchDialog::find()
{
    // From the row after the current one, then from the top again; only
    // the last try may tell the operator that nothing matches.
    int r = -1;
    if (const int from = grid_->currentRow() + 1; from > 0) {
        MessageCollector quiet(context_);
        r = picker_.find(txtFind_->text(), from);
    }
    if (r < 0)
        r = picker_.find(txtFind_->text(), 0);
    if (r >= 0)
        grid_->selectRow(r);
}

void BookBatchDialog::create()
{
    BookBatchRemarkDialog dialog(context_, type_, DealBatch{}, this);
    if (dialog.exec() == QDialog::Accepted)
        reload();
}

void BookBatchDialog::amend()
{
    const std::optional<DealBatch> b = current();
    if (!b)
        return;
    BookBatchRemarkDialog dialog(context_, type_, *b, this);
    if (dialog.exec() == QDialog::Accepted)
        reload();
}

void BookBatchDialog::remove()
{
    const std::optional<DealBatch> b = current();
    if (b && deal_batch::remove(context_, *b, kind_ == Kind::Done) > 0)
        reload();
}

void BookBatchDialog::accept()
{
    chosen_ = current();
    if (!chosen_)
        return;
    QDialog::accept();
}

BookBatchRemarkDialog::BookBatchRemarkDialog(AppContext &context, const QString &type, const DealBatch &batch,
                                             QWidget *parent)
    : QDialog(parent), context_(context), type_(type), batch_(batch)
{
    setObjectName(QStringLiteral("frmHold_BookBatchRemark"));
    const bool creating = batch.isEmpty();
    setWindowTitle(deal_type::name(type) + QStringLiteral("批次") +
                   (creating ? QStringLiteral("-新增") : QStringLiteral("-修改")));
    txtBatch_ = makeLineEdit(QStringLiteral("txtBatch"), 20, this);
    txtBatch_->setText(batch.number);
    txtBatch_->setReadOnly(!creating);
    cboLocation_ = new LocationBox(context, QStringLiteral("2"), this);
    cboLocation_->setObjectName(QStringLiteral("cboLocation"));
    if (!creating)
        cboLocation_->setCurrentCode(batch.location);
    cboLocation_->setEnabled(creating);
    txtRemark_ = makeLineEdit(QStringLiteral("txtRemark"), 100, this);
    txtRemark_->setText(batch.remark);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("处理批次"), txtBatch_);
    form->addRow(QStringLiteral("馆藏地"), cboLocation_);
    form->addRow(QStringLiteral("说明"), txtRemark_);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("cmdOK"));
    QPushButton *cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &BookBatchRemarkDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &BookBatchRemarkDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void BookBatchRemarkDialog::accept()
{
    if (batch_.isEmpty()) {
        const QString number = txtBatch_->text().trimmed();
        if (!deal_batch::numberAllowed(context_, number))
            return;
        BatchPicker picker(context_, batch_table::deal(), type_);
        if (picker.createDealBatch(cboLocation_->currentCode(), number, txtRemark_->text().trimmed()) < 0)
            return;
    } else if (deal_batch::amend(context_, batch_, txtRemark_->text().trimmed()) < 0) {
        return;
    }
    QDialog::accept();
}

} // namespace kestra
