#include "items/NormStatDialog.h"

#include "ui/FormParts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestra {

NormStatDialog::NormStatDialog(ItemTransaction &tx, const QString &propNo, QWidget *parent)
    : QDialog(parent), normStat_(tx, propNo)
{
    setObjectName(QStringLiteral("frmNormStat"));
    setWindowTitle(QStringLiteral("恢复在馆状态"));
    auto *lblPropNo = new QLabel(QStringLiteral("财产号：") + propNo, this);
    lblPropNo->setObjectName(QStringLiteral("lblPropNo"));
    lstState_ = new QListWidget(this);
    lstState_->setObjectName(QStringLiteral("lstState"));
    for (const CodeName &entry : normStatuses()) {
        auto *item = new QListWidgetItem(entry.name, lstState_);
        item->setData(Qt::UserRole, entry.code);
    }
    lstState_->setCurrentRow(0);
    cmdOK_ = new QPushButton(QStringLiteral("确定"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    cmdCancel_ = new QPushButton(QStringLiteral("取消"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));

    QHBoxLayout *buttons = makeFootRow({}, {cmdOK_, cmdCancel_});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblPropNo);
    layout->addWidget(lstState_, 1);
    layout->addLayout(buttons);
    resize(260, 300);

    connect(cmdOK_, &QPushButton::clicked, this, &NormStatDialog::clickOK);
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(lstState_, &QListWidget::itemDoubleClicked, this, &NormStatDialog::clickOK);
}

void NormStatDialog::clickOK()
{
    const QListWidgetItem *item = lstState_->currentItem();
    if (item == nullptr)
        return;
    if (normStat_.apply(item->data(Qt::UserRole).toString()) < 0) {
        reject();
        return;
    }
    accept();
}

NormStatChooser normStatDialogChooser(QWidget *parent)
{
    return [guard = QPointer<QWidget>(parent)](ItemTransaction &tx, const QString &propNo) -> std::optional<QString> {
        NormStatDialog dialog(tx, propNo, guard.data());
        if (dialog.exec() != QDialog::Accepted || dialog.chosen().isEmpty())
            return std::nullopt;
        return dialog.chosen();
    };
}

} // namespace kestra
