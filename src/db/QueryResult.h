#pragma once

#include <QList>
#include <QString>
#include <QVariant>

namespace kestra {

// The rows of one query, copied into memory. Text cells are right-trimmed
// of blanks and NULL reads as empty text; numeric cells are doubles and NULL reads as
// 0; cells of other types stay empty. Every row has a spare text slot that
// stays empty unless a caller fills it (the message table and the location
// list keep sound file names there).
//
// A result that has never been loaded is "null"; caches test it to load once.
class QueryResult {
public:
    enum ColumnType { Other = 0, Integer = 3, Long = 4, Double = 7, Text = 10 };

    struct Column {
        QString name;
        ColumnType type = Text;
        int size = -1; // the declared size of a text column, -1 when unknown
    };

    QueryResult() = default;
    explicit QueryResult(QList<Column> columns) : columns_(std::move(columns)), loaded_(true) {}

    bool isNull() const { return !loaded_; }
    int rowCount() const { return static_cast<int>(rows_.size()); }
    int columnCount() const { return static_cast<int>(columns_.size()); }

    const Column &column(int c) const { return columns_.at(c); }
    QString columnName(int c) const { return c >= 0 && c < columnCount() ? columns_.at(c).name : QString(); }
    ColumnType columnType(int c) const { return c >= 0 && c < columnCount() ? columns_.at(c).type : Other; }
    // Index of a column by name, compared case-insensitively; -1 when absent.
    int columnIndex(const QString &name) const;

    // Cells, rows counted from 0. Out-of-range cells read as empty.
    QVariant value(int row, int col) const;
    QString text(int row, int col) const;
    double number(int row, int col) const;

    // Renames a column (a reader that rewrote the select list gives the
    // columns back the names the caller asked for).
    void setColumnName(int c, const QString &name)
    {
        if (c >= 0 && c < columnCount())
            columns_[c].name = name;
    }

    // Replaces a cell's value (decoders of stored text use it).
    void setValue(int row, int col, const QVariant &value);

    QString spare(int row) const;
    void setSpare(int row, const QString &value);

    // First row whose column equals value (a linear scan); -1 when none.
    int findRow(int col, const QString &value) const;

    // Appends a row of raw cells, converting them as described above.
    void appendRow(const QList<QVariant> &cells);

private:
    struct Row {
        QList<QVariant> cells;
        QString spare;
    };
    QList<Column> columns_;
    QList<Row> rows_;
    bool loaded_ = false;
};

// Right-trims ASCII blanks (and nothing else), as the suite's CHAR columns
// are read.
QString rightTrimmed(const QString &text);

} // namespace kestra
