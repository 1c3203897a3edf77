#pragma once

#include "admin/PrintCommand.h"

#include <QStringList>

namespace kestra {

// What `kestra-admin help` prints: every command and its options.
QString adminUsage();

// Runs one kestra-admin command; returns the process exit code.
// The print commands (labels, cards, bill) need the PDF device the
// program hands in; without it they refuse. The installation folder
// defaults to $KESTRA_ROOT, else programFolder (the program's own folder
// when empty).
int adminMain(const QStringList &arguments, const PdfPrinterFactory &printers = {}, const QString &programFolder = {});

} // namespace kestra
