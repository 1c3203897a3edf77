#include "items/GotoBatchDialog.h"

#include "core/AppContext.h"
#include "items/GotoBatchDetailDialog.h"
#include "ui/CodeBoxes.h"
#include "ui/FormParts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kestra {

GotoBatchDialog::GotoBatchDialog(AppContext &context, const GotoBatch &preset, QWidget *parent)
    : QDialog(parent), context_(context), preset_(preset), list_(context)
{
    setObjectName(QStringLiteral("frmHold_BookGotoBatch"));
    setWindowTitle(QStringLiteral("调拨批次"));
    list_.load();
    spdBatch_ = makeRowGrid(&list_.model(), QStringLiteral("spdBatch"), this);
    spdBatch_->setSelectionMode(QAbstractItemView::SingleSelection);
    const FindRow search = makeFindRow(QStringLiteral("查询"), this);
    txtFind_ = search.text;
    QPushButton *find = search.button;
    lblBatch_ = new QLabel(this);
    lblBatch_->setObjectName(QStringLiteral("lblBatch"));
    lblBatch_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    QPushButton *add = makeButton(QStringLiteral("cmdNew"), QStringLiteral("新建"), this);
    QPushButton *remove = makeButton(QStringLiteral("cmdDelete"), QStringLiteral("删除"), this);
    QPushButton *detail = makeButton(QStringLiteral("cmdDetail"), QStringLiteral("明细"), this);
    QPushButton *ok = makeButton(QStringLiteral("cmdOK"), QStringLiteral("确定"), this);
    QPushButton *cancel = makeButton(QStringLiteral("cmdCancel"), QStringLiteral("取消"), this);
    QHBoxLayout *buttons = makeFootRow({}, {add, remove, detail, ok, cancel});
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(search.row);
    layout->addWidget(spdBatch_, 1);
    layout->addWidget(lblBatch_);
    layout->addLayout(buttons);

    connect(find, &QPushButton::clicked, this, [this]() {
        const int row = list_.find(txtFind_->text(), currentRow());
        if (row >= 0)
            spdBatch_->selectRow(row);
    });
    connect(add, &QPushButton::clicked, this, &GotoBatchDialog::newBatch);
    connect(remove, &QPushButton::clicked, this, [this]() {
        list_.remove(currentRow());
        showCurrent();
    });
    connect(detail, &QPushButton::clicked, this, &GotoBatchDialog::showDetail);
    connect(ok, &QPushButton::clicked, this, &GotoBatchDialog::choose);
    connect(spdBatch_, &QTableView::doubleClicked, this, &GotoBatchDialog::choose);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(spdBatch_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &GotoBatchDialog::showCurrent);
    resize(860, 520);
}

int GotoBatchDialog::currentRow() const
{
    const QModelIndex current = spdBatch_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void GotoBatchDialog::showCurrent()
{
    lblBatch_->setText(list_.describe(currentRow()).join(QStringLiteral("    ")));
}

void GotoBatchDialog::newBatch()
{
    GotoBatchRemarkDialog remark(context_, preset_, this);
    if (remark.exec() != QDialog::Accepted)
        return;
    list_.load();
    for (int row = 0; row < list_.model().count(); ++row) {
        if (list_.at(row).batchNo == remark.batch().batchNo)
            spdBatch_->selectRow(row);
    }
}

void GotoBatchDialog::showDetail()
{
    const int row = currentRow();
    if (row < 0)
        return;
    GotoBatchDetailDialog dialog(context_, list_.at(row).batchNo, this);
    dialog.exec();
}

void GotoBatchDialog::choose()
{
    const int row = currentRow();
    if (row < 0) {
        context_.showMsg(QStringLiteral("I请选择调拨批次。"));
        return;
    }
    chosen_ = list_.at(row);
    accept();
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
