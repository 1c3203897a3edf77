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
    int footerFieldsPerLine = 2;
    // "第%1页 共%2页" at the foot of each page; empty for none.
    QString pageNumber = QStringLiteral("第%1页 共%2页");
};

// Lays the list out on pages: the title and header lines on the first page,
// the column headings on every page, rows until the printable area is full,
// then the footer fields (on a page of their own when the last one is full)
// and the page numbers. A list without rows still gives one page.
PageDocument layoutListReport(const ListReport &report, const PaperSetup &paper, const ListStyle &style = {});

// The column widths that fit the printable width: as given when they fit,
// else scaled down in proportion.
QList<double> fittedWidths(const QList<ReportColumn> &columns, double printableWidth);

} // namespace kestra
