// The printed list on paper: where the title, header lines, headings, cells,
// footer fields and page numbers land, how rows run onto further pages with
// the headings repeated, columns that are too wide for the paper, and texts
// too wide for their columns printed whole.

#include "output/ListReport.h"
#include "output/TextFit.h"
#include "support/RecordingPrinter.h"
#include "support/TestRunner.h"

#include <QRegularExpression>
#include <QTest>
#include <numeric>

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

// A list like the log search's: twelve columns of moments, names, codes
// and three data columns, `rows` rows, the data as long as given.
ListReport logList(int rows, const QString &data)
{
    ListReport report;
    report.title = QStringLiteral("日志查询");
    for (const char *heading : {"操作日期", "操作类型", "业务类型", "工作人员", "计算机名", "计算机馆藏地",
                                "MARC记录号", "财产号", "读者证件号", "调拨馆藏地", "文献类型", "调拨批次"})
        report.columns.append({QString::fromUtf8(heading), 15.0, TextAlign::Left});
    for (int i = 0; i < rows; ++i)
        report.rows.append(
            {QStringLiteral("2026-03-%1 09:15:%2").arg(1 + i % 28, 2, 10, QChar(u'0')).arg(i % 60, 2, 10, QChar(u'0')),
             QStringLiteral("书刊状态修改"), QStringLiteral("典藏"), QStringLiteral("DC01"),
             QStringLiteral("WORKSTATION-%1").arg(i), QStringLiteral("中文图书借阅室"),
             QStringLiteral("0000%1").arg(123456 + i), QStringLiteral("P%1").arg(i, 9, 10, QChar(u'0')),
             QStringLiteral("R2026%1").arg(i, 6, 10, QChar(u'0')), data, QStringLiteral("中文图书"),
             QStringLiteral("TB-2026-%1").arg(i)});
    return report;
}

QString squeezed(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return text;
}

