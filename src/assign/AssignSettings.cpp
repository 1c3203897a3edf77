#include "assign/AssignSettings.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "core/SysParams.h"
#include "marc/BibParams.h"

namespace kestra {

int loadSubscriberChoices(AppContext &context, QueryResult &result)
{
    return context.db().query(
        QStringLiteral("SELECT location_sort.location, location_lst.location_name FROM location_sort,location_lst "
                       "WHERE location_sort.location=location_lst.location AND location_sort.oper_type=") +
            sqlQuote(QString::fromUtf16(kSubscriberOperType)) + QStringLiteral(" ORDER BY location_sort.sequence"),
        result);
}

int loadLocationChoices(AppContext &context, QueryResult &result)
{
    return context.db().query(QStringLiteral("SELECT location, location_name FROM location_lst ORDER BY location_name"),
                              result);
}

namespace {

// The parsed rule file of the run (AppContext::cache).
struct AssignRuleCache {
    AssignRuleSet rules;
    bool loaded = false;
};

} // namespace

const AssignRuleSet &assignRules(AppContext &context)
{
    AssignRuleCache &cache = context.cache<AssignRuleCache>();
    if (!cache.loaded) {
        cache.rules = loadRuleSet(context.folders(), context.codePage());
        cache.loaded = true;
    }
    return cache.rules;
}

QString callNumberSeparator(AppContext &context)
{
    return callNoSeparatorOf(context.params().text(20)).left(1);
}

void reloadAssignSettings(AppContext &context)
{
    context.cache<AssignRuleCache>().loaded = false;
    SharedSettings &files = context.codes().settings();
    files.assignGroups = loadAssignGroups(context.folders(), context.codePage());
    files.initialStatus = loadInitialStatus(context.folders(), context.codePage());
}

} // namespace kestra
