// Errors raised inside the SQL functions the translated statements call
// reach the client with their Oracle numbers, and so with the client's own
// messages.

#include "core/AppContext.h"
#include "core/DbErrorReport.h"
#include "core/Session.h"
#include "db/Backends.h"
#include "support/SuiteFixture.h"
#include "support/TestRunner.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

class SqlFunctionErrorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void numbersSurvive_data() { addBackendRows(); }
    void numbersSurvive()
    {
        QFETCH(int, backend);
        SuiteFixture fx;
        KESTRA_OPEN_SUITE(fx, backend);
        QueryResult r;
        const ErrorRecord &error = fx.context().errors();
        QCOMPARE(fx.db().query("SELECT instr('abc', 'b', 1, 0) FROM dual", r), -1);
        QCOMPARE(error.oraCode, 1428);
        QCOMPARE(fx.db().query("SELECT to_number('12x') FROM dual", r), -1);
        QCOMPARE(error.oraCode, 1722);
        QCOMPARE(
            fx.db().query("SELECT count(*) FROM indi_acct a, item b WHERE a.prop_no = b.prop_no AND rownum <= 1", r),
            -1);
        QCOMPARE(error.oraCode, 3001);
        QVERIFY2(error.text.contains(QStringLiteral("rownum")), qPrintable(error.text));
    }

    // A sequence drawn while another session holds the write lock (SQLite
    // locks the database, so nextval's own update waits and gives up).
    void sequenceUnderLockIsResourceBusy()
    {
        SuiteFixture fx;
        KESTRA_OPEN_SUITE(fx, int(TestDatabase::Kind::Sqlite));
        const QString name = QStringLiteral("lock-holder");
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            other.setDatabaseName(fx.database->target().path);
            QVERIFY(other.open());
            QSqlQuery hold(other);
            QVERIFY(hold.exec(QStringLiteral("BEGIN IMMEDIATE")));
            QueryResult r;
            QCOMPARE(fx.db().query("SELECT s_deal_log.nextval FROM dual", r), -1);
            QCOMPARE(fx.context().errors().oraCode, 54);
            QCOMPARE(chooseDbErrorAction(fx.context().errors()).message, QStringLiteral("E该记录已经被锁定!"));
            QVERIFY(hold.exec(QStringLiteral("ROLLBACK")));
            other.close();
        }
        QSqlDatabase::removeDatabase(name);
        QueryResult r;
        QCOMPARE(fx.db().query("SELECT s_deal_log.nextval FROM dual", r), 0);
    }
};

KESTRA_TEST(SqlFunctionErrorTest)
#include "SqlFunctionErrorTest.moc"
