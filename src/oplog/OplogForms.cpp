// The forms of the operation log review.

#include "oplog/OplogForms.h"

#include "oplog/LogSearchForm.h"
#include "ui/FormRegistry.h"

namespace kestra {

void registerOplogForms(FormRegistry &registry)
{
    registry.add(QStringLiteral("frmLogSearch"),
                 [](const FormServices &s, const FormArgs &) -> QWidget * { return new LogSearchForm(s.context); });
}

} // namespace kestra
