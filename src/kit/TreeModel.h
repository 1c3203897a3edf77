#pragma once

#include <QAbstractItemModel>
#include <QList>
#include <QString>
#include <functional>

namespace kestra {

// One node of a tree as a controller builds it: a key that names it across
// rebuilds (the node chosen before a change is chosen again after it), its
// text, what kind of node it is (the view picks a picture per kind) and its
// children.
struct TreeNode {
    QString key;
    QString text;
    int kind = 0;
    QList<TreeNode> children{};
};

// The nodes of a tree view (the virtual shelves, the rule editor): read
// only, built whole by the controller and replaced whole when it changes.
class TreeModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    static constexpr int KeyRole = Qt::UserRole;
    static constexpr int KindRole = Qt::UserRole + 1;

    explicit TreeModel(QObject *parent = nullptr);

    // The top nodes.
    void reset(QList<TreeNode> top);

    // The index of the node with this key; invalid when none has it.
    QModelIndex indexOf(const QString &key) const;
    QString keyOf(const QModelIndex &index) const;
    // A node's text by key; empty when none has it.
    QString textOf(const QString &key) const;
    int nodeCount() const { return static_cast<int>(nodes_.size()); }

    // Pictures by node kind (the gui gives icons; the model stays below it).
    void setDecoration(std::function<QVariant(int kind)> decoration) { decoration_ = std::move(decoration); }

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    // The tree kept flat: a node's place is its number, its internal id.
    struct Flat {
        QString key;
        QString text;
        int kind = 0;
        int parent = -1; // -1: a top node
        int row = 0;     // its place among its siblings
        QList<int> children;
    };
    int add(const TreeNode &node, int parent, int row);
    QList<int> childrenOf(const QModelIndex &parent) const;

    QList<Flat> nodes_;
    QList<int> top_;
    std::function<QVariant(int)> decoration_;
};

} // namespace kestra
