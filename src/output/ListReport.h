#pragma once

#include "core/PagePrinter.h"

#include <QStringList>
#include <optional>

namespace kestra {

struct ReportColumn {
    QString heading;
    double width = 25.0; // mm; scaled down together when the columns overrun the paper
    TextAlign align = TextAlign::Left;
};

// One label and its value below the rows ("总册数：" "12").
struct ReportField {
    QString label;
    QString value;
};

// The printed list every form uses: a title, header lines, the columns with
// their rows, and the fields under the last row.
struct ListReport {
    QString title;
    QStringList headerLines;
    QList<ReportColumn> columns;
    QList<QStringList> rows;
    QList<ReportField> footer;

    // The footer of a list of copies: "总册数：", "总价格：" (two decimals),
    // "制表日期：", "制表人：".
    void setCopyFooter(int copies, double totalPrice, const QString &date, const QString &maker);
};

// The sizes of a list on paper.
struct ListStyle {
    PageFont titleFont{16.0, true, {}};
    PageFont headerFont{10.5, false, {}};
    PageFont headingFont{9.0, true, {}};
    PageFont cellFont{9.0, false, {}};
    double titleHeight = 12.0;
    double lineHeight = 6.0;
    double rowHeight = 5.5;
    double cellPadding = 1.0;
    // When the columns' texts are wider than the paper, the headings and
    // cells are set smaller, down to this size; below it their texts wrap.
    double minCellPoints = 6.5;
    // The distance of a wrapped cell's lines, in ems of its type.
    double lineSpacing = 1.35;
    int footerFieldsPerLine = 2;
    // "第%1页 共%2页" at the foot of each page; empty for none.
    QString pageNumber = QStringLiteral("第%1页 共%2页");
};

// Lays the list out on pages: the title and header lines on the first page,
// the column headings on every page, rows until the printable area is full,
// then the footer fields (on a page of their own when the last one is full)
// and the page numbers. A list without rows still gives one page. Every
// heading and cell prints whole (see fitColumns); a cell that wraps makes
// its row taller.
PageDocument layoutListReport(const ListReport &report, const PaperSetup &paper, const ListStyle &style = {});

// How the columns sit on the paper: their widths (mm) and the scale of the
// headings' and cells' type.
struct ColumnFit {
    QList<double> widths;
    double scale = 1.0;
};

// The widths that show every heading and cell whole (textWidth), in this
// order of preference: the given widths (scaled down together when they
// overrun the paper); widened to their texts, narrowing the others' room
// to spare; all from their texts in smaller type, down to
// ListStyle::minCellPoints; at that size, the longest texts wrapped, never
// a column narrower than its longest word unless even those overrun, nor
// than its widest character (paper too narrow even for that sets the type
// smaller still).
ColumnFit fitColumns(const ListReport &report, double printableWidth, const ListStyle &style = {});

} // namespace kestra
