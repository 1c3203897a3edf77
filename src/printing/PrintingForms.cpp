#include "printing/PrintingForms.h"

#include "output/PrintCalibration.h"
#include "printing/CardPrintForm.h"
#include "printing/OutChkBillForm.h"
#include "printing/SpineLabelForm.h"
#include "ui/FormRegistry.h"

namespace kestra {

void registerPrintingForms(FormRegistry &registry)
{
    // Labels: "moveBatch", the batch whose copies get labels.
    registry.add(
        QStringLiteral("frmPrintBookMark"),
        [](const FormServices &s, const FormArgs &) -> QWidget * { return new SpineLabelForm(s.context, s.settings); },
        QStringLiteral("3001"));
    // Cards: "moveBatch" (the records of a handover batch) and/or
    // "marcRecNo" (one record).
    registry.add(
        QStringLiteral("frmPrintCard"),
        [](const FormServices &s, const FormArgs &) -> QWidget * { return new CardPrintForm(s.context, s.settings); },
        QStringLiteral("3001"));
    // The bill: "moveBatch" (optional), shown at once.
    registry.add(
        QStringLiteral("frmOutChkBill"),
        [](const FormServices &s, const FormArgs &) -> QWidget * { return new OutChkBillForm(s.context); },
        QStringLiteral("3001"));
}

} // namespace kestra
