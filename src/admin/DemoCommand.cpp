#include "admin/DemoCommand.h"
#include "admin/DemoAssignRules.h"

#include "admin/DemoData.h"
#include "core/AppContext.h"
#include "core/ConnectionSettings.h"
#include "core/Session.h"
#include "db/Backends.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cstdio>

namespace kestra {

namespace {

void printErr(const QString &text)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(text));
    std::fflush(stderr);
}

} // namespace

void addDemoOptions(QCommandLineParser &parser)
{
    parser.addOptions({
        {QStringLiteral("scale"), QStringLiteral("demo size in titles"), QStringLiteral("N")},
        {QStringLiteral("seed"), QStringLiteral("demo random seed"), QStringLiteral("S")},
        {QStringLiteral("today"), QStringLiteral("demo dates count back from this day"), QStringLiteral("yyyy-mm-dd")},
        {QStringLiteral("workstation"), QStringLiteral("workstation bound to the demo operators"),
         QStringLiteral("NAME")},
        {QStringLiteral("if-empty"), QStringLiteral("demo: do nothing when the database holds library data")},
    });
}

int runDemo(const DatabaseTarget &target, const QString &root, const QCommandLineParser &parser)
{
    DemoOptions options;
    bool ok = true;
    if (parser.isSet(QStringLiteral("scale")))
        options.scale = parser.value(QStringLiteral("scale")).toInt(&ok);
    if (ok && parser.isSet(QStringLiteral("seed")))
        options.seed = parser.value(QStringLiteral("seed")).toULongLong(&ok);
    if (ok && parser.isSet(QStringLiteral("today"))) {
        options.today = QDate::fromString(parser.value(QStringLiteral("today")), Qt::ISODate);
        ok = options.today.isValid();
    }
    if (!ok) {
        printErr(QStringLiteral("kestra-admin demo: --scale and --seed take numbers, --today a date yyyy-mm-dd"));
        return 2;
    }
    options.workstation = parser.value(QStringLiteral("workstation"));
    options.force = parser.isSet(QStringLiteral("force"));
    options.onlyIfEmpty = parser.isSet(QStringLiteral("if-empty"));
    if (target.dsn.kind != Dsn::Kind::Sqlite && target.dsn.kind != Dsn::Kind::Postgres) {
        printErr(
            QStringLiteral("kestra-admin demo: works on SQLite and PostgreSQL only (%1)").arg(target.dsn.describe()));
        return 1;
    }
    if (target.dsn.kind == Dsn::Kind::Sqlite && !QFileInfo::exists(target.dsn.path)) {
        printErr(QStringLiteral("kestra-admin demo: %1 does not exist; create it with kestra-admin init first")
                     .arg(target.dsn.path));
        return 1;
    }
    // Passwords are digested in the installation's code page.
    const IniLoadResult ini = loadIniSettings(InstallFolders(root));
    if (ini.status == 0)
        options.codePage = ini.codePage.name();
    QElapsedTimer clockTimer;
    clockTimer.start();
    options.progress = [&clockTimer](const QString &line) {
        printErr(QStringLiteral("demo: %1 s  ").arg(double(clockTimer.elapsed()) / 1000.0, 6, 'f', 1) + line);
    };

    SilentPrompter prompter;
    NoSound sounds;
    SystemClock clock;
    AppContext context(root, AppServices{prompter, sounds, clock});
    Session &session = context.db();
    const BackendTarget backend = backendTargetOf(target);
    if (session.connectTo(createBackend(backend.kind), backend) < 0) {
        printErr(
            QStringLiteral("kestra-admin demo: cannot open %1: %2").arg(target.dsn.describe(), context.errors().text));
        return 1;
    }
    printErr(QStringLiteral("demo: %1 titles, seed %2, into %3")
                 .arg(options.scale)
                 .arg(options.seed)
                 .arg(target.dsn.describe()));
    DemoReport report;
    QString error;
    if (generateDemoLibrary(session, options, &report, &error) < 0) {
        printErr(QStringLiteral("kestra-admin demo: ") + error);
        return 1;
    }
    if (!writeDemoAssignRules(InstallFolders(root), ini.status == 0 ? ini.codePage : CodePage(), &error)) {
        printErr(QStringLiteral("kestra-admin demo: assignment rules: ") + error);
        return 1;
    }
    if (report.skipped) {
        printErr(QStringLiteral("demo: %1 already holds library data; left as it is").arg(target.dsn.describe()));
        return 0;
    }
    qint64 total = 0;
    for (const auto &[table, rows] : report.tableRows) {
        if (rows > 0)
            std::printf("%-20s %10lld\n", qUtf8Printable(table), static_cast<long long>(rows));
        total += rows;
    }
    std::printf("%-20s %10lld\n", "total", static_cast<long long>(total));
    std::printf("%-20s %10.1f s (%.1f s in the database)\n", "time", double(report.elapsedMs) / 1000.0,
                double(report.databaseMs) / 1000.0);
    printErr(QStringLiteral("demo: done in %1 s, %2 s of it in the database (dates count back from %3); "
                            "log in as %4, see the README")
                 .arg(double(report.elapsedMs) / 1000.0, 0, 'f', 1)
                 .arg(double(report.databaseMs) / 1000.0, 0, 'f', 1)
                 .arg(report.today.toString(Qt::ISODate), demoSupervisor()));
    return 0;
}

} // namespace kestra
