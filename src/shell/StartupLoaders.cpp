#include "shell/StartupLoaders.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "marc/BibParams.h"
#include "marc/BibStore.h"
#include "marc/MarcText.h"
#include "shell/Startup.h"

namespace kestra {

int probeBibliographicStorage(AppContext &context)
{
    Session &db = context.db();
    BibParams &params = context.cache<BibParams>();
    // The declared size of marc03 tells the storage mode: national-character
    // columns wider than 2000 are the Unicode mode.
    // A database without the tables is left to the loads that follow, which
    // say what is missing; the probes then keep the ANSI defaults.
    QueryResult data;
    if (db.query(QStringLiteral("select marc03 from marc_data where rownum=1"), data) < 0)
        return 0;
    params.unicodeMode = unicodeModeForSize(data.columnCount() > 0 ? data.column(0).size : -1);
    db.setUnicodeMode(params.unicodeMode);
    db.setDumpDecoder([](QStringView cell) { return decodeDump(cell); });

    QueryResult index;
    if (db.query(QStringLiteral("select marc_idx_cont from marc_idx where rownum=1"), index) < 0)
        return 0;
    params.indexWidth = indexWidthFor(params.unicodeMode, index.columnCount() > 0 ? index.column(0).size : -1);
    return 0;
}

void registerStartupLoaders(Startup &startup, AppContext &context)
{
    context.db().addConnectProbe([&context](Session &) { return probeBibliographicStorage(context); });
    startup.addLoader(Startup::Stage::AfterCodeTables, QStringLiteral("bibliographic parameters"), [](AppContext &ctx) {
        return loadBibParams(ctx.db(), ctx.folders(), ctx.codePage(), ctx.cache<BibParams>());
    });
}

} // namespace kestra
