#include "stats/StatChart.h"

#include "kit/RowModel.h"

#include <algorithm>
#include <cmath>

namespace kestra {

namespace {

// A round step for the scale: 1, 2 or 5 times a power of ten.
double chartStep(double maximum, int ticks)
{
    if (maximum <= 0)
        return 1;
    const double raw = maximum / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double f : {1.0, 2.0, 5.0, 10.0}) {
        if (raw <= f * power)
            return f * power;
    }
    return 10 * power;
}

QString chartNumber(double value)
{
    return value == std::floor(value) ? QString::number(qint64(value)) : QString::number(value, 'f', 2);
}

} // namespace

double ChartData::maximum() const
{
    double top = 0;
    for (const ChartSeries &s : series) {
        for (const double v : s.values)
            top = std::max(top, v);
    }
    return top;
}

ChartData chartOfGrid(const RowModelBase &grid, int labelField, const QList<int> &valueFields, const QStringList &skip)
{
    ChartData chart;
    const QStringList headings = grid.headings();
    for (const int f : valueFields)
        chart.series.append(ChartSeries{headings.value(f), {}});
    for (int r = 0; r < grid.rowCount(); ++r) {
        const QString label = grid.text(r, labelField);
        if (skip.contains(label))
            continue;
        chart.labels.append(label);
        for (qsizetype s = 0; s < valueFields.size(); ++s)
            chart.series[s].values.append(grid.text(r, valueFields.at(s)).toDouble());
    }
    return chart;
}

void appendChartPage(PageDocument &document, const QString &title, const ChartData &chart)
{
    if (chart.isEmpty())
        return;
    Page page;
    const QRectF area = document.paper.printable();
    const PageFont small{7.5, false, {}};
    page.texts.append(
        PageText{QRectF(area.left(), area.top(), area.width(), 10), title, {14.0, true, {}}, TextAlign::Centre});

    // The series' key under the title.
    QStringList names;
    for (const ChartSeries &s : chart.series)
        names.append(s.name);
    page.texts.append(PageText{QRectF(area.left(), area.top() + 10, area.width(), 6), names.join(QStringLiteral(" / ")),
                               small, TextAlign::Centre});

    const int count = int(chart.labels.size());
    const double slot = (area.width() - 18) / count;
    // Labels that do not fit under their bars become numbers with a key.
    bool numbered = false;
    for (const QString &l : chart.labels)
        numbered = numbered || l.size() * 2.8 > slot;
    const int keyLines = numbered ? (count + 2) / 3 : 0;
    const double keyHeight = keyLines * 5.0;
    const QRectF plot(area.left() + 18, area.top() + 20, area.width() - 18, area.height() - 20 - 12 - keyHeight);

    const int ticks = 5;
    const double step = chartStep(chart.maximum(), ticks);
    const double top = step * ticks;
    page.lines.append(PageLine{plot.bottomLeft(), plot.bottomRight(), 0.3});
    page.lines.append(PageLine{plot.bottomLeft(), plot.topLeft(), 0.3});
    for (int t = 0; t <= ticks; ++t) {
        const double y = plot.bottom() - plot.height() * t / ticks;
        page.lines.append(PageLine{QPointF(plot.left() - 1.5, y), QPointF(plot.left(), y), 0.2});
        page.texts.append(
            PageText{QRectF(area.left(), y - 2.5, 16, 5), chartNumber(step * t), small, TextAlign::Right});
    }

    const int bars = int(chart.series.size());
    const double barWidth = std::min(12.0, slot * 0.8 / bars);
    for (int i = 0; i < count; ++i) {
        const double groupLeft = plot.left() + slot * i + (slot - barWidth * bars) / 2;
        for (int s = 0; s < bars; ++s) {
            const double value = chart.series.at(s).values.value(i);
            const double h = top > 0 ? plot.height() * value / top : 0;
            const QRectF bar(groupLeft + barWidth * s, plot.bottom() - h, barWidth, h);
            page.boxes.append(PageBox{bar, 0.3});
            // The first series filled with hatching lines, so that two
            // series tell apart on a black-and-white printer.
            if (s == 0) {
                for (double x = bar.left() + 1; x < bar.right(); x += 1.0)
                    page.lines.append(PageLine{QPointF(x, bar.top()), QPointF(x, bar.bottom()), 0.1});
            }
            page.texts.append(PageText{QRectF(bar.left() - 4, bar.top() - 4, barWidth + 8, 4), chartNumber(value),
                                       small, TextAlign::Centre});
        }
        const QString label = numbered ? QString::number(i + 1) : chart.labels.at(i);
        page.texts.append(
            PageText{QRectF(plot.left() + slot * i, plot.bottom() + 1, slot, 5), label, small, TextAlign::Centre});
    }
    for (int i = 0; numbered && i < count; ++i) {
        const double w = area.width() / 3;
        page.texts.append(PageText{QRectF(area.left() + w * (i % 3), plot.bottom() + 8 + 5.0 * (i / 3), w, 5),
                                   QString::number(i + 1) + QStringLiteral(". ") + chart.labels.at(i), small,
                                   TextAlign::Left});
    }
    document.pages.append(page);
}

} // namespace kestra
