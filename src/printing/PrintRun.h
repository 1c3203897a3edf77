#pragma once

#include "core/PagePrinter.h"
#include "output/PrintCalibration.h"

namespace kestra {

class AppContext;

// Sends finished pages to the context's printer. A printer run first checks
// that a printer is installed ("请确认是否正确安装了打印机。") and asks for
// the paper ("请放好纸张后点击确定开始打印！"); `sheets` (first pages of
// sheets to print one by one, as class breaks make them) splits the run into
// one job per sheet; empty prints the document at once. The preview and
// the PDF take the whole document. The calibration moves the pages on
// paper and in the preview, never in a PDF (which is the true size).
// 1 done, 0 cancelled, -1 failed or refused (shown).
int printPages(AppContext &context, const PageDocument &document, PrintTarget target, const QString &pdfPath,
               const PrintCalibration &calibration, bool sheetBySheet = false);

} // namespace kestra
