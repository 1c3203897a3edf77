#include "items/BookBatchDialog.h"

#include "copies/ItemCodes.h"
#include "core/AppContext.h"
#include "ui/CodeBoxes.h"
#include "ui/FormParts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestra {

namespace {

BatchDialogSetup dealSetup(AppContext &context, const QString &type, const QString &location,
                           BookBatchDialog::Kind kind)
{
    const bool full = kind == BookBatchDialog::Kind::Full;
    BatchDialogSetup setup{full ? QStringLiteral("frmHold_BookBatch") : QStringLiteral("frmHold_BookBatch_Done"),
                           deal_type::name(type) + QStringLiteral("批次"),
                           type,
                           location,
                           QStringLiteral("查询内容"),
                           deal_batch::listColumns(context),
                           {}};
    const auto remark = [type](BatchDialog &dialog, const DealBatch &batch) {
        BookBatchRemarkDialog remark(dialog.context(), type, batch, &dialog);
        if (remark.exec() == QDialog::Accepted)
            dialog.reload(remark.batch().number);
    };
    if (full) {
        setup.actions.append({QStringLiteral("cmdNew"), QStringLiteral("新增"),
                              [remark](BatchDialog &dialog, int) { remark(dialog, DealBatch{}); }});
        setup.actions.append(
            {QStringLiteral("cmdModify"), QStringLiteral("修改"), [remark](BatchDialog &dialog, int row) {
                 if (row >= 0)
                     remark(dialog, deal_batch::fromRow(dialog.rows(), row));
             }});
    }
    // The check-back dialog words its second question differently.
    setup.actions.append(
        {QStringLiteral("cmdDelete"), QStringLiteral("删除"), [full](BatchDialog &dialog, int row) {
             if (row >= 0 && deal_batch::remove(dialog.context(), deal_batch::fromRow(dialog.rows(), row), !full) > 0)
                 dialog.reload();
         }});
    return setup;
}

} // namespace

BookBatchDialog::BookBatchDialog(AppContext &context, const QString &type, const QString &location, Kind kind,
                                 QWidget *parent)
    : BatchDialog(context, batch_table::deal(), dealSetup(context, type, location, kind), parent)
{}

std::optional<DealBatch> BookBatchDialog::choose(AppContext &context, const QString &type, const QString &location,
                                                 Kind kind, QWidget *parent)
{
    BookBatchDialog dialog(context, type, location, kind, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosen();
}

std::optional<DealBatch> BookBatchDialog::chosen() const
{
    if (chosenRow() < 0)
        return std::nullopt;
    return deal_batch::fromRow(rows(), chosenRow());
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
        batch_.number = number;
    } else if (deal_batch::amend(context_, batch_, txtRemark_->text().trimmed()) < 0) {
        return;
    }
    QDialog::accept();
}

} // namespace kestra
