#pragma once

#include "assign/AssignRules.h"

#include <QList>
#include <QString>
#include <functional>

namespace kestra {

// One copy of the title as the assignment window's grid holds it.
struct AssignCopy {
    QString subscriber; // the ordering location (indi_acct.location)
    QString callNo;
    QString location;   // the target location
    QString status;     // status code
    QString statusName; // as the grid shows it
    bool release = false;
};

struct AutoAssignTables {
    const AssignRuleSet &rules;
    const InitialStatusTable &status;
    QString separator;                                       // system parameter 20
    std::function<bool(const QString &location)> mayProcess; // quiet location right
};

// Fills the target location, status and release flag of the copies from the
// rules and the status table; writes nothing to the database. Returns the
// message that refused the whole title (empty when applied); a refused title
// is left as it was.
QString autoAssign(QList<AssignCopy> &copies, const AutoAssignTables &tables);

// The distribution a rule gives a run of n copies: the one for n, or the
// last one when the rule's maximum is below n.
QStringList distributionFor(const ClassRule &rule, int copies);

} // namespace kestra
