#include "copies/ChangeNotice.h"

#include "core/AppContext.h"

namespace kestra {

ChangeNotice &ChangeNotice::of(AppContext &context)
{
    return context.cache<ChangeNotice>();
}

} // namespace kestra
