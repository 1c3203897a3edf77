#include "db/QueryResult.h"

namespace kestra {

QString rightTrimmed(const QString &text)
{
    // Only the blanks a CHAR column pads with: a trailing tab, line break or
    // ideographic space is part of the value.
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == u' ')
        --end;
    return end == text.size() ? text : text.left(end);
}

int QueryResult::columnIndex(const QString &name) const
{
    for (int c = 0; c < columnCount(); ++c) {
        if (columns_.at(c).name.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    }
    return -1;
}

QVariant QueryResult::value(int row, int col) const
{
    if (row < 0 || row >= rowCount() || col < 0 || col >= columnCount())
        return {};
    return rows_.at(row).cells.at(col);
}

QString QueryResult::text(int row, int col) const
{
    const QVariant v = value(row, col);
    if (v.typeId() == QMetaType::Double) {
        const double d = v.toDouble();
        // Whole numbers read as integers, as the suite's code columns expect.
        if (d == static_cast<double>(static_cast<long long>(d)) && d < 1e15 && d > -1e15)
            return QString::number(static_cast<long long>(d));
        return QString::number(d, 'g', 15);
    }
    return v.toString();
}

double QueryResult::number(int row, int col) const
{
    return value(row, col).toDouble();
}

void QueryResult::setValue(int row, int col, const QVariant &value)
{
    if (row >= 0 && row < rowCount() && col >= 0 && col < columnCount())
        rows_[row].cells[col] = value;
}

QString QueryResult::spare(int row) const
{
    return row >= 0 && row < rowCount() ? rows_.at(row).spare : QString();
}

void QueryResult::setSpare(int row, const QString &value)
{
    if (row >= 0 && row < rowCount())
        rows_[row].spare = value;
}

int QueryResult::findRow(int col, const QString &value) const
{
    for (int r = 0; r < rowCount(); ++r) {
        if (text(r, col) == value)
            return r;
    }
    return -1;
}

void QueryResult::appendRow(const QList<QVariant> &cells)
{
    Row row;
    row.cells.reserve(columns_.size());
    for (int c = 0; c < columnCount(); ++c) {
        const QVariant raw = c < cells.size() ? cells.at(c) : QVariant();
        switch (columns_.at(c).type) {
        case Text:
            row.cells.append(raw.isNull() ? QString() : rightTrimmed(raw.toString()));
            break;
        case Integer:
        case Long:
        case Double:
            row.cells.append(raw.isNull() ? 0.0 : raw.toDouble());
            break;
        case Other:
            row.cells.append(QVariant());
            break;
        }
    }
    rows_.append(std::move(row));
}

} // namespace kestra
