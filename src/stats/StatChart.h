#pragma once

#include "core/PagePrinter.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kestra {

class RowModelBase;

// The figures a bar chart shows: one bar group per label, one bar per series.
struct ChartSeries {
    QString name;
    QList<double> values;
};

struct ChartData {
    QStringList labels;
    QList<ChartSeries> series;

    bool isEmpty() const { return labels.isEmpty() || series.isEmpty(); }
    double maximum() const;
};

// The chart of a statistics grid: the labels from one column, a series per
// value column (its heading as the name), the rows whose label is in skip
// (the totals) left out: a total bar would dwarf the rest. Cells that are
// no number count as 0.
ChartData chartOfGrid(const RowModelBase &grid, int labelField, const QList<int> &valueFields,
                      const QStringList &skip = {});

// A page with the chart drawn as boxes, lines and texts, added to a printed
// statistic after its list: the title, the scale on the left, the bars
// with their values over them, the labels under them (turned into numbers
// with a key below when they do not fit), the series' names.
void appendChartPage(PageDocument &document, const QString &title, const ChartData &chart);

} // namespace kestra
