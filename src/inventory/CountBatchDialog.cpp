#include "inventory/CountBatchDialog.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "ui/CodeBoxes.h"
#include "ui/FormParts.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kestra {

namespace {

BatchDialogSetup countSetup(AppContext &context)
{
    BatchDialogSetup setup;
    setup.objectName = QStringLiteral("frmHold_BookCount_Batch");
    setup.title = QStringLiteral("选择清点批次");
    setup.columns = {
        {QStringLiteral("馆藏地"), QStringLiteral("location"), query_format::location(context)},
        {QStringLiteral("清点日期"), QStringLiteral("count_date")},
        {QStringLiteral("状态"), QStringLiteral("finish_flag"),
         [](const QString &f) { return count_batch::stateText(f); }},
        {QStringLiteral("清点类型"), QStringLiteral("count_class"),
         [](const QString &c) {
             return CountBatch{QStringLiteral("-"), {}, c}.scopeText();
         }},
        {QStringLiteral("操作员"), QStringLiteral("resp_wkr"), query_format::staff(context)},
        {QStringLiteral("说明"), QStringLiteral("remark")},
        {QStringLiteral("清点批次"), QStringLiteral("count_batch_no")},
    };
    setup.actions = {
        {QStringLiteral("cmdNew"), QStringLiteral("新增批次(&N)"),
         [](BatchDialog &dialog, int) {
             if (!dialog.context().session().hasRight(QStringLiteral("3005"))) {
                 dialog.context().showMsg(QStringLiteral("ECM5043005"));
                 return;
             }
             CountInitDialog init(dialog.context(), &dialog);
             if (init.exec() == QDialog::Accepted)
                 dialog.reload(init.number());
         }},
        {QStringLiteral("cmdDelete"), QStringLiteral("删除批次(&D)"),
         [](BatchDialog &dialog, int row) {
             if (row >= 0 &&
                 count_batch::remove(dialog.context(), dialog.rows().value(row, QStringLiteral("count_batch_no"))) == 0)
                 dialog.reload();
         }},
        {QStringLiteral("cmdClear"), QStringLiteral("清除所有批次"),
         [](BatchDialog &dialog, int) {
             if (count_batch::clearAll(dialog.context()) == 0)
                 dialog.reload();
         }},
    };
    setup.nothingChosen = QStringLiteral("I请选择清点批次。");
    return setup;
}

} // namespace

CountBatchDialog::CountBatchDialog(AppContext &context, QWidget *parent)
    : BatchDialog(context, batch_table::count(), countSetup(context), parent)
{}

QString CountBatchDialog::choose(AppContext &context, QWidget *parent)
{
    CountBatchDialog dialog(context, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.chosenRow() < 0)
        return {};
    return dialog.rows().value(dialog.chosenRow(), QStringLiteral("count_batch_no"));
}

CountInitDialog::CountInitDialog(AppContext &context, QWidget *parent) : QDialog(parent), init_(context)
{
    setObjectName(QStringLiteral("frmHold_BookCount_InitCount"));
    setWindowTitle(QStringLiteral("清点批次-新增"));
    txtBatchNo_ = makeLineEdit(QStringLiteral("txtBatchNo"), 20, this);
    cmbLoca_ = new LocationBox(context, QStringLiteral("2"), this);
    cmbLoca_->setObjectName(QStringLiteral("cmbLoca"));
    auto *optLocation = new QRadioButton(QStringLiteral("按馆藏地"), this);
    optLocation->setObjectName(QStringLiteral("optLocation"));
    optLocation->setChecked(true);
    optKind_ = new QRadioButton(QStringLiteral("按类别"), this);
    optKind_->setObjectName(QStringLiteral("optKind"));
    txtInputKind_ = makeLineEdit(QStringLiteral("txtInputKind"), 20, this);
    QPushButton *cmdNew = dialogButton(this, "cmdNew", QStringLiteral("新增(&N)"));
    QPushButton *cmdDelete = dialogButton(this, "cmdDelete", QStringLiteral("删除(&D)"));
    lstKindLst_ = new QListWidget(this);
    lstKindLst_->setObjectName(QStringLiteral("lstKindLst"));
    txtRemark_ = makeLineEdit(QStringLiteral("txtRemark"), 200, this);
    QPushButton *cmdOK = dialogButton(this, "cmdOK", QStringLiteral("确认(&O)"));
    QPushButton *cmdCancel = dialogButton(this, "cmdCancel", QStringLiteral("取消(&C)"));

    auto *type = new QHBoxLayout;
    type->addWidget(optLocation);
    type->addWidget(optKind_);
    auto *kind = new QHBoxLayout;
    kind->addWidget(txtInputKind_);
    kind->addWidget(cmdNew);
    kind->addWidget(cmdDelete);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("清点批次："), txtBatchNo_);
    form->addRow(QStringLiteral("馆藏地："), cmbLoca_);
    form->addRow(QStringLiteral("清点类型："), type);
    form->addRow(QStringLiteral("分类号："), kind);
    form->addRow(QString(), lstKindLst_);
    form->addRow(QStringLiteral("说明："), txtRemark_);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    const auto byKind = [this](bool on) {
        txtInputKind_->setEnabled(on);
        lstKindLst_->setEnabled(on);
    };
    byKind(false);
    connect(optKind_, &QRadioButton::toggled, this, byKind);
    connect(cmdNew, &QPushButton::clicked, this, &CountInitDialog::addClass);
    connect(txtInputKind_, &QLineEdit::returnPressed, this, &CountInitDialog::addClass);
    connect(cmdDelete, &QPushButton::clicked, this, [this]() {
        init_.removeClass(lstKindLst_->currentRow());
        lstKindLst_->clear();
        lstKindLst_->addItems(init_.classes());
    });
    connect(cmdOK, &QPushButton::clicked, this, &CountInitDialog::save);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CountInitDialog::addClass()
{
    if (!optKind_->isChecked())
        return;
    if (init_.addClass(txtInputKind_->text()) == 0) {
        lstKindLst_->clear();
        lstKindLst_->addItems(init_.classes());
        txtInputKind_->clear();
    }
}

void CountInitDialog::save()
{
    init_.number = txtBatchNo_->text();
    init_.location = cmbLoca_->currentCode();
    init_.byClass = optKind_->isChecked();
    init_.remark = txtRemark_->text();
    if (init_.create() == 0)
        accept();
}

} // namespace kestra
