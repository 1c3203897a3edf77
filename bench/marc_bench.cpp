// bench-marc: reading and round-tripping a large file of ISO 2709 records,
// against yaz-marcdump on the same file in the same run.
//
//   bench-marc [--records N] [--runs R] [--dir DIR] [--import-records M]
//   bench-marc --generate FILE [--records N] [--flavor mixed|unimarc|marc21]
//
// The file is generated: three records in five UNIMARC with Chinese text in
// GB18030, the others MARC 21 in UTF-8 (leader position 10 "a"). Each run
// times (a) parsing every record and decoding every subfield of every field
// to text, against `yaz-marcdump -o line`, and (b) parsing and serializing
// every record, against `yaz-marcdump -i marc -o marc`; both sides write to
// /dev/null. The summary lines give medians over the runs. Then (c) the
// first M records (5000) are imported through the import command's code
// into a fresh SQLite database and, when KESTRA_TEST_PG names a server, a
// fresh PostgreSQL database: records per second, and the seconds spent
// reading records against those spent storing them (keys, chunks, SQL).

#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/Prompter.h"
#include "core/SoundPlayer.h"
#include "db/SchemaInstaller.h"
#include "db/sql/PostgresSupport.h"
#include "marc/BibRecord.h"
#include "marc/BibStore.h"
#include "marc/DemoRecords.h"
#include "marc/MarcFile.h"
#include "marc/MarcImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <cstdio>

using namespace kestra;

namespace {

double median(QList<double> v)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool generate(const QString &path, int records, const QString &flavor)
{
    const MarcCodec gb18030{CodePage(QStringLiteral("GB18030"))};
    const MarcCodec utf8 = MarcCodec::utf8();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray buffer;
    for (int i = 0; i < records; ++i) {
        const bool marc21 = flavor == QLatin1String("marc21") || (flavor == QLatin1String("mixed") && i % 5 >= 3);
        demoRecord(quint64(i) + 1, marc21, marc21 ? utf8 : gb18030).serializeTo(buffer);
        if (buffer.size() > (1 << 20)) {
            file.write(buffer);
            buffer.clear();
        }
    }
    file.write(buffer);
    return file.error() == QFile::NoError;
}

struct Pass {
    double seconds = 0;
    qint64 records = 0;
    qint64 checksum = 0;
    qint64 notClean = 0;
};

// Parse every record and decode every subfield (a control field whole).
Pass readAll(const QString &path)
{
    Pass pass;
    QElapsedTimer timer;
    timer.start();
    MarcFileReader reader;
    if (!reader.open(path, nullptr))
        return pass;
    const MarcEncodingChoice encoding;
    RecordSlice slice;
    SliceFault fault;
    BibRecord rec;
    QString text;
    text.reserve(4096);
    while (reader.next(slice, fault)) {
        if (rec.parse(slice.bytes, encoding.codecFor(slice.bytes)).outcome != ParseOutcome::Clean)
            ++pass.notClean;
        ++pass.records;
        const MarcCodec &codec = rec.codec();
        for (int i = 0; i < rec.fieldCount(); ++i) {
            const QByteArrayView field = rec.fieldBytes(i);
            if (rec.entry(i).isControl()) {
                codec.decodeInto(field, text);
                pass.checksum += text.size();
                continue;
            }
            qsizetype at = field.indexOf(iso2709::SubfieldDelimiter);
            while (at >= 0) {
                const qsizetype end = field.indexOf(iso2709::SubfieldDelimiter, at + 1);
                const qsizetype stop = end < 0 ? field.size() : end;
                if (at + 2 <= stop) {
                    codec.decodeInto(field.sliced(at + 2, stop - at - 2), text);
                    pass.checksum += text.size() + field[at + 1];
                }
                at = end;
            }
        }
    }
    pass.seconds = timer.nsecsElapsed() / 1e9;
    return pass;
}

// Parse and serialize every record, the output going to /dev/null.
Pass roundTrip(const QString &path)
{
    Pass pass;
    QElapsedTimer timer;
    timer.start();
    MarcFileReader reader;
    std::FILE *out = std::fopen("/dev/null", "wb");
    if (!out || !reader.open(path, nullptr)) {
        if (out)
            std::fclose(out);
        return pass;
    }
    const MarcEncodingChoice encoding;
    RecordSlice slice;
    SliceFault fault;
    BibRecord rec;
    QByteArray buffer;
    buffer.reserve(1 << 21);
    while (reader.next(slice, fault)) {
        rec.parse(slice.bytes, encoding.codecFor(slice.bytes));
        rec.serializeTo(buffer);
        ++pass.records;
        if (buffer.size() >= (1 << 20)) {
            pass.checksum += buffer.size();
            std::fwrite(buffer.constData(), 1, std::size_t(buffer.size()), out);
            buffer.resize(0);
        }
    }
    pass.checksum += buffer.size();
    std::fwrite(buffer.constData(), 1, std::size_t(buffer.size()), out);
    std::fclose(out);
    pass.seconds = timer.nsecsElapsed() / 1e9;
    return pass;
}

double runYaz(const QString &yaz, const QStringList &args)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(yaz, args);
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e9;
}

