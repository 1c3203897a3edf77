#include "output/ListReport.h"

#include "output/TextFit.h"

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

namespace {

// Room for rounding: a text exactly as wide as its box fits.
constexpr double kFitSlack = 1e-6;

PageFont scaledFont(PageFont font, double scale)
{
    font.points *= scale;
    return font;
}

double totalOf(const QList<double> &values)
{
    return std::accumulate(values.cbegin(), values.cend(), 0.0);
}

// Each column's widest text and widest unbreakable word at full type,
// headings included.
struct ColumnTexts {
    QList<double> widest;
    QList<double> words;
    QList<double> characters;
};

ColumnTexts measureColumns(const ListReport &report, const ListStyle &style)
{
    ColumnTexts m;
    for (const ReportColumn &c : report.columns) {
        m.widest.append(textWidth(c.heading, style.headingFont));
        m.words.append(widestWord(c.heading, style.headingFont));
        m.characters.append(widestCharacter(c.heading, style.headingFont));
    }
    for (const QStringList &row : report.rows) {
        for (int c = 0; c < m.widest.size(); ++c) {
            const QString &text = row.value(c);
            const double width = textWidth(text, style.cellFont);
            m.widest[c] = std::max(m.widest.at(c), width);
            // A text no wider than the widest word has no wider word.
            if (width > m.words.at(c))
                m.words[c] = std::max(m.words.at(c), widestWord(text, style.cellFont));
            if (width > m.characters.at(c))
                m.characters[c] = std::max(m.characters.at(c), widestCharacter(text, style.cellFont));
        }
    }
    return m;
}

// Widths between their floors and their needs that fill `room`: the
// widest columns give way first, never below their floor.
QList<double> shareRoom(const QList<double> &floors, const QList<double> &needs, double room)
{
    double low = 0;
    double high = *std::max_element(needs.cbegin(), needs.cend());
    auto widths = [&](double cap) {
        QList<double> out;
        for (int c = 0; c < needs.size(); ++c)
            out.append(std::max(floors.at(c), std::min(needs.at(c), cap)));
        return out;
    };
    for (int i = 0; i < 60; ++i) {
        const double mid = (low + high) / 2;
        (totalOf(widths(mid)) > room ? high : low) = mid;
    }
    return widths(low);
}

} // namespace

ColumnFit fitColumns(const ListReport &report, double printableWidth, const ListStyle &style)
{
    ColumnFit fit;
    const auto n = report.columns.size();
    if (n == 0)
        return fit;
    const double room = printableWidth;
    const double pads = 2 * style.cellPadding;
    const ColumnTexts texts = measureColumns(report, style);

    // The given widths, scaled down together when they overrun the paper.
    for (const ReportColumn &c : report.columns)
        fit.widths.append(std::max(c.width, 0.0));
    const double given = totalOf(fit.widths);
    if (given > room && given > 0) {
        for (double &w : fit.widths)
            w *= room / given;
    }
    QList<double> needs;
    bool fits = true;
    for (qsizetype c = 0; c < n; ++c) {
        needs.append(texts.widest.at(c) + pads);
        fits = fits && fit.widths.at(c) + kFitSlack >= needs.at(c);
    }
    if (fits)
        return fit;

    // Every text at full type: the narrow columns widened, the others
    // giving up what they have to spare.
    if (totalOf(needs) <= room + kFitSlack) {
        QList<double> spare;
        for (qsizetype c = 0; c < n; ++c) {
            fit.widths[c] = std::max(fit.widths.at(c), needs.at(c));
            spare.append(fit.widths.at(c) - needs.at(c));
        }
        const double over = totalOf(fit.widths) - room;
        const double spareTotal = totalOf(spare);
        if (over > 0 && spareTotal > 0) {
            for (qsizetype c = 0; c < n; ++c)
                fit.widths[c] -= spare.at(c) * over / spareTotal;
        }
        return fit;
    }

    // Smaller type, each column as wide as its widest text.
    const double minScale = std::min(1.0, style.minCellPoints / style.cellFont.points);
    const double content = totalOf(texts.widest);
    fit.scale = content > 0 ? (room - n * pads) / content : 1.0;
    if (fit.scale >= minScale) {
        for (qsizetype c = 0; c < n; ++c)
            fit.widths[c] = texts.widest.at(c) * fit.scale + pads;
        return fit;
    }

    // The smallest type, and the widest texts wrapped.
    fit.scale = minScale;
    QList<double> floors;
    for (qsizetype c = 0; c < n; ++c) {
        needs[c] = texts.widest.at(c) * minScale + pads;
        floors.append(std::min(needs.at(c), texts.words.at(c) * minScale + pads));
    }
    if (totalOf(floors) <= room) {
        fit.widths = shareRoom(floors, needs, room);
        return fit;
    }
    // Even the longest words overrun: they break where they must, each
    // column holding at least its widest character, for which the type
    // goes below its smallest size on paper too narrow for anything else.
    QList<double> characters;
    for (qsizetype c = 0; c < n; ++c)
        characters.append(texts.characters.at(c) * minScale + pads);
    if (totalOf(characters) <= room) {
        fit.widths = shareRoom(characters, floors, room);
        return fit;
    }
    const double narrowest = totalOf(texts.characters);
    fit.scale = narrowest > 0 ? std::max(room - n * pads, 0.0) / narrowest : minScale;
    for (qsizetype c = 0; c < n; ++c)
        fit.widths[c] = texts.characters.at(c) * fit.scale + pads;
    return fit;
}

