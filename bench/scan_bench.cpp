// bench-scan: the single-copy status change, as an operator scanning copies
// at the status-change form makes it, on a library of a million copies.
//
//   bench-scan [--copies N] [--rounds R] [--changes C] [--warmup W]
//              [--only sqlite|pg] [--no-cache] [--seed S]
//              [--profile session|direct]
//
// Each change looks the copy up by barcode (joined with its title), counts
// its circulation rows, and in one transaction calls update00_indi_acct,
// update01_item (when it has one), update_lendable_copies, XT_wkr_job_qty and
// xt_log_detl, then commits. The client's way goes through kestra::Session
// with Oracle SQL and quoted literals; the reference is the same change as a
// C program issues it through sqlite3 or libpq, the native statements
// prepared once and bound. Both run in the same process on the same database,
// taking turns in slices of a hundred changes; the summary lines give the
// median over the rounds of each side's transactions per second and their
// ratio (session / direct).
//
// The SQLite library is generated once per data and schema version and kept
// in the build folder (scan-cache/ next to the program); each run works on a
// copy. The PostgreSQL half runs on the server that KESTRA_TEST_PG names, in
// a database of its own that is dropped at the end.

#include "ScanBench.h"

#include "db/SchemaInstaller.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <libpq-fe.h>
#include <sqlite3.h>

using namespace scanbench;

namespace {

// Raise when the generated rows change, so that an old cached file is not used.
constexpr int kDataVersion = 1;

struct Options {
    Shape shape;
    int rounds = 5;
    int changes = 2000;
    int warmup = 500;
    QString only;
    bool cache = true;
    // One side only ("session" or "direct"; SQLite without fsync), no
    // comparison: for a profiler.
    QString profile;
    std::uint64_t seed = 20260314;
};

double median(QList<double> v)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void note(const QString &text)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(text));
}

// The value of a one-number query, or -1.
using Scalar = std::function<qint64(const char *sql)>;

bool checkResults(const Scalar &scalar, qint64 changes, QString *error)
{
    const struct {
        const char *what;
        const char *sql;
        qint64 want;
    } checks[] = {
        {"workload volume", "SELECT SUM(volume) FROM wkr_job_qty WHERE job_type='310'", changes},
        {"log lines", "SELECT COUNT(*) FROM log_detl WHERE log_type='30019'", changes},
        {"titles with a wrong lendable count",
         "SELECT COUNT(*) FROM marc m WHERE lendable_copies <> (SELECT COUNT(*) FROM indi_acct a "
         "WHERE a.marc_rec_no=m.marc_rec_no AND a.book_stat_code='41')",
         0},
        {"circulation rows out of step",
         "SELECT COUNT(*) FROM item i, indi_acct a WHERE a.prop_no=i.prop_no AND a.book_stat_code<>i.book_stat_code",
         0},
    };
    for (const auto &check : checks) {
        const qint64 got = scalar(check.sql);
        if (got != check.want) {
            *error = QStringLiteral("check failed: %1 = %2, expected %3")
                         .arg(QLatin1String(check.what))
                         .arg(got)
                         .arg(check.want);
            return false;
        }
    }
    return true;
}

