#include "db/SchemaInstaller.h"

#include "db/sql/PostgresSupport.h"

#include "db/SchemaLive.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

// The DDL files are a resource of this static library; naming the resource
// here keeps the linker from dropping it.
static void initSchemaResources()
{
    Q_INIT_RESOURCE(schema);
}

namespace kestra {

namespace {

const QString kResourceDir = QStringLiteral(":/kestra/schema/");

QString readText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

QString dialectFileName(SchemaDialect dialect)
{
    return dialect == SchemaDialect::Sqlite ? QStringLiteral("sqlite.sql") : QStringLiteral("postgres.sql");
}

// One file's statements, parsed; the name is kept for error messages.
struct ParsedFile {
    QString name;
    QList<DdlStatement> statements;
};

bool parseFile(const QString &name, const QString &sql, ParsedFile *out, QString *error)
{
    out->name = name;
    QStringList texts;
    QString why;
    if (!splitSqlStatements(sql, &texts, &why)) {
        *error = QStringLiteral("%1: %2").arg(name, why);
        return false;
    }
    for (qsizetype i = 0; i < texts.size(); ++i) {
        DdlStatement st;
        if (!parseDdlStatement(texts.at(i), &st, &why)) {
            *error = QStringLiteral("%1, statement %2: %3\n%4").arg(name).arg(i + 1).arg(why, texts.at(i).left(300));
            return false;
        }
        out->statements.append(st);
    }
    return true;
}

// The files of one upgrade step for a dialect, in the order they run.
QList<QPair<QString, QString>> upgradeFiles(const SchemaUpgrade &u, SchemaDialect dialect)
{
    const QString stem = QStringLiteral("upgrades/%1_%2").arg(u.version, 4, 10, QChar(u'0')).arg(u.name);
    QList<QPair<QString, QString>> files;
    if (!u.portableSql.isEmpty())
        files.append({stem + QStringLiteral(".sql"), u.portableSql});
    const QString &own = dialect == SchemaDialect::Sqlite ? u.sqliteSql : u.postgresSql;
    if (!own.isEmpty())
        files.append({stem + u'.' + dialectFileName(dialect), own});
    return files;
}

// Everything an installation runs, in order: base schema, dialect file,
// reference data, then the upgrade steps.
struct Plan {
    QList<ParsedFile> base;     // schema.sql, dialect file, reference.sql
    QList<ParsedFile> upgrades; // in version order
    int version = kSchemaBaseVersion;
};

bool loadPlan(SchemaDialect dialect, const QString &upgradesDir, int fromVersion, Plan *plan, QString *error)
{
    if (fromVersion < kSchemaBaseVersion) {
        for (const QString &name :
             {QStringLiteral("schema.sql"), dialectFileName(dialect), QStringLiteral("reference.sql")}) {
            const QString sql = schemaFile(name);
            if (sql.isEmpty()) {
                *error = QStringLiteral("the schema file %1 is missing from the program").arg(name);
                return false;
            }
            ParsedFile f;
            if (!parseFile(name, sql, &f, error))
                return false;
            plan->base.append(f);
        }
    }
    QList<SchemaUpgrade> upgrades;
    if (!schemaUpgrades(&upgrades, error, upgradesDir))
        return false;
    plan->version = qMax(fromVersion, kSchemaBaseVersion);
    for (const SchemaUpgrade &u : upgrades) {
        if (u.version <= fromVersion)
            continue;
        for (const auto &[name, sql] : upgradeFiles(u, dialect)) {
            ParsedFile f;
            if (!parseFile(name, sql, &f, error))
                return false;
            plan->upgrades.append(f);
        }
        plan->version = u.version;
    }
    return true;
}

QString sqlErrorText(const QSqlError &e)
{
    const QString db = e.databaseText().trimmed();
    const QString driver = e.driverText().trimmed();
    if (db.isEmpty())
        return driver;
    return driver.isEmpty() ? db : db + QStringLiteral(" (") + driver + u')';
}

bool exec(QSqlDatabase &db, const QString &sql, QString *error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    *error = sqlErrorText(q.lastError());
    return false;
}

// Runs a parsed file; on SQLite the counter rows of sequences go to
// *deferred when the counter table is not there yet.
bool runFile(QSqlDatabase &db, SchemaDialect dialect, const ParsedFile &file, QStringList *deferred, QString *error)
{
    for (qsizetype i = 0; i < file.statements.size(); ++i) {
        const DdlStatement &st = file.statements.at(i);
        const QStringList sqls = dialectStatements(st, dialect);
        for (const QString &sql : sqls) {
            if (deferred && st.kind == DdlStatement::CreateSequence && dialect == SchemaDialect::Sqlite) {
                deferred->append(sql);
                continue;
            }
            QString why;
            if (!exec(db, sql, &why)) {
                *error =
                    QStringLiteral("%1, statement %2: %3\n%4").arg(file.name).arg(i + 1).arg(why, st.text.left(300));
                return false;
            }
        }
    }
    return true;
}

bool runPlan(QSqlDatabase &db, SchemaDialect dialect, const Plan &plan, QString *error)
{
    QStringList deferred;
    for (qsizetype i = 0; i < plan.base.size(); ++i) {
        // Sequences of schema.sql wait for the counter table of sqlite.sql.
        if (!runFile(db, dialect, plan.base.at(i), i == 0 ? &deferred : nullptr, error))
            return false;
        if (i == 1) {
            for (const QString &sql : std::as_const(deferred)) {
                QString why;
                if (!exec(db, sql, &why)) {
                    *error = QStringLiteral("sequence counter: %1\n%2").arg(why, sql);
                    return false;
                }
            }
        }
    }
    for (const ParsedFile &f : plan.upgrades)
        if (!runFile(db, dialect, f, nullptr, error))
            return false;
    QString why;
    // The functions translated Oracle SQL calls on PostgreSQL.
    if (dialect == SchemaDialect::Postgres) {
        for (const QString &sql : postgresSupportStatements()) {
            if (!exec(db, sql, &why)) {
                *error = QStringLiteral("SQL support functions: %1\n%2").arg(why, sql.left(300));
                return false;
            }
        }
    }
    if (!exec(db, QStringLiteral("DELETE FROM kestra_schema_version"), &why) ||
        !exec(db, QStringLiteral("INSERT INTO kestra_schema_version (version) VALUES (%1)").arg(plan.version), &why)) {
        *error = QStringLiteral("recording the schema version: ") + why;
        return false;
    }
    return true;
}

bool dialectMatches(const QSqlDatabase &db, SchemaDialect dialect, QString *error)
{
    if (!db.isOpen()) {
        *error = QStringLiteral("the database is not open");
        return false;
    }
    const std::optional<SchemaDialect> d = schemaDialectOf(db);
    if (!d || *d != dialect) {
        *error = QStringLiteral("the connection (driver %1) does not speak the requested dialect").arg(db.driverName());
        return false;
    }
    return true;
}

// Drops what an earlier installation left: the model's tables, children
// first, the bookkeeping tables, and on PostgreSQL the sequences.
bool dropSuite(QSqlDatabase &db, SchemaDialect dialect, const SchemaModel &model, const QStringList &live,
               QString *error)
{
    QStringList order;
    for (qsizetype i = model.tables.size() - 1; i >= 0; --i)
        order.append(model.tables.at(i).name);
    for (const QString &t : {QStringLiteral("kestra_sequence"), QStringLiteral("kestra_schema_version")})
        if (!order.contains(t, Qt::CaseInsensitive))
            order.append(t);
    QString why;
    if (dialect == SchemaDialect::Sqlite && !exec(db, QStringLiteral("PRAGMA defer_foreign_keys = ON"), &why)) {
        *error = why;
        return false;
    }
    for (const QString &t : std::as_const(order)) {
        if (!live.contains(t, Qt::CaseInsensitive))
            continue;
        const QString sql = dialect == SchemaDialect::Postgres
                                ? QStringLiteral("DROP TABLE IF EXISTS %1 CASCADE").arg(t)
                                : QStringLiteral("DROP TABLE IF EXISTS %1").arg(t);
        if (!exec(db, sql, &why)) {
            *error = QStringLiteral("dropping %1: %2").arg(t, why);
            return false;
        }
    }
    if (dialect == SchemaDialect::Postgres) {
        for (const SequenceDef &s : model.sequences) {
            if (!exec(db, QStringLiteral("DROP SEQUENCE IF EXISTS %1").arg(s.name), &why)) {
                *error = QStringLiteral("dropping %1: %2").arg(s.name, why);
                return false;
            }
        }
    }
    return true;
}

// Runs work inside one transaction; rolls back unless it succeeds.
template <typename Work>
bool inTransaction(QSqlDatabase &db, QString *error, Work work)
{
    if (!db.transaction()) {
        *error = QStringLiteral("cannot begin a transaction: ") + sqlErrorText(db.lastError());
        return false;
    }
    if (!work()) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        *error = QStringLiteral("commit failed: ") + sqlErrorText(db.lastError());
        db.rollback();
        return false;
    }
    return true;
}

} // namespace

