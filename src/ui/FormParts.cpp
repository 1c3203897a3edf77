#include "ui/FormParts.h"

#include "ui/CodeBoxes.h"

#include <QAbstractItemModel>
#include <QButtonGroup>
#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QTableView>

namespace kestra {

namespace {

constexpr int kRowHeight = 22;
constexpr int kMarkWidth = 40;
constexpr int kTitleWidth = 220;

} // namespace

QRadioButton *addOption(QButtonGroup *group, const QString &name, int id, const QString &text, QWidget *parent)
{
    auto *button = new QRadioButton(text, parent);
    button->setObjectName(name + u'_' + QString::number(id));
    group->addButton(button, id);
    return button;
}

CodeBox *makeCodeBox(const QString &name, const QList<CodeName> &entries, QWidget *parent)
{
    auto *box = new CodeBox(parent);
    box->setObjectName(name);
    box->setEntries(entries);
    return box;
}

QTableView *makeRowGrid(QAbstractItemModel *model, const QString &name, QWidget *parent)
{
    auto *view = new QTableView(parent);
    view->setObjectName(name);
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->setDefaultSectionSize(kRowHeight);
    view->setColumnWidth(0, kMarkWidth);
    if (model->columnCount() > 3)
        view->setColumnWidth(3, kTitleWidth);
    return view;
}

int columnOf(const QAbstractItemModel &model, const QString &heading)
{
    for (int c = 0; c < model.columnCount(); ++c) {
        if (model.headerData(c, Qt::Horizontal).toString() == heading)
            return c;
    }
    return -1;
}

QLabel *makeCountLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QStringLiteral("lblCount"));
    showCopyCount(label, 0);
    return label;
}

void showCopyCount(QLabel *label, qsizetype copies)
{
    label->setText(QStringLiteral("共%1册").arg(copies));
}

void closeForm(QWidget *form)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget()))
        sub->close();
    else
        form->close();
}

} // namespace kestra
