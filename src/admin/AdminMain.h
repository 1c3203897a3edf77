#pragma once

#include "admin/PrintCommand.h"

#include <QStringList>

namespace kestra {

// What `kestra-admin help` prints: every command and its options.
QString adminUsage();

// Runs one kestra-admin command; returns the process exit code.
// The print commands (labels, cards, bill) need the PDF device the
// program hands in; without it they refuse.
int adminMain(const QStringList &arguments, const PdfPrinterFactory &printers = {});

} // namespace kestra
