#include "shell/StartupLoaders.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "marc/BibParams.h"
#include "marc/BibStore.h"
#include "shell/Startup.h"

namespace kestra {

int probeBibliographicStorage(AppContext &context)
{
    return probeBibStorage(context.db(), context.cache<BibParams>());
}

void registerStartupLoaders(Startup &startup, AppContext &context)
{
    context.db().addConnectProbe([&context](Session &) { return probeBibliographicStorage(context); });
    startup.addLoader(Startup::Stage::AfterCodeTables, QStringLiteral("bibliographic parameters"), [](AppContext &ctx) {
        return loadBibParams(ctx.db(), ctx.folders(), ctx.codePage(), ctx.cache<BibParams>());
    });
}

} // namespace kestra
