#pragma once

// The suite database as kestra-admin installs it (schema and reference
// data) with a few locations and an operator, and a context connected to
// it; shared by the login tests.

#include "core/Session.h"
#include "db/Backends.h"
#include "db/SchemaInstaller.h"
#include "support/TestContext.h"
#include "support/TestDatabase.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>
#include <memory>

namespace kestra::test {

inline const char *const kLoginData[] = {
    "INSERT INTO location_lst (location, location_name, loca_use, branch_id, group_id) "
    "VALUES ('L01', '中文图书借阅室', '1', 'B1', 'G1')",
    "INSERT INTO location_lst (location, location_name, loca_use, branch_id) VALUES ('L02', '外文图书借阅室', '1', "
    "'B2')",
    "INSERT INTO location_lst (location, location_name, loca_use, branch_id) VALUES ('L03', '过刊库', '0', 'B1')",
    "INSERT INTO location_sort VALUES ('L02', '2', 1)",
    "INSERT INTO location_sort VALUES ('L01', '2', 2)",
    "INSERT INTO location_sort VALUES ('L03', '2', 3)",
    "INSERT INTO location_sort VALUES ('L01', '0', 1)",
    // W001: a librarian bound to WS-01 (location L01) with the holdings right.
    "INSERT INTO lib_worker (wkr_no, wkr_name, password, wkr_flag, code2, wkr_email, modi_pwd_date) "
    "VALUES ('W001', '张三', 'Secret1', '1', '1', 'w001@lib', '2026-01-01')",
    "INSERT INTO user_comp_lst VALUES ('W001', 'WS-01')",
    "INSERT INTO loca_comp_lst VALUES ('WS-01', 'L01')",
    "INSERT INTO user_auth_lst VALUES ('W001', '3000')",
    "INSERT INTO user_auth_lst VALUES ('W001', '3001')",
    "INSERT INTO user_location VALUES ('W001', 'L01')",
    "INSERT INTO user_location VALUES ('W001', 'L03')",
};

// Installs the schema and the reference data into a test database.
inline bool installSuite(const TestDatabase &db, QString *why)
{
    const QString name = QStringLiteral("login-fixture-install");
    bool ok = false;
    {
        const BackendTarget t = db.target();
        const bool sqlite = db.kind() == TestDatabase::Kind::Sqlite;
        QSqlDatabase sql =
            QSqlDatabase::addDatabase(sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), name);
        if (sqlite) {
            sql.setDatabaseName(t.path);
        } else {
            sql.setHostName(t.host);
            sql.setPort(t.port);
            sql.setUserName(t.user);
            sql.setDatabaseName(t.database);
        }
        if (!sql.open())
            *why = sql.lastError().text();
        else
            ok = installSchema(sql, sqlite ? SchemaDialect::Sqlite : SchemaDialect::Postgres, why);
        sql.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// An installation over a fresh suite database. The login parameters start
// neutral (no lock-out, no rule, no digests, no expiry); tests set theirs.
struct LoginDb {
    TestContext tc;
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<Backend> admin; // for arranging rows behind the client's back

    // Empty on success, else why the test is skipped.
    QString open(int backend)
    {
        QString skip;
        db = TestDatabase::create(static_cast<TestDatabase::Kind>(backend), &skip);
        if (!db)
            return skip;
        if (QString why; !installSuite(*db, &why))
            return QStringLiteral("cannot install the schema: ") + why;
        admin = createBackend(db->target().kind);
        DbError error;
        if (!admin->open(db->target(), error))
            return error.text;
        for (const char *sql : kLoginData) {
            if (!admin->execute(QString::fromUtf8(sql), error))
                return error.text;
        }
        tc.writeText(QStringLiteral("kestra.ini"),
                     QStringLiteral("[LIB-DATA]\nLIB_SERVER=T\n[T]\nDSN=%1\nUID=\nPWD=\n").arg(db->dsn()));
        AppContext &c = tc.context();
        if (c.loadIniSettings() < 0 || c.db().connect() < 0)
            return QStringLiteral("cannot connect: ") + c.errors().text;
        params({{"70", QStringLiteral("0")},
                {"71", QStringLiteral("3")},
                {"73", QString()},
                {"74", QStringLiteral("0")},
                {"77", QStringLiteral("0")}});
        return QString();
    }

    AppContext &context() { return tc.context(); }

    bool exec(const QString &sql)
    {
        DbError error;
        if (admin->execute(sql, error))
            return true;
        qWarning("%s: %s", qPrintable(sql), qPrintable(error.text));
        return false;
    }

    QString one(const QString &sql)
    {
        QueryResult r;
        DbError error;
        if (!admin->query(sql, r, error))
            return QStringLiteral("<error: ") + error.text + u'>';
        return r.rowCount() == 0 ? QStringLiteral("<none>") : r.text(0, 0);
    }

    // Sets system parameters ({"70", "10"}, ...) and reloads them.
    void params(std::initializer_list<std::pair<const char *, QString>> values)
    {
        for (const auto &[code, value] : values) {
            exec(QStringLiteral("DELETE FROM sys_comm_para WHERE sys_para_code='%1'").arg(QLatin1String(code)));
            exec(QStringLiteral("INSERT INTO sys_comm_para (sys_para_code, sys_para_value) VALUES ('%1', %2)")
                     .arg(QLatin1String(code), sqlQuote(value)));
        }
        context().loadMessagesAndParams();
    }

    // The server's clock, "yyyy-mm-dd hh:mm:ss".
    QString serverNow() { return context().getEnv(9).toString(); }
};

} // namespace kestra::test
