#include "ui/FormRegistry.h"

namespace kestra {

QWidget *FormRegistry::create(const QString &formName, AppContext &context, const QString &mode) const
{
    const auto it = factories_.constFind(formName);
    return it == factories_.constEnd() ? nullptr : it.value()(context, mode);
}

} // namespace kestra
