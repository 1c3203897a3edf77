#include "addins/AddinManagerWindow.h"

#include "addins/AddinsCollection.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kestra {

namespace {

QString addinStatusText(const Addin &addin)
{
    switch (addin.status) {
    case Addin::Loaded:
        return QStringLiteral("已装载");
    case Addin::RequirementsNotMet:
        return QStringLiteral("未装载：") + addin.manifest.requirementsReason;
    case Addin::MarkedForRemoval:
        return QStringLiteral("退出时删除");
    }
    return {};
}

} // namespace

AddinManagerWindow::AddinManagerWindow(AddinsCollection &addins, QWidget *parent)
    : QWidget(parent), addins_(addins), spdAddinLst_(new QTableWidget(this)),
      cmdRemove_(new QPushButton(QStringLiteral("删除/取消删除"), this)),
      cmdOption_(new QPushButton(QStringLiteral("设置..."), this))
{
    setObjectName(QStringLiteral("frmAddinManager"));
    setWindowTitle(QStringLiteral("插件管理"));
    spdAddinLst_->setObjectName(QStringLiteral("spdAddinLst"));
    spdAddinLst_->setColumnCount(6);
    spdAddinLst_->setHorizontalHeaderLabels({QStringLiteral("名称"), QStringLiteral("版本"), QStringLiteral("提供者"),
                                             QStringLiteral("说明"), QStringLiteral("状态"), QStringLiteral("文件夹")});
    spdAddinLst_->setSelectionBehavior(QAbstractItemView::SelectRows);
    spdAddinLst_->setSelectionMode(QAbstractItemView::SingleSelection);
    spdAddinLst_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    spdAddinLst_->horizontalHeader()->setStretchLastSection(true);
    cmdRemove_->setObjectName(QStringLiteral("cmdRemove"));
    cmdOption_->setObjectName(QStringLiteral("cmdOption"));

    auto *hint =
        new QLabel(QStringLiteral("插件放在安装目录的 addins 文件夹下，每个插件一个文件夹，下次启动时生效。"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(hint, 1);
    buttons->addWidget(cmdOption_);
    buttons->addWidget(cmdRemove_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(spdAddinLst_);
    layout->addLayout(buttons);

    connect(cmdRemove_, &QPushButton::clicked, this, [this]() { toggleRemoval(spdAddinLst_->currentRow()); });
    // The add-in's own settings command, when its manifest has one.
    connect(cmdOption_, &QPushButton::clicked, this, [this]() {
        const auto &list = addins_.addins();
        const int row = spdAddinLst_->currentRow();
        if (row < 0 || row >= static_cast<int>(list.size()))
            return;
        const Addin &a = *list.at(static_cast<size_t>(row));
        addins_.excuteExtenShortcut(a, a.manifest.option.className, a.manifest.option.shortcut);
    });
    connect(spdAddinLst_, &QTableWidget::currentCellChanged, this, [this](int row) {
        const auto &list = addins_.addins();
        cmdOption_->setEnabled(row >= 0 && row < static_cast<int>(list.size()) &&
                               !list.at(static_cast<size_t>(row))->manifest.option.shortcut.isEmpty());
    });
    cmdOption_->setEnabled(false);
    fill();
    resize(760, 360);
}

void AddinManagerWindow::fill()
{
    const auto &list = addins_.addins();
    spdAddinLst_->setRowCount(static_cast<int>(list.size()));
    for (int row = 0; row < static_cast<int>(list.size()); ++row) {
        const Addin &a = *list.at(static_cast<size_t>(row));
        const QStringList cells = {a.manifest.name.isEmpty() ? a.manifest.id : a.manifest.name,
                                   a.manifest.version,
                                   a.manifest.provider,
                                   a.manifest.description,
                                   addinStatusText(a),
                                   a.path};
        for (int col = 0; col < cells.size(); ++col)
            spdAddinLst_->setItem(row, col, new QTableWidgetItem(cells.at(col)));
        const QString icon = addinFile(a.path, a.manifest.icon);
        if (!icon.isEmpty())
            spdAddinLst_->item(row, 0)->setIcon(QIcon(icon));
    }
    spdAddinLst_->resizeColumnsToContents();
}

void AddinManagerWindow::toggleRemoval(int row)
{
    const auto &list = addins_.addins();
    if (row < 0 || row >= static_cast<int>(list.size()))
        return;
    const Addin &a = *list.at(static_cast<size_t>(row));
    addins_.markForRemoval(a, a.status != Addin::MarkedForRemoval);
    fill();
    spdAddinLst_->selectRow(row);
}

} // namespace kestra
