#include "shell/ProgramForms.h"

#include "assign/AssignForms.h"
#include "items/ItemsForms.h"
#include "oplog/OplogForms.h"
#include "records/RecordsForms.h"
#include "stats/StatsForms.h"

namespace kestra {

void registerForms(FormRegistry &registry)
{
    registerItemsForms(registry);
    registerOplogForms(registry);
    registerAssignForms(registry);
    registerStatsForms(registry);
    registerRecordsForms(registry);
}

} // namespace kestra
