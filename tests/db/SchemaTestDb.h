#pragma once

#include "db/SchemaInstaller.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QUuid>
#include <memory>

namespace kestra::test {

// The PostgreSQL server for database tests: a libpq URI
// (postgresql://user@host:port/dbname) in KESTRA_TEST_PG; empty: SQLite only.
inline QString testPgUri()
{
    return qEnvironmentVariable("KESTRA_TEST_PG");
}

// Adds the two backends as rows of a data-driven test.
inline void addDialectRows()
{
    QTest::addColumn<int>("dialect");
    QTest::newRow("sqlite") << int(SchemaDialect::Sqlite);
    QTest::newRow("postgres") << int(SchemaDialect::Postgres);
}

// A scratch database for one test: a SQLite file in a temporary folder, or
// a PostgreSQL database created under a random name on the server of
// KESTRA_TEST_PG and dropped again (with any connection left on it).
class ScratchDb {
public:
    explicit ScratchDb(SchemaDialect dialect) : dialect_(dialect)
    {
        const QString id = QUuid::createUuid().toString(QUuid::Id128).left(16);
        name_ = QStringLiteral("kestra_schema_") + id;
        if (dialect == SchemaDialect::Sqlite) {
            db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
            db_.setDatabaseName(dir_.filePath(QStringLiteral("suite.db")));
            if (!db_.open())
                error_ = db_.lastError().text();
            else
                QSqlQuery(db_).exec(QStringLiteral("PRAGMA foreign_keys = ON"));
            return;
        }
        const QUrl url(testPgUri());
        admin_ = connect(name_ + QStringLiteral("_admin"), url, url.path().mid(1));
        if (!admin_.open()) {
            error_ = admin_.lastError().text();
            return;
        }
        QSqlQuery q(admin_);
        if (!q.exec(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'").arg(name_))) {
            error_ = q.lastError().text();
            return;
        }
        created_ = true;
        db_ = connect(name_, url, name_);
        if (!db_.open())
            error_ = db_.lastError().text();
    }
    ~ScratchDb()
    {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
        if (dialect_ == SchemaDialect::Postgres) {
            if (created_)
                QSqlQuery(admin_).exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name_));
            admin_.close();
            admin_ = QSqlDatabase();
            QSqlDatabase::removeDatabase(name_ + QStringLiteral("_admin"));
        }
    }
    ScratchDb(const ScratchDb &) = delete;
    ScratchDb &operator=(const ScratchDb &) = delete;

    bool ok() const { return error_.isEmpty(); }
    const QString &error() const { return error_; }
    QSqlDatabase &db() { return db_; }
    SchemaDialect dialect() const { return dialect_; }

    // Runs one statement; the error text when it fails, else empty.
    QString exec(const QString &sql)
    {
        QSqlQuery q(db_);
        return q.exec(sql) ? QString() : q.lastError().text();
    }
    QVariant value(const QString &sql)
    {
        QSqlQuery q(db_);
        if (!q.exec(sql) || !q.next())
            return {};
        return q.value(0);
    }

private:
    static QSqlDatabase connect(const QString &connection, const QUrl &url, const QString &database)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setPassword(url.password());
        db.setDatabaseName(database);
        return db;
    }

    SchemaDialect dialect_;
    QString name_;
    QTemporaryDir dir_;
    QSqlDatabase db_;
    QSqlDatabase admin_;
    QString error_;
    bool created_ = false;
};

// Opens a scratch database for the current data row, skipping PostgreSQL
// rows when no server is configured.
#define KESTRA_SCRATCH_DB(var)                                                                                         \
    QFETCH(int, dialect);                                                                                              \
    if (SchemaDialect(dialect) == SchemaDialect::Postgres && kestra::test::testPgUri().isEmpty())                      \
        QSKIP("KESTRA_TEST_PG is not set");                                                                            \
    kestra::test::ScratchDb var{SchemaDialect(dialect)};                                                               \
    QVERIFY2(var.ok(), qPrintable(var.error()))

} // namespace kestra::test
