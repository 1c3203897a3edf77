#include "admin/StatsCommand.h"

#include "admin/DatabaseCommands.h"
#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/DbErrorReport.h"
#include "core/Session.h"
#include "core/SoundPlayer.h"
#include "db/Backends.h"
#include "kit/Days.h"
#include "output/GridExport.h"
#include "stats/ClassStat.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

namespace kestra {

namespace {

const char *const kStatsUsage =
    "usage: kestra-admin stats [--root DIR | --dsn DSN] --template T\n"
    "         [--year Y | --month YYYY-MM | --from yyyy-mm-dd --to yyyy-mm-dd]\n"
    "         [--location L]... [--doc-type C] [--language C] [--batch B]... [--xlsx FILE]\n";

// The period options as the windows' span; false with a reason when they
// do not make one.
bool statsSpan(const QCommandLineParser &p, IntakeConditions &c, bool &intake, QString &why)
{
    intake = true;
    if (p.isSet(QStringLiteral("year"))) {
        bool ok = false;
        c.span = IntakeSpan::Year;
        c.year = p.value(QStringLiteral("year")).toInt(&ok);
        if (!ok || c.year < 1900 || c.year > 9999)
            why = QStringLiteral("--year takes a year such as 2025");
    } else if (p.isSet(QStringLiteral("month"))) {
        static const QRegularExpression month(QStringLiteral("^(\\d{4})-(\\d{2})$"));
        const QRegularExpressionMatch m = month.match(p.value(QStringLiteral("month")));
        c.span = IntakeSpan::Month;
        c.year = m.captured(1).toInt();
        c.month = m.captured(2).toInt();
        if (!m.hasMatch() || c.month < 1 || c.month > 12)
            why = QStringLiteral("--month takes YYYY-MM");
    } else if (p.isSet(QStringLiteral("from")) || p.isSet(QStringLiteral("to"))) {
        c.span = IntakeSpan::Period;
        c.begin = day::from(p.value(QStringLiteral("from")));
        c.end = day::from(p.value(QStringLiteral("to")));
        if (!c.begin.isValid() || !c.end.isValid())
            why = QStringLiteral("--from and --to take yyyy-mm-dd, both");
        else if (c.begin > c.end)
            why = QStringLiteral("--from is after --to: the period is reversed");
    } else {
        intake = false;
    }
    return why.isEmpty();
}

} // namespace

int runStatsCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QCommandLineParser p;
    p.addOptions({{QStringLiteral("root"), QStringLiteral("installation folder"), QStringLiteral("DIR")},
                  {QStringLiteral("dsn"), QStringLiteral("database"), QStringLiteral("DSN")},
                  {QStringLiteral("template"), QStringLiteral("template code"), QStringLiteral("T")},
                  {QStringLiteral("year"), QStringLiteral("year"), QStringLiteral("Y")},
                  {QStringLiteral("month"), QStringLiteral("month"), QStringLiteral("YYYY-MM")},
                  {QStringLiteral("from"), QStringLiteral("first day"), QStringLiteral("DATE")},
                  {QStringLiteral("to"), QStringLiteral("last day"), QStringLiteral("DATE")},
                  {QStringLiteral("location"), QStringLiteral("location"), QStringLiteral("L")},
                  {QStringLiteral("doc-type"), QStringLiteral("document type"), QStringLiteral("C")},
                  {QStringLiteral("language"), QStringLiteral("language"), QStringLiteral("C")},
                  {QStringLiteral("batch"), QStringLiteral("handover batch"), QStringLiteral("B")},
                  {QStringLiteral("xlsx"), QStringLiteral("workbook"), QStringLiteral("FILE")}});
    if (!p.parse(QStringList{QStringLiteral("stats")} + args) || !p.positionalArguments().isEmpty() ||
        p.value(QStringLiteral("template")).isEmpty()) {
        err << (p.errorText().isEmpty() ? QString() : p.errorText() + u'\n') << kStatsUsage;
        return 2;
    }
    IntakeConditions c;
    bool intake = false;
    QString why;
    if (!statsSpan(p, c, intake, why)) {
        err << "kestra-admin stats: " << why << '\n';
        return 2;
    }
    c.locations = p.values(QStringLiteral("location"));
    c.docType = p.value(QStringLiteral("doc-type"));
    c.language = p.value(QStringLiteral("language"));
    c.batches = p.values(QStringLiteral("batch"));

    const QString root = p.isSet(QStringLiteral("root")) ? p.value(QStringLiteral("root"))
                                                         : installRootFor({}, QCoreApplication::applicationDirPath());
    DatabaseTarget target;
    if (!resolveDatabaseTarget(p.value(QStringLiteral("dsn")), root, &target, &why)) {
        err << "kestra-admin stats: " << why << '\n';
        return 2;
    }
    SilentPrompter prompter;
    NoSound sounds;
    SystemClock clock;
    AppContext context(root, AppServices{prompter, sounds, clock});
    Session &session = context.db();
    const BackendTarget backend = backendTargetOf(target);
    if (session.connectTo(createBackend(backend.kind), backend) < 0) {
        err << "kestra-admin stats: cannot open " << target.dsn.describe() << ": " << context.errors().text << '\n';
        return 1;
    }
    ClassStat stat(context, intake ? ClassStatKind::Intake : ClassStatKind::Holdings, false);
    if (stat.chooseTemplate(p.value(QStringLiteral("template"))) < 0)
        return 1;
    if (stat.current().subs.isEmpty()) {
        err << "kestra-admin stats: template " << p.value(QStringLiteral("template"))
            << " has no sub-statistic in use\n";
        return 1;
    }
    if (stat.run(c) < 0)
        return 1;
    RowModelBase &grid = stat.grid();
    out << grid.headings().join(u'\t') << '\n';
    for (int r = 0; r < grid.rowCount(); ++r) {
        QStringList cells;
        for (int f = 0; f < grid.fieldCount(); ++f)
            cells.append(grid.text(r, f));
        out << cells.join(u'\t') << '\n';
    }
    out.flush();
    if (p.isSet(QStringLiteral("xlsx")) &&
        !writeXlsx(grid, p.value(QStringLiteral("xlsx")), QStringLiteral("分类统计"), &why)) {
        err << "kestra-admin stats: " << why << '\n';
        return 1;
    }
    return 0;
}

int runStatsCommand(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runStatsCommand(args, out, err);
}

} // namespace kestra
