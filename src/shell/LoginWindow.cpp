#include "shell/LoginWindow.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestra {

LoginWindow::LoginWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDCLogo"));
    setWindowTitle(QStringLiteral("Orvane文献信息服务系统 - 典藏"));

    auto *title = new QLabel(QStringLiteral("Orvane文献信息服务系统 · 典藏"), this);
    QFont big = title->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    title->setFont(big);

    txtUser_ = new QLineEdit(this);
    txtUser_->setObjectName(QStringLiteral("txtUser"));
    txtPwd_ = new QLineEdit(this);
    txtPwd_->setObjectName(QStringLiteral("txtPwd"));
    txtPwd_->setEchoMode(QLineEdit::Password);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("操作员："), txtUser_);
    form->addRow(QStringLiteral("密码："), txtPwd_);

    cmdOK_ = new QPushButton(QStringLiteral("登录"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    cmdCancel_ = new QPushButton(QStringLiteral("退出"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);

    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(lblStatus_);

    connect(cmdOK_, &QPushButton::clicked, this,
            [this]() { Q_EMIT loginRequested(txtUser_->text(), txtPwd_->text()); });
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void LoginWindow::setStatus(const QString &text)
{
    lblStatus_->setText(text);
}

QString LoginWindow::status() const
{
    return lblStatus_->text();
}

} // namespace kestra
