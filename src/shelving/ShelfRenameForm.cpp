#include "shelving/ShelfRenameForm.h"

#include "ui/FormParts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kestra {

ShelfRenameForm::ShelfRenameForm(AppContext &context, QWidget *parent) : QWidget(parent), rename_(context)
{
    setObjectName(QStringLiteral("frmCompactModifyShelf"));
    setWindowTitle(QStringLiteral("修改排架号"));
    txtShelfOld_ = makeLineEdit(QStringLiteral("txtShelfOld"), 40, this);
    txtShelfNew_ = makeLineEdit(QStringLiteral("txtShelfNew"), 40, this);
    QPushButton *cmdSearch = makeButton(QStringLiteral("cmdSearch"), QStringLiteral("查询"), this);
    QPushButton *cmdAll = makeButton(QStringLiteral("cmdAll"), QStringLiteral("全选"), this);
    QPushButton *cmdUnAll = makeButton(QStringLiteral("cmdUnAll"), QStringLiteral("全不选"), this);
    QPushButton *cmdModify = makeButton(QStringLiteral("cmdModify"), QStringLiteral("修改"), this);
    QPushButton *cmdExit = makeButton(QStringLiteral("cmdExit"), QStringLiteral("退出"), this);
    QTableView *grid = makeRowGrid(&rename_.model(), QStringLiteral("spdBookLst"), this);
    lblCount_ = makeCountLabel(this);

    auto *top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("原排架号"), this), 0, 0);
    top->addWidget(txtShelfOld_, 0, 1);
    top->addWidget(cmdSearch, 0, 2);
    top->addWidget(new QLabel(QStringLiteral("新排架号"), this), 1, 0);
    top->addWidget(txtShelfNew_, 1, 1);
    top->addWidget(cmdModify, 1, 2);
    top->setColumnStretch(1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grid, 1);
    layout->addLayout(makeFootRow({cmdAll, cmdUnAll, lblCount_}, {cmdExit}));

    connect(txtShelfOld_, &QLineEdit::returnPressed, cmdSearch, &QPushButton::click);
    connect(cmdSearch, &QPushButton::clicked, this, [this]() {
        rename_.oldShelf = txtShelfOld_->text().trimmed();
        rename_.search();
    });
    connect(cmdAll, &QPushButton::clicked, this, [this]() { rename_.model().markAll(true); });
    connect(cmdUnAll, &QPushButton::clicked, this, [this]() { rename_.model().markAll(false); });
    connect(cmdModify, &QPushButton::clicked, this, [this]() {
        rename_.newShelf = txtShelfNew_->text().trimmed();
        rename_.modify();
    });
    connect(cmdExit, &QPushButton::clicked, this, [this]() { closeForm(this); });
    connect(grid, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        const ShelvedCopy &c = rename_.model().at(index.row());
        Q_EMIT recordWanted(c.row.marcRecNo, c.row.propNo);
    });
    connect(&rename_.model(), &QAbstractItemModel::modelReset, this, &ShelfRenameForm::showCounts);
    showCounts();
}

void ShelfRenameForm::showCounts()
{
    showCopyCount(lblCount_, rename_.model().count());
}

} // namespace kestra
