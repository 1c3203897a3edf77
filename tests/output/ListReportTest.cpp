// The printed list on paper: where the title, header lines, headings, cells,
// footer fields and page numbers land, how rows run onto further pages with
// the headings repeated, and columns that are too wide for the paper.

#include "output/ListReport.h"
#include "support/RecordingPrinter.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

ListReport copies(int rows)
{
    ListReport report;
    report.title = QStringLiteral("书刊调拨清单");
    report.columns = {{QStringLiteral("财产号"), 30.0, TextAlign::Left},
                      {QStringLiteral("题名"), 40.0, TextAlign::Left},
                      {QStringLiteral("价格"), 20.0, TextAlign::Right}};
    for (int i = 1; i <= rows; ++i)
        report.rows.append(
            {QStringLiteral("R%1").arg(i, 3, 10, QChar(u'0')), QStringLiteral("呐喊"), QStringLiteral("12.50")});
    report.setCopyFooter(rows, 12.5 * rows, QStringLiteral("2026-03-14"), QStringLiteral("张三"));
    return report;
}

// The page's texts that lie in a column band, top to bottom.
QStringList textsAtX(const Page &page, double x)
{
    QStringList out;
    for (const PageText &t : page.texts) {
        if (qFuzzyCompare(t.box.left(), x))
            out.append(t.text);
    }
    return out;
}

} // namespace

class ListReportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A4 portrait, margins 15 mm: title, header lines, headings, rows and
    // the footer fields two to a line, and the page number at the foot.
    void onePage()
    {
        ListReport report = copies(3);
        report.headerLines = {QStringLiteral("原馆藏地：中文图书借阅室"), QStringLiteral("新馆藏地：过刊库")};
        const PageDocument doc = layoutListReport(report, PaperSetup::a4());
        QCOMPARE(doc.title, QStringLiteral("书刊调拨清单"));
        QCOMPARE(doc.pages.size(), 1);
        const Page &page = doc.pages.first();

        const PageText *title = findText(page, QStringLiteral("书刊调拨清单"));
        QVERIFY(title != nullptr);
        QCOMPARE(title->box, QRectF(15, 15, 180, 12));
        QCOMPARE(title->align, TextAlign::Centre);
        QVERIFY(title->font.bold && title->font.points > 10.5);
        QCOMPARE(findText(page, QStringLiteral("原馆藏地：中文图书借阅室"))->box, QRectF(15, 27, 180, 6));
        QCOMPARE(findText(page, QStringLiteral("新馆藏地：过刊库"))->box.top(), 33.0);

        // Headings at 39 mm, each cell 1 mm inside its column.
        const PageText *price = findText(page, QStringLiteral("价格"));
        QCOMPARE(price->box, QRectF(86, 39, 18, 5.5));
        QCOMPARE(price->align, TextAlign::Centre);
        QCOMPARE(textsAtX(page, 16), (QStringList{QStringLiteral("财产号"), QStringLiteral("R001"),
                                                  QStringLiteral("R002"), QStringLiteral("R003")}));
        QCOMPARE(findText(page, QStringLiteral("R003"))->box.top(), 39 + 3 * 5.5);
        const PageText *cell = findText(page, QStringLiteral("12.50"));
        QCOMPARE(cell->align, TextAlign::Right);
        QCOMPARE(cell->box.left(), 86.0);

        // Rules above and below the headings and under the last row, as
        // wide as the columns.
        QCOMPARE(page.lines.size(), 3);
        QCOMPARE(page.lines.at(2).from, QPointF(15, 39 + 4 * 5.5));
        QCOMPARE(page.lines.at(2).to, QPointF(105, 39 + 4 * 5.5));

        // The footer half a line under the table, two fields a line.
        const double footerTop = 39 + 4 * 5.5 + 3;
        QCOMPARE(findText(page, QStringLiteral("总册数：3"))->box, QRectF(15, footerTop, 90, 6));
        QCOMPARE(findText(page, QStringLiteral("总价格：37.50"))->box, QRectF(105, footerTop, 90, 6));
        QCOMPARE(findText(page, QStringLiteral("制表日期：2026-03-14"))->box.top(), footerTop + 6);
        QCOMPARE(findText(page, QStringLiteral("制表人：张三"))->box.left(), 105.0);
        QCOMPARE(findText(page, QStringLiteral("第1页 共1页"))->box, QRectF(15, 276, 180, 6));
    }

    // 100 rows: 44 on the first page (under the title), 46 on each further
    // one; every page starts with the headings and none runs into the page
    // number line.
    void rowsRunOntoPagesWithTheHeadings()
    {
        const PageDocument doc = layoutListReport(copies(100), PaperSetup::a4());
        QCOMPARE(doc.pages.size(), 3);
        QList<QStringList> rowsPerPage;
        for (const Page &page : doc.pages) {
            QStringList column = textsAtX(page, 16);
            QCOMPARE(column.first(), QStringLiteral("财产号"));
            QCOMPARE(findText(page, QStringLiteral("财产号"))->box.top(), &page == &doc.pages.first() ? 27.0 : 15.0);
            rowsPerPage.append(column.mid(1));
            for (const PageText &t : page.texts)
                QVERIFY2(t.box.bottom() <= 282.0 + 1e-9, qPrintable(t.text));
        }
        QCOMPARE(rowsPerPage.at(0).size(), 44);
        QCOMPARE(rowsPerPage.at(1).size(), 46);
        QCOMPARE(rowsPerPage.at(2).size(), 10);
        QCOMPARE(rowsPerPage.at(1).first(), QStringLiteral("R045"));
        QCOMPARE(rowsPerPage.at(2).last(), QStringLiteral("R100"));
        QVERIFY(findText(doc.pages.at(1), QStringLiteral("书刊调拨清单")) == nullptr);
        QVERIFY(findText(doc.pages.at(1), QStringLiteral("第2页 共3页")) != nullptr);
        QVERIFY(findText(doc.pages.at(2), QStringLiteral("总册数：100")) != nullptr);
        QVERIFY(findText(doc.pages.at(0), QStringLiteral("总册数：100")) == nullptr);
    }

    // A first page filled to the last row leaves the footer for a page of
    // its own; an empty list still prints its title, headings and footer.
    void footerAndEmptyList()
    {
        const PageDocument full = layoutListReport(copies(44), PaperSetup::a4());
        QCOMPARE(full.pages.size(), 2);
        QCOMPARE(pageTexts(full.pages.at(1)),
                 (QStringList{QStringLiteral("总册数：44"), QStringLiteral("总价格：550.00"),
                              QStringLiteral("制表日期：2026-03-14"), QStringLiteral("制表人：张三"),
                              QStringLiteral("第2页 共2页")}));
        QCOMPARE(full.pages.at(1).texts.first().box.top(), 15.0);

        const PageDocument empty = layoutListReport(copies(0), PaperSetup::a4());
        QCOMPARE(empty.pages.size(), 1);
        QVERIFY(findText(empty.pages.first(), QStringLiteral("题名")) != nullptr);
        QVERIFY(findText(empty.pages.first(), QStringLiteral("总册数：0")) != nullptr);
        QVERIFY(findText(empty.pages.first(), QStringLiteral("总价格：0.00")) != nullptr);
    }

    // Columns wider than the paper shrink together; landscape gives the
    // long side; without a page-number format there is none.
    void widthsPaperAndStyle()
    {
        QList<ReportColumn> columns = {{QStringLiteral("A"), 100.0, TextAlign::Left},
                                       {QStringLiteral("B"), 200.0, TextAlign::Left}};
        QCOMPARE(fittedWidths(columns, 180.0), (QList<double>{60.0, 120.0}));
        QCOMPARE(fittedWidths(columns, 400.0), (QList<double>{100.0, 200.0}));

        ListReport report;
        report.title = QStringLiteral("T");
        report.columns = columns;
        report.rows = {{QStringLiteral("a1"), QStringLiteral("b1")}};
        const PaperSetup landscape = PaperSetup::a4(true);
        QVERIFY(landscape.landscape());
        ListStyle style;
        style.pageNumber.clear();
        const PageDocument doc = layoutListReport(report, landscape, style);
        QCOMPARE(doc.paper.size, QSizeF(297, 210));
        const Page &page = doc.pages.first();
        QCOMPARE(findText(page, QStringLiteral("T"))->box.width(), 267.0);
        QCOMPARE(findText(page, QStringLiteral("b1"))->box.left(), 15 + 267.0 / 3 + 1);
        QCOMPARE(page.lines.first().to.x(), 15 + 267.0);
        for (const PageText &t : page.texts)
            QVERIFY(!t.text.startsWith(u'第'));
    }
};

KESTRA_TEST(ListReportTest)
#include "ListReportTest.moc"
