// Grid exports from a plain item model: the CSV text with its quoting, the
// file in UTF-8 with a byte-order mark and in the code page, the XLSX
// workbook read back from its zip, and the list report made from a grid.

#include "output/GridExport.h"
#include "core/CodePage.h"
#include "output/GridReport.h"
#include "support/CommandOutput.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"

#include <QAbstractTableModel>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace kestra;
using namespace kestra::test;

namespace {

// A table of cells; the column checkColumn holds check marks ("1" ticked),
// the columns `right` are aligned right, as a grid marks its numbers.
class TableModel : public QAbstractTableModel {
public:
    TableModel(QStringList headings, QList<QVariantList> rows, int checkColumn = -1, QList<int> right = {})
        : headings_(std::move(headings)), rows_(std::move(rows)), checkColumn_(checkColumn), right_(std::move(right))
    {}
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(rows_.size()); }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(headings_.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        const QVariant cell = rows_.at(index.row()).value(index.column());
        if (index.column() == checkColumn_)
            return role == Qt::CheckStateRole
                       ? QVariant(cell.toString() == QLatin1String("1") ? Qt::Checked : Qt::Unchecked)
                       : QVariant();
        if (role == Qt::TextAlignmentRole && right_.contains(index.column()))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return role == Qt::DisplayRole ? cell : QVariant();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        return orientation == Qt::Horizontal && role == Qt::DisplayRole ? QVariant(headings_.value(section))
                                                                        : QVariant();
    }
    void setCell(int row, int column, const QVariant &value) { rows_[row][column] = value; }

private:
    QStringList headings_;
    QList<QVariantList> rows_;
    int checkColumn_;
    QList<int> right_;
};

// Four columns: a check mark, a code, a text with the awkward characters, a
// price.
std::unique_ptr<TableModel> sampleModel()
{
    return std::make_unique<TableModel>(
        QStringList{QStringLiteral("选择"), QStringLiteral("财产号"), QStringLiteral("题名"), QStringLiteral("价格")},
        QList<QVariantList>{
            {QStringLiteral("1"), QStringLiteral("00012"), QStringLiteral("呐喊, 彷徨"), QStringLiteral("12.50")},
            {QStringLiteral("0"), QStringLiteral("00013"), QStringLiteral("他说\"好\"\n第二行"),
             QStringLiteral("7.25")},
            {QStringLiteral("0"), QStringLiteral("00014"), QStringLiteral(" 朝花夕拾"), QString()}},
        0);
}

const QString kCsv = QStringLiteral("选择,财产号,题名,价格\r\n"
                                    "是,00012,\"呐喊, 彷徨\",12.50\r\n"
                                    "否,00013,\"他说\"\"好\"\"\n第二行\",7.25\r\n"
                                    "否,00014,\" 朝花夕拾\",\r\n");

// One member of a zip file, or the listing when member is empty.
QString unzip(const QString &zip, const QString &member)
{
    QProcess p;
    p.start(QStringLiteral("unzip"),
            member.isEmpty() ? QStringList{QStringLiteral("-l"), zip} : QStringList{QStringLiteral("-p"), zip, member});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<unzip failed>");
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A cell of a sheet as a spreadsheet program reads it: a shared text ("s",
// the text itself in value) or a number (no type) with the format code of
// its style.
struct SheetCell {
    QString type;
    QString value;
    QString format;
};

// The cells of the first sheet by reference ("B2"), read from the file's
// XML: the shared strings, the styles' number formats and the sheet.
QHash<QString, SheetCell> readSheet(const QString &path)
{
    QStringList strings;
    QXmlStreamReader s(unzip(path, QStringLiteral("xl/sharedStrings.xml")));
    while (!s.atEnd()) {
        if (s.readNext() == QXmlStreamReader::StartElement && s.name() == u"t")
            strings.append(s.readElementText());
    }
    // The formats built in by number, those of the file by their id.
    QHash<int, QString> codes = {{0, QStringLiteral("General")}, {1, QStringLiteral("0")}, {2, QStringLiteral("0.00")}};
    QList<int> styleFormats;
    QXmlStreamReader st(unzip(path, QStringLiteral("xl/styles.xml")));
    bool inCellStyles = false;
    while (!st.atEnd()) {
        const auto token = st.readNext();
        if (token == QXmlStreamReader::StartElement && st.name() == u"numFmt")
            codes.insert(st.attributes().value(QLatin1String("numFmtId")).toInt(),
                         st.attributes().value(QLatin1String("formatCode")).toString());
        else if (st.name() == u"cellXfs")
            inCellStyles = token == QXmlStreamReader::StartElement;
        else if (token == QXmlStreamReader::StartElement && inCellStyles && st.name() == u"xf")
            styleFormats.append(st.attributes().value(QLatin1String("numFmtId")).toInt());
    }
    QHash<QString, SheetCell> cells;
    QXmlStreamReader x(unzip(path, QStringLiteral("xl/worksheets/sheet1.xml")));
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement || x.name() != u"c")
            continue;
        const QString ref = x.attributes().value(QLatin1String("r")).toString();
        SheetCell cell{
            x.attributes().value(QLatin1String("t")).toString(),
            {},
            codes.value(styleFormats.value(x.attributes().value(QLatin1String("s")).toInt()), QStringLiteral("?"))};
        while (x.readNextStartElement()) {
            if (x.name() == u"v")
                cell.value = x.readElementText();
            else
                x.skipCurrentElement();
        }
        if (cell.type == u"s")
            cell.value = strings.value(cell.value.toInt(), QStringLiteral("<no string>"));
        cells.insert(ref, cell);
    }
    return cells;
}

} // namespace

class GridExportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void csvTextAndColumns()
    {
        const auto model = sampleModel();
        QCOMPARE(csvText(*model), kCsv);
        // The columns asked for, in that order.
        QCOMPARE(csvText(*model, GridColumns{{3, 1}}),
                 QStringLiteral("价格,财产号\r\n12.50,00012\r\n7.25,00013\r\n,00014\r\n"));
    }

    void csvFiles()
    {
        QTemporaryDir dir;
        const auto model = sampleModel();
        const CodePage codePage;
        QString error;
        const QString utf8 = dir.filePath(QStringLiteral("u.csv"));
        QVERIFY(writeCsv(*model, utf8, CsvEncoding::Utf8Bom, codePage, &error));
        QCOMPARE(readAll(utf8), QByteArrayLiteral("\xEF\xBB\xBF") + kCsv.toUtf8());

        const QString local = dir.filePath(QStringLiteral("g.csv"));
        QVERIFY(writeCsv(*model, local, CsvEncoding::CodePage, codePage, &error));
        QCOMPARE(readAll(local), gbk(kCsv));

        // A text the code page has no form for is refused, not written as
        // question marks; the file that was there stays.
        model->setCell(0, 2, QStringLiteral("ภาษาไทย"));
        if (codePage.decode(codePage.encode(QStringLiteral("ภาษาไทย"))) != QStringLiteral("ภาษาไทย")) {
            QVERIFY(!writeCsv(*model, local, CsvEncoding::CodePage, codePage, &error));
            QVERIFY(error.contains(QStringLiteral("UTF-8")));
            QCOMPARE(readAll(local), gbk(kCsv));
        }
        QVERIFY(
            !writeCsv(*model, dir.filePath(QStringLiteral("no/such/dir.csv")), CsvEncoding::Utf8Bom, codePage, &error));
        QVERIFY(!error.isEmpty());
    }

    // The workbook is a zip whose sheet and shared strings hold the
    // headings and texts; codes keep their leading zeros as texts.
    void xlsxWorkbook()
    {
        QTemporaryDir dir;
        const auto model = sampleModel();
        const QString path = dir.filePath(QStringLiteral("list.xlsx"));
        QString error;
        QVERIFY2(writeXlsx(*model, path, QStringLiteral("书刊/清单[1]"), &error), qPrintable(error));
        const QString listing = unzip(path, QString());
        QVERIFY2(listing.contains(QStringLiteral("xl/worksheets/sheet1.xml")), qPrintable(listing));
        QVERIFY(listing.contains(QStringLiteral("xl/sharedStrings.xml")));
        const QString strings = unzip(path, QStringLiteral("xl/sharedStrings.xml"));
        for (const char *text : {"选择", "财产号", "价格", "是", "否", "00012", "呐喊, 彷徨", "12.50"})
            QVERIFY2(strings.contains(QString::fromUtf8(text)), text);
        QVERIFY(strings.contains(QStringLiteral("他说&quot;好&quot;")) ||
                strings.contains(QStringLiteral("他说\"好\"")));
        const QString sheet = unzip(path, QStringLiteral("xl/worksheets/sheet1.xml"));
        QVERIFY2(sheet.contains(QStringLiteral("<dimension ref=\"A1:D4\"/>")), qPrintable(sheet));
        QVERIFY(unzip(path, QStringLiteral("xl/workbook.xml")).contains(QStringLiteral("name=\"书刊清单1\"")));

        QVERIFY(!writeXlsx(*model, dir.filePath(QStringLiteral("no/such/dir.xlsx")), QString(), &error));
        QVERIFY(!error.isEmpty());
    }

    // Numbers and dates as a spreadsheet can add and sort them; every code
    // stays a text, however much it looks like a number.
    void xlsxCellKinds()
    {
        const TableModel model(
            {"财产号", "册数", "价格", "入藏日期", "操作日期", "条码号", "长号", "记录号", "事务内容一", "旧日期",
             "选择"},
            {{"00012", "3", "12.50", "2026-03-01", "2026-03-01 09:00:00", "0012345", "1234567890123456", "12345",
              "2026-03-01", "1899-12-31", "1"},
             {"10000001", "12", "0.80", "", "2026-03-02 23:59:59", "12", "1", "20001", "L2", "2026-03-01", "0"},
             {"00014", "", "-7", "2026-12-31", "", "", "", "", "", "", "0"}},
            10, {1, 2, 5, 6});
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kinds.xlsx"));
        QString error;
        QVERIFY2(writeXlsx(model, path, QStringLiteral("清单"), &error), qPrintable(error));
        const QHash<QString, SheetCell> cells = readSheet(path);
        auto text = [&cells](const char *ref) {
            const SheetCell c = cells.value(QLatin1String(ref));
            return c.type == u"s" ? c.value : QStringLiteral("<%1 %2>").arg(c.type, c.value);
        };
        auto number = [&cells](const char *ref) {
            const SheetCell c = cells.value(QLatin1String(ref));
            return c.type.isEmpty() ? c.value + QLatin1Char(' ') + c.format : QStringLiteral("<text %1>").arg(c.value);
        };
        QCOMPARE(text("A1"), QStringLiteral("财产号"));
        // Codes: leading zeros, and numbers in columns the grid does not
        // mark as numbers.
        QCOMPARE(text("A2"), QStringLiteral("00012"));
        QCOMPARE(text("A3"), QStringLiteral("10000001"));
        QCOMPARE(text("H2"), QStringLiteral("12345"));
        // Counts as integers, prices with two decimals.
        QCOMPARE(number("B2"), QStringLiteral("3 0"));
        QCOMPARE(number("B3"), QStringLiteral("12 0"));
        QVERIFY(!cells.contains(QStringLiteral("B4")));
        QCOMPARE(number("C2"), QStringLiteral("12.5 0.00"));
        QCOMPARE(number("C3"), QStringLiteral("0.8 0.00"));
        QCOMPARE(number("C4"), QStringLiteral("-7 0.00"));
        // Days and moments as dates, shown as the suite writes them.
        QCOMPARE(number("D2"), QStringLiteral("46082 yyyy-mm-dd"));
        QCOMPARE(number("E2"), QStringLiteral("46082.375 yyyy-mm-dd hh:mm:ss"));
        QCOMPARE(number("E3").left(8), QStringLiteral("46083.99"));
        // A column marked as numbers with one code in it stays text whole:
        // a leading zero, more digits than a spreadsheet keeps.
        QCOMPARE(text("F2"), QStringLiteral("0012345"));
        QCOMPARE(text("F3"), QStringLiteral("12"));
        QCOMPARE(text("G2"), QStringLiteral("1234567890123456"));
        QCOMPARE(text("G3"), QStringLiteral("1"));
        // So does a column of days with something else in it, and days
        // before a spreadsheet's first; check marks read 是/否.
        QCOMPARE(text("I2"), QStringLiteral("2026-03-01"));
        QCOMPARE(text("J3"), QStringLiteral("2026-03-01"));
        QCOMPARE(text("K2"), QStringLiteral("是"));
    }

    // A grid's rows as a printed list: widths in proportion to the view's
    // across the paper, numbers to the right, check marks as 是/否.
    void reportFromGrid()
    {
        const TableModel model({QStringLiteral("选择"), QStringLiteral("题名"), QStringLiteral("册数")},
                               {{QStringLiteral("1"), QStringLiteral("呐喊"), 3}}, 0);

        const ListReport report =
            reportFromModel(model, QStringLiteral("清单"), GridColumns{{1, 2, 0}}, {200, 100, 100}, 180.0);
        QCOMPARE(report.title, QStringLiteral("清单"));
        QCOMPARE(report.columns.size(), 3);
        QCOMPARE(report.columns.at(0).heading, QStringLiteral("题名"));
        QCOMPARE(report.columns.at(0).width, 90.0);
        QCOMPARE(report.columns.at(1).width, 45.0);
        QCOMPARE(report.columns.at(1).align, TextAlign::Right);
        QCOMPARE(report.columns.at(0).align, TextAlign::Left);
        QCOMPARE(report.rows,
                 (QList<QStringList>{{QStringLiteral("呐喊"), QStringLiteral("3"), QStringLiteral("是")}}));

        // A grid marks its numbers by aligning them right.
        const TableModel marked({QStringLiteral("题名"), QStringLiteral("价格")},
                                {{QStringLiteral("呐喊"), QStringLiteral("12.50")}}, -1, {1});
        const ListReport aligned = reportFromModel(marked, QStringLiteral("清单"));
        QCOMPARE(aligned.columns.at(0).align, TextAlign::Left);
        QCOMPARE(aligned.columns.at(1).align, TextAlign::Right);

        const auto prices = sampleModel();
        QCOMPARE(columnTotal(*prices, 3), 19.75);
    }
};

KESTRA_TEST(GridExportTest)
#include "GridExportTest.moc"
