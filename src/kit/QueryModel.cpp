#include "kit/QueryModel.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "kit/CellText.h"

namespace kestra {

namespace query_format {

std::function<QString(const QString &)> status()
{
    return [](const QString &code) { return cell::status(code); };
}

std::function<QString(const QString &)> flag()
{
    return [](const QString &value) { return cell::flag(value); };
}

std::function<QString(const QString &)> money()
{
    return [](const QString &value) {
        bool ok = false;
        const double amount = value.trimmed().toDouble(&ok);
        return ok ? cell::price(amount) : value.trimmed();
    };
}

std::function<QString(const QString &)> location(AppContext &context)
{
    return [&context](const QString &code) { return code.isEmpty() ? code : cell::location(context, code); };
}

std::function<QString(const QString &)> staff(AppContext &context)
{
    return [&context](const QString &code) { return code.isEmpty() ? code : cell::staff(context, code); };
}

} // namespace query_format

namespace {

// A column by its name; a backend that names "t.col" of the select list
// with its table is found by the bare name too.
int columnOf(const QueryResult &rows, const QString &field)
{
    const int at = rows.columnIndex(field);
    if (at >= 0 || field.isEmpty())
        return at;
    for (int c = 0; c < rows.columnCount(); ++c) {
        if (rows.columnName(c).endsWith(u'.' + field, Qt::CaseInsensitive))
            return c;
    }
    return -1;
}

} // namespace

QueryModel::QueryModel(QList<QueryColumn> columns, bool checkable, QObject *parent)
    : RowModelBase(checkable, parent), columns_(std::move(columns))
{
    mapColumns();
}

int QueryModel::load(AppContext &context, const QString &sql)
{
    QueryResult rows;
    if (context.db().query(sql, rows) < 0) {
        reset(QueryResult());
        context.db().showDbError();
        return -1;
    }
    reset(std::move(rows));
    return 0;
}

void QueryModel::reset(QueryResult rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    marks_ = QList<bool>(rows_.rowCount(), false);
    mapColumns();
    endResetModel();
}

void QueryModel::mapColumns()
{
    sources_.clear();
    for (const QueryColumn &c : columns_)
        sources_.append(columnOf(rows_, c.field));
}

QString QueryModel::value(int row, const QString &field) const
{
    const int column = columnOf(rows_, field);
    return column >= 0 ? rows_.text(row, column) : QString();
}

QString QueryModel::cell(int row, int field) const
{
    const int source = sources_.at(field);
    if (source < 0)
        return {};
    const QString stored = rows_.text(row, source);
    const QueryColumn &c = columns_.at(field);
    return c.format ? c.format(stored) : stored;
}

} // namespace kestra
