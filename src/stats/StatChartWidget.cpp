#include "stats/StatChartWidget.h"

#include "kit/RowModel.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QVBoxLayout>
#include <QValueAxis>

namespace kestra {

StatChartWidget::StatChartWidget(RowModelBase &grid, int labelField, QList<int> valueFields, QStringList skip,
                                 QWidget *parent)
    : QWidget(parent), grid_(grid), labelField_(labelField), valueFields_(std::move(valueFields)),
      skip_(std::move(skip))
{
    setObjectName(QStringLiteral("chtStat"));
    view_ = new QChartView(this);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumWidth(320);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    connect(&grid_, &QAbstractItemModel::modelReset, this, &StatChartWidget::redraw);
    connect(&grid_, &QAbstractItemModel::rowsInserted, this, &StatChartWidget::redraw);
    connect(&grid_, &QAbstractItemModel::rowsRemoved, this, &StatChartWidget::redraw);
    connect(&grid_, &QAbstractItemModel::dataChanged, this, &StatChartWidget::redraw);
    redraw();
}

void StatChartWidget::redraw()
{
    data_ = chartOfGrid(grid_, labelField_, valueFields_, skip_);
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto *series = new QBarSeries(chart);
    for (const ChartSeries &s : std::as_const(data_.series)) {
        auto *set = new QBarSet(s.name, series);
        for (const double v : s.values)
            set->append(v);
        series->append(set);
    }
    chart->addSeries(series);
    auto *categories = new QBarCategoryAxis(chart);
    categories->append(data_.labels);
    chart->addAxis(categories, Qt::AlignBottom);
    series->attachAxis(categories);
    auto *values = new QValueAxis(chart);
    values->setRange(0, data_.maximum() > 0 ? data_.maximum() * 1.1 : 1);
    values->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(values, Qt::AlignLeft);
    series->attachAxis(values);
    QChart *old = view_->chart();
    view_->setChart(chart);
    delete old;
}

} // namespace kestra
