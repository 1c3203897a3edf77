#pragma once

#include "core/PagePrinter.h"

#include <QStringList>
#include <functional>
#include <memory>

namespace kestra {

class AppContext;

// Makes the device that writes a PDF for a context; the program passes the
// Qt one (it needs a GUI application for its fonts).
using PdfPrinterFactory = std::function<std::unique_ptr<PagePrinter>(AppContext &context)>;

// kestra-admin labels|cards|bill --root DIR --batch B [--location L]
// [--view locations|titles|copies] --pdf FILE: the spine labels, the
// catalogue cards or the handover bill of a batch as a PDF, the same pages
// the forms print, with the installation's parameter files. Messages the
// forms would show go to stderr. The exit status: 0 written, 1 refused or
// failed, 2 a wrong command line.
int runPrintCommand(const QStringList &arguments, const PdfPrinterFactory &printers);

} // namespace kestra
