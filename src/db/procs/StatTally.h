#pragma once

#include "db/procs/ProcHost.h"
#include "db/procs/StatQuery.h"

namespace kestra {

enum class TallyOutcome {
    Counted, // every condition's value is in `values`
    NotMine, // the query or a condition is beyond the tally: ask the database
    Failed,  // the database failed: `error`
};

// The value of an aggregate base query under each of its conditions, from
// one pass over the base query's rows: the rows are read once, each
// distinct set of the values the conditions read is tested once, in
// memory, and the aggregates COUNT(x), COUNT(*), COUNT(DISTINCT x) and
// SUM(x) are gathered per set and then per condition. The database puts
// the figures into the base query's select list, so that each value reads
// as the query restricted by its condition would give it (one Row of the
// list's columns per condition). Sums are exact in decimal (the database's
// binary sum can differ in its last digits).
TallyOutcome statTally(ProcHost &host, const AggregateQuery &q, const QStringList &conditions, QList<Row> &values,
                       DbError &error);

} // namespace kestra
