#pragma once

#include "stats/StatChart.h"

#include <QWidget>

class QChartView;

namespace kestra {

// The bar chart beside a statistics grid (chtStat): drawn again whenever
// the grid's rows change, the totals left out.
class StatChartWidget : public QWidget {
    Q_OBJECT
public:
    StatChartWidget(RowModelBase &grid, int labelField, QList<int> valueFields, QStringList skip,
                    QWidget *parent = nullptr);

    const ChartData &data() const { return data_; }

private:
    void redraw();

    RowModelBase &grid_;
    int labelField_;
    QList<int> valueFields_;
    QStringList skip_;
    ChartData data_;
    QChartView *view_ = nullptr;
};

} // namespace kestra
