#include "admin/DatabaseCommands.h"

#include "core/ConnectionSettings.h"
#include "db/Backends.h"
#include "db/SchemaInstaller.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QUrl>
#include <cstdio>

namespace kestra {

BackendTarget backendTargetOf(const DatabaseTarget &t)
{
    BackendTarget target;
    if (t.dsn.kind == Dsn::Kind::Sqlite) {
        target.kind = BackendTarget::Kind::Sqlite;
        target.path = t.dsn.path;
    } else if (t.dsn.kind == Dsn::Kind::Postgres) {
        target.kind = BackendTarget::Kind::Postgres;
        target.host = t.dsn.host;
        target.port = t.dsn.port;
        target.ports = t.dsn.ports;
        target.database = t.dsn.database;
        target.user = t.dsn.user.isEmpty() ? t.user : t.dsn.user;
        target.password = t.dsn.password.isEmpty() ? t.password : t.dsn.password;
        target.options = t.dsn.options;
    } else {
        target.kind = BackendTarget::Kind::Oracle;
        target.database = t.dsn.tnsName;
        target.user = t.user;
        target.password = t.password;
    }
    return target;
}

namespace {

void printErr(const QString &text)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(text));
}

// Opens the target through Qt's SQL drivers for the schema tools; the
// connection is removed again when the holder goes.
class AdminConnection {
public:
    explicit AdminConnection(const DatabaseTarget &target) : name_(QStringLiteral("kestra-admin"))
    {
        const Dsn &dsn = target.dsn;
        if (dsn.kind == Dsn::Kind::Sqlite) {
            QDir().mkpath(QFileInfo(dsn.path).absolutePath());
            db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
            db_.setDatabaseName(dsn.path);
            dialect_ = SchemaDialect::Sqlite;
        } else if (dsn.kind == Dsn::Kind::Postgres) {
            db_ = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
            db_.setHostName(dsn.host);
            if (dsn.ports.isEmpty())
                db_.setPort(dsn.port);
            db_.setDatabaseName(dsn.database);
            db_.setUserName(dsn.user.isEmpty() ? target.user : dsn.user);
            db_.setPassword(dsn.password.isEmpty() ? target.password : dsn.password);
            // The DSN's libpq settings (sslmode and the certificates among
            // them) hold for the schema tools as for the client.
            QStringList options;
            for (const QString &pair : dsn.options.split(u'&', Qt::SkipEmptyParts)) {
                const qsizetype eq = pair.indexOf(u'=');
                if (eq > 0)
                    options.append(pair.left(eq) + u'=' + QUrl::fromPercentEncoding(pair.mid(eq + 1).toUtf8()));
            }
            if (!dsn.ports.isEmpty())
                options.append(QStringLiteral("port=") + dsn.ports);
            db_.setConnectOptions(options.join(u';'));
            dialect_ = SchemaDialect::Postgres;
        } else {
            error_ = QStringLiteral("the schema tools work on SQLite and PostgreSQL only (%1)").arg(dsn.describe());
            return;
        }
        if (!db_.open())
            error_ = db_.lastError().text();
    }
    ~AdminConnection()
    {
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }
    AdminConnection(const AdminConnection &) = delete;
    AdminConnection &operator=(const AdminConnection &) = delete;

    bool ok() const { return error_.isEmpty(); }
    const QString &error() const { return error_; }
    QSqlDatabase &db() { return db_; }
    SchemaDialect dialect() const { return dialect_; }

private:
    QString name_;
    QSqlDatabase db_;
    SchemaDialect dialect_ = SchemaDialect::Sqlite;
    QString error_;
};

} // namespace

bool resolveDatabaseTarget(const QString &dsnText, const QString &root, DatabaseTarget *target, QString *error)
{
    if (!dsnText.isEmpty()) {
        target->dsn = Dsn::parse(dsnText, QDir::currentPath());
    } else {
        const IniLoadResult ini = loadIniSettings(InstallFolders(root));
        if (ini.status < 0) {
            *error = ini.error;
            return false;
        }
        target->dsn = ini.connection.dsn;
        target->user = ini.connection.user;
        target->password = ini.connection.password;
    }
    if (!target->dsn.error.isEmpty()) {
        *error = target->dsn.error;
        return false;
    }
    if (target->dsn.kind == Dsn::Kind::None) {
        *error =
            QStringLiteral("no database named (give --dsn, or --root of an installation whose kestra.ini has a DSN)");
        return false;
    }
    return true;
}

int runInit(const DatabaseTarget &target, bool force)
{
    AdminConnection connection(target);
    if (!connection.ok()) {
        printErr(
            QStringLiteral("kestra-admin init: cannot open %1: %2").arg(target.dsn.describe(), connection.error()));
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    SchemaInstallOptions options;
    options.force = force;
    QString error;
    if (!installSchema(connection.db(), connection.dialect(), &error, options)) {
        printErr(QStringLiteral("kestra-admin init: ") + error);
        return 1;
    }
    printErr(QStringLiteral("kestra-admin init: schema version %1 installed in %2 (%3 ms)")
                 .arg(installedSchemaVersion(connection.db()))
                 .arg(target.dsn.describe())
                 .arg(timer.elapsed()));
    return 0;
}

int runCheck(const DatabaseTarget &target)
{
    AdminConnection connection(target);
    if (!connection.ok()) {
        printErr(
            QStringLiteral("kestra-admin check: cannot open %1: %2").arg(target.dsn.describe(), connection.error()));
        return 1;
    }
    // Whether the client's own link is encrypted, opened as the client
    // opens it.
    if (target.dsn.kind == Dsn::Kind::Postgres) {
        const std::unique_ptr<Backend> client = createBackend(BackendTarget::Kind::Postgres);
        DbError error;
        if (!client->open(backendTargetOf(target), error)) {
            printErr(QStringLiteral("kestra-admin check: the client cannot connect: ") + error.text);
            return 1;
        }
        const QString security = client->linkSecurity();
        printErr(security.isEmpty() ? QStringLiteral("kestra-admin check: the link is not encrypted")
                                    : QStringLiteral("kestra-admin check: the link is encrypted (%1)").arg(security));
    }
    const QStringList differences = checkSchema(connection.db(), connection.dialect());
    for (const QString &line : differences)
        std::printf("%s\n", qUtf8Printable(line));
    if (!differences.isEmpty()) {
        printErr(QStringLiteral("kestra-admin check: %1 differences from the schema").arg(differences.size()));
        return 1;
    }
    printErr(QStringLiteral("kestra-admin check: %1 matches the schema").arg(target.dsn.describe()));
    return 0;
}

} // namespace kestra
