#include "shell/ProgramForms.h"

#include "addins/AddinsForms.h"
#include "assign/AssignForms.h"
#include "inventory/InventoryForms.h"
#include "items/ItemsForms.h"
#include "oplog/OplogForms.h"
#include "printing/PrintingForms.h"
#include "records/RecordsForms.h"
#include "shelving/ShelvingForms.h"
#include "stats/StatsForms.h"

namespace kestra {

void registerForms(FormRegistry &registry)
{
    registerItemsForms(registry);
    registerOplogForms(registry);
    registerAssignForms(registry);
    registerStatsForms(registry);
    registerShelvingForms(registry);
    registerInventoryForms(registry);
    registerPrintingForms(registry);
    registerRecordsForms(registry);
    registerAddinsForms(registry);
}

} // namespace kestra
