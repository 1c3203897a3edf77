#pragma once

#include "db/QueryResult.h"
#include "kit/RowModel.h"

#include <functional>

namespace kestra {

class AppContext;

// One column of a grid that shows a query's rows as they come: its heading,
// the query column it reads (by name) and how the cell's text is made from
// the stored value.
struct QueryColumn {
    QString heading;
    QString field;
    std::function<QString(const QString &)> format{}; // none: the text as stored
    bool number = false;
};

// The usual cell texts of query columns, made as every other grid makes
// them (kit/CellText.h).
namespace query_format {

std::function<QString(const QString &)> status();                      // the status name
std::function<QString(const QString &)> flag();                        // "1" 是, else 否
std::function<QString(const QString &)> money();                       // two decimals; empty stays empty
std::function<QString(const QString &)> location(AppContext &context); // the location name
std::function<QString(const QString &)> staff(AppContext &context);    // the worker's name

} // namespace query_format

// A grid's rows straight from a query: no row type per list, the texts
// made per column. Exports, printed lists and the mark column work as for
// any RowModel; the values stay readable by column name for the code that
// acts on a row.
class QueryModel final : public RowModelBase {
    Q_OBJECT
public:
    explicit QueryModel(QList<QueryColumn> columns, bool checkable = false, QObject *parent = nullptr);

    // Runs the query and shows its rows; -1 (the rows emptied, the database
    // error shown) when it fails.
    int load(AppContext &context, const QString &sql);
    // Shows rows already read.
    void reset(QueryResult rows);

    const QueryResult &rows() const { return rows_; }
    int count() const { return rows_.rowCount(); }
    // A stored value of a row by the query's column name; empty when the
    // query has no such column.
    QString value(int row, const QString &field) const;

protected:
    int size() const override { return rows_.rowCount(); }
    int fields() const override { return static_cast<int>(columns_.size()); }
    QString heading(int field) const override { return columns_.at(field).heading; }
    QString cell(int row, int field) const override;
    bool isNumber(int field) const override { return columns_.at(field).number; }

private:
    void mapColumns();

    QList<QueryColumn> columns_;
    QList<int> sources_; // the query column of each grid column, -1 when absent
    QueryResult rows_;
};

} // namespace kestra
