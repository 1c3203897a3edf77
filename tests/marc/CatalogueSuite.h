#pragma once

// A suite database installed as kestra-admin installs it, with an
// installation folder whose kestra.ini points at it: for the tests that
// store records and run the record commands.

#include "db/Backends.h"
#include "db/SchemaInstaller.h"
#include "support/CommandOutput.h"
#include "support/TestContext.h"
#include "support/TestDatabase.h"

#include <QSqlDatabase>
#include <QSqlError>

namespace kestra::test {

struct Suite {
    TestContext tc;
    std::unique_ptr<TestDatabase> db;

    QString open(int backend, const QString &codePage = QString())
    {
        QString skip;
        db = TestDatabase::create(static_cast<TestDatabase::Kind>(backend), &skip);
        if (!db)
            return skip;
        const QString name = QStringLiteral("marc-import-install");
        QString why;
        bool ok = false;
        {
            const BackendTarget t = db->target();
            const bool sqlite = db->kind() == TestDatabase::Kind::Sqlite;
            QSqlDatabase sql =
                QSqlDatabase::addDatabase(sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), name);
            sql.setDatabaseName(sqlite ? t.path : t.database);
            sql.setHostName(t.host);
            sql.setPort(t.port);
            sql.setUserName(t.user);
            ok = sql.open() && installSchema(sql, sqlite ? SchemaDialect::Sqlite : SchemaDialect::Postgres, &why);
            if (!ok && why.isEmpty())
                why = sql.lastError().text();
            sql.close();
        }
        QSqlDatabase::removeDatabase(name);
        if (!ok)
            return QStringLiteral("cannot install the schema: ") + why;
        tc.writeText(
            QStringLiteral("kestra.ini"),
            QStringLiteral("[LIB-DATA]\nLIB_SERVER=T\n%2[T]\nDSN=%1\nUID=\nPWD=\n")
                .arg(db->dsn(), codePage.isEmpty() ? QString() : QStringLiteral("CODEPAGE=%1\n").arg(codePage)));
        if (tc.context().loadIniSettings() < 0 || tc.context().db().connect() < 0)
            return QStringLiteral("cannot connect");
        return QString();
    }

    Session &session() { return tc.context().db(); }

    QString one(const QString &sql)
    {
        QueryResult r;
        if (session().query(sql, r) < 0 || r.rowCount() == 0)
            return QStringLiteral("<none>");
        return r.text(0, 0);
    }

    int run(CommandMain command, QStringList args, QByteArray *out = nullptr, QByteArray *err = nullptr)
    {
        args.prepend(tc.root());
        args.prepend(QStringLiteral("--root"));
        const CommandRun r = runCommand(command, args);
        if (out)
            *out = r.out;
        if (err)
            *err = r.err;
        return r.status;
    }
};

} // namespace kestra::test
