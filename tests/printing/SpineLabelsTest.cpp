// Spine labels: the parameter file read the way the suite's files are (a
// missing key is 0, rubbish in a number is 0, a missing file keeps what was
// read before), the call number in lines by each mode, and the sheets: the
// grid centred on the printable paper, the start position on the first
// sheet only, several labels per copy wrapping rows and sheets, class
// breaks, and what is refused.

#include "printing/SpineLabels.h"
#include "core/CodePage.h"
#include "core/Preferences.h"
#include "printing/Calibration.h"
#include "support/RecordingPrinter.h"
#include "support/TestRunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

// 3 × 8 labels of 70 × 37 mm on A4 (the common office sheet): the grid is
// 210 × 296 mm, centred with half a millimetre above and below.
LabelParams sheetOf24()
{
    LabelParams p;
    p.width = Distance::mm(70);
    p.height = Distance::mm(37);
    p.rows = 8;
    p.cols = 3;
    p.numPerItem = 1;
    p.items[1].print = 1; // the call number
    p.items[1].left = Distance::mm(5);
    p.items[1].top = Distance::mm(4);
    p.items[1].fontSize = 12;
    p.items[4].print = 1; // the accession number
    p.items[4].left = Distance::mm(5);
    p.items[4].top = Distance::mm(25);
    return p;
}

QList<LabelCopy> copiesOf(const QStringList &callNumbers)
{
    QList<LabelCopy> copies;
    for (qsizetype i = 0; i < callNumbers.size(); ++i) {
        LabelCopy c;
        c.callNo = callNumbers.at(i);
        c.propNo = QStringLiteral("P%1").arg(i + 1, 4, 10, QChar(u'0'));
        copies.append(c);
    }
    return copies;
}

// The label (row, column) an accession number was printed on, by its box.
QPoint cellOf(const PageText &t, const LabelParams &p, double x0, double y0)
{
    return QPoint(static_cast<int>((t.box.left() - x0) / p.width.toMm()),
                  static_cast<int>((t.box.top() - y0) / p.height.toMm()));
}

} // namespace

class SpineLabelsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parameterFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("label.ini"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[BaseParam]\r\nWidth=35.5\r\nHeight=abc\r\nRows=8\r\nCols=99999\r\nNumPerItem=2x\r\n"
                "CallNoReturn=1\r\nCustomText=馆藏\r\n[2PrintItem]\r\nPrint=1\r\nLeft=2.5\r\nTop=-1\r\n"
                "FontItalic=1\r\nFontName=黑体\r\nFontSize=14\r\n");
        f.close();
        LabelParams p;
        QCOMPARE(loadLabelParams(path, CodePage(), p), 0);
        QCOMPARE(p.width.toMm(), 35.5);
        QCOMPARE(p.height.toMm(), 0.0); // text in a number
        QCOMPARE(p.rows, 8);
        QCOMPARE(p.cols, 32767); // saturates in 16 bits instead of wrapping
        QCOMPARE(p.numPerItem, 2);
        QCOMPARE(p.top.toMm(), 0.0); // missing
        QCOMPARE(p.customText, QStringLiteral("馆藏"));
        QCOMPARE(p.items[1].print, 1);
        QCOMPARE(p.items[1].left.toMm(), 2.5);
        QCOMPARE(p.items[1].top.toMm(), -1.0);
        QVERIFY(p.items[1].italic && !p.items[1].bold);
        QCOMPARE(p.items[1].fontName, QStringLiteral("黑体"));
        QCOMPARE(p.items[0].print, 0);

        // A file that cannot be read leaves what was read before.
        QCOMPARE(loadLabelParams(dir.filePath(QStringLiteral("none.ini")), CodePage(), p), -1);
        QCOMPARE(p.width.toMm(), 35.5);

        QCOMPARE(profileNumber(QStringLiteral(" -12.5mm")), -12.5);
        QCOMPARE(profileNumber(QStringLiteral(".")), 0.0);
        QCOMPARE(profileNumber(QStringLiteral("1.2.3")), 1.2);
    }

    void callNumberLines_data()
    {
        QTest::addColumn<QString>("callNo");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("lines");
        const QString plain = QStringLiteral("I247.5");
        for (int mode = 0; mode <= 3; ++mode)
            QTest::addRow("no separator, mode %d", mode) << plain << QStringLiteral("/") << mode << QStringList{plain};
        QTest::newRow("mode 0") << u"I247.5/12/2"_qs << u"/"_qs << 0 << QStringList{u"I247.5/12/2"_qs};
        QTest::newRow("mode 1") << u"I247.5/12/2"_qs << u"/"_qs << 1 << QStringList{u"I247.5"_qs, u"12/2"_qs};
        QTest::newRow("mode 2") << u"I247.5/12/2"_qs << u"/"_qs << 2 << QStringList{u"I247.5/"_qs, u"12"_qs, u"2"_qs};
        QTest::newRow("mode 3") << u"I247.5/12/2"_qs << u"/"_qs << 3 << QStringList{u"I247.5"_qs, u"12"_qs, u"2"_qs};
        QTest::newRow("underscore is a blank") << u"K825 9"_qs << u"_"_qs << 1 << QStringList{u"K825"_qs, u"9"_qs};
        QTest::newRow("no separator set") << u"K825/9"_qs << QString() << 3 << QStringList{u"K825/9"_qs};
        QTest::newRow("unknown mode") << u"K825/9"_qs << u"/"_qs << 7 << QStringList{u"K825/9"_qs};
    }
    void callNumberLines()
    {
        QFETCH(QString, callNo);
        QFETCH(QString, separator);
        QFETCH(int, mode);
        QFETCH(QStringList, lines);
        QCOMPARE(kestra::callNumberLines(callNo, separator, mode), lines);
    }

    // Positions, the start position, two labels a copy across rows and onto
    // the next sheet.
    void sheets()
    {
        LabelParams p = sheetOf24();
        p.numPerItem = 2;
        p.callNoReturn = 1;
        LabelRun run;
        run.startRow = 2;
        run.startCol = 3;
        run.separator = QStringLiteral("/");
        // 24 positions, 5 taken by the start: 19 left on the first sheet;
        // 11 copies need 22, so copy 10 straddles the sheets.
        QStringList calls;
        for (int i = 0; i < 11; ++i)
            calls.append(QStringLiteral("I24%1/7").arg(i));
        const LabelLayout out = layoutSpineLabels(p, copiesOf(calls), run, DevicePaper{});
        QVERIFY2(out.error.isEmpty(), qPrintable(out.error));
        QCOMPARE(out.across, 3);
        QCOMPARE(out.down, 8);
        QCOMPARE(out.labels, 22);
        QCOMPARE(out.document.pages.size(), 2);
        QCOMPARE(out.document.paper.size, QSizeF(210, 297));
        QCOMPARE(out.sheets, (QList<int>{0, 9}));
        const double x0 = 0.0;
        const double y0 = 0.5;

        // The first copy: row 2 column 3, then row 3 column 1.
        const Page &first = out.document.pages.at(0);
        QList<QPoint> cells;
        for (const PageText &t : first.texts) {
            if (t.text == QStringLiteral("P0001"))
                cells.append(cellOf(t, p, x0, y0));
        }
        QCOMPARE(cells, (QList<QPoint>{QPoint(2, 1), QPoint(0, 2)}));
        // Exactly where the parameters say: 5 mm in, 4 mm down.
        const PageText *call = findText(first, QStringLiteral("I240\n7"));
        QVERIFY(call != nullptr);
        QCOMPARE(call->box.topLeft(), QPointF(2 * 70.0 + 5, y0 + 37 + 4));
        QCOMPARE(call->valign, TextVAlign::Top);
        QCOMPARE(call->font.points, 12.0);
        // Nothing on the first row of the first sheet.
        for (const PageText &t : first.texts)
            QVERIFY(t.box.top() >= y0 + 37 + 4 - 1e-9);
        // The second sheet begins at its first position: no start offset.
        const Page &second = out.document.pages.at(1);
        const PageText *carried = findText(second, QStringLiteral("P0010"));
        QVERIFY(carried != nullptr);
        QCOMPARE(cellOf(*carried, p, x0, y0), QPoint(0, 0));
        QCOMPARE(pageTexts(second).count(QStringLiteral("P0011")), 2);
        QCOMPARE(pageTexts(first).count(QStringLiteral("P0010")), 1);
    }

    // The grid is centred in the printable part of the paper less the sheet
    // margins; a label sheet on a device that cannot reach the edge.
    void printableArea()
    {
        LabelParams p = sheetOf24();
        p.width = Distance::mm(60);
        p.height = Distance::mm(30);
        p.left = Distance::mm(10);
        DevicePaper paper;
        paper.size = QSizeF(100, 150);
        paper.printable = QRectF(4, 4, 92, 142);
        const LabelLayout out = layoutSpineLabels(p, copiesOf({u"A1/1"_qs}), LabelRun{}, paper);
        // Across: 10..96 = 86 mm: one label, 26 mm left over. Down: 4..146
        // = 142 mm: four labels, 22 mm over.
        QCOMPARE(out.across, 1);
        QCOMPARE(out.down, 4);
        const PageText *prop = findText(out.document.pages.at(0), QStringLiteral("P0001"));
        QVERIFY(prop != nullptr);
        QCOMPARE(prop->box.left(), 10 + 26 / 2.0 + 5);
        QCOMPARE(prop->box.top(), 4 + 22 / 2.0 + 25);
    }

    void classBreaks()
    {
        LabelParams p = sheetOf24();
        p.callNoStop = true;
        LabelRun run;
        run.classBreaks = true;
        run.startRow = 3;
        const QList<LabelCopy> copies = copiesOf({u"I247/1"_qs, u"I248/2"_qs, u"K825/9"_qs, u"Z228/1"_qs});
        LabelLayout out = layoutSpineLabels(p, copies, run, DevicePaper{});
        QCOMPARE(out.document.pages.size(), 3);
        QCOMPARE(out.sheets, (QList<int>{0, 2, 3}));
        QCOMPARE(pageTexts(out.document.pages.at(0)).count(), 4);
        // Each new class starts at the sheet's first label.
        const PageText *k = findText(out.document.pages.at(1), QStringLiteral("P0003"));
        QVERIFY(k != nullptr);
        QCOMPARE(k->box.topLeft(), QPointF(5, 0.5 + 25));

        // Without the parameter, or without the option, one sheet.
        run.classBreaks = false;
        QCOMPARE(layoutSpineLabels(p, copies, run, DevicePaper{}).document.pages.size(), 1);
        run.classBreaks = true;
        p.callNoStop = false;
        QCOMPARE(layoutSpineLabels(p, copies, run, DevicePaper{}).document.pages.size(), 1);
    }

    // Centred texts use the whole label; items 1, 3, 4, 6 and 7 show what
    // the table gives them; an empty value prints nothing.
    void items()
    {
        LabelParams p = sheetOf24();
        p.center = true;
        p.customText = QStringLiteral("馆藏");
        for (LabelItem &item : p.items)
            item.print = 1;
        LabelCopy c;
        c.callNo = QStringLiteral("I247/1");
        c.year = QStringLiteral("2025");
        c.volPeri = QStringLiteral("3");
        c.location = QStringLiteral("中文图书库");
        c.propNo = QStringLiteral("0001");
        c.barCode = QStringLiteral("B1");
        const LabelLayout out = layoutSpineLabels(p, {c}, LabelRun{}, DevicePaper{});
        QCOMPARE(pageTexts(out.document.pages.at(0)),
                 (QStringList{u"I247/1"_qs, u"2025-3"_qs, u"中文图书库"_qs, u"0001"_qs, u"B1"_qs, u"馆藏"_qs}));
        for (const PageText &t : out.document.pages.at(0).texts) {
            QCOMPARE(t.align, TextAlign::Centre);
            QCOMPARE(t.box.width(), 70.0);
        }
    }

    void refused_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<int>("cols");
        QTest::addColumn<int>("startRow");
        QTest::addColumn<int>("startCol");
        QTest::addColumn<QString>("error");
        const QString tooSmall = QStringLiteral("打印机自定义纸张过小，请重新设置。");
        const QString start = QStringLiteral("起始行和起始列");
        QTest::newRow("label wider than the paper") << 211.0 << 3 << 1 << 1 << tooSmall;
        QTest::newRow("label of no width") << 0.0 << 3 << 1 << 1 << tooSmall;
        QTest::newRow("negative width") << -70.0 << 3 << 1 << 1 << tooSmall;
        QTest::newRow("start row 0") << 70.0 << 3 << 0 << 1 << start;
        QTest::newRow("start column past the parameters") << 70.0 << 3 << 1 << 4 << start;
        QTest::newRow("start row past the parameters") << 70.0 << 3 << 9 << 1 << start;
        // The file says 5 columns, the paper holds 3.
        QTest::newRow("start column past the paper") << 60.0 << 5 << 1 << 5 << start;
    }
    void refused()
    {
        QFETCH(double, width);
        QFETCH(int, cols);
        QFETCH(int, startRow);
        QFETCH(int, startCol);
        QFETCH(QString, error);
        LabelParams p = sheetOf24();
        p.width = Distance::mm(width);
        p.cols = cols;
        LabelRun run;
        run.startRow = startRow;
        run.startCol = startCol;
        const LabelLayout out = layoutSpineLabels(p, copiesOf({u"A/1"_qs}), run, DevicePaper{});
        QVERIFY2(out.error.startsWith(error), qPrintable(out.error));
        QVERIFY(out.document.pages.isEmpty());
        QCOMPARE(out.labels, 0);
    }

    // The correction measured on the test sheet moves and scales every
    // position; a store with rubbish in it corrects nothing.
    void calibration()
    {
        const QSizeF a4(210, 297);
        QVERIFY(!calibrationFromMeasures(a4, 0, 20, 170));
        QVERIFY(!calibrationFromMeasures(a4, 20, 20, 17)); // a tenth of the size: misread
        const std::optional<PrintCalibration> c = calibrationFromMeasures(a4, 21.5, 19.0, 170 * 1.01);
        QVERIFY(c.has_value());
        QCOMPARE(c->scale, 1.01);
        const PageDocument sheet = calibrationSheet(a4);
        const PageDocument printed = calibrated(sheet, *c);
        // Cross A, where the ruler found it.
        const PageLine &across = printed.pages.at(0).lines.at(0);
        QVERIFY(qAbs((across.from.x() + across.to.x()) / 2 - 21.5) < 1e-9);
        QVERIFY(qAbs(across.from.y() - 19.0) < 1e-9);
        QCOMPARE(printed.paper.size, a4);

        QTemporaryDir dir;
        UserSettingsStore store(dir.filePath(u"user.ini"_qs));
        saveCalibration(store, u"Label"_qs, *c);
        const PrintCalibration back = loadCalibration(store, u"Label"_qs);
        QCOMPARE(back.offsetX, c->offsetX);
        QCOMPARE(back.scale, 1.01);
        QVERIFY(loadCalibration(store, u"Card"_qs).isIdentity());
        store.setValue(u"Settings"_qs, u"CardScale"_qs, u"0.01"_qs);
        store.setValue(u"Settings"_qs, u"CardOffsetX"_qs, u"abc"_qs);
        QVERIFY(loadCalibration(store, u"Card"_qs).isIdentity());
    }

    // A file without NumPerItem still prints one label a copy.
    void noNumPerItem()
    {
        LabelParams p = sheetOf24();
        p.numPerItem = 0;
        QCOMPARE(layoutSpineLabels(p, copiesOf({u"A/1"_qs, u"B/1"_qs}), LabelRun{}, DevicePaper{}).labels, 2);
    }
};

KESTRA_TEST(SpineLabelsTest)
#include "SpineLabelsTest.moc"
