#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <functional>
#include <utility>

namespace kestra {

// How a cell is edited: not at all, as text, by choosing from a code list
// (the list shows names, the row keeps the code) or as a check box ("1"
// checked, "0" not).
enum class CellEditor { None, Text, Code, Check };

// A code and its name, as a code list offers it.
using CodeChoice = std::pair<QString, QString>;

// One column of a grid: its heading and how a row becomes its text. The
// texts are made here, in logic, once; a view only shows them.
//
// An editable column adds its editor, the value the editor starts from
// (the text when none is given), which rows may be edited (all when none is
// given) and the controller's setter: it checks the value, changes the row
// and returns the message that refuses it (empty when taken).
template <class T>
struct Column {
    QString heading;
    std::function<QString(const T &)> text;
    bool number = false; // right-aligned
    CellEditor editor = CellEditor::None;
    std::function<QString(T &, const QString &)> set{};
    std::function<bool(const T &)> editable{};
    std::function<QString(const T &)> value{};
    QList<CodeChoice> codes{};
};

// What every grid of a form shares, whatever its rows: the check marks of
// the first column (when the grid has one), the headings and the cell
// texts an export or a printed list reads.
class RowModelBase : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RowModelBase(bool checkable, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    bool checkable() const { return checkable_; }
    // The heading of the mark column ("选择" unless a form says otherwise).
    void setMarkHeading(const QString &heading) { markHeading_ = heading; }
    bool isMarked(int row) const;
    void setMarked(int row, bool marked);
    void markAll(bool marked = true);
    // The marked rows, top down.
    QList<int> markedRows() const;

    // The grid without its mark column, as an export writes it.
    QStringList headings() const;
    QString text(int row, int field) const;
    int fieldCount() const { return fields(); }

    // The editor of a view column and its code list; a view's delegate
    // asks. CellEditor::None for the mark column and read-only columns.
    CellEditor editorAt(int column) const;
    QList<CodeChoice> codesAt(int column) const;

Q_SIGNALS:
    // An edit the controller's setter refused, with its message; the view
    // shows it and the row keeps its value.
    void refused(const QString &message);

protected:
    virtual int size() const = 0;
    virtual int fields() const = 0;
    virtual QString heading(int field) const = 0;
    virtual QString cell(int row, int field) const = 0;
    virtual bool isNumber(int field) const = 0;
    // Editing; a model whose columns are never edited keeps these.
    virtual CellEditor editorOf(int) const { return CellEditor::None; }
    virtual QList<CodeChoice> codesOf(int) const { return {}; }
    virtual bool canEdit(int, int) const { return false; }
    virtual QString editValue(int row, int field) const { return cell(row, field); }
    virtual QString trySet(int, int, const QString &) { return {}; }

    // The marks follow the rows.
    QList<bool> marks_;

private:
    int fieldOf(int column) const { return checkable_ ? column - 1 : column; }

    bool checkable_;
    QString markHeading_;
};

// The rows of a grid, owned by the model. Views show them; the form's
// controller appends, removes and resets them.
template <class T>
class RowModel final : public RowModelBase {
public:
    RowModel(QList<Column<T>> columns, bool checkable, QObject *parent = nullptr)
        : RowModelBase(checkable, parent), columns_(std::move(columns))
    {}

    const QList<T> &rows() const { return rows_; }
    const T &at(int row) const { return rows_.at(row); }
    int count() const { return static_cast<int>(rows_.size()); }
    bool isEmpty() const { return rows_.isEmpty(); }

    void append(T row)
    {
        const int at = count();
        beginInsertRows(QModelIndex(), at, at);
        rows_.append(std::move(row));
        marks_.append(false);
        endInsertRows();
    }
    // Many rows at once: one insertion for the views.
    void appendAll(const QList<T> &more)
    {
        if (more.isEmpty())
            return;
        const int at = count();
        beginInsertRows(QModelIndex(), at, at + static_cast<int>(more.size()) - 1);
        rows_.append(more);
        marks_.append(QList<bool>(more.size(), false));
        endInsertRows();
    }
    void remove(int row)
    {
        if (row < 0 || row >= count())
            return;
        beginRemoveRows(QModelIndex(), row, row);
        rows_.removeAt(row);
        marks_.removeAt(row);
        endRemoveRows();
    }
    void replace(int row, T value)
    {
        if (row < 0 || row >= count())
            return;
        rows_[row] = std::move(value);
        Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
    void reset(QList<T> rows = {})
    {
        beginResetModel();
        rows_ = std::move(rows);
        marks_ = QList<bool>(rows_.size(), false);
        endResetModel();
    }
    // The marked rows' values, top down.
    QList<T> marked() const
    {
        QList<T> out;
        for (int r : markedRows())
            out.append(rows_.at(r));
        return out;
    }

protected:
    int size() const override { return count(); }
    int fields() const override { return static_cast<int>(columns_.size()); }
    QString heading(int field) const override { return columns_.at(field).heading; }
    QString cell(int row, int field) const override { return columns_.at(field).text(rows_.at(row)); }
    bool isNumber(int field) const override { return columns_.at(field).number; }
    CellEditor editorOf(int field) const override { return columns_.at(field).editor; }
    QList<CodeChoice> codesOf(int field) const override { return columns_.at(field).codes; }
    bool canEdit(int row, int field) const override
    {
        const Column<T> &c = columns_.at(field);
        return c.editor != CellEditor::None && c.set && (!c.editable || c.editable(rows_.at(row)));
    }
    QString editValue(int row, int field) const override
    {
        const Column<T> &c = columns_.at(field);
        return c.value ? c.value(rows_.at(row)) : c.text(rows_.at(row));
    }
    QString trySet(int row, int field, const QString &value) override
    {
        // The setter works on a copy: a refused value leaves the row as it was.
        T changed = rows_.at(row);
        const QString message = columns_.at(field).set(changed, value);
        if (message.isEmpty())
            rows_[row] = std::move(changed);
        return message;
    }

private:
    QList<Column<T>> columns_;
    QList<T> rows_;
};

// The columns of a part of a row (the copy inside a form's own row type).
template <class T, class Part>
QList<Column<T>> columnsOf(const QList<Column<Part>> &columns, Part T::*member)
{
    QList<Column<T>> out;
    for (const Column<Part> &c : columns)
        out.append(Column<T>{c.heading, [text = c.text, member](const T &row) { return text(row.*member); }, c.number});
    return out;
}

} // namespace kestra
