#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;

namespace kestra {

class AppContext;

// The editors of a RowModel's editable columns: a text box for text, a
// drop-down of names for a code list (the model gets the code), the model's
// own check box for a check column. The controller's setter decides; its
// refusals are shown as messages.
class CellEditDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
};

// Makes a grid over a RowModel editable: the delegate, editing on a double
// click, a key or a click on the current cell, and the setter's refusals
// through the context's message boxes.
void makeEditable(QAbstractItemView *view, AppContext &context);

} // namespace kestra
