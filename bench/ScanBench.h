#pragma once

// Shared parts of bench-scan: the generated library, its loaders and the two
// ways of running the single-copy status change (through the session, and
// as a C program would issue it).

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>

struct sqlite3;

namespace scanbench {

// The size of the generated library. Titles get three or four copies each.
struct Shape {
    int copies = 1000000;
    int titles() const { return static_cast<int>(static_cast<qint64>(copies) * 3 / 10); }
};

// A row to load: one text per column, a null QByteArray for NULL. Numbers
// travel as text; the column types convert them.
using LoadRow = QList<QByteArray>;

const QStringList &marcColumns();
const QStringList &copyColumns();
const QStringList &itemColumns();

// Rows by index, the same on every call (seeded by the index alone).
LoadRow marcRow(const Shape &shape, int title);
LoadRow copyRow(const Shape &shape, int copy);
// The circulation row of a copy, if it has one (empty list: none).
LoadRow itemRow(const Shape &shape, int copy);
QString barcodeOf(int copy);

// Loads the generated library into a new SQLite file (the schema is
// installed first). Progress goes to stderr.
bool buildSqlite(const QString &path, const Shape &shape, QString *error);
// Creates a database on the server of a libpq URI, installs the schema and
// loads the library with COPY; *database receives its name.
bool buildPostgres(const QString &serverUri, const Shape &shape, QString *database, QString *error);
// Drops that database again.
void dropPostgres(const QString &serverUri, const QString &database);
// The URI of a database on the same server.
QString databaseUri(const QString &serverUri, const QString &database);

// One status change to apply: scan this barcode, set this status.
struct Change {
    QString barcode;
    QString newStatus;
};
QList<Change> makeChanges(const Shape &shape, int count, std::uint64_t seed);

// The steps of one change, for the time breakdown.
enum Step { Lookup, Count, Begin, CopyUpdate, ItemUpdate, Lendable, WorkQty, LogLine, Commit, StepCount };
const char *stepName(int step);
using StepTimes = std::array<qint64, StepCount>; // nanoseconds

// Who changes, where, and on which day (the same on both sides).
struct Operator {
    QString number = QStringLiteral("A0107");
    QString workstation = QStringLiteral("WS-CIRC-03");
    QString location = QStringLiteral("ZK01");
    QString locationName = QStringLiteral("中文图书借阅室");
    QString day; // server date, yyyy-mm-dd
};

// The name of a status code as the status-change form logs it.
QString statusName(const QString &code);

// Runs the changes and returns the elapsed nanoseconds, -1 on a failure
// (with *error set). `times` accumulates the steps.
class Runner {
public:
    virtual ~Runner() = default;
    virtual QString name() const = 0;
    virtual qint64 run(const QList<Change> &changes, StepTimes &times, QString *error) = 0;
    // The SQLite connection the runner works on, if any.
    virtual sqlite3 *sqliteHandle() { return nullptr; }
};

// The client's way: Oracle SQL with quoted literals through kestra::Session
// (query, callProc, the work log calls), on an SQLite file or a PostgreSQL
// database named by URI.
std::unique_ptr<Runner> sessionRunner(const QString &sqlitePath, const QString &pgUri, const Operator &op,
                                      QString *error);
// A careful C programmer's way: the native statements, prepared once and
// bound, through the sqlite3 and libpq libraries.
std::unique_ptr<Runner> sqliteDirectRunner(const QString &path, const Operator &op, QString *error);
std::unique_ptr<Runner> pgDirectRunner(const QString &uri, const Operator &op, QString *error);

// SQLite only: whether a commit waits for the disk (synchronous=FULL, the
// client's setting) or not (NORMAL: in WAL mode a commit is then a write
// without fsync, which shows what the layers above the disk cost).
void setSqliteSync(Runner &runner, bool full);

} // namespace scanbench