struct ImportRun {
    bool ok = false;
    QString why;
    double seconds = 0;
    MarcImportReport report;
};

// Installs the schema into a database reached through Qt's driver; for
// PostgreSQL a new database is created first (and its name returned).
bool prepareDatabase(bool sqlite, const QString &where, QString *dsn, QString *dropName, QString *why)
{
    const QString connection = QStringLiteral("bench-marc-install");
    bool ok = false;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), connection);
        QUrl url(where);
        if (sqlite) {
            db.setDatabaseName(where);
            *dsn = QStringLiteral("sqlite:") + where;
        } else {
            const QString name = QStringLiteral("kestra_bench_%1").arg(QRandomGenerator::global()->generate(), 0, 36);
            db.setHostName(url.host());
            db.setPort(url.port(5432));
            db.setUserName(url.userName());
            db.setDatabaseName(url.path().mid(1));
            if (db.open() &&
                QSqlQuery(db).exec(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(name))) {
                db.close();
                db.setDatabaseName(name);
                *dropName = name;
                *dsn = QStringLiteral("postgresql://%1@%2:%3/%4")
                           .arg(url.userName(), url.host())
                           .arg(url.port(5432))
                           .arg(name);
            }
        }
        if (db.open()) {
            ok = true;
            if (!sqlite) {
                for (const QString &sql : postgresSupportStatements())
                    ok = ok && QSqlQuery(db).exec(sql);
            }
            ok = ok && installSchema(db, sqlite ? SchemaDialect::Sqlite : SchemaDialect::Postgres, why);
        }
        if (!ok && why->isEmpty())
            *why = db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

