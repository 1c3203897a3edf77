// Export and print from a grid through its output menu, answered by the
// scripted prompter and a recording printer; one real PDF through Qt's
// printer, read back with pdftotext; the layout's text widths against the
// list fonts; and the menu on the search dialogs.

#include "ui/GridOutput.h"
#include "core/Preferences.h"
#include "items/CopySearchDialog.h"
#include "items/MarcNoSearchDialog.h"
#include "items/ReaderSearchDialog.h"
#include "output/TextFit.h"
#include "support/RecordingPrinter.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"
#include "ui/QtPagePrinter.h"

#include <QAction>
#include <QFile>
#include <QFontMetricsF>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace kestra;
using namespace kestra::test;

namespace {

QTableWidget *grid(const QList<QStringList> &rows)
{
    auto *table = new QTableWidget(static_cast<int>(rows.size()), 4);
    table->setObjectName(QStringLiteral("spdBookLst"));
    table->setHorizontalHeaderLabels(
        {QStringLiteral("财产号"), QStringLiteral("内部"), QStringLiteral("题名"), QStringLiteral("价格")});
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < 4; ++c)
            table->setItem(r, c, new QTableWidgetItem(rows.at(r).at(c)));
    }
    table->setColumnHidden(1, true);
    return table;
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class GridOutputTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each action asks for a path, writes the visible columns and says so;
    // printing hands the list to the context's printer.
    void exportsAndPrints()
    {
        TestContext tc;
        RecordingPrinter printer;
        tc.context().setPrinter(printer);
        tc.context().session().operatorNo = QStringLiteral("W001");
        QTemporaryDir dir;
        std::unique_ptr<QTableWidget> table(
            grid({{QStringLiteral("P1"), QStringLiteral("x"), QStringLiteral("呐喊"), QStringLiteral("12.50")},
                  {QStringLiteral("P2"), QStringLiteral("y"), QStringLiteral("彷徨"), QStringLiteral("7.25")}}));
        GridOutput output(tc.context(), table.get(), QStringLiteral("处理清单"));
        output.setCopyTotals(3);
        ScriptedPrompter &prompter = tc.prompter();

        const QString csv = dir.filePath(QStringLiteral("a.csv"));
        prompter.answerFile(csv);
        output.action(QStringLiteral("ExportCsv"))->trigger();
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArrayLiteral("\xEF\xBB\xBF") +
                                     QStringLiteral("财产号,题名,价格\r\nP1,呐喊,12.50\r\nP2,彷徨,7.25\r\n").toUtf8());
        QCOMPARE(prompter.lastText(), QStringLiteral("数据导出成功。"));

        const QString xlsx = dir.filePath(QStringLiteral("a.xlsx"));
        prompter.answerFile(xlsx);
        output.action(QStringLiteral("ExportXlsx"))->trigger();
        QVERIFY(run(QStringLiteral("unzip"), {QStringLiteral("-p"), xlsx, QStringLiteral("xl/sharedStrings.xml")})
                    .contains(QStringLiteral("彷徨")));

        output.action(QStringLiteral("Print"))->trigger();
        const QString pdf = dir.filePath(QStringLiteral("a.pdf"));
        prompter.answerFile(pdf);
        output.action(QStringLiteral("SavePdf"))->trigger();
        QCOMPARE(printer.jobs.size(), 2);
        QCOMPARE(printer.jobs.at(0).target, PrintTarget::Printer);
        QCOMPARE(printer.jobs.at(1).target, PrintTarget::Pdf);
        QCOMPARE(printer.jobs.at(1).pdfPath, pdf);
        const QStringList texts = pageTexts(printer.jobs.at(0).document.pages.first());
        for (const QString &t :
             {QStringLiteral("处理清单"), QStringLiteral("彷徨"), QStringLiteral("总册数：2"),
              QStringLiteral("总价格：19.75"), QStringLiteral("制表日期：2026-03-14"), QStringLiteral("制表人：W001")})
            QVERIFY2(texts.contains(t), qPrintable(t));
        QVERIFY(!texts.contains(QStringLiteral("内部")));

        // A cancelled chooser writes nothing; an empty grid asks for nothing.
        prompter.answerFile(QString());
        QVERIFY(!output.exportCsv(CsvEncoding::CodePage));
        table->setRowCount(0);
        prompter.clear();
        QVERIFY(!output.exportXlsx());
        QVERIFY(!output.print(PrintTarget::Preview));
        QCOMPARE(prompter.shown().size(), 2);
        QCOMPARE(prompter.lastText(), QStringLiteral("列表中没有数据"));
        QCOMPARE(printer.jobs.size(), 2);
        QVERIFY(prompter.done());
    }

    // A list of 60 rows written as a PDF through Qt: two A4 pages, the texts
    // where the layout put them (pdftotext gives points from the top left).
    void realPdf()
    {
        TestContext tc;
        Preferences preferences;
        QtPagePrinter printer(tc.context().messages(), preferences);
        ListReport report;
        report.title = QStringLiteral("Holdings List 2026");
        report.columns = {{QStringLiteral("No"), 30.0, TextAlign::Left},
                          {QStringLiteral("Price"), 30.0, TextAlign::Right}};
        for (int i = 1; i <= 60; ++i)
            report.rows.append({QStringLiteral("P%1").arg(i, 4, 10, QChar(u'0')), QStringLiteral("%1.50").arg(i)});
        const PageDocument doc = layoutListReport(report, PaperSetup::a4());
        QCOMPARE(doc.pages.size(), 2);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.pdf"));
        QCOMPARE(printer.print(doc, PrintTarget::Pdf, path), 1);
        const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
        QVERIFY2(text.contains(QStringLiteral("Holdings List 2026")), qPrintable(text));
        QCOMPARE(text.count(u'\f'), 2);
        QVERIFY(text.indexOf(QStringLiteral("P0044")) < text.indexOf(u'\f'));
        QVERIFY(text.indexOf(QStringLiteral("P0045")) > text.indexOf(u'\f'));
        QVERIFY(text.contains(QStringLiteral("60.50")));

        // Word boxes in points: P0001 starts 16 mm from the left edge, in
        // the row 32.5 mm from the top; the page is A4.
        const QString boxes = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
        QVERIFY(boxes.contains(QStringLiteral("<page width=\"595.")));
        const QRegularExpression word(QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                                                     "yMax=\"([0-9.]+)\">P0001<"));
        const QRegularExpressionMatch m = word.match(boxes);
        QVERIFY2(m.hasMatch(), qPrintable(boxes.left(2000)));
        constexpr double pt = 72.0 / 25.4;
        QVERIFY(qAbs(m.captured(1).toDouble() - 16 * pt) < 1.5);
        QVERIFY(m.captured(2).toDouble() > 32.5 * pt && m.captured(4).toDouble() < 38 * pt);

        // A file that cannot be written fails, and says so.
        QCOMPARE(printer.print(doc, PrintTarget::Pdf, dir.filePath(QStringLiteral("no/such/x.pdf"))), -1);
        QVERIFY(tc.prompter().lastText().contains(QStringLiteral("no/such/x.pdf")));
    }

    // The layout's text widths are never narrower than the list fonts
    // print them, so that a text it fits into a box is not cut on paper.
    void textWidthsCoverTheListFonts()
    {
        const PageFont oneMmEm{72.0 / 25.4, false, {}};
        QString samples;
        for (char16_t c = 0x20; c < 0x7F; ++c)
            samples.append(QChar(c));
        samples += QStringLiteral("书刊状态修改中文图书借阅室：，（）。·—…éü¥");
        for (const QString &family : {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans Mono CJK SC")}) {
            for (bool bold : {false, true}) {
                QFont font(family);
                font.setPixelSize(1000);
                font.setBold(bold);
                const QFontMetricsF metrics(font);
                for (const QChar c : std::as_const(samples))
                    QVERIFY2(metrics.horizontalAdvance(c) / 1000 <= textWidth(QString(c), oneMmEm) + 1e-3,
                             qPrintable(family + QLatin1Char(' ') + c));
                const QString moment = QStringLiteral("2026-03-01 09:15:00 MARC记录号 WORKSTATION-1");
                QVERIFY(metrics.horizontalAdvance(moment) / 1000 <= textWidth(moment, oneMmEm));
            }
        }
    }

    // Each search dialog offers the output menu on its grid.
    void searchDialogsOfferOutput()
    {
        TestContext tc;
        CopySearch copies(tc.context());
        MarcNoSearch records(tc.context());
        CopySearchDialog copyDialog(copies, QString());
        MarcNoSearchDialog recordDialog(tc.context(), records);
        ReaderSearchDialog readerDialog(tc.context());
        for (QDialog *dialog : std::initializer_list<QDialog *>{&copyDialog, &recordDialog, &readerDialog}) {
            auto *button = dialog->findChild<QToolButton *>(QStringLiteral("cmdOutput"));
            QVERIFY2(button != nullptr && button->menu() != nullptr, qPrintable(dialog->objectName()));
            QStringList keys;
            for (QAction *a : button->menu()->actions())
                keys.append(a->objectName());
            for (const char *key : {"ExportCsv", "ExportXlsx", "Print", "PrintPreview", "SavePdf"})
                QVERIFY2(keys.contains(QLatin1String(key)), key);
        }
    }
};

KESTRA_TEST(GridOutputTest)
#include "GridOutputTest.moc"
