#include "ui/FormRegistry.h"

namespace kestra {

QWidget *FormRegistry::create(const QString &formName, const FormServices &services, const FormArgs &args) const
{
    const auto it = factories_.constFind(formName);
    return it == factories_.constEnd() ? nullptr : it.value()(services, args);
}

} // namespace kestra