namespace {

// Fills pages top to bottom; a new page starts with the column headings.
class ListPager {
public:
    ListPager(const ListReport &report, const PaperSetup &paper, const ListStyle &style)
        : report_(report), style_(style), area_(paper.printable())
    {
        const ColumnFit fit = fitColumns(report, area_.width(), style);
        widths_ = fit.widths;
        headingFont_ = scaledFont(style.headingFont, fit.scale);
        cellFont_ = scaledFont(style.cellFont, fit.scale);
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
        for (const QStringList &row : report_.rows)
            placeRow(wrap(row, cellFont_));
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

    // A row's texts, each in the lines its column holds, and the row's
    // height: a line more makes the row taller by a line of its type.
    struct Lines {
        QList<QStringList> cells;
        PageFont font;
        double step = 0;
        double height = 0;
    };

    Lines wrap(const QStringList &texts, const PageFont &font) const
    {
        Lines lines;
        lines.font = font;
        lines.step = emWidth(font) * style_.lineSpacing;
        for (int c = 0; c < widths_.size(); ++c) {
            const double inner = std::max(widths_.at(c) - 2 * style_.cellPadding, 0.0);
            lines.cells.append(wrapText(texts.value(c), inner, font));
        }
        measureHeight(lines);
        return lines;
    }

    void measureHeight(Lines &lines) const
    {
        qsizetype most = 1;
        for (const QStringList &cell : std::as_const(lines.cells))
            most = std::max(most, cell.size());
        lines.height = style_.rowHeight + static_cast<double>(most - 1) * lines.step;
    }

    // A row goes on the page when it fits, else on the next; a row taller
    // than a whole page runs on from one page to the next, line by line.
    void placeRow(Lines lines)
    {
        while (y_ + lines.height > bottom_) {
            if (y_ > tableTop_) {
                closeTable();
                newPage();
                headings();
                continue;
            }
            const auto room = static_cast<qsizetype>((bottom_ - y_ - style_.rowHeight) / lines.step) + 1;
            Lines rest = lines;
            for (qsizetype c = 0; c < lines.cells.size(); ++c) {
                lines.cells[c] = lines.cells.at(c).mid(0, std::max<qsizetype>(room, 1));
                rest.cells[c] = rest.cells.at(c).mid(std::max<qsizetype>(room, 1));
            }
            measureHeight(lines);
            measureHeight(rest);
            cells(lines, false);
            closeTable();
            newPage();
            headings();
            lines = rest;
        }
        cells(lines, false);
    }

    void headings()
    {
        QStringList texts;
        for (const ReportColumn &c : report_.columns)
            texts.append(c.heading);
        rule(y_);
        cells(wrap(texts, headingFont_), true);
        rule(y_);
        tableTop_ = y_;
    }

    // One line of a cell is one text: a single line fills the row's first
    // line height as before, wrapped lines stack from its middle.
    void cells(const Lines &lines, bool headings)
    {
        double x = area_.left();
        for (int c = 0; c < widths_.size(); ++c) {
            const double w = widths_.at(c);
            const double inner = std::max(w - 2 * style_.cellPadding, 0.0);
            const TextAlign align = headings ? TextAlign::Centre : report_.columns.at(c).align;
            const QStringList &cell = lines.cells.at(c);
            if (cell.isEmpty()) {
                // Its text ended on the page before.
            } else if (cell.size() == 1) {
                addText(QRectF(x + style_.cellPadding, y_, inner, style_.rowHeight), cell.first(), lines.font, align);
            } else {
                const double top = y_ + (style_.rowHeight - lines.step) / 2;
                for (int i = 0; i < cell.size(); ++i)
                    addText(QRectF(x + style_.cellPadding, top + i * lines.step, inner, lines.step), cell.at(i),
                            lines.font, align);
            }
            x += w;
        }
        y_ += lines.height;
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
    PageFont headingFont_;
    PageFont cellFont_;
    double tableTop_ = 0;
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
