#include "kit/TreeModel.h"

namespace kestra {

TreeModel::TreeModel(QObject *parent) : QAbstractItemModel(parent) {}

void TreeModel::reset(QList<TreeNode> top)
{
    beginResetModel();
    nodes_.clear();
    top_.clear();
    for (int r = 0; r < top.size(); ++r)
        top_.append(add(top.at(r), -1, r));
    endResetModel();
}

int TreeModel::add(const TreeNode &node, int parent, int row)
{
    const int at = static_cast<int>(nodes_.size());
    nodes_.append(Flat{node.key, node.text, node.kind, parent, row, {}});
    for (int r = 0; r < node.children.size(); ++r) {
        const int child = add(node.children.at(r), at, r);
        nodes_[at].children.append(child);
    }
    return at;
}

QList<int> TreeModel::childrenOf(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return top_;
    return nodes_.at(static_cast<int>(parent.internalId())).children;
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || (parent.isValid() && parent.model() != this))
        return {};
    const QList<int> children = childrenOf(parent);
    if (row < 0 || row >= children.size())
        return {};
    return createIndex(row, 0, quintptr(children.at(row)));
}

QModelIndex TreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return {};
    const int up = nodes_.at(static_cast<int>(child.internalId())).parent;
    if (up < 0)
        return {};
    return createIndex(nodes_.at(up).row, 0, quintptr(up));
}

int TreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return static_cast<int>(childrenOf(parent).size());
}

int TreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant TreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const Flat &node = nodes_.at(static_cast<int>(index.internalId()));
    switch (role) {
    case Qt::DisplayRole:
        return node.text;
    case KeyRole:
        return node.key;
    case KindRole:
        return node.kind;
    case Qt::DecorationRole:
        return decoration_ ? decoration_(node.kind) : QVariant();
    default:
        return {};
    }
}

QModelIndex TreeModel::indexOf(const QString &key) const
{
    for (int i = 0; i < nodes_.size(); ++i) {
        if (nodes_.at(i).key == key)
            return createIndex(nodes_.at(i).row, 0, quintptr(i));
    }
    return {};
}

QString TreeModel::keyOf(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this ? nodes_.at(static_cast<int>(index.internalId())).key : QString();
}

QString TreeModel::textOf(const QString &key) const
{
    const QModelIndex at = indexOf(key);
    return at.isValid() ? nodes_.at(static_cast<int>(at.internalId())).text : QString();
}

} // namespace kestra
