#pragma once

// A scratch database for the translator's execution tests: SQLite in a
// temporary file with the Oracle functions registered, or a PostgreSQL
// database with a random name (created on the server that KESTRA_TEST_PG
// names, with the support functions, dropped afterwards). Oracle SQL goes
// through the translator before it runs.

#include "db/sql/OracleSql.h"
#include "db/sql/PostgresSupport.h"
#include "db/sql/SqliteFunctions.h"

#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QVariant>
#include <memory>

namespace kestra::test {

class SqlScratchDb {
public:
    explicit SqlScratchDb(SqlDialect dialect) : dialect_(dialect), translator_(dialect) {}
    ~SqlScratchDb() { close(); }
    SqlScratchDb(const SqlScratchDb &) = delete;
    SqlScratchDb &operator=(const SqlScratchDb &) = delete;

    // The libpq URI of the test server, empty when none is configured.
    static QString postgresUri() { return qEnvironmentVariable("KESTRA_TEST_PG"); }

    bool open(QString *why)
    {
        const QString tag = QString::number(QRandomGenerator::global()->generate64(), 16);
        name_ = QStringLiteral("kestra_sql_") + tag;
        if (dialect_ == SqlDialect::Sqlite) {
            dir_ = std::make_unique<QTemporaryDir>();
            db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
            db_.setDatabaseName(dir_->filePath(QStringLiteral("scratch.db")));
            if (!db_.open())
                return fail(why, db_.lastError().text());
            if (!registerOracleFunctions(db_))
                return fail(why, QStringLiteral("registerOracleFunctions failed"));
            return native(QString::fromLatin1(kSqliteSequenceTableDdl), why);
        }
        const QUrl url(postgresUri());
        admin_ = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_ + QStringLiteral("_admin"));
        configure(admin_, url, url.path().mid(1));
        if (!admin_.open())
            return fail(why, admin_.lastError().text());
        QSqlQuery create(admin_);
        if (!create.exec(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(name_)))
            return fail(why, create.lastError().text());
        created_ = true;
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
        configure(db_, url, name_);
        if (!db_.open() || !native(QStringLiteral("SET client_min_messages = warning"), why))
            return fail(why, db_.lastError().text());
        for (const QString &st : postgresSupportStatements()) {
            if (!native(st, why))
                return false;
        }
        return true;
    }

    void close()
    {
        if (db_.isValid()) {
            db_.close();
            db_ = QSqlDatabase();
            QSqlDatabase::removeDatabase(name_);
        }
        if (admin_.isValid()) {
            if (created_) {
                QSqlQuery drop(admin_);
                drop.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name_));
            }
            admin_.close();
            admin_ = QSqlDatabase();
            QSqlDatabase::removeDatabase(name_ + QStringLiteral("_admin"));
        }
        dir_.reset();
    }

    SqlDialect dialect() const { return dialect_; }
    bool postgres() const { return dialect_ == SqlDialect::Postgres; }
    QSqlDatabase &db() { return db_; }

    // Native SQL, untranslated (table definitions differ per backend).
    bool native(const QString &sql, QString *why = nullptr)
    {
        QSqlQuery q(db_);
        if (q.exec(sql))
            return true;
        return fail(why, q.lastError().text() + QStringLiteral(" in: ") + sql);
    }
    bool native(const QString &sqliteSql, const QString &postgresSql)
    {
        return native(postgres() ? postgresSql : sqliteSql);
    }

    // Oracle SQL: translated, then run.
    bool exec(const QString &oracleSql, QString *why = nullptr)
    {
        QSqlQuery q(db_);
        const QString sql = translator_.translate(oracleSql);
        if (q.exec(sql))
            return true;
        return fail(why, q.lastError().text() + QStringLiteral(" in: ") + sql);
    }

    // The rows of an Oracle query; each row's cells.
    QList<QVariantList> rows(const QString &oracleSql, QString *why = nullptr)
    {
        QList<QVariantList> out;
        QSqlQuery q(db_);
        const QString sql = translator_.translate(oracleSql);
        if (!q.exec(sql)) {
            fail(why, q.lastError().text() + QStringLiteral(" in: ") + sql);
            return out;
        }
        while (q.next()) {
            QVariantList row;
            for (int c = 0; c < q.record().count(); ++c)
                row.append(q.value(c));
            out.append(row);
        }
        return out;
    }

    // The first cell of the first row; an invalid QVariant with *why set on
    // failure or when there is no row.
    QVariant scalar(const QString &oracleSql, QString *why = nullptr)
    {
        QString error;
        const QList<QVariantList> r = rows(oracleSql, &error);
        if (!error.isEmpty()) {
            fail(why, error);
            return QVariant();
        }
        if (r.isEmpty() || r.first().isEmpty()) {
            fail(why, QStringLiteral("no row"));
            return QVariant();
        }
        return r.first().first();
    }

    // A cell as text, "<NULL>" for NULL, "<ERROR: ...>" on failure: easy to
    // compare in QCOMPARE.
    QString text(const QString &oracleSql)
    {
        QString error;
        const QVariant v = scalar(oracleSql, &error);
        if (!error.isEmpty())
            return QStringLiteral("<ERROR: ") + error + u'>';
        return v.isNull() ? QStringLiteral("<NULL>") : v.toString();
    }

private:
    static void configure(QSqlDatabase &db, const QUrl &url, const QString &database)
    {
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setPassword(url.password());
        db.setDatabaseName(database);
    }
    static bool fail(QString *why, const QString &text)
    {
        if (why)
            *why = text;
        return false;
    }

    SqlDialect dialect_;
    SqlTranslator translator_;
    QString name_;
    std::unique_ptr<QTemporaryDir> dir_;
    QSqlDatabase db_;
    QSqlDatabase admin_;
    bool created_ = false;
};

} // namespace kestra::test

namespace kestra::test {

// Both scratch databases of a test class: SQLite always, PostgreSQL when
// KESTRA_TEST_PG names a server. Test functions take a "backend" column.
class SqlBackends {
public:
    // Opens both; false with *why when a configured backend fails.
    bool open(QString *why)
    {
        sqlite_ = std::make_unique<SqlScratchDb>(SqlDialect::Sqlite);
        if (!sqlite_->open(why))
            return false;
        if (SqlScratchDb::postgresUri().isEmpty())
            return true;
        postgres_ = std::make_unique<SqlScratchDb>(SqlDialect::Postgres);
        return postgres_->open(why);
    }
    void close()
    {
        sqlite_.reset();
        postgres_.reset();
    }
    // nullptr for "postgres" when no server is configured.
    SqlScratchDb *pick(const QString &backend) const
    {
        return backend == QLatin1StringView("postgres") ? postgres_.get() : sqlite_.get();
    }
    static void addRows()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("sqlite") << QStringLiteral("sqlite");
        QTest::newRow("postgres") << QStringLiteral("postgres");
    }

private:
    std::unique_ptr<SqlScratchDb> sqlite_;
    std::unique_ptr<SqlScratchDb> postgres_;
};

} // namespace kestra::test

// In a data-driven test function: the scratch database of this row, or a
// skip when it is PostgreSQL and no server is configured.
#define KESTRA_SQL_BACKEND(var)                                                                                        \
    QFETCH(QString, backend);                                                                                          \
    kestra::test::SqlScratchDb *var = backends_.pick(backend);                                                         \
    if (!var)                                                                                                          \
        QSKIP("KESTRA_TEST_PG is not set");
