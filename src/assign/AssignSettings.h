#pragma once

#include "assign/AssignRules.h"
#include "db/QueryResult.h"

namespace kestra {

class AppContext;

// The location_sort operation type whose locations are offered as
// subscribers: "2", the holdings department's own list, which the login
// loads as the operator's working locations. New copies are ordered for
// these locations, so they are the ones a rule can be written for.
inline constexpr char16_t kSubscriberOperType[] = u"2";

// Subscribers (code, name) and all locations (code, name); -1 when the
// query fails (the session's error record says why).
int loadSubscriberChoices(AppContext &context, QueryResult &result);
int loadLocationChoices(AppContext &context, QueryResult &result);

// Reads both rule files again into the tables the assignment window uses,
// so that a saved change applies at once.
void reloadAssignSettings(AppContext &context);

// The rule file as AutoAssign applies it: parsed once for the run, kept in
// the context, and parsed again when the rule editor saves
// (reloadAssignSettings), so that no caller keeps the raw lines alive.
const AssignRuleSet &assignRules(AppContext &context);

// The separator between class number and book number of a call number:
// the first character of system parameter 20 read as the catalogue reads
// it (callNoSeparatorOf: "_" a blank, unset "/"), so that AutoAssign cuts a
// class number where the catalogue cut the call number it made.
QString callNumberSeparator(AppContext &context);

} // namespace kestra
