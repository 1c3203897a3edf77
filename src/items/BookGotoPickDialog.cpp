#include "items/BookGotoPickDialog.h"

#include "kit/RowModel.h"
#include "ui/FormParts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kestra {

BookGotoPickDialog::BookGotoPickDialog(RowModelBase &picks, QWidget *parent) : QDialog(parent), picks_(picks)
{
    setObjectName(QStringLiteral("frmHold_BookGoto_SearchResult"));
    setWindowTitle(QStringLiteral("选择调拨书刊"));
    auto *grid = makeRowGrid(&picks_, QStringLiteral("spdBookLst"), this);
    lblCount_ = new QLabel(this);
    lblCount_->setObjectName(QStringLiteral("lblCount"));

    QPushButton *all = makeButton(QStringLiteral("cmdSelectAll"), QStringLiteral("全选"), this);
    QPushButton *none = makeButton(QStringLiteral("cmdSelectUnAll"), QStringLiteral("全不选"), this);
    QPushButton *ok = makeButton(QStringLiteral("cmdOK"), QStringLiteral("确定"), this);
    QPushButton *cancel = makeButton(QStringLiteral("cmdCancel"), QStringLiteral("取消"), this);
    ok->setDefault(true);
    QHBoxLayout *buttons = makeFootRow({lblCount_}, {all, none, ok, cancel});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(grid, 1);
    layout->addLayout(buttons);

    connect(all, &QPushButton::clicked, this, [this]() { picks_.markAll(true); });
    connect(none, &QPushButton::clicked, this, [this]() { picks_.markAll(false); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(&picks_, &QAbstractItemModel::dataChanged, this, &BookGotoPickDialog::showCount);
    connect(&picks_, &QAbstractItemModel::modelReset, this, &BookGotoPickDialog::showCount);
    showCount();
    resize(900, 560);
}

void BookGotoPickDialog::showCount()
{
    lblCount_->setText(QStringLiteral("共%1册，已选%2册").arg(picks_.rowCount()).arg(picks_.markedRows().size()));
}

} // namespace kestra
