#include "kit/RowModel.h"

namespace kestra {

RowModelBase::RowModelBase(bool checkable, QObject *parent)
    : QAbstractTableModel(parent), checkable_(checkable), markHeading_(QStringLiteral("选择"))
{}

int RowModelBase::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : size();
}

int RowModelBase::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : fields() + (checkable_ ? 1 : 0);
}

QVariant RowModelBase::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= size())
        return {};
    const int field = fieldOf(index.column());
    if (field < 0) {
        if (role == Qt::CheckStateRole)
            return marks_.at(index.row()) ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    const CellEditor editor = editorOf(field);
    if (editor == CellEditor::Check) {
        // A check column shows its box; exports read the box as 是/否.
        if (role == Qt::CheckStateRole)
            return editValue(index.row(), field) == u"1" ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role == Qt::DisplayRole)
        return cell(index.row(), field);
    if (role == Qt::EditRole && editor != CellEditor::None)
        return editValue(index.row(), field);
    if (role == Qt::TextAlignmentRole && isNumber(field))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

bool RowModelBase::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= size())
        return false;
    const int field = fieldOf(index.column());
    if (field < 0) {
        if (role != Qt::CheckStateRole)
            return false;
        setMarked(index.row(), value.toInt() == Qt::Checked);
        return true;
    }
    const bool check = editorOf(field) == CellEditor::Check;
    if (role != (check ? Qt::CheckStateRole : Qt::EditRole) || !canEdit(index.row(), field))
        return false;
    const QString text = check ? QString(value.toInt() == Qt::Checked ? u'1' : u'0') : value.toString();
    if (text == editValue(index.row(), field))
        return true;
    const QString message = trySet(index.row(), field, text);
    if (!message.isEmpty()) {
        Q_EMIT refused(message);
        return false;
    }
    // A setter may change other cells of its row (a price and its total).
    Q_EMIT dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    return true;
}

Qt::ItemFlags RowModelBase::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const int field = fieldOf(index.column());
    if (field < 0)
        f |= Qt::ItemIsUserCheckable;
    else if (index.row() < size() && canEdit(index.row(), field))
        f |= editorOf(field) == CellEditor::Check ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable;
    return f;
}

QVariant RowModelBase::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    const int field = fieldOf(section);
    if (field < 0)
        return markHeading_;
    return field < fields() ? heading(field) : QString();
}

bool RowModelBase::isMarked(int row) const
{
    return row >= 0 && row < marks_.size() && marks_.at(row);
}

void RowModelBase::setMarked(int row, bool marked)
{
    if (!checkable_ || row < 0 || row >= marks_.size() || marks_.at(row) == marked)
        return;
    marks_[row] = marked;
    const QModelIndex cell = index(row, 0);
    Q_EMIT dataChanged(cell, cell, {Qt::CheckStateRole});
}

void RowModelBase::markAll(bool marked)
{
    if (!checkable_ || marks_.isEmpty())
        return;
    marks_.fill(marked);
    Q_EMIT dataChanged(index(0, 0), index(size() - 1, 0), {Qt::CheckStateRole});
}

QList<int> RowModelBase::markedRows() const
{
    QList<int> rows;
    for (int r = 0; r < marks_.size(); ++r) {
        if (marks_.at(r))
            rows.append(r);
    }
    return rows;
}

QStringList RowModelBase::headings() const
{
    QStringList list;
    for (int f = 0; f < fields(); ++f)
        list.append(heading(f));
    return list;
}

QString RowModelBase::text(int row, int field) const
{
    if (row < 0 || row >= size() || field < 0 || field >= fields())
        return {};
    return cell(row, field);
}

CellEditor RowModelBase::editorAt(int column) const
{
    const int field = fieldOf(column);
    return field >= 0 && field < fields() ? editorOf(field) : CellEditor::None;
}

QList<CodeChoice> RowModelBase::codesAt(int column) const
{
    const int field = fieldOf(column);
    return field >= 0 && field < fields() ? codesOf(field) : QList<CodeChoice>();
}

} // namespace kestra
