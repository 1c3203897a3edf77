#include "admin/AdminMain.h"

#include "admin/DatabaseCommands.h"
#include "admin/DemoCommand.h"
#include "admin/InstallationSetup.h"
#include "admin/SqlCommand.h"
#include "admin/StatsCommand.h"
#include "core/AppContext.h"
#include "core/IniEdit.h"
#include "core/IniFile.h"
#include "core/Scramble.h"
#include "marc/MarcDump.h"
#include "marc/MarcImport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace kestra {

namespace {

void printErr(const QString &text)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(text));
}

const char *const kUsage =
    "usage: kestra-admin COMMAND [options]\n"
    "\n"
    "commands:\n"
    "  install  [--root DIR] [--dsn DSN]      create an installation folder\n"
    "  scramble [--root DIR] [--section S] PASSWORD\n"
    "                                         write PWD of the connection section of kestra.ini\n"
    "  scramble --print PASSWORD              print the scrambled form only\n"
    "  init  [--root DIR | --dsn DSN] [--force]\n"
    "                                         install the schema and the reference data\n"
    "  check [--root DIR | --dsn DSN]         name every difference from the schema\n"
    "  sql   [--root DIR | --dsn DSN] STATEMENT\n"
    "                                         run one statement of the suite's Oracle SQL as the\n"
    "                                         client does (docs/sql-dialect.md)\n"
    "  demo [--root DIR | --dsn DSN] [--scale N] [--seed S] [--force | --if-empty]\n"
    "                                         fill the database with the demo library\n"
    "                                         (N titles, default 2000; docs/demo.md)\n"
    "  stats [--root DIR | --dsn DSN] --template T [--year Y | --month YYYY-MM |\n"
    "         --from DATE --to DATE] [--location L]... [--xlsx FILE]\n"
    "                                         the class statistic of a template (docs/statistics.md)\n"
    "  marc-dump FILE [--raw] [--encoding auto|utf-8|gbk|gb18030]\n"
    "                                         one line per field of every record\n"
    "  marc-import [--root DIR] FILE [--encoding E] [--number-missing]\n"
    "                                         store ISO 2709 records in the catalogue\n"
    "  marc-export [--root DIR] --out FILE [--encoding E] (--all | --batch B | NUMBER...)\n"
    "                                         write catalogue records as ISO 2709\n"
    "  labels|cards|bill [--root DIR] --batch B [--location L] [--view V] --pdf FILE\n"
    "                                         the spine labels, catalogue cards or handover bill\n"
    "                                         of a batch as a PDF (docs/printing.md)\n"
    "\n"
    "--root defaults to $KESTRA_ROOT, else the program's folder.\n";

// The option's default is the installation folder of the run (see adminMain).
QString rootOf(const QCommandLineParser &parser)
{
    return parser.value(QStringLiteral("root"));
}

int runInstall(const QCommandLineParser &parser)
{
    const QString root = rootOf(parser);
    const QString dsn = parser.isSet(QStringLiteral("dsn")) ? parser.value(QStringLiteral("dsn"))
                                                            : QStringLiteral("sqlite:DAT/kestra.db");
    QString error;
    if (!createInstallation(root, dsn, &error)) {
        printErr(QStringLiteral("kestra-admin install: ") + error);
        return 1;
    }
    // The sample add-ins beside the program: <build>/addins in a build tree,
    // lib/kestra/addins in the package.
    const QString programs = QCoreApplication::applicationDirPath();
    for (const QString &samples :
         QStringList{programs + QStringLiteral("/../addins"), programs + QStringLiteral("/../lib/kestra/addins")}) {
        if (QFileInfo::exists(samples) && !copyMissingAddins(samples, root, &error)) {
            printErr(QStringLiteral("kestra-admin install: ") + error);
            return 1;
        }
    }
    printErr(QStringLiteral("installation folder ready: ") + QDir(root).absolutePath());
    return 0;
}

