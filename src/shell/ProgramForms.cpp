#include "shell/ProgramForms.h"

#include "addins/AddinsForms.h"
#include "assign/AssignForms.h"
#include "items/ItemsForms.h"
#include "oplog/OplogForms.h"
#include "stats/StatsForms.h"

namespace kestra {

void registerForms(FormRegistry &registry)
{
    registerItemsForms(registry);
    registerOplogForms(registry);
    registerAssignForms(registry);
    registerStatsForms(registry);
    registerAddinsForms(registry);
}

} // namespace kestra
