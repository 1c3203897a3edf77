#include "shelving/VirtualShelfClassDialog.h"

#include "ui/FormParts.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace kestra {

VirtualShelfClassDialog::VirtualShelfClassDialog(VirtualShelf &shelves, const ShelfClass &shelf, bool isNew,
                                                 QWidget *parent)
    : QDialog(parent), shelves_(shelves), shelf_(shelf), isNew_(isNew)
{
    setObjectName(QStringLiteral("frmVirtualShelfClass"));
    setWindowTitle(isNew ? QStringLiteral("书架-新增") : QStringLiteral("书架-修改"));
    QLineEdit *txtCode = makeLineEdit(QStringLiteral("txtCode"), 10, this);
    txtCode->setText(shelf.id);
    txtCode->setReadOnly(true);
    txtName_ = makeLineEdit(QStringLiteral("txtName"), 100, this);
    txtName_->setText(shelf.name);
    txtRemark_ = new QTextEdit(this);
    txtRemark_->setObjectName(QStringLiteral("txtRemark"));
    txtRemark_->setAcceptRichText(false);
    txtRemark_->setPlainText(shelf.remark);
    QPushButton *cmdOK = dialogButton(this, "cmdOK", QStringLiteral("确定"));
    QPushButton *cmdCancel = dialogButton(this, "cmdCancel", QStringLiteral("取消"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("代码"), txtCode);
    form->addRow(QStringLiteral("名称"), txtName_);
    form->addRow(QStringLiteral("说明"), txtRemark_);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(makeFootRow({}, {cmdOK, cmdCancel}));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void VirtualShelfClassDialog::accept()
{
    shelf_.name = txtName_->text().trimmed();
    // class_remark holds 500 characters.
    shelf_.remark = txtRemark_->toPlainText().left(500);
    if (shelves_.save(shelf_, isNew_) > 0)
        QDialog::accept();
}

} // namespace kestra
