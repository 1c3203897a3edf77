#include "items/GotoBatchDialog.h"

#include "core/AppContext.h"
#include "items/GotoBatchDetailDialog.h"
#include "ui/CodeBoxes.h"
#include "ui/FormParts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestra {

namespace {

BatchDialogSetup gotoSetup(AppContext &context, const GotoBatch &preset)
{
    BatchDialogSetup setup{QStringLiteral("frmHold_BookGotoBatch"),
                           QStringLiteral("调拨批次"),
                           QString(),
                           QStringLiteral("All"),
                           QStringLiteral("查询"),
                           GotoBatches::listColumns(context),
                           {}};
    setup.actions = {
        {QStringLiteral("cmdNew"), QStringLiteral("新建"),
         [preset](BatchDialog &dialog, int) {
             GotoBatchRemarkDialog remark(dialog.context(), preset, &dialog);
             if (remark.exec() == QDialog::Accepted)
                 dialog.reload(remark.batch().batchNo);
         }},
        {QStringLiteral("cmdDelete"), QStringLiteral("删除"),
         [](BatchDialog &dialog, int row) {
             if (row >= 0 &&
                 GotoBatches(dialog.context()).remove(dialog.rows().value(row, QStringLiteral("batch_no"))) == 1)
                 dialog.reload();
         }},
        {QStringLiteral("cmdDetail"), QStringLiteral("明细"),
         [](BatchDialog &dialog, int row) {
             if (row < 0)
                 return;
             GotoBatchDetailDialog detail(dialog.context(), dialog.rows().value(row, QStringLiteral("batch_no")),
                                          &dialog);
             detail.exec();
         }},
    };
    setup.describe = [&context](const QueryModel &rows, int row) {
        return GotoBatches(context).describe(GotoBatches::fromRow(rows.rows(), row)).join(QStringLiteral("    "));
    };
    setup.nothingChosen = QStringLiteral("I请选择调拨批次。");
    setup.searchColumns = GotoBatches::searchColumns();
    return setup;
}

} // namespace

GotoBatchDialog::GotoBatchDialog(AppContext &context, const GotoBatch &preset, QWidget *parent)
    : BatchDialog(context, batch_table::transfer(), gotoSetup(context, preset), parent)
{}

std::optional<GotoBatch> GotoBatchDialog::chosen() const
{
    if (chosenRow() < 0)
        return std::nullopt;
    return GotoBatches::fromRow(rows().rows(), chosenRow());
}

GotoBatchRemarkDialog::GotoBatchRemarkDialog(AppContext &context, const GotoBatch &preset, QWidget *parent)
    : QDialog(parent), context_(context), batch_(preset)
{
    setObjectName(QStringLiteral("frmHold_BookGotoBatchRemark"));
    setWindowTitle(QStringLiteral("新建调拨批次"));
    txtBatchNo_ = makeLineEdit(QStringLiteral("txtBatchNo"), 30, this);
    cmbType_ = new QComboBox(this);
    cmbType_->setObjectName(QStringLiteral("cmbType"));
    for (transfer::Kind kind :
         {transfer::Kind::ByLocation, transfer::Kind::ByClass, transfer::Kind::ByBatch, transfer::Kind::ByCopy})
        cmbType_->addItem(transfer::kindName(kind), static_cast<int>(kind));
    cmbType_->setCurrentIndex(static_cast<int>(preset.kind));
    cmbSource_ = new LocationBox(context, QString(), this);
    cmbSource_->setObjectName(QStringLiteral("cmbLoca_Src"));
    cmbSource_->insertItem(0, QStringLiteral("所有馆藏地"), QString(transfer::AllLocations));
    cmbSource_->setCurrentCode(preset.source);
    cmbDestination_ = new LocationBox(context, QString(), this);
    cmbDestination_->setObjectName(QStringLiteral("cmbLoca_Dst"));
    cmbDestination_->setCurrentCode(preset.destination);
    cmbDoc_ = new CodeTableBox(context, CodeCache::DocTypes, this, QStringLiteral("<不限>"));
    cmbDoc_->setObjectName(QStringLiteral("cmbDoc"));
    cmbDoc_->setCurrentCode(preset.docType);
    txtRemark_ = makeLineEdit(QStringLiteral("txtRemark"), 100, this);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("调拨批次"), txtBatchNo_);
    form->addRow(QStringLiteral("调拨类型"), cmbType_);
    form->addRow(QStringLiteral("原馆藏地"), cmbSource_);
    form->addRow(QStringLiteral("新馆藏地"), cmbDestination_);
    form->addRow(QStringLiteral("文献类型"), cmbDoc_);
    form->addRow(QStringLiteral("说明"), txtRemark_);
    QPushButton *ok = makeButton(QStringLiteral("cmdOK"), QStringLiteral("确定"), this);
    QPushButton *cancel = makeButton(QStringLiteral("cmdCancel"), QStringLiteral("取消"), this);
    ok->setDefault(true);
    QHBoxLayout *buttons = makeFootRow({}, {ok, cancel});
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &GotoBatchRemarkDialog::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void GotoBatchRemarkDialog::save()
{
    GotoBatch b;
    b.batchNo = txtBatchNo_->text().trimmed();
    b.kind = static_cast<transfer::Kind>(cmbType_->currentData().toInt());
    b.source = cmbSource_->currentCode();
    b.destination = cmbDestination_->currentCode();
    b.docType = cmbDoc_->currentCode();
    b.remark = txtRemark_->text().trimmed();
    if (GotoBatches(context_).create(b) != 1)
        return;
    batch_ = b;
    accept();
}

} // namespace kestra
