#pragma once

#include <QList>
#include <QMarginsF>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <algorithm>

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
    bool italic = false;
};

enum class TextAlign { Left, Centre, Right };
enum class TextVAlign { Centre, Top };

// Text inside its box (mm): aligned horizontally, centred vertically or set
// at the top, cut off at the box's edges. A text with line breaks ("\n")
// prints its lines one under the other, lineHeight(font) apart.
struct PageText {
    QRectF box;
    QString text;
    PageFont font;
    TextAlign align = TextAlign::Left;
    TextVAlign valign = TextVAlign::Centre;
};

// The distance between the lines of a text of several lines, mm: the
// font's size and a fifth.
inline double lineHeight(const PageFont &font)
{
    return font.points * 25.4 / 72.0 * 1.2;
}

struct PageLine {
    QPointF from;
    QPointF to;
    double width = 0.2; // mm
};

struct PageBox {
    QRectF rect;
    double width = 0.2;  // mm
    bool filled = false; // black inside; no outline of its own then
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

// Pages first..last (from 0, both included; clamped to the document) as a
// document of their own: a run of labels split at class breaks prints sheet
// by sheet, each sheet its own job.
inline PageDocument pageRange(const PageDocument &document, qsizetype first, qsizetype last)
{
    PageDocument part{document.title, document.paper, {}};
    first = std::max<qsizetype>(first, 0);
    last = std::min<qsizetype>(last, document.pages.size() - 1);
    for (qsizetype i = first; i <= last; ++i)
        part.pages.append(document.pages.at(i));
    return part;
}

// What the device offers: whether a printer is installed, its paper (a
// custom size as the driver reports it) and the part of it the printer can
// reach, in mm from the paper's top left corner. Without a device the
// paper is A4 and all of it is printable, as in a PDF.
struct DevicePaper {
    bool printerInstalled = true;
    QSizeF size{210.0, 297.0};
    QRectF printable{0.0, 0.0, 210.0, 297.0};
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

    // The default printer's paper and printable area; labels are laid out
    // on it. A PDF is written on the whole paper.
    virtual DevicePaper devicePaper() const { return {}; }
};

} // namespace kestra
