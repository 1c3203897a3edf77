#include "printing/PrintRun.h"

#include "core/AppContext.h"

namespace kestra {

int printPages(AppContext &context, const PageDocument &document, PrintTarget target, const QString &pdfPath,
               const PrintCalibration &calibration, bool sheetBySheet)
{
    PagePrinter &printer = context.printer();
    if (target == PrintTarget::Pdf)
        return printer.print(document, target, pdfPath);
    const PageDocument onPaper = calibrated(document, calibration);
    if (target == PrintTarget::Preview)
        return printer.print(onPaper, target, QString());
    if (!printer.devicePaper().printerInstalled) {
        context.showMsg(QStringLiteral("E请确认是否正确安装了打印机。"));
        return -1;
    }
    if (context.showMsg(QStringLiteral("Q请放好纸张后点击确定开始打印！")) != AnswerOk)
        return 0;
    if (!sheetBySheet || onPaper.pages.size() <= 1)
        return printer.print(onPaper, target, QString());
    for (qsizetype i = 0; i < onPaper.pages.size(); ++i) {
        const int done = printer.print(pageRange(onPaper, i, i), target, QString());
        if (done <= 0)
            return done;
    }
    return 1;
}

} // namespace kestra
