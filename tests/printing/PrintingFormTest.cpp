// The printing forms offscreen in the real main window: the handover
// window's label button opens the label selection on its batch, which
// previews and prints the sheets; the bill opens from its command and shows
// and prints a batch. And a label sheet written as a real PDF, its texts read
// back where the parameters put them.

#include "admin/AdminMain.h"
#include "core/PagePrinter.h"
#include "items/CopyTestLib.h"
#include "items/FormWindow.h"
#include "printing/CatalogueCard.h"
#include "printing/OutChkBillForm.h"
#include "printing/SpineLabelForm.h"
#include "support/FormDriver.h"
#include "support/RecordingPrinter.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"
#include "ui/QtPagePrinter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace kestra;
using namespace kestra::test;
using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// JJ1: three copies of two records at L1 and L2, handed over today; the
// installation's label parameters print the call number and the accession
// number, 3 × 8 labels of 70 × 37 mm.
bool seed(CopyTestLib &lib)
{
    const QString dir = lib.f.context().folders().folder(InstallFolders::CardParam);
    return lib.record(u"M1"_s, u"红楼梦"_s) && lib.record(u"M2"_s, u"Hamlet"_s) &&
           lib.copy(u"P0001"_s, u"M1"_s, u"B1"_s, u"L1"_s, u"41"_s, u"I242/1"_s) &&
           lib.copy(u"P0002"_s, u"M1"_s, u"B2"_s, u"L2"_s, u"41"_s, u"I242/1"_s) &&
           lib.copy(u"P0003"_s, u"M2"_s, u"B3"_s, u"L1"_s, u"41"_s, u"K825/9"_s) &&
           lib.f.exec(u"UPDATE indi_acct SET move_batch='JJ1', chk_batch_no='C1'"_s) &&
           lib.transferDoc(u"JJ1"_s, u"C1"_s, u"M1"_s, 2, u"1"_s, lib.today(), u"3"_s) &&
           lib.transferDoc(u"JJ1"_s, u"C1"_s, u"M2"_s, 1, u"1"_s, lib.today(), u"3"_s) &&
           lib.f.setParam(u"20"_s, u"/"_s) && QDir().mkpath(dir) &&
           writeFile(dir + u"BM_ComposeParam"_s, "card.ini\nlayout.ini\nlabel.ini\n") &&
           writeFile(dir + u"label.ini"_s, "[BaseParam]\nWidth=70\nHeight=37\nRows=8\nCols=3\nNumPerItem=1\n"
                                           "CallNoReturn=1\nCallNoStop=1\n[2PrintItem]\nPrint=1\nLeft=5\nTop=4\n"
                                           "[5PrintItem]\nPrint=1\nLeft=5\nTop=25\n");
}

QString toolOutput(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A workstation without a printer.
class NoPrinter final : public PagePrinter {
public:
    int print(const PageDocument &, PrintTarget, const QString &) override
    {
        jobs.append(1);
        return 1;
    }
    DevicePaper devicePaper() const override
    {
        DevicePaper paper;
        paper.printerInstalled = false;
        return paper;
    }
    QList<int> jobs;
};

// A word's box in a PDF from pdftotext -bbox, in mm from the top left.
QRectF wordBox(const QString &boxes, const QString &word, int occurrence = 0)
{
    const QRegularExpression re(u"xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">"_s +
                                QRegularExpression::escape(word) + u"<"_s);
    auto it = re.globalMatch(boxes);
    for (int i = 0; it.hasNext(); ++i) {
        const QRegularExpressionMatch m = it.next();
        if (i < occurrence)
            continue;
        constexpr double mmPerPt = 25.4 / 72.0;
        return QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()) * mmPerPt,
                      QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()) * mmPerPt);
    }
    return {};
}

} // namespace

class PrintingFormTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void labelsFromTheHandoverWindow_data() { addBackendRows(); }
    void labelsFromTheHandoverWindow()
    {
        OPEN_LIB(lib);
        ScriptedPrompter &prompter = lib.f.prompter();
        AppContext &context = lib.f.context();
        context.session().rights = QStringList{u"3001"_s};
        context.preferences().showDate = u"All"_s;
        RecordingPrinter printer;
        context.setPrinter(printer);
        QVERIFY(seed(lib));

        FormWindow window(context);
        QWidget *handover = window.main->openForm(u"frmTransferDoc"_s, {});
        QVERIFY(handover != nullptr);
        auto *batches = child<QTableView>(handover, "spdBatch");
        QCOMPARE(batches->model()->rowCount(), 1);
        batches->selectRow(0);
        auto *bookMark = child<QPushButton>(handover, "cmdPrintBookMark");
        QVERIFY(bookMark->isEnabled());
        // Declined: nothing opens.
        prompter.answer(AnswerCancel);
        bookMark->click();
        QCOMPARE(window.openWindows(), 1);
        prompter.answer(AnswerOk);
        bookMark->click();
        QCOMPARE(prompter.lastText(), u"是否确认开始打印书标？"_s);
        auto *form = qobject_cast<SpineLabelForm *>(window.main->mdiArea()->activeSubWindow()->widget());
        QVERIFY(form != nullptr);
        QCOMPARE(child<QLabel>(form, "lblBatch")->text(), u"JJ1"_s);
        QCOMPARE(child<QComboBox>(form, "cboWkr")->count(), 1); // 全部: the records have no cataloguer

        // Start at row 1 column 3 by the slider, by call number, class
        // breaks: I on the first sheet, K on the second.
        child<QSlider>(form, "sldStart")->setValue(3);
        QCOMPARE(child<QLineEdit>(form, "txtStartCol")->text(), u"3"_s);
        child<QRadioButton>(form, "optOrd1")->setChecked(true);
        child<QCheckBox>(form, "chkClassBreak")->setChecked(true);
        child<QPushButton>(form, "cmdPrint")->click();
        QCOMPARE(printer.jobs.size(), 1);
        QCOMPARE(printer.jobs.at(0).target, PrintTarget::Preview);
        const PageDocument &doc = printer.jobs.at(0).document;
        QCOMPARE(doc.pages.size(), 2);
        QVERIFY(findText(doc.pages.at(0), u"I242\n1"_s) != nullptr);
        QCOMPARE(findText(doc.pages.at(0), u"P0001"_s)->box.left(), 2 * 70.0 + 5);
        QVERIFY(findText(doc.pages.at(1), u"P0003"_s) != nullptr);

        // Printing asks for the paper, then sends the sheets one by one.
        prompter.answer(AnswerOk);
        child<QPushButton>(form, "cmdPrintNow")->click();
        QCOMPARE(prompter.lastText(), u"请放好纸张后点击确定开始打印！"_s);
        QCOMPARE(printer.jobs.size(), 3);
        QCOMPARE(printer.jobs.at(1).target, PrintTarget::Printer);
        QCOMPARE(printer.jobs.at(1).document.pages.size(), 1);
        QCOMPARE(printer.jobs.at(2).document.pages.size(), 1);

        // Without a printer nothing is sent, and the operator is told.
        NoPrinter none;
        context.setPrinter(none);
        child<QPushButton>(form, "cmdPrintNow")->click();
        QCOMPARE(prompter.lastText(), u"请确认是否正确安装了打印机。"_s);
        QVERIFY(none.jobs.isEmpty());
        window.main->mdiArea()->setActiveSubWindow(window.main->mdiArea()->subWindowList().first());
        prompter.answer(AnswerOk);
        child<QPushButton>(handover, "cmdPrintCard")->click();
        QCOMPARE(prompter.lastText(), u"请检查系统打印机是否正确安装。"_s);
        context.setPrinter(printer);

        // The card button asks, and the door opens the card form.
        prompter.answer(AnswerOk);
        window.main->mdiArea()->setActiveSubWindow(window.main->mdiArea()->subWindowList().first());
        child<QPushButton>(handover, "cmdPrintCard")->click();
        QVERIFY(prompter.texts().contains(u"是否确认开始打印卡片？"_s));
        QVERIFY(prompter.done());
    }

    void billFromItsCommand_data() { addBackendRows(); }
    void billFromItsCommand()
    {
        OPEN_LIB(lib);
        AppContext &context = lib.f.context();
        context.session().rights = QStringList{u"3001"_s};
        RecordingPrinter printer;
        context.setPrinter(printer);
        QVERIFY(seed(lib));

        FormWindow window(context);
        auto *form = window.openAs<OutChkBillForm>("mnuHoldOutChkBill", "frmOutChkBill");
        QVERIFY(form != nullptr);
        auto *batch = child<QComboBox>(form, "cobMoveBatch");
        QCOMPARE(batch->count(), 1);
        QCOMPARE(batch->currentText(), u"JJ1"_s);
        QCOMPARE(child<QComboBox>(form, "cobLoca")->count(), 3); // 全部, L1, L2
        child<QPushButton>(form, "cmdStat")->click();
        auto *list = child<QTableView>(form, "spdList");
        QCOMPARE(list->model()->rowCount(), 3); // per title, by location
        QCOMPARE(cellText(list, 0, 8), u"中文图书库: P0001 ; 外文书库: P0002"_s);
        child<QPushButton>(form, "cmdPrint")->click();
        QCOMPARE(printer.jobs.size(), 1);
        const QStringList texts = pageTexts(printer.jobs.at(0).document.pages.last());
        QVERIFY(texts.contains(u"总册数：3"_s));
        QVERIFY(texts.contains(u"交接批次：JJ1"_s) ||
                pageTexts(printer.jobs.at(0).document.pages.first()).contains(u"交接批次：JJ1"_s));

        // The same batch from a script: labels and bill as PDF files.
        QTemporaryDir dir;
        const PdfPrinterFactory pdf = [](AppContext &c) {
            return std::make_unique<QtPagePrinter>(c.messages(), c.preferences());
        };
        const QStringList common{u"--root"_s, context.folders().root(), u"--dsn"_s, lib.f.database->dsn(),
                                 u"--batch"_s};
        const QString labels = dir.filePath(u"labels.pdf"_s);
        QCOMPARE(
            adminMain(QStringList{u"kestra-admin"_s, u"labels"_s} + common + QStringList{u"JJ1"_s, u"--pdf"_s, labels},
                      pdf),
            0);
        const QString labelText = toolOutput(u"pdftotext"_s, {u"-layout"_s, labels, u"-"_s});
        QVERIFY2(labelText.contains(u"P0001"_s) && labelText.contains(u"P0003"_s), qPrintable(labelText));
        const QString billFile = dir.filePath(u"bill.pdf"_s);
        QCOMPARE(adminMain(QStringList{u"kestra-admin"_s, u"bill"_s} + common +
                               QStringList{u"JJ1"_s, u"--view"_s, u"copies"_s, u"--pdf"_s, billFile},
                           pdf),
                 0);
        QVERIFY(toolOutput(u"pdftotext"_s, {u"-layout"_s, billFile, u"-"_s}).contains(u"P0002"_s));
        // A batch without copies writes nothing and fails.
        const QString none = dir.filePath(u"none.pdf"_s);
        QCOMPARE(
            adminMain(QStringList{u"kestra-admin"_s, u"labels"_s} + common + QStringList{u"JJ9"_s, u"--pdf"_s, none},
                      pdf),
            1);
        QVERIFY(!QFile::exists(none));
    }

    // A card written as a PDF: the card's size, the call number where the
    // grid puts it.
    void cardPdf()
    {
        TestContext tc;
        Preferences preferences;
        QtPagePrinter printer(tc.context().messages(), preferences);
        CardParams p;
        p.lines = 10;
        p.columns = 40;
        p.leftMargin = Distance::mm(10);
        p.topMargin = Distance::mm(5);
        p.classRow = 2;
        p.classCol = 1;
        p.maxLineChars = 8;
        p.lineReturn = u"/"_s;
        p.kinds[0].print = true;
        p.holdingYorn = true;
        p.holdingRow = 5;
        p.holdingCol = 1;
        CardData card;
        card.callNumber = u"I242.4/12"_s;
        card.classNumber = u"I242.4"_s;
        card.paragraphs = {u"Hamlet / William Shakespeare"_s};
        card.holdings = {u"A0001"_s};
        const PageDocument doc = layoutCards({card}, p);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"card.pdf"_s);
        QCOMPARE(printer.print(doc, PrintTarget::Pdf, path), 1);
        const QString boxes = toolOutput(u"pdftotext"_s, {u"-bbox"_s, path, u"-"_s});
        // Qt keeps page sizes in whole points: 125 x 75 mm is 354 x 213 pt.
        QVERIFY2(boxes.contains(u"<page width=\"354.0"_s), qPrintable(boxes.left(500)));
        // 125 - 10 mm over 40 columns, 75 - 5 mm over 10 lines.
        const QRectF call = wordBox(boxes, u"I242.4"_s);
        const QRectF holding = wordBox(boxes, u"A0001"_s);
        const QRectF title = wordBox(boxes, u"Hamlet"_s);
        QVERIFY2(call.isValid() && holding.isValid() && title.isValid(), qPrintable(boxes.left(3000)));
        QVERIFY(qAbs(call.left() - 10) < 0.1);
        QVERIFY(qAbs(holding.left() - 10) < 0.1);
        QVERIFY(qAbs(title.left() - (10 + 9 * 115.0 / 40)) < 0.1);
        // The call number's second line one line (7 mm) under its first.
        const QRectF book = wordBox(boxes, u"12"_s);
        QVERIFY(qAbs((book.top() - call.top()) - 7.0) < 0.1);
        QVERIFY(holding.top() > call.top() + 3 * 7.0 - 1 && holding.top() < call.top() + 3 * 7.0 + 1);
    }

    // True size: the accession numbers of a sheet land where the parameters
    // put them, to a tenth of a millimetre across; rows are the label's
    // height apart to a tenth of a millimetre.
    void labelSheetPdf()
    {
        TestContext tc;
        Preferences preferences;
        QtPagePrinter printer(tc.context().messages(), preferences);
        LabelParams p;
        p.width = Distance::mm(63.5);
        p.height = Distance::mm(38.1);
        p.rows = 7;
        p.cols = 3;
        p.numPerItem = 1;
        p.items[4].print = 1;
        p.items[4].left = Distance::mm(4.2);
        p.items[4].top = Distance::mm(10);
        p.items[4].fontSize = 10;
        // The call number in two lines, italic: a text of several lines on
        // the device.
        p.callNoReturn = 1;
        p.items[1].print = 1;
        p.items[1].left = Distance::mm(30);
        p.items[1].top = Distance::mm(2);
        p.items[1].fontSize = 10;
        p.items[1].italic = true;
        QList<LabelCopy> copies;
        for (int i = 1; i <= 6; ++i)
            copies.append(LabelCopy{u"CN%1/X%1"_s.arg(i), {}, {}, {}, u"Q%1"_s.arg(i, 4, 10, QChar(u'0')), {}, {}});
        LabelRun run;
        run.separator = u"/"_s;
        run.startCol = 2;
        const LabelLayout layout = layoutSpineLabels(p, copies, run, DevicePaper{});
        QVERIFY(layout.error.isEmpty());
        QTemporaryDir dir;
        const QString path = dir.filePath(u"labels.pdf"_s);
        QCOMPARE(printer.print(layout.document, PrintTarget::Pdf, path), 1);
        const QString boxes = toolOutput(u"pdftotext"_s, {u"-bbox"_s, path, u"-"_s});
        // 3 × 63.5 = 190.5 mm across A4: 9.75 mm each side; 7 × 38.1 =
        // 266.7 mm down: 15.15 mm above.
        const double x0 = (210 - 190.5) / 2;
        const double y0 = (297 - 266.7) / 2;
        const QRectF first = wordBox(boxes, u"Q0001"_s);
        const QRectF third = wordBox(boxes, u"Q0003"_s);
        const QRectF fifth = wordBox(boxes, u"Q0005"_s);
        const QRectF sixth = wordBox(boxes, u"Q0006"_s);
        QVERIFY2(first.isValid() && third.isValid() && fifth.isValid() && sixth.isValid(),
                 qPrintable(boxes.left(3000)));
        QVERIFY2(qAbs(first.left() - (x0 + 63.5 + 4.2)) < 0.1, qPrintable(QString::number(first.left())));
        QVERIFY(qAbs(third.left() - (x0 + 4.2)) < 0.1);
        QVERIFY(qAbs(fifth.left() - (x0 + 2 * 63.5 + 4.2)) < 0.1);
        QVERIFY(qAbs(sixth.left() - third.left()) < 0.1);
        QVERIFY(qAbs((third.top() - first.top()) - 38.1) < 0.1);
        QVERIFY(qAbs((sixth.top() - third.top()) - 38.1) < 0.1);
        // The second line of a call number: under the first, a line apart.
        const QRectF line1 = wordBox(boxes, u"CN1"_s);
        const QRectF line2 = wordBox(boxes, u"X1"_s);
        QVERIFY(line1.isValid() && line2.isValid());
        QVERIFY(qAbs(line1.left() - (x0 + 63.5 + 30)) < 0.1);
        QVERIFY(qAbs(line2.left() - line1.left()) < 0.1);
        QVERIFY(qAbs((line2.top() - line1.top()) - lineHeight(PageFont{10, false, {}, true})) < 0.1);
        // The text's box starts 10 mm under the label's top: the glyphs sit
        // below it, within the font's height.
        QVERIFY(first.top() >= y0 + 10 - 0.1 && first.bottom() <= y0 + 10 + 10 * 25.4 / 72 * 1.3);
    }
};

KESTRA_TEST(PrintingFormTest)
#include "PrintingFormTest.moc"
