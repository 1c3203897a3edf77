// The forms of the new-book assignment subsystem.

#include "assign/AssignForms.h"

#include "assign/AutoAssignCfgForm.h"
#include "ui/FormRegistry.h"

namespace kestra {

void registerAssignForms(FormRegistry &registry)
{
    registry.add(QStringLiteral("frmAutoAssignCfg"),
                 [](const FormServices &s, const FormArgs &) -> QWidget * { return new AutoAssignCfgForm(s.context); });
}

} // namespace kestra
