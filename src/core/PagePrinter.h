#pragma once

#include <QList>
#include <QMarginsF>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace kestra {

// Printed output as data. Everything the client prints — lists, reports,
// spine labels, catalogue cards — is produced as pages of positioned texts,
// lines and boxes in millimetres from the paper's top left corner; one
// PagePrinter puts such pages on a printer, a preview or a PDF file. Tests
// read the pages instead of paper.

struct PageFont {
    double points = 10.5;
    bool bold = false;
    QString family; // empty: the printer's list font
};

enum class TextAlign { Left, Centre, Right };

// One line of text inside its box (mm): aligned horizontally, centred
// vertically, cut off at the box's edges.
struct PageText {
    QRectF box;
    QString text;
    PageFont font;
    TextAlign align = TextAlign::Left;
};

struct PageLine {
    QPointF from;
    QPointF to;
    double width = 0.2; // mm
};

struct PageBox {
    QRectF rect;
    double width = 0.2; // mm
};

struct Page {
    QList<PageText> texts;
    QList<PageLine> lines;
    QList<PageBox> boxes;
};

// The paper, portrait or landscape (size as it lies), and the margins the
// producer keeps to.
struct PaperSetup {
    QSizeF size{210.0, 297.0};
    QMarginsF margins{15.0, 15.0, 15.0, 15.0};

    static PaperSetup a4(bool landscape = false)
    {
        PaperSetup paper;
        if (landscape)
            paper.size.transpose();
        return paper;
    }
    bool landscape() const { return size.width() > size.height(); }
    QRectF printable() const { return QRectF(QPointF(0, 0), size).marginsRemoved(margins); }
};

struct PageDocument {
    QString title; // the print job's name
    PaperSetup paper;
    QList<Page> pages;
};

enum class PrintTarget { Printer, Preview, Pdf };

// The seam between the pages and a device. The gui gives the context a Qt
// one; tests a recording one; a context without one refuses to print.
class PagePrinter {
public:
    virtual ~PagePrinter() = default;

    // Prints, previews or writes the PDF at pdfPath. 1 when done, 0 when the
    // person cancelled (the print dialog), -1 on failure (shown).
    virtual int print(const PageDocument &document, PrintTarget target, const QString &pdfPath) = 0;
};

} // namespace kestra
