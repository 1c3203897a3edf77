// The record information window: reached from the main window and, through
// the door, from every list that shows a copy or a record.

#include "records/RecordsForms.h"

#include "records/BookInfoForm.h"
#include "ui/FormRegistry.h"

namespace kestra {

void registerRecordsForms(FormRegistry &registry)
{
    registry.add(QStringLiteral("frmBookInfo"), [](const FormServices &s, const FormArgs &) -> QWidget * {
        return new BookInfoForm(s.context, s.settings);
    });
}

} // namespace kestra
