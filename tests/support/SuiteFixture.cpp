#include "support/SuiteFixture.h"

#include "core/Session.h"
#include "db/SchemaInstaller.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QTest>
#include <QUrl>

namespace kestra::test {

namespace {

bool installWithQt(const TestDatabase &db, QString *error)
{
    const QString name = QStringLiteral("suite-fixture-%1").arg(quintptr(&db), 0, 16);
    bool ok = false;
    {
        const BackendTarget t = db.target();
        QSqlDatabase q = QSqlDatabase::addDatabase(
            t.kind == BackendTarget::Kind::Sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), name);
        if (t.kind == BackendTarget::Kind::Sqlite) {
            q.setDatabaseName(t.path);
        } else {
            q.setHostName(t.host);
            q.setPort(t.port);
            q.setUserName(t.user);
            q.setDatabaseName(t.database);
        }
        if (!q.open()) {
            *error = q.lastError().text();
        } else {
            ok = installSchema(
                q, t.kind == BackendTarget::Kind::Sqlite ? SchemaDialect::Sqlite : SchemaDialect::Postgres, error);
            q.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

} // namespace

bool SuiteFixture::open(int backend, QString *skip)
{
    database = TestDatabase::create(static_cast<TestDatabase::Kind>(backend), skip);
    if (!database)
        return false;
    QString error;
    if (!installWithQt(*database, &error)) {
        *skip = QStringLiteral("schema install failed: ") + error;
        return false;
    }
    tc.writeText(QStringLiteral("kestra.ini"),
                 QStringLiteral("[LIB-DATA]\nLIB_SERVER=SUITE\n[SUITE]\nDSN=%1\nUID=\nPWD=\n").arg(database->dsn()));
    if (context().loadIniSettings() < 0) {
        *skip = QStringLiteral("kestra.ini: ") + context().errors().text;
        return false;
    }
    db().setLockTimeout(300);
    if (db().connect() < 0 || context().loadMessagesAndParams() < 0) {
        *skip = QStringLiteral("connect: ") + context().errors().text;
        return false;
    }
    return true;
}

Session &SuiteFixture::db()
{
    return context().db();
}

bool SuiteFixture::exec(const QString &sql)
{
    if (db().execute(sql) == 0)
        return true;
    qWarning("%s\n%s", qPrintable(context().errors().text), qPrintable(sql));
    return false;
}

QString SuiteFixture::one(const QString &sql)
{
    QueryResult r;
    if (db().query(sql, r) < 0)
        return QStringLiteral("<error>");
    return r.rowCount() == 0 ? QStringLiteral("<none>") : r.text(0, 0);
}

bool SuiteFixture::setParam(const QString &code, const QString &value)
{
    const QString quotedCode = sqlQuote(code);
    if (one(QStringLiteral("select count(*) from sys_comm_para where sys_para_code=") + quotedCode) == u"0") {
        if (!exec(QStringLiteral("insert into sys_comm_para(sys_para_code,sys_para_value) values(") + quotedCode +
                  u',' + sqlQuote(value) + u')'))
            return false;
    } else if (!exec(QStringLiteral("update sys_comm_para set sys_para_value=") + sqlQuote(value) +
                     QStringLiteral(" where sys_para_code=") + quotedCode)) {
        return false;
    }
    return context().loadMessagesAndParams() == 0;
}

} // namespace kestra::test
