// The statistics windows.

#include "stats/StatsForms.h"

#include "stats/JobStatForm.h"
#include "stats/NewBookStatForm.h"
#include "ui/FormRegistry.h"

namespace kestra {

void registerStatsForms(FormRegistry &registry)
{
    registry.add(QStringLiteral("frmStatJob"), [](const FormServices &s, const FormArgs &args) -> QWidget * {
        return new JobStatForm(s.context, formMode(args));
    });
    registry.add(QStringLiteral("frmNewBookAllStat"),
                 [](const FormServices &s, const FormArgs &) -> QWidget * { return new NewBookStatForm(s.context); });
}

} // namespace kestra
