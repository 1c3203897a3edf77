#pragma once

#include "core/PagePrinter.h"

class QPagedPaintDevice;
class QPainter;
class QPrinter;

namespace kestra {

class Messages;
struct Preferences;

// The PagePrinter over Qt's print system: the print dialog and the
// printer, QPrintPreviewDialog, or a PDF file through the same painting.
class QtPagePrinter final : public PagePrinter {
public:
    // Failures are shown through the messages; texts without a family of
    // their own are set in the per-user list font.
    QtPagePrinter(Messages &messages, const Preferences &preferences);

    int print(const PageDocument &document, PrintTarget target, const QString &pdfPath) override;
    DevicePaper devicePaper() const override;

    // Paints the pages on a device whose page size and margins are already
    // set up for the document (full page: positions are from the paper's
    // edge). False when the painter cannot start.
    static bool paint(const PageDocument &document, QPagedPaintDevice &device, const QString &listFont);

private:
    void setUp(QPrinter &printer, const PageDocument &document) const;

    Messages &messages_;
    const Preferences &preferences_;
};

} // namespace kestra
