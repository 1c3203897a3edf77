#include "ui/QtPagePrinter.h"

#include "core/Messages.h"
#include "core/Preferences.h"

#include <QFont>
#include <QPageLayout>
#include <QPainter>
#include <QPen>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace kestra {

namespace {

constexpr double kMmPerInch = 25.4;

Qt::Alignment alignmentOf(TextAlign align)
{
    switch (align) {
    case TextAlign::Centre:
        return Qt::AlignHCenter;
    case TextAlign::Right:
        return Qt::AlignRight;
    case TextAlign::Left:
        break;
    }
    return Qt::AlignLeft;
}

// One line of a text in its box, in hundredths of a millimetre.
void drawTextLine(QPainter &painter, const QRectF &box, const PageText &text, const QString &line)
{
    const Qt::Alignment v = text.valign == TextVAlign::Top ? Qt::AlignTop : Qt::AlignVCenter;
    painter.drawText(QRectF(box.topLeft() * 100, box.size() * 100),
                     static_cast<int>(alignmentOf(text.align) | v) | Qt::TextSingleLine, line);
}

QPageLayout layoutFor(const PaperSetup &paper)
{
    const QSizeF portrait(std::min(paper.size.width(), paper.size.height()),
                          std::max(paper.size.width(), paper.size.height()));
    const QPageSize size(portrait, QPageSize::Millimeter);
    return QPageLayout(size, paper.landscape() ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
}

} // namespace

QtPagePrinter::QtPagePrinter(Messages &messages, const Preferences &preferences)
    : messages_(messages), preferences_(preferences)
{}

bool QtPagePrinter::paint(const PageDocument &document, QPagedPaintDevice &device, const QString &listFont)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // Millimetres from the paper's edge: the device's origin is the edge of
    // its full page, less the part of the paper it cannot reach.
    const double dotsPerMm = device.logicalDpiX() / kMmPerInch;
    const QRectF paintable = device.pageLayout().paintRect(QPageLayout::Millimeter);
    painter.scale(dotsPerMm, device.logicalDpiY() / kMmPerInch);
    painter.translate(-paintable.left(), -paintable.top());
    for (qsizetype i = 0; i < document.pages.size(); ++i) {
        if (i > 0)
            device.newPage();
        const Page &page = document.pages.at(i);
        for (const PageLine &line : page.lines) {
            painter.setPen(QPen(Qt::black, line.width));
            painter.drawLine(line.from, line.to);
        }
        for (const PageBox &box : page.boxes) {
            if (box.filled) {
                painter.fillRect(box.rect, Qt::black);
                continue;
            }
            painter.setPen(QPen(Qt::black, box.width));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(box.rect);
        }
        painter.setPen(Qt::black);
        for (const PageText &text : page.texts) {
            QFont font(text.font.family.isEmpty() ? listFont : text.font.family);
            // Points are 1/72 inch. The painter counts millimetres and font
            // pixel sizes are whole numbers: texts are set in hundredths.
            font.setPixelSize(qMax(1, qRound(text.font.points * kMmPerInch / 72.0 * 100)));
            font.setBold(text.font.bold);
            font.setItalic(text.font.italic);
            painter.save();
            painter.scale(0.01, 0.01);
            painter.setFont(font);
            // Lines one under the other, each in a box of its own line
            // height, the whole cut off at the text's box.
            const QStringList lines = text.text.split(QLatin1Char('\n'));
            if (lines.size() == 1) {
                drawTextLine(painter, text.box, text, text.text);
            } else {
                painter.setClipRect(QRectF(text.box.topLeft() * 100, text.box.size() * 100));
                const double step = lineHeight(text.font);
                double top = text.box.top();
                if (text.valign == TextVAlign::Centre)
                    top += (text.box.height() - step * static_cast<double>(lines.size())) / 2.0;
                PageText lineText = text;
                lineText.valign = TextVAlign::Centre;
                for (const QString &line : lines) {
                    drawTextLine(painter, QRectF(text.box.left(), top, text.box.width(), step), lineText, line);
                    top += step;
                }
            }
            painter.restore();
        }
    }
    return painter.end();
}

void QtPagePrinter::setUp(QPrinter &printer, const PageDocument &document) const
{
    printer.setFullPage(true);
    printer.setPageLayout(layoutFor(document.paper));
    printer.setDocName(document.title);
}

DevicePaper QtPagePrinter::devicePaper() const
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    DevicePaper paper;
    if (info.isNull()) {
        paper.printerInstalled = false;
        return paper;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    const QPageLayout layout = printer.pageLayout();
    const QRectF full = layout.fullRect(QPageLayout::Millimeter);
    if (full.width() > 0 && full.height() > 0) {
        paper.size = full.size();
        paper.printable = layout.paintRect(QPageLayout::Millimeter);
    }
    return paper;
}

int QtPagePrinter::print(const PageDocument &document, PrintTarget target, const QString &pdfPath)
{
    if (document.pages.isEmpty())
        return 1;
    QPrinter printer(QPrinter::HighResolution);
    setUp(printer, document);
    switch (target) {
    case PrintTarget::Pdf:
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        break;
    case PrintTarget::Preview: {
        QPrintPreviewDialog preview(&printer);
        preview.setWindowTitle(document.title);
        bool painted = true;
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter *device) {
            setUp(*device, document);
            painted = paint(document, *device, preferences_.listFontName) && painted;
        });
        preview.exec();
        if (!painted) {
            messages_.showMsg(QStringLiteral("E打印失败"));
            return -1;
        }
        return 1;
    }
    case PrintTarget::Printer: {
        QPrintDialog dialog(&printer);
        dialog.setWindowTitle(QStringLiteral("打印"));
        if (dialog.exec() != QDialog::Accepted)
            return 0;
        setUp(printer, document);
        break;
    }
    }
    if (!paint(document, printer, preferences_.listFontName)) {
        messages_.showMsg(target == PrintTarget::Pdf ? QStringLiteral("E不能写入文件：") + pdfPath
                                                     : QStringLiteral("E打印失败"));
        return -1;
    }
    return 1;
}

} // namespace kestra