void dropDatabase(const QString &uri, const QString &name)
{
    const QString connection = QStringLiteral("bench-marc-drop");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        const QUrl url(uri);
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setDatabaseName(url.path().mid(1));
        if (db.open())
            QSqlQuery(db).exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

ImportRun runImport(bool sqlite, const QString &pgUri, const QString &file)
{
    ImportRun run;
    QTemporaryDir root;
    QString dsn;
    QString dropName;
    const QString where = sqlite ? root.filePath(QStringLiteral("kestra.db")) : pgUri;
    if (!prepareDatabase(sqlite, where, &dsn, &dropName, &run.why))
        return run;
    QFile ini(root.filePath(QStringLiteral("kestra.ini")));
    if (ini.open(QIODevice::WriteOnly))
        ini.write(QStringLiteral("[LIB-DATA]\nLIB_SERVER=T\n[T]\nDSN=%1\nUID=\nPWD=\n").arg(dsn).toUtf8());
    ini.close();
    SilentPrompter prompter;
    NoSound sounds;
    SystemClock clock;
    {
        AppContext context(root.path(), AppServices{prompter, sounds, clock});
        BibParams params;
        if (context.loadIniSettings() < 0 || context.db().connect() < 0 ||
            loadBibParams(context.db(), context.folders(), context.codePage(), params) < 0) {
            run.why = context.errors().text;
        } else {
            QElapsedTimer timer;
            timer.start();
            run.ok =
                importMarcFile(context.db(), params, context.codePage(), file, MarcEncodingChoice(), run.report) == 0;
            run.seconds = timer.nsecsElapsed() / 1e9;
        }
        context.db().close();
    }
    if (!dropName.isEmpty())
        dropDatabase(pgUri, dropName);
    return run;
}

QString rate(double recordsPerSecond)
{
    return QString::number(qint64(recordsPerSecond + 0.5));
}

QString ratio(double ours, double theirs)
{
    return theirs > 0 ? QString::number(ours / theirs, 'f', 2) : QStringLiteral("n/a");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    auto option = [&args](const char *name, const QString &fallback) {
        const qsizetype i = args.indexOf(QLatin1String(name));
        return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : fallback;
    };
    const int records = option("--records", QStringLiteral("100000")).toInt();
    const int runs = std::max(1, option("--runs", QStringLiteral("5")).toInt());

    if (args.contains(QLatin1String("--generate"))) {
        const QString path = option("--generate", QString());
        if (path.isEmpty() || !generate(path, records, option("--flavor", QStringLiteral("mixed")))) {
            std::fprintf(stderr, "bench-marc: cannot write %s\n", qUtf8Printable(path));
            return 1;
        }
        return 0;
    }

    QTemporaryDir temp;
    const QString dir = option("--dir", temp.path());
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(QStringLiteral("marc-bench-%1.mrc").arg(records));
    QElapsedTimer timer;
    timer.start();
    if (!QFile::exists(path) && !generate(path, records, QStringLiteral("mixed"))) {
        std::fprintf(stderr, "bench-marc: cannot write %s\n", qUtf8Printable(path));
        return 1;
    }
    std::fprintf(stderr, "file %s: %d records, %lld bytes (ready in %.1f s)\n", qUtf8Printable(path), records,
                 QFileInfo(path).size(), timer.nsecsElapsed() / 1e9);

    const QString yaz = QStandardPaths::findExecutable(QStringLiteral("yaz-marcdump"));
    if (yaz.isEmpty())
        std::fprintf(stderr, "yaz-marcdump not found (Debian package yaz): no reference figures\n");

    QList<double> readOurs, readYaz, tripOurs, tripYaz;
    for (int run = 0; run < runs; ++run) {
        const Pass read = readAll(path);
        const Pass trip = roundTrip(path);
        if (read.records != records || trip.records != records || read.notClean != 0) {
            std::fprintf(stderr, "bench-marc: read %lld/%lld records, %lld not clean\n", read.records, trip.records,
                         read.notClean);
            return 1;
        }
        readOurs.append(records / read.seconds);
        tripOurs.append(records / trip.seconds);
        double yr = -1, yt = -1;
        if (!yaz.isEmpty()) {
            yr = runYaz(yaz, {QStringLiteral("-o"), QStringLiteral("line"), path});
            yt = runYaz(yaz, {QStringLiteral("-i"), QStringLiteral("marc"), QStringLiteral("-o"),
                              QStringLiteral("marc"), path});
            if (yr > 0)
                readYaz.append(records / yr);
            if (yt > 0)
                tripYaz.append(records / yt);
        }
        std::fprintf(stderr, "run %d: read %.3f s (yaz %.3f s), round trip %.3f s (yaz %.3f s)\n", run + 1,
                     read.seconds, yr, trip.seconds, yt);
    }
    const double r = median(readOurs), ry = median(readYaz), t = median(tripOurs), ty = median(tripYaz);
    std::printf("BENCH marc-read recs_s=%s yaz_recs_s=%s ratio=%s\n", qUtf8Printable(rate(r)), qUtf8Printable(rate(ry)),
                qUtf8Printable(ratio(r, ry)));
    std::printf("BENCH marc-roundtrip recs_s=%s yaz_recs_s=%s ratio=%s\n", qUtf8Printable(rate(t)),
                qUtf8Printable(rate(ty)), qUtf8Printable(ratio(t, ty)));
    std::fflush(stdout);

    const int importRecords = option("--import-records", QStringLiteral("5000")).toInt();
    if (importRecords <= 0)
        return 0;
    const QString importFile = QDir(dir).filePath(QStringLiteral("marc-import-%1.mrc").arg(importRecords));
    if (!QFile::exists(importFile) && !generate(importFile, importRecords, QStringLiteral("mixed")))
        return 1;
    QString line = QStringLiteral("BENCH marc-import records=%1").arg(importRecords);
    const QString pg = qEnvironmentVariable("KESTRA_TEST_PG");
    for (const bool sqlite : {true, false}) {
        if (!sqlite && pg.isEmpty()) {
            std::fprintf(stderr, "KESTRA_TEST_PG not set: no PostgreSQL import figures\n");
            continue;
        }
        const ImportRun run = runImport(sqlite, pg, importFile);
        const char *name = sqlite ? "sqlite" : "pg";
        if (!run.ok || run.report.stored != importRecords) {
            std::fprintf(stderr, "bench-marc: import into %s: %s (%lld stored)\n", name, qUtf8Printable(run.why),
                         run.report.stored);
            return 1;
        }
        std::fprintf(
            stderr,
            "import into %s: %lld records in %.2f s; reading %.2f s, storing (keys, chunks, statements) %.2f s\n", name,
            run.report.stored, run.seconds, run.report.parseSeconds, run.report.storeSeconds);
        line += QStringLiteral(" %1_recs_s=%2 %1_read_s=%3 %1_store_s=%4")
                    .arg(QLatin1String(name), rate(run.report.stored / run.seconds))
                    .arg(run.report.parseSeconds, 0, 'f', 2)
                    .arg(run.report.storeSeconds, 0, 'f', 2);
    }
    std::printf("%s\n", qUtf8Printable(line));
    return 0;
}
