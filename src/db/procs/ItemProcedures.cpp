// The suite procedures that change copies, circulation rows, the processing
// log and processing batches.

#include "db/OraError.h"
#include "db/procs/Procedures.h"

namespace kestra {

const QList<ProcedureDef> &itemProcedures()
{
    static const QList<ProcedureDef> procedures = {};
    return procedures;
}

} // namespace kestra