int runScramble(const QCommandLineParser &parser)
{
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        printErr(QStringLiteral("kestra-admin scramble: give exactly one password"));
        return 2;
    }
    // kestra.ini values hold 255 bytes: "~" and two hex digits per byte.
    if (args.at(1).toUtf8().size() > (IniFile::MaxValueBytes - 1) / 2) {
        printErr(
            QStringLiteral("kestra-admin scramble: the password is longer than the 127 bytes kestra.ini can hold"));
        return 2;
    }
    const QString scrambled = scramblePassword(args.at(1));
    if (parser.isSet(QStringLiteral("print"))) {
        std::printf("%s\n", qUtf8Printable(scrambled));
        return 0;
    }
    const InstallFolders folders(rootOf(parser));
    const QString path = folders.file(InstallFolders::Root, QStringLiteral("kestra.ini"));
    const IniFile ini = IniFile::load(path, CodePage());
    QString section = parser.value(QStringLiteral("section"));
    if (section.isEmpty())
        section = ini.value(QStringLiteral("LIB-DATA"), QStringLiteral("LIB_SERVER"));
    if (section.isEmpty()) {
        printErr(QStringLiteral("kestra-admin scramble: kestra.ini names no LIB_SERVER section; use --section"));
        return 1;
    }
    const QString codePage = ini.value(QStringLiteral("LIB-DATA"), QStringLiteral("CODEPAGE"), QStringLiteral("GBK"));
    QString error;
    if (!writeProfileString(path, section, QStringLiteral("PWD"), scrambled, codePage, &error)) {
        printErr(QStringLiteral("kestra-admin scramble: ") + error);
        return 1;
    }
    printErr(QStringLiteral("PWD of [%1] written to %2").arg(section, path));
    return 0;
}

} // namespace

QString adminUsage()
{
    return QString::fromUtf8(kUsage);
}

int adminMain(const QStringList &arguments, const PdfPrinterFactory &printers, const QString &programFolder)
{
    // The record commands read their own options.
    const QString first = arguments.value(1);
    if (first == QLatin1String("marc-dump"))
        return runMarcDump(arguments.mid(2));
    if (first == QLatin1String("marc-import"))
        return runMarcImport(arguments.mid(2));
    if (first == QLatin1String("marc-export"))
        return runMarcExport(arguments.mid(2));
    if (first == QLatin1String("labels") || first == QLatin1String("cards") || first == QLatin1String("bill"))
        return runPrintCommand(arguments, printers);
    if (first == QLatin1String("stats"))
        return runStatsCommand(arguments.mid(2));

    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("root"), QStringLiteral("installation folder"), QStringLiteral("DIR"),
         installRootFor({}, programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder)},
        {QStringLiteral("dsn"), QStringLiteral("database"), QStringLiteral("DSN")},
        {QStringLiteral("section"), QStringLiteral("kestra.ini section"), QStringLiteral("NAME")},
        {QStringLiteral("print"), QStringLiteral("print only")},
        {QStringLiteral("force"), QStringLiteral("replace an existing schema")},
    });
    addDemoOptions(parser);
    if (!parser.parse(arguments)) {
        printErr(parser.errorText());
        std::fputs(kUsage, stderr);
        return 2;
    }
    const QString command = parser.positionalArguments().value(0);
    if (command == QLatin1String("install"))
        return runInstall(parser);
    if (command == QLatin1String("scramble"))
        return runScramble(parser);
    if (command == QLatin1String("init") || command == QLatin1String("check") || command == QLatin1String("demo") ||
        command == QLatin1String("sql")) {
        DatabaseTarget target;
        QString error;
        if (!resolveDatabaseTarget(parser.value(QStringLiteral("dsn")), rootOf(parser), &target, &error)) {
            printErr(QStringLiteral("kestra-admin %1: ").arg(command) + error);
            return 2;
        }
        if (command == QLatin1String("demo"))
            return runDemo(target, rootOf(parser), parser);
        if (command == QLatin1String("sql"))
            return runSqlCommand(target, rootOf(parser), parser.positionalArguments().mid(1));
        return command == QLatin1String("init") ? runInit(target, parser.isSet(QStringLiteral("force")))
                                                : runCheck(target);
    }
    if (command == QLatin1String("help")) {
        std::fputs(qUtf8Printable(adminUsage()), stdout);
        return 0;
    }
    std::fputs(kUsage, stderr);
    return command.isEmpty() ? 0 : 2;
}

} // namespace kestra
