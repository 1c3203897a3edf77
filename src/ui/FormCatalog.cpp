// The forms of the program. Each subsystem adds its forms here.

#include "ui/FormRegistry.h"

namespace kestra {

void registerForms(FormRegistry &registry)
{
    Q_UNUSED(registry);
}

} // namespace kestra
