// The forms of the new-book assignment subsystem.

#include "assign/AssignForms.h"

#include "assign/AssignBatchForm.h"
#include "assign/AssignLocationForm.h"
#include "assign/AutoAssignCfgForm.h"
#include "assign/NewBookAssignForm.h"
#include "ui/FormRegistry.h"

namespace kestra {

void registerAssignForms(FormRegistry &registry)
{
    registry.add(QStringLiteral("frmAutoAssignCfg"),
                 [](const FormServices &s, const FormArgs &) -> QWidget * { return new AutoAssignCfgForm(s.context); });
    // The new-book window: its batch comes back from frmTransferDoc (opened
    // with this form's name as "caller") as the argument "moveBatch".
    registry.add(QStringLiteral("frmNewBookAssign"),
                 [](const FormServices &s, const FormArgs &) -> QWidget * { return new NewBookAssignForm(s); });
    // Opened from the new-book window with "moveBatch" ("marcRecNo" for the
    // summary of a title).
    registry.add(
        QStringLiteral("frmAssignBatch"),
        [](const FormServices &s, const FormArgs &) -> QWidget * { return new AssignBatchForm(s.context); },
        QStringLiteral("3020"));
    registry.add(
        QStringLiteral("frmAssignLocation"),
        [](const FormServices &s, const FormArgs &) -> QWidget * {
            return new AssignLocationForm(s.context, s.barcode);
        },
        QStringLiteral("3001"));
    registry.add(
        QStringLiteral("frmShowAllAssign"),
        [](const FormServices &s, const FormArgs &) -> QWidget * { return new ShowAllAssignForm(s.context); },
        QStringLiteral("3001"));
}

} // namespace kestra
