#include "shelving/VirtualShelfForm.h"

#include "items/SearchConditions.h"
#include "shelving/VirtualShelfClassDialog.h"
#include "ui/FormParts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

namespace kestra {

VirtualShelfForm::VirtualShelfForm(AppContext &context, QWidget *parent) : QWidget(parent), shelves_(context)
{
    setObjectName(QStringLiteral("frmVirtualShelf"));
    setWindowTitle(QStringLiteral("公共书架"));
    auto *right = new QSplitter(Qt::Vertical, this);
    right->setObjectName(QStringLiteral("splitBooks"));
    right->addWidget(buildTitlePane());
    right->addWidget(buildSearchPane());
    auto *split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName(QStringLiteral("splitShelves"));
    split->addWidget(buildTreePane());
    split->addWidget(right);
    split->setStretchFactor(1, 3);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split);
    reloadTree(QString());
}

QWidget *VirtualShelfForm::buildTreePane()
{
    auto *pane = new QWidget(this);
    trvClass_ = new QTreeView(pane);
    trvClass_->setObjectName(QStringLiteral("trvClass"));
    trvClass_->setModel(&shelves_.tree());
    trvClass_->setHeaderHidden(true);
    QPushButton *add = makeButton(QStringLiteral("cmdAddClass"), QStringLiteral("新增"), pane);
    QPushButton *edit = makeButton(QStringLiteral("cmdEditClass"), QStringLiteral("修改"), pane);
    QPushButton *del = makeButton(QStringLiteral("cmdDelClass"), QStringLiteral("删除"), pane);
    QPushButton *up = makeButton(QStringLiteral("cmdUpClass"), QStringLiteral("上移"), pane);
    QPushButton *down = makeButton(QStringLiteral("cmdDownClass"), QStringLiteral("下移"), pane);
    auto *buttons = new QGridLayout;
    buttons->addWidget(add, 0, 0);
    buttons->addWidget(edit, 0, 1);
    buttons->addWidget(del, 0, 2);
    buttons->addWidget(up, 1, 0);
    buttons->addWidget(down, 1, 1);
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(trvClass_, 1);
    layout->addLayout(buttons);

    connect(trvClass_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this]() { chooseNode(); });
    connect(add, &QPushButton::clicked, this, [this]() { editShelf(true); });
    connect(edit, &QPushButton::clicked, this, [this]() { editShelf(false); });
    connect(del, &QPushButton::clicked, this, [this]() {
        const QString id = currentId();
        const QString parent = virtual_shelf::parentOf(id);
        if (!id.isEmpty() && shelves_.remove(id) > 0)
            reloadTree(parent);
    });
    const auto move = [this](int direction) {
        const QString id = currentId();
        if (!id.isEmpty() && shelves_.moveShelf(id, direction) > 0)
            reloadTree(id);
    };
    connect(up, &QPushButton::clicked, this, [move]() { move(-1); });
    connect(down, &QPushButton::clicked, this, [move]() { move(1); });
    return pane;
}

QWidget *VirtualShelfForm::buildTitlePane()
{
    auto *pane = new QWidget(this);
    QTableView *spdBook = makeRowGrid(&shelves_.titles(), QStringLiteral("spdBook"), pane);
    QPushButton *up = makeButton(QStringLiteral("cmdUpBook"), QStringLiteral("上移"), pane);
    QPushButton *down = makeButton(QStringLiteral("cmdDownBook"), QStringLiteral("下移"), pane);
    QPushButton *remove = makeButton(QStringLiteral("cmdRemove"), QStringLiteral("移除"), pane);
    QPushButton *remark = makeButton(QStringLiteral("cmdRemark"), QStringLiteral("推荐说明"), pane);
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(spdBook, 1);
    layout->addLayout(makeFootRow({up, down, remove, remark}, {}));
    connect(up, &QPushButton::clicked, this, [this]() { shelves_.moveTitle(-1); });
    connect(down, &QPushButton::clicked, this, [this]() { shelves_.moveTitle(1); });
    connect(remove, &QPushButton::clicked, this, [this]() {
        if (shelves_.removeMarked() > 0)
            reloadTree(shelves_.current());
    });
    connect(remark, &QPushButton::clicked, this, [this, spdBook]() {
        const QList<int> marked = shelves_.titles().markedRows();
        shelves_.editRemark(marked.isEmpty() ? spdBook->currentIndex().row() : marked.first());
    });
    connect(spdBook, &QTableView::doubleClicked, this,
            [this](const QModelIndex &index) { Q_EMIT recordWanted(shelves_.titles().at(index.row()).marcRecNo); });
    return pane;
}

QWidget *VirtualShelfForm::buildSearchPane()
{
    auto *pane = new QWidget(this);
    cboType_ = new QComboBox(pane);
    cboType_->setObjectName(QStringLiteral("cboType"));
    for (const SearchIndex &index : shelves_.searchTypes())
        cboType_->addItem(index.name, index.code);
    txtContent_ = makeLineEdit(QStringLiteral("txtContent"), 200, pane);
    QPushButton *search = makeButton(QStringLiteral("cmdSearch"), QStringLiteral("检索"), pane);
    QPushButton *add = makeButton(QStringLiteral("cmdAdd"), QStringLiteral("加入书架"), pane);
    QTableView *spdSearch = makeRowGrid(&shelves_.found(), QStringLiteral("spdSearch"), pane);
    auto *row = new QHBoxLayout;
    row->addWidget(cboType_);
    row->addWidget(txtContent_, 1);
    row->addWidget(search);
    row->addWidget(add);
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(row);
    layout->addWidget(spdSearch, 1);
    const auto run = [this]() { shelves_.search(cboType_->currentData().toInt(), txtContent_->text()); };
    connect(txtContent_, &QLineEdit::returnPressed, this, run);
    connect(search, &QPushButton::clicked, this, run);
    connect(add, &QPushButton::clicked, this, [this]() {
        if (shelves_.current().isEmpty())
            return;
        const QString id = shelves_.current();
        if (shelves_.addMarked() >= 0)
            reloadTree(id);
    });
    connect(spdSearch, &QTableView::doubleClicked, this,
            [this](const QModelIndex &index) { Q_EMIT recordWanted(shelves_.found().at(index.row()).marcRecNo); });
    return pane;
}

QString VirtualShelfForm::currentId()
{
    return virtual_shelf::idOfKey(shelves_.tree().keyOf(trvClass_->currentIndex()));
}

void VirtualShelfForm::editShelf(bool isNew)
{
    const QString id = currentId();
    ShelfClass shelf;
    if (isNew) {
        shelf.id = shelves_.newCode(id);
        if (shelf.id.isEmpty())
            return;
    } else {
        const std::optional<ShelfClass> s = shelves_.shelf(id);
        if (!s)
            return;
        shelf = *s;
    }
    VirtualShelfClassDialog dialog(shelves_, shelf, isNew, this);
    if (dialog.exec() == QDialog::Accepted)
        reloadTree(shelf.id);
}

void VirtualShelfForm::reloadTree(const QString &keepId)
{
    // The controller has read the shelves again after each write; the
    // first load is the form's.
    if (shelves_.tree().nodeCount() == 0)
        shelves_.load();
    trvClass_->expandAll();
    QModelIndex index = shelves_.tree().indexOf(virtual_shelf::keyOf(keepId));
    if (!index.isValid())
        index = shelves_.tree().indexOf(QStringLiteral("R"));
    trvClass_->setCurrentIndex(index);
    chooseNode();
}

void VirtualShelfForm::chooseNode()
{
    shelves_.select(currentId());
}

} // namespace kestra
