#include "ui/CellEditing.h"

#include "copies/ItemCodes.h"
#include "core/AppContext.h"
#include "kit/RowModel.h"
#include "ui/CodeBoxes.h"

#include <QAbstractItemView>

namespace kestra {

namespace {

const RowModelBase *rowModelOf(const QModelIndex &index)
{
    return qobject_cast<const RowModelBase *>(index.model());
}

} // namespace

QWidget *CellEditDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    const RowModelBase *model = rowModelOf(index);
    if (model == nullptr || model->editorAt(index.column()) != CellEditor::Code)
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto *box = new CodeBox(parent);
    box->setObjectName(QStringLiteral("cellCodeEditor"));
    QList<CodeName> entries;
    for (const CodeChoice &choice : model->codesAt(index.column()))
        entries.append(CodeName{choice.first, choice.second});
    box->setEntries(entries);
    return box;
}

void CellEditDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *box = qobject_cast<CodeBox *>(editor)) {
        box->setCurrentCode(index.data(Qt::EditRole).toString());
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void CellEditDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *box = qobject_cast<CodeBox *>(editor)) {
        model->setData(index, box->currentCode(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

void makeEditable(QAbstractItemView *view, AppContext &context)
{
    view->setItemDelegate(new CellEditDelegate(view));
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                          QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    if (auto *model = qobject_cast<RowModelBase *>(view->model()))
        QObject::connect(model, &RowModelBase::refused, view,
                         [&context](const QString &message) { context.showMsg(message); });
}

} // namespace kestra
