// The statistics windows.

#include "stats/StatsForms.h"

#include "stats/ClassStatForm.h"
#include "stats/JobStatForm.h"
#include "stats/NewBookListForm.h"
#include "stats/NewBookStatForm.h"
#include "ui/FormRegistry.h"

namespace kestra {

void registerStatsForms(FormRegistry &registry)
{
    registry.add(QStringLiteral("frmStatJob"), [](const FormServices &s, const FormArgs &args) -> QWidget * {
        return new JobStatForm(s.context, formMode(args));
    });
    registry.add(QStringLiteral("frmNewBookAllStat"), [](const FormServices &s, const FormArgs &) -> QWidget * {
        auto *form = new NewBookStatForm(s.context);
        QObject::connect(form, &NewBookStatForm::bookListRequested, form,
                         [s](const QVariantMap &args) { s.open(QStringLiteral("frmNewBookList"), args); });
        return form;
    });
    for (const ClassStatWindow &window : ClassStatForm::windows()) {
        registry.add(window.formName, [window](const FormServices &s, const FormArgs &) -> QWidget * {
            return new ClassStatForm(s.context, window);
        });
    }
    // The new copies of a location for a period (the new-book statistic's
    // "book"); a copy's row opens the record window.
    registry.add(QStringLiteral("frmNewBookList"), [](const FormServices &s, const FormArgs &) -> QWidget * {
        auto *form = new NewBookListForm(s.context);
        QObject::connect(form, &NewBookListForm::recordRequested, form,
                         [s](const QString &marcRecNo, const QString &propNo) {
                             s.open(QStringLiteral("frmBookInfo"),
                                    {{QStringLiteral("marcRecNo"), marcRecNo}, {QStringLiteral("propNo"), propNo}});
                         });
        return form;
    });
}

} // namespace kestra