QString schemaFile(const QString &name)
{
    initSchemaResources();
    return readText(kResourceDir + name);
}

bool schemaUpgrades(QList<SchemaUpgrade> *upgrades, QString *error, const QString &upgradesDir)
{
    initSchemaResources();
    upgrades->clear();
    const QDir dir(upgradesDir.isEmpty() ? kResourceDir + QStringLiteral("upgrades") : upgradesDir);
    if (!dir.exists())
        return true; // no step yet
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4})_(\\w+?)(?:\\.(sqlite|postgres))?\\.sql$"));
    QMap<int, SchemaUpgrade> byVersion;
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    for (const QString &name : names) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (!m.hasMatch()) {
            *error = QStringLiteral("upgrade file %1 is not named NNNN_name[.sqlite|.postgres].sql").arg(name);
            return false;
        }
        const int version = m.captured(1).toInt();
        if (version <= kSchemaBaseVersion) {
            *error = QStringLiteral("upgrade file %1 must be numbered above %2").arg(name).arg(kSchemaBaseVersion);
            return false;
        }
        SchemaUpgrade &u = byVersion[version];
        if (!u.name.isEmpty() && u.name != m.captured(2)) {
            *error =
                QStringLiteral("upgrade %1 has files of two names (%2, %3)").arg(version).arg(u.name, m.captured(2));
            return false;
        }
        u.version = version;
        u.name = m.captured(2);
        const QString text = readText(dir.filePath(name));
        const QString kind = m.captured(3);
        QString &slot = kind.isEmpty() ? u.portableSql : kind == u"sqlite" ? u.sqliteSql : u.postgresSql;
        slot = text;
    }
    *upgrades = byVersion.values();
    return true;
}

