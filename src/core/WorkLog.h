#pragma once

#include <QString>

namespace kestra {

class AppContext;

// LogOperation: one row of the suite's operation log through xt_log_detl,
// stamped with the operator, the workstation and the name of the current
// location; certain codes recount the title's copies afterwards. -1 when a
// call fails (the caller shows it with ShowDbError), except that a failing
// recount is shown here.
int logOperation(AppContext &context, const QString &jobCode, const QString &p1, const QString &p2 = QString(),
                 const QString &p3 = QString(), const QString &p4 = QString(), const QString &remark = QString(),
                 const QString &p6 = QString());

// LogWorkQty: adds to the operator's workload counters through XT_wkr_job_qty.
int logWorkQty(AppContext &context, const QString &workCode, double quantity1, double quantity2, double amount);

} // namespace kestra
