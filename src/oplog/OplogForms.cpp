// The forms of the operation log review.

#include "oplog/OplogForms.h"

#include "oplog/LogSearchForm.h"
#include "ui/FormRegistry.h"

namespace kestra {

void registerOplogForms(FormRegistry &registry)
{
    registry.add(QStringLiteral("frmLogSearch"), [](const FormServices &s, const FormArgs &) -> QWidget * {
        auto *form = new LogSearchForm(s.context);
        QObject::connect(form, &LogSearchForm::recordRequested, form,
                         [s](const QString &marcRecNo, const QString &propNo) {
                             s.open(QStringLiteral("frmBookInfo"),
                                    {{QStringLiteral("marcRecNo"), marcRecNo}, {QStringLiteral("propNo"), propNo}});
                         });
        return form;
    });
}

} // namespace kestra