// Warm-up, then the rounds, alternating which side goes first. Prints the
// per-round figures and the step breakdown to stderr and the summary line to
// stdout. The number of changes made, or -1.
qint64 compare(const QString &benchName, Runner &ours, Runner &reference, const Options &options, QString *error)
{
    Runner *sides[2] = {&ours, &reference};
    StepTimes times[2] = {};
    QList<double> rates[2];
    std::uint64_t seed = options.seed;
    StepTimes ignored{};
    for (Runner *side : sides) {
        if (side->run(makeChanges(options.shape, options.warmup, ++seed), ignored, error) < 0) {
            *error = side->name() + QStringLiteral(": ") + *error;
            return -1;
        }
    }
    // Within a round the sides take turns in slices of a hundred changes, so
    // that both meet the same load on a busy machine.
    constexpr int kSlice = 100;
    for (int round = 0; round < options.rounds; ++round) {
        const QList<Change> changes[2] = {makeChanges(options.shape, options.changes, ++seed),
                                          makeChanges(options.shape, options.changes, ++seed)};
        qint64 ns[2] = {};
        for (int from = 0, turn = round; from < options.changes; from += kSlice, ++turn) {
            for (int k = 0; k < 2; ++k) {
                const int s = (turn + k) % 2;
                const qint64 spent = sides[s]->run(changes[s].mid(from, kSlice), times[s], error);
                if (spent < 0) {
                    *error = sides[s]->name() + QStringLiteral(": ") + *error;
                    return -1;
                }
                ns[s] += spent;
            }
        }
        double rate[2];
        for (int s = 0; s < 2; ++s) {
            rate[s] = options.changes / (static_cast<double>(ns[s]) / 1e9);
            rates[s].append(rate[s]);
        }
        note(QStringLiteral("  round %1: %2 %3 tx/s, %4 %5 tx/s")
                 .arg(round + 1)
                 .arg(ours.name())
                 .arg(rate[0], 0, 'f', 0)
                 .arg(reference.name())
                 .arg(rate[1], 0, 'f', 0));
    }
    const double perChange = 1000.0 * options.rounds * options.changes; // ns -> us per change
    note(QStringLiteral("  %1 %2 %3 (microseconds per change, mean)")
             .arg(QStringLiteral("step"), -24)
             .arg(ours.name(), 10)
             .arg(reference.name(), 10));
    double sum[2] = {};
    for (int step = 0; step < StepCount; ++step) {
        note(QStringLiteral("  %1 %2 %3")
                 .arg(QLatin1String(stepName(step)), -24)
                 .arg(static_cast<double>(times[0][step]) / perChange, 10, 'f', 1)
                 .arg(static_cast<double>(times[1][step]) / perChange, 10, 'f', 1));
        sum[0] += static_cast<double>(times[0][step]) / perChange;
        sum[1] += static_cast<double>(times[1][step]) / perChange;
    }
    note(
        QStringLiteral("  %1 %2 %3").arg(QStringLiteral("total"), -24).arg(sum[0], 10, 'f', 1).arg(sum[1], 10, 'f', 1));
    const double session = median(rates[0]);
    const double direct = median(rates[1]);
    std::printf("BENCH %s session_tx_s=%.0f direct_tx_s=%.0f ratio=%.2f\n", qPrintable(benchName), session, direct,
                direct > 0 ? session / direct : 0);
    std::fflush(stdout);
    return 2LL * (options.warmup + static_cast<qint64>(options.rounds) * options.changes);
}

Operator makeOperator()
{
    Operator op;
    op.day = QDate::currentDate().toString(Qt::ISODate);
    return op;
}

// One side alone, for perf or callgrind (SQLite without fsync).
int profileOne(const QString &benchName, Runner *side, const Options &options, QString error)
{
    if (side == nullptr) {
        note(benchName + QStringLiteral(": ") + error);
        return 1;
    }
    setSqliteSync(*side, false);
    StepTimes times{};
    const qint64 ns =
        side->run(makeChanges(options.shape, options.rounds * options.changes, options.seed), times, &error);
    if (ns < 0) {
        note(benchName + QStringLiteral(": ") + error);
        return 1;
    }
    note(QStringLiteral("%1: %2 %3 tx/s")
             .arg(benchName, side->name())
             .arg(options.rounds * options.changes / (static_cast<double>(ns) / 1e9), 0, 'f', 0));
    return 0;
}

// The SQLite DDL the program installs, in short: a kept library made with
// other DDL is not used, whatever the schema version says.
QString schemaKey()
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const char *file : {"schema.sql", "sqlite.sql", "reference.sql"})
        hash.addData(kestra::schemaFile(QString::fromLatin1(file)).toUtf8());
    QList<kestra::SchemaUpgrade> upgrades;
    QString ignored;
    kestra::schemaUpgrades(&upgrades, &ignored);
    for (const kestra::SchemaUpgrade &step : upgrades)
        hash.addData((step.portableSql + step.sqliteSql).toUtf8());
    return QString::fromLatin1(hash.result().toHex().left(8));
}

