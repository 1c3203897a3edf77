#include "output/ListReport.h"

#include <algorithm>
#include <numeric>

namespace kestra {

void ListReport::setCopyFooter(int copies, double totalPrice, const QString &date, const QString &maker)
{
    footer = {{QStringLiteral("总册数："), QString::number(copies)},
              {QStringLiteral("总价格："), QString::number(totalPrice, 'f', 2)},
              {QStringLiteral("制表日期："), date},
              {QStringLiteral("制表人："), maker}};
}

QList<double> fittedWidths(const QList<ReportColumn> &columns, double printableWidth)
{
    QList<double> widths;
    for (const ReportColumn &c : columns)
        widths.append(std::max(c.width, 0.0));
    const double total = std::accumulate(widths.cbegin(), widths.cend(), 0.0);
    if (total > printableWidth && total > 0) {
        for (double &w : widths)
            w *= printableWidth / total;
    }
    return widths;
}

namespace {

// Fills pages top to bottom; a new page starts with the column headings.
class ListPager {
public:
    ListPager(const ListReport &report, const PaperSetup &paper, const ListStyle &style)
        : report_(report), style_(style), area_(paper.printable()), widths_(fittedWidths(report.columns, area_.width()))
    {
        // The page number line is kept free at the foot of every page.
        bottom_ = area_.bottom() - (style.pageNumber.isEmpty() ? 0.0 : style.lineHeight);
    }

    QList<Page> run()
    {
        newPage();
        addText(QRectF(area_.left(), y_, area_.width(), style_.titleHeight), report_.title, style_.titleFont,
                TextAlign::Centre);
        y_ += style_.titleHeight;
        for (const QString &line : report_.headerLines) {
            addText(QRectF(area_.left(), y_, area_.width(), style_.lineHeight), line, style_.headerFont,
                    TextAlign::Left);
            y_ += style_.lineHeight;
        }
        headings();
        for (const QStringList &row : report_.rows) {
            if (y_ + style_.rowHeight > bottom_) {
                closeTable();
                newPage();
                headings();
            }
            cells(row, style_.cellFont, style_.rowHeight);
        }
        closeTable();
        footer();
        numberPages();
        return pages_;
    }

private:
    void newPage()
    {
        pages_.append(Page());
        y_ = area_.top();
    }
    Page &page() { return pages_.last(); }

    void addText(const QRectF &box, const QString &text, const PageFont &font, TextAlign align)
    {
        if (!text.isEmpty())
            page().texts.append({box, text, font, align});
    }

    void rule(double y) { page().lines.append({QPointF(area_.left(), y), QPointF(tableRight(), y), 0.2}); }
    double tableRight() const { return area_.left() + std::accumulate(widths_.cbegin(), widths_.cend(), 0.0); }

    void headings()
    {
        QStringList texts;
        for (const ReportColumn &c : report_.columns)
            texts.append(c.heading);
        rule(y_);
        cells(texts, style_.headingFont, style_.rowHeight, true);
        rule(y_);
    }

    void cells(const QStringList &texts, const PageFont &font, double height, bool headings = false)
    {
        double x = area_.left();
        for (int c = 0; c < widths_.size(); ++c) {
            const double w = widths_.at(c);
            const QRectF box(x + style_.cellPadding, y_, std::max(w - 2 * style_.cellPadding, 0.0), height);
            const TextAlign align = headings ? TextAlign::Centre : report_.columns.at(c).align;
            addText(box, texts.value(c), font, align);
            x += w;
        }
        y_ += height;
    }

    void closeTable() { rule(y_); }

    void footer()
    {
        const int perLine = std::max(style_.footerFieldsPerLine, 1);
        const int lines = static_cast<int>((report_.footer.size() + perLine - 1) / perLine);
        if (lines == 0)
            return;
        y_ += style_.lineHeight / 2;
        if (y_ + lines * style_.lineHeight > bottom_)
            newPage();
        const double fieldWidth = area_.width() / perLine;
        for (int i = 0; i < report_.footer.size(); ++i) {
            const ReportField &f = report_.footer.at(i);
            const double x = area_.left() + (i % perLine) * fieldWidth;
            addText(QRectF(x, y_, fieldWidth, style_.lineHeight), f.label + f.value, style_.headerFont,
                    TextAlign::Left);
            if (i % perLine == perLine - 1 || i == report_.footer.size() - 1)
                y_ += style_.lineHeight;
        }
    }

    void numberPages()
    {
        if (style_.pageNumber.isEmpty())
            return;
        const auto total = pages_.size();
        for (qsizetype i = 0; i < total; ++i) {
            const QRectF box(area_.left(), area_.bottom() - style_.lineHeight, area_.width(), style_.lineHeight);
            pages_[i].texts.append({box, style_.pageNumber.arg(i + 1).arg(total), style_.cellFont, TextAlign::Centre});
        }
    }

    const ListReport &report_;
    const ListStyle &style_;
    QRectF area_;
    QList<double> widths_;
    double bottom_ = 0;
    double y_ = 0;
    QList<Page> pages_;
};

} // namespace

PageDocument layoutListReport(const ListReport &report, const PaperSetup &paper, const ListStyle &style)
{
    PageDocument document;
    document.title = report.title;
    document.paper = paper;
    document.pages = ListPager(report, paper, style).run();
    return document;
}

} // namespace kestra
