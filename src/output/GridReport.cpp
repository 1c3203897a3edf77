#include "output/GridReport.h"

#include <QAbstractItemModel>
#include <numeric>

namespace kestra {

ListReport reportFromModel(const QAbstractItemModel &model, const QString &title, const GridColumns &columns,
                           const QList<int> &widths, double printableWidth)
{
    const QList<int> cols = columns.of(model);
    ListReport report;
    report.title = title;
    const bool sized = widths.size() == cols.size() && std::accumulate(widths.cbegin(), widths.cend(), 0) > 0;
    const double total = sized ? std::accumulate(widths.cbegin(), widths.cend(), 0) : 0;
    for (int i = 0; i < cols.size(); ++i) {
        ReportColumn column;
        column.heading = model.headerData(cols.at(i), Qt::Horizontal, Qt::DisplayRole).toString();
        column.width = sized ? printableWidth * widths.at(i) / total : printableWidth / cols.size();
        if (isNumberColumn(model, cols.at(i)))
            column.align = TextAlign::Right;
        report.columns.append(column);
    }
    report.rows.reserve(model.rowCount());
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList row;
        for (int c : cols)
            row.append(exportText(model, r, c));
        report.rows.append(row);
    }
    return report;
}

double columnTotal(const QAbstractItemModel &model, int column)
{
    // In cents, so that ten thousand prices add up to what they print as.
    qint64 cents = 0;
    for (int r = 0; r < model.rowCount(); ++r)
        cents += qRound64(model.data(model.index(r, column)).toString().toDouble() * 100);
    return static_cast<double>(cents) / 100;
}

} // namespace kestra