int latestSchemaVersion(const QString &upgradesDir)
{
    QList<SchemaUpgrade> upgrades;
    QString error;
    if (!schemaUpgrades(&upgrades, &error, upgradesDir) || upgrades.isEmpty())
        return kSchemaBaseVersion;
    return upgrades.last().version;
}

bool expectedSchema(SchemaDialect dialect, SchemaModel *model, QString *error, const QString &upgradesDir)
{
    Plan plan;
    if (!loadPlan(dialect, upgradesDir, 0, &plan, error))
        return false;
    *model = SchemaModel();
    for (const QList<ParsedFile> *files : {&plan.base, &plan.upgrades}) {
        for (const ParsedFile &f : *files) {
            for (const DdlStatement &st : f.statements) {
                QString why;
                if (!applyDdlStatement(*model, st, &why)) {
                    *error = QStringLiteral("%1: %2").arg(f.name, why);
                    return false;
                }
            }
        }
    }
    return true;
}

std::optional<SchemaDialect> schemaDialectOf(const QSqlDatabase &db)
{
    if (db.driverName() == u"QSQLITE")
        return SchemaDialect::Sqlite;
    if (db.driverName() == u"QPSQL")
        return SchemaDialect::Postgres;
    return std::nullopt;
}

bool installSchema(QSqlDatabase &db, SchemaDialect dialect, QString *error, const SchemaInstallOptions &options)
{
    QString localError;
    QString &err = error ? *error : localError;
    if (!dialectMatches(db, dialect, &err))
        return false;
    Plan plan;
    SchemaModel model;
    if (!loadPlan(dialect, options.upgradesDir, 0, &plan, &err) ||
        !expectedSchema(dialect, &model, &err, options.upgradesDir))
        return false;

    QStringList live;
    if (!liveTableNames(db, dialect, &live, &err))
        return false;
    QStringList present;
    for (const QString &t : std::as_const(live))
        if (model.table(t))
            present.append(t);
    if (!present.isEmpty() && !options.force) {
        const int version = installedSchemaVersion(db);
        err = QStringLiteral("the database already holds the suite schema (%1 of its tables%2); "
                             "install with force (kestra-admin init --force) to drop and replace it")
                  .arg(present.size())
                  .arg(version >= 0 ? QStringLiteral(", version %1").arg(version) : QString());
        return false;
    }
    return inTransaction(db, &err, [&] {
        if (options.force && !dropSuite(db, dialect, model, live, &err))
            return false;
        return runPlan(db, dialect, plan, &err);
    });
}

bool upgradeSchema(QSqlDatabase &db, SchemaDialect dialect, QString *error, const QString &upgradesDir)
{
    QString localError;
    QString &err = error ? *error : localError;
    if (!dialectMatches(db, dialect, &err))
        return false;
    const int current = installedSchemaVersion(db);
    if (current < kSchemaBaseVersion) {
        err = QStringLiteral("the database holds no suite schema; install it first");
        return false;
    }
    const int latest = latestSchemaVersion(upgradesDir);
    if (current > latest) {
        err = QStringLiteral("the database (version %1) is newer than this program (version %2)")
                  .arg(current)
                  .arg(latest);
        return false;
    }
    if (current == latest)
        return true;
    Plan plan;
    if (!loadPlan(dialect, upgradesDir, current, &plan, &err))
        return false;
    return inTransaction(db, &err, [&] { return runPlan(db, dialect, plan, &err); });
}

int installedSchemaVersion(QSqlDatabase &db)
{
    const std::optional<SchemaDialect> dialect = schemaDialectOf(db);
    QStringList live;
    QString error;
    if (!dialect || !liveTableNames(db, *dialect, &live, &error) ||
        !live.contains(QStringLiteral("kestra_schema_version"), Qt::CaseInsensitive))
        return -1;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT MAX(version) FROM kestra_schema_version")) || !q.next() || q.isNull(0))
        return -1;
    return q.value(0).toInt();
}

} // namespace kestra