bool sqliteFile(const Options &options, const QString &path, QString *error)
{
    const QString cacheDir = QCoreApplication::applicationDirPath() + QStringLiteral("/scan-cache");
    const QString cached = QStringLiteral("%1/scan-d%2-s%3-%4.db")
                               .arg(cacheDir)
                               .arg(kDataVersion)
                               .arg(schemaKey())
                               .arg(options.shape.copies);
    if (options.cache && QFileInfo::exists(cached)) {
        note(QStringLiteral("scan-sqlite: copying the cached library %1").arg(cached));
        if (QFile::copy(cached, path))
            return true;
        note(QStringLiteral("scan-sqlite: the copy failed; generating"));
    }
    note(QStringLiteral("scan-sqlite: generating %1 copies").arg(options.shape.copies));
    if (!buildSqlite(path, options.shape, error))
        return false;
    if (options.cache) {
        QDir().mkpath(cacheDir);
        // Older versions go; the new file appears under its name only whole.
        for (const QFileInfo &old : QDir(cacheDir).entryInfoList({QStringLiteral("scan-*.db")}, QDir::Files))
            QFile::remove(old.filePath());
        const QString partial = cached + QStringLiteral(".part");
        QFile::remove(partial);
        if (!QFile::copy(path, partial) || !QFile::rename(partial, cached))
            note(QStringLiteral("scan-sqlite: could not keep the library in %1").arg(cacheDir));
    }
    return true;
}

int runSqlite(const Options &options)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scan.db"));
    QString error;
    if (!sqliteFile(options, path, &error)) {
        note(QStringLiteral("scan-sqlite: ") + error);
        return 1;
    }
    const Operator op = makeOperator();
    if (!options.profile.isEmpty()) {
        std::unique_ptr<Runner> side = options.profile == QLatin1String("session")
                                           ? sessionRunner(path, {}, op, &error)
                                           : sqliteDirectRunner(path, op, &error);
        return profileOne(QStringLiteral("scan-sqlite"), side.get(), options, error);
    }
    qint64 made = -1;
    {
        std::unique_ptr<Runner> session = sessionRunner(path, {}, op, &error);
        std::unique_ptr<Runner> direct = session ? sqliteDirectRunner(path, op, &error) : nullptr;
        if (!direct) {
            note(QStringLiteral("scan-sqlite: cannot open the library: ") + error);
            return 1;
        }
        note(QStringLiteral("scan-sqlite: %1 rounds of %2 changes after %3 to warm up, commits synced to disk")
                 .arg(options.rounds)
                 .arg(options.changes)
                 .arg(options.warmup));
        made = compare(QStringLiteral("scan-sqlite"), *session, *direct, options, &error);
        if (made >= 0) {
            // The same without waiting for the disk: what the layers cost.
            setSqliteSync(*session, false);
            setSqliteSync(*direct, false);
            note(QStringLiteral("scan-sqlite: the same with synchronous=NORMAL on both sides"));
            Options quick = options;
            quick.seed += 1000;
            const qint64 more = compare(QStringLiteral("scan-sqlite-nosync"), *session, *direct, quick, &error);
            made = more < 0 ? -1 : made + more;
        }
    }
    if (made < 0) {
        note(QStringLiteral("scan-sqlite: ") + error);
        return 1;
    }
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const Scalar scalar = [db](const char *sql) -> qint64 {
        sqlite3_stmt *stmt = nullptr;
        qint64 value = -1;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
            value = sqlite3_column_int64(stmt, 0);
        sqlite3_finalize(stmt);
        return value;
    };
    const bool ok = checkResults(scalar, made, &error);
    sqlite3_close_v2(db);
    if (!ok) {
        note(QStringLiteral("scan-sqlite: ") + error);
        return 1;
    }
    note(QStringLiteral("scan-sqlite: both sides left the library consistent"));
    return 0;
}

