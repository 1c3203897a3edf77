// The forms of the add-in layer.

#include "addins/AddinsForms.h"

#include "addins/AddinManagerWindow.h"
#include "addins/AddinsCollection.h"
#include "ui/FormRegistry.h"

namespace kestra {

void registerAddinsForms(FormRegistry &registry)
{
    // The main window loads the add-ins of the run into the context's
    // collection; the manager lists that one.
    registry.add(QStringLiteral("frmAddinManager"), [](const FormServices &s, const FormArgs &) -> QWidget * {
        return new AddinManagerWindow(s.context.cache<AddinsCollection>());
    });
}

} // namespace kestra