// Every heading and cell of the list printed whole: each text no wider
// than its box, each box inside its column and above the page-number
// line, no two boxes overlapping, and each column's texts, page after
// page, exactly the report's (blanks where a line broke aside).
void checkWhole(const ListReport &report, const PageDocument &doc, const ListStyle &style = {})
{
    const QRectF area = doc.paper.printable();
    const ColumnFit fit = fitColumns(report, area.width(), style);
    QCOMPARE(fit.widths.size(), report.columns.size());
    QVERIFY(std::accumulate(fit.widths.cbegin(), fit.widths.cend(), 0.0) <= area.width() + 1e-6);
    QList<QString> cells(report.columns.size());
    QList<QString> headings(report.columns.size());
    for (const Page &page : doc.pages) {
        QVERIFY(page.lines.size() >= 3);
        const double headingsEnd = page.lines.at(1).from.y();
        for (qsizetype i = 0; i < page.texts.size(); ++i) {
            const PageText &t = page.texts.at(i);
            QVERIFY2(textWidth(t.text, t.font) <= t.box.width() + 1e-6, qPrintable(t.text));
            QVERIFY2(t.box.bottom() <= area.bottom() - style.lineHeight + 1e-6 || t.text.startsWith(u'第'),
                     qPrintable(t.text));
            for (qsizetype j = i + 1; j < page.texts.size(); ++j)
                QVERIFY2(!t.box.intersected(page.texts.at(j).box).isValid() ||
                             t.box.intersected(page.texts.at(j).box).height() < 1e-6,
                         qPrintable(t.text + QLatin1Char('/') + page.texts.at(j).text));
            double left = area.left();
            for (qsizetype c = 0; c < fit.widths.size(); ++c) {
                const double right = left + fit.widths.at(c);
                if (t.box.left() >= left - 1e-6 && t.box.right() <= right + 1e-6) {
                    QCOMPARE(t.font.points, (t.font.bold ? style.headingFont : style.cellFont).points * fit.scale);
                    (t.box.top() < headingsEnd ? headings : cells)[c] += t.text;
                    break;
                }
                left = right;
            }
        }
    }
    for (qsizetype c = 0; c < report.columns.size(); ++c) {
        QString expected;
        for (const QStringList &row : report.rows)
            expected += row.value(c);
        QCOMPARE(squeezed(cells.at(c)), squeezed(expected));
        QCOMPARE(squeezed(headings.at(c)), squeezed(report.columns.at(c).heading).repeated(doc.pages.size()));
    }
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
        ListReport report;
        report.title = QStringLiteral("T");
        report.columns = {{QStringLiteral("A"), 100.0, TextAlign::Left}, {QStringLiteral("B"), 200.0, TextAlign::Left}};
        report.rows = {{QStringLiteral("a1"), QStringLiteral("b1")}};
        QCOMPARE(fitColumns(report, 180.0).widths, (QList<double>{60.0, 120.0}));
        QCOMPARE(fitColumns(report, 400.0).widths, (QList<double>{100.0, 200.0}));
        QCOMPARE(fitColumns(report, 180.0).scale, 1.0);
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

    // Texts wider than their columns: widened at full type while the
    // paper has room (the others giving up their spare), else set smaller,
    // else wrapped at the smallest size; never cut.
    void cellsPrintWhole()
    {
        // Room enough: a moment in a 15 mm column gets its width at 9 pt,
        // on one line; a column with room to spare gives it.
        ListReport few = logList(3, QStringLiteral("L2"));
        few.columns = few.columns.mid(0, 3);
        few.columns[2].width = 150;
        for (QStringList &row : few.rows)
            row = row.mid(0, 3);
        ColumnFit fit = fitColumns(few, 180.0);
        QCOMPARE(fit.scale, 1.0);
        QVERIFY(fit.widths.at(0) >= textWidth(few.rows.first().first(), ListStyle().cellFont) + 2);
        QVERIFY(fit.widths.at(2) < 150);
        PageDocument doc = layoutListReport(few, PaperSetup::a4());
        checkWhole(few, doc);
        QCOMPARE(findText(doc.pages.first(), few.rows.first().first())->font.points, 9.0);

        // Twelve columns on landscape A4: smaller type, one line a row.
        const ListReport log = logList(60, QStringLiteral("中文图书借阅室"));
        fit = fitColumns(log, 267.0);
        QVERIFY(fit.scale < 1.0 && fit.scale > 6.5 / 9.0);
        const PageDocument wide = layoutListReport(log, PaperSetup::a4(true));
        checkWhole(log, wide);
        QVERIFY(findText(wide.pages.first(), log.rows.first().first()) != nullptr);
        QCOMPARE(findText(wide.pages.first(), log.rows.first().first())->font.points, 9.0 * fit.scale);

        // On portrait the smallest type and wrapped lines: the moment
        // breaks at its blank, the rows grow taller and take more pages;
        // the codes that fit a line stay whole.
        QCOMPARE(fitColumns(log, 180.0).scale, 6.5 / 9.0);
        doc = layoutListReport(log, PaperSetup::a4());
        checkWhole(log, doc);
        QVERIFY(findText(doc.pages.first(), QStringLiteral("2026-03-01")) != nullptr);
        QVERIFY(findText(doc.pages.first(), QStringLiteral("09:15:00")) != nullptr);
        QVERIFY(findText(doc.pages.first(), log.rows.first().at(6)) != nullptr);
        QVERIFY(findText(doc.pages.first(), QStringLiteral("2026-03-02"))->box.top() -
                    findText(doc.pages.first(), QStringLiteral("2026-03-01"))->box.top() >
                5.5);

        // A long remark wraps on landscape too.
        const QString remark = QStringLiteral("读者在借期内损坏书刊，按规定赔偿并重新编目入藏，原条码作废 "
                                              "replaced-copy-with-a-long-latin-word-that-will-not-fit");
        const ListReport wrapped = logList(60, remark);
        QCOMPARE(fitColumns(wrapped, 267.0).scale, 6.5 / 9.0);
        const PageDocument tall = layoutListReport(wrapped, PaperSetup::a4(true));
        checkWhole(wrapped, tall);
        QVERIFY(findText(tall.pages.first(), remark) == nullptr);
        QVERIFY(findText(tall.pages.first(), wrapped.rows.first().at(6)) != nullptr);

        // Narrower than a word: the word breaks where it must; narrower
        // than a character a column: smaller type still. Nothing dropped.
        ListReport narrow = logList(2, remark);
        narrow.columns = {narrow.columns.at(0), narrow.columns.at(9)};
        for (QStringList &row : narrow.rows)
            row = QStringList{row.at(0), row.at(9)};
        PaperSetup strip = PaperSetup::a4();
        strip.size.setWidth(80);
        QCOMPARE(fitColumns(narrow, 50.0).scale, 6.5 / 9.0);
        const PageDocument broken = layoutListReport(narrow, strip);
        checkWhole(narrow, broken);
        QVERIFY(findText(broken.pages.first(), QStringLiteral("2026-03-01")) != nullptr);
        const ListReport crowded = logList(2, remark);
        QVERIFY(fitColumns(crowded, 50.0).scale < 6.5 / 9.0);
        const PageDocument spread = layoutListReport(crowded, strip);
        checkWhole(crowded, spread);
        // Two rows over more than two pages: a row taller than a page runs
        // on, its headings repeated above the rest.
        QVERIFY(spread.pages.size() > 2);
    }
};

KESTRA_TEST(ListReportTest)
#include "ListReportTest.moc"
