#include "support/TestDatabase.h"

#include "db/sql/PostgresSupport.h"

#include <QRandomGenerator>
#include <QTest>
#include <QUrl>
#include <libpq-fe.h>

namespace kestra::test {

namespace {

bool runOn(const QString &uri, const QString &sql, QString *error)
{
    PGconn *conn = PQconnectdb(uri.toUtf8().constData());
    bool ok = PQstatus(conn) == CONNECTION_OK;
    if (ok) {
        PGresult *res = PQexec(conn, sql.toUtf8().constData());
        ok = PQresultStatus(res) == PGRES_COMMAND_OK || PQresultStatus(res) == PGRES_TUPLES_OK;
        if (!ok && error != nullptr)
            *error = QString::fromUtf8(PQresultErrorMessage(res));
        PQclear(res);
    } else if (error != nullptr) {
        *error = QString::fromUtf8(PQerrorMessage(conn));
    }
    PQfinish(conn);
    return ok;
}

} // namespace

std::unique_ptr<TestDatabase> TestDatabase::create(Kind kind, QString *skip)
{
    std::unique_ptr<TestDatabase> db(new TestDatabase);
    db->kind_ = kind;
    if (kind == Kind::Sqlite) {
        db->dir_ = std::make_unique<QTemporaryDir>();
        db->path_ = db->dir_->filePath(QStringLiteral("suite.db"));
        return db;
    }
    const QString uri = qEnvironmentVariable("KESTRA_TEST_PG");
    if (uri.isEmpty()) {
        *skip = QStringLiteral("KESTRA_TEST_PG is not set: no PostgreSQL server for this test");
        return nullptr;
    }
    const QUrl url(uri);
    db->uri_ = uri;
    db->host_ = url.host();
    db->port_ = url.port(5432);
    db->user_ = url.userName();
    db->database_ = QStringLiteral("kestra_t_%1").arg(QRandomGenerator::global()->generate64(), 0, 36);
    QString error;
    if (!runOn(uri, QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(db->database_),
               &error)) {
        *skip = QStringLiteral("cannot create a test database: ") + error;
        return nullptr;
    }
    // Every database the client uses has the functions translated SQL calls.
    for (const QString &sql : postgresSupportStatements()) {
        if (!db->adminExec(sql, &error)) {
            *skip = QStringLiteral("cannot create the SQL support functions: ") + error;
            return nullptr;
        }
    }
    return db;
}

TestDatabase::~TestDatabase()
{
    if (kind_ == Kind::Postgres && !database_.isEmpty())
        runOn(uri_, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database_), nullptr);
}

BackendTarget TestDatabase::target() const
{
    BackendTarget t;
    if (kind_ == Kind::Sqlite) {
        t.kind = BackendTarget::Kind::Sqlite;
        t.path = path_;
        t.createIfMissing = true;
    } else {
        t.kind = BackendTarget::Kind::Postgres;
        t.host = host_;
        t.port = port_;
        t.user = user_;
        t.database = database_;
    }
    t.lockTimeoutMs = 300;
    return t;
}

QString TestDatabase::dsn() const
{
    if (kind_ == Kind::Sqlite)
        return QStringLiteral("sqlite:") + path_;
    return QStringLiteral("postgresql://%1@%2:%3/%4").arg(user_, host_).arg(port_).arg(database_);
}

bool TestDatabase::adminExec(const QString &sql, QString *error) const
{
    if (kind_ != Kind::Postgres)
        return false;
    QUrl url(uri_);
    url.setPath(u'/' + database_);
    return runOn(url.toString(), sql, error);
}

void addBackendRows()
{
    QTest::addColumn<int>("backend");
    QTest::newRow("sqlite") << static_cast<int>(TestDatabase::Kind::Sqlite);
    QTest::newRow("postgres") << static_cast<int>(TestDatabase::Kind::Postgres);
}

} // namespace kestra::test
