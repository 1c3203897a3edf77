#include "admin/PrintCommand.h"

#include "admin/DatabaseCommands.h"
#include "core/AppContext.h"
#include "core/Session.h"
#include "db/Backends.h"
#include "kit/Days.h"
#include "output/ListReport.h"
#include "printing/CardPrint.h"
#include "printing/HandoverBill.h"
#include "printing/SpineLabelPrint.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace kestra {

namespace {

int printCommandError(const QString &command, const QString &text, int status)
{
    std::fprintf(stderr, "kestra-admin %s: %s\n", qUtf8Printable(command), qUtf8Printable(text));
    return status;
}

// The pages of one command; false when a message was shown instead.
bool printCommandPages(AppContext &context, const QString &command, const QCommandLineParser &parser,
                       PageDocument &document)
{
    const QString batch = parser.value(QStringLiteral("batch"));
    if (command == u"labels") {
        SpineLabelPrint labels(context);
        LabelLayout layout;
        if (labels.loadParams() < 0 || labels.setBatch(batch) < 0 || labels.layout({}, DevicePaper{}, layout) != 1)
            return false;
        document = layout.document;
        return true;
    }
    if (command == u"cards") {
        CardPrint cards(context);
        if (cards.loadParams() < 0 || cards.setBatch(batch) < 0)
            return false;
        return cards.layout(document) == 1;
    }
    HandoverBill bill(context);
    const QString view = parser.value(QStringLiteral("view"));
    const BillView v = view == u"locations" ? BillView::Locations
                       : view == u"copies"  ? BillView::Copies
                                            : BillView::Titles;
    if (bill.show(batch, parser.value(QStringLiteral("location")), v) < 0)
        return false;
    if (bill.table().rowCount() == 0) {
        context.showMsg(QStringLiteral("E该批次没有任何财产信息!"));
        return false;
    }
    const ListReport report = bill.report(day::text(day::today(context)), context.session().operatorNo);
    document = layoutListReport(report, PaperSetup::a4(bill.table().columnCount() > 7));
    return true;
}

} // namespace

int runPrintCommand(const QStringList &arguments, const PdfPrinterFactory &printers)
{
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("root"), QStringLiteral("installation folder"), QStringLiteral("DIR")},
        {QStringLiteral("dsn"), QStringLiteral("database"), QStringLiteral("DSN")},
        {QStringLiteral("batch"), QStringLiteral("handover batch"), QStringLiteral("B")},
        {QStringLiteral("location"), QStringLiteral("one location (bill)"), QStringLiteral("L")},
        {QStringLiteral("view"), QStringLiteral("locations, titles or copies (bill)"), QStringLiteral("V")},
        {QStringLiteral("operator"), QStringLiteral("operator number"), QStringLiteral("NO")},
        {QStringLiteral("pdf"), QStringLiteral("PDF file to write"), QStringLiteral("FILE")},
    });
    const QString command = arguments.value(1);
    if (!parser.parse(arguments))
        return printCommandError(command, parser.errorText(), 2);
    if (parser.value(QStringLiteral("batch")).isEmpty() || parser.value(QStringLiteral("pdf")).isEmpty())
        return printCommandError(command, QStringLiteral("give --batch and --pdf"), 2);
    if (!printers)
        return printCommandError(command, QStringLiteral("no PDF device in this program"), 1);
    const QString root = parser.isSet(QStringLiteral("root"))
                             ? parser.value(QStringLiteral("root"))
                             : installRootFor({}, QCoreApplication::applicationDirPath());
    DatabaseTarget target;
    QString error;
    if (!resolveDatabaseTarget(parser.value(QStringLiteral("dsn")), root, &target, &error))
        return printCommandError(command, error, 2);

    SilentPrompter prompter;
    NoSound sounds;
    SystemClock clock;
    AppContext context(root, AppServices{prompter, sounds, clock});
    const BackendTarget backend = backendTargetOf(target);
    if (context.db().connectTo(createBackend(backend.kind), backend) < 0)
        return printCommandError(command, QStringLiteral("cannot open ") + target.dsn.describe(), 1);
    // The names in the pages: messages, parameters, locations, document types.
    if (context.loadMessagesAndParams() < 0 || context.codes().load(CodeCache::AllLocations) < 0 ||
        context.codes().load(CodeCache::DocTypes) < 0)
        return printCommandError(command, context.errors().text, 1);
    context.session().operatorNo =
        parser.isSet(QStringLiteral("operator")) ? parser.value(QStringLiteral("operator")) : QStringLiteral("ROOT");
    std::unique_ptr<PagePrinter> printer = printers(context);
    context.setPrinter(*printer);
    PageDocument document;
    if (!printCommandPages(context, command, parser, document))
        return 1;
    const QString path = parser.value(QStringLiteral("pdf"));
    if (printer->print(document, PrintTarget::Pdf, path) != 1)
        return 1;
    std::fprintf(stderr, "%lld pages written to %s\n", static_cast<long long>(document.pages.size()),
                 qUtf8Printable(path));
    return 0;
}

} // namespace kestra