int runPostgres(const Options &options)
{
    const QString server = qEnvironmentVariable("KESTRA_TEST_PG");
    if (server.isEmpty()) {
        std::printf("scan-pg: skipped, KESTRA_TEST_PG names no PostgreSQL server\n");
        return 0;
    }
    note(QStringLiteral("scan-pg: generating %1 copies").arg(options.shape.copies));
    QString database;
    QString error;
    if (!buildPostgres(server, options.shape, &database, &error)) {
        note(QStringLiteral("scan-pg: ") + error);
        if (!database.isEmpty())
            dropPostgres(server, database);
        return 1;
    }
    const QString uri = databaseUri(server, database);
    const Operator op = makeOperator();
    if (!options.profile.isEmpty()) {
        const int status = profileOne(QStringLiteral("scan-pg"),
                                      (options.profile == QLatin1String("session") ? sessionRunner({}, uri, op, &error)
                                                                                   : pgDirectRunner(uri, op, &error))
                                          .get(),
                                      options, error);
        dropPostgres(server, database);
        return status;
    }
    qint64 made = -1;
    {
        std::unique_ptr<Runner> session = sessionRunner({}, uri, op, &error);
        std::unique_ptr<Runner> direct = session ? pgDirectRunner(uri, op, &error) : nullptr;
        if (direct) {
            note(QStringLiteral("scan-pg: %1 rounds of %2 changes after %3 to warm up")
                     .arg(options.rounds)
                     .arg(options.changes)
                     .arg(options.warmup));
            made = compare(QStringLiteral("scan-pg"), *session, *direct, options, &error);
        }
    }
    bool ok = made >= 0;
    if (ok) {
        PGconn *conn = PQconnectdb(uri.toUtf8().constData());
        const Scalar scalar = [conn](const char *sql) -> qint64 {
            PGresult *res = PQexec(conn, sql);
            const qint64 value = PQresultStatus(res) == PGRES_TUPLES_OK && PQntuples(res) == 1
                                     ? QByteArray(PQgetvalue(res, 0, 0)).toLongLong()
                                     : -1;
            PQclear(res);
            return value;
        };
        ok = checkResults(scalar, made, &error);
        PQfinish(conn);
    }
    dropPostgres(server, database);
    if (!ok) {
        note(QStringLiteral("scan-pg: ") + error);
        return 1;
    }
    note(QStringLiteral("scan-pg: both sides left the library consistent"));
    return 0;
}

bool parseOptions(const QStringList &args, Options *options)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const QString next = args.value(i + 1);
        bool ok = true;
        if (a == QLatin1String("--copies")) {
            options->shape.copies = next.toInt(&ok);
            ok = ok && options->shape.copies >= 10;
            ++i;
        } else if (a == QLatin1String("--rounds")) {
            options->rounds = next.toInt(&ok);
            ok = ok && options->rounds > 0;
            ++i;
        } else if (a == QLatin1String("--changes")) {
            options->changes = next.toInt(&ok);
            ok = ok && options->changes > 0;
            ++i;
        } else if (a == QLatin1String("--warmup")) {
            options->warmup = next.toInt(&ok);
            ok = ok && options->warmup >= 0;
            ++i;
        } else if (a == QLatin1String("--seed")) {
            options->seed = next.toULongLong(&ok);
            ++i;
        } else if (a == QLatin1String("--only")) {
            options->only = next;
            ok = next == QLatin1String("sqlite") || next == QLatin1String("pg");
            ++i;
        } else if (a == QLatin1String("--profile")) {
            options->profile = next;
            ok = next == QLatin1String("session") || next == QLatin1String("direct");
            ++i;
        } else if (a == QLatin1String("--no-cache")) {
            options->cache = false;
        } else {
            ok = false;
        }
        if (!ok) {
            note(QStringLiteral("usage: bench-scan [--copies N] [--rounds R] [--changes C] [--warmup W] "
                                "[--only sqlite|pg] [--no-cache] [--seed S] [--profile session|direct]"));
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Options options;
    if (!parseOptions(QCoreApplication::arguments(), &options))
        return 2;
    int status = 0;
    if (options.only != QLatin1String("pg"))
        status |= runSqlite(options);
    if (options.only != QLatin1String("sqlite"))
        status |= runPostgres(options);
    return status;
}
