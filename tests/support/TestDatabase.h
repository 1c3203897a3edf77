#pragma once

#include "db/Backend.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace kestra::test {

// A fresh, empty database for one test: an SQLite file in a temporary
// folder, or a PostgreSQL database created on the server that KESTRA_TEST_PG
// names (a libpq URI) and dropped again afterwards.
class TestDatabase {
public:
    enum class Kind { Sqlite, Postgres };

    // Nothing, with *skip set, when the backend is not available here.
    static std::unique_ptr<TestDatabase> create(Kind kind, QString *skip);
    ~TestDatabase();
    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    Kind kind() const { return kind_; }
    // The connection target for a backend (SQLite: created when missing).
    BackendTarget target() const;
    // The DSN text for kestra.ini.
    QString dsn() const;
    // Runs SQL on a separate administrative connection (PostgreSQL only):
    // for killing sessions and the like.
    bool adminExec(const QString &sql, QString *error = nullptr) const;

    static QString kindName(Kind kind)
    {
        return kind == Kind::Sqlite ? QStringLiteral("sqlite") : QStringLiteral("postgres");
    }

private:
    TestDatabase() = default;

    Kind kind_ = Kind::Sqlite;
    std::unique_ptr<QTemporaryDir> dir_;
    QString path_;
    QString uri_; // PostgreSQL server URI (maintenance database)
    QString host_;
    int port_ = 5432;
    QString user_;
    QString database_;
};

// Adds the rows "sqlite" and "postgres" to a data-driven test (column
// "backend", a TestDatabase::Kind as int).
void addBackendRows();

} // namespace kestra::test
