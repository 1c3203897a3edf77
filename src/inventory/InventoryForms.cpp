// The stock-taking forms: the scan window of the main window's command, and
// the statistics and missing-copy windows it opens with its batch.

#include "inventory/InventoryForms.h"

#include "inventory/BookCountForm.h"
#include "inventory/CountLostForm.h"
#include "inventory/CountReportForm.h"
#include "ui/FormRegistry.h"

namespace kestra {

void registerInventoryForms(FormRegistry &registry)
{
    registry.add(QStringLiteral("frmHold_BookCount_New"), [](const FormServices &s, const FormArgs &) -> QWidget * {
        auto *form = new BookCountForm(s.context, s.barcode, s);
        if (s.pickers.copySearch)
            form->setCopySearch(s.pickers.copySearch(s.context, form));
        return form;
    });
    registry.add(
        QStringLiteral("frmHold_BookCount_Report"),
        [](const FormServices &s, const FormArgs &) -> QWidget * { return new CountReportForm(s.context); },
        QStringLiteral("3005"));
    registry.add(
        QStringLiteral("frmHold_BookCount_LostView"),
        [](const FormServices &s, const FormArgs &) -> QWidget * { return new CountLostForm(s.context); },
        QStringLiteral("3005"));
}

} // namespace kestra
