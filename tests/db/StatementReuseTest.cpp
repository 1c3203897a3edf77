// The backends keep the procedures' statements prepared and, on PostgreSQL,
// send a procedure's savepoint with its first statement and read the clock
// with BEGIN. None of that may show: a kept statement works again after it
// failed, more texts than are kept still run, a procedure that sends nothing
// leaves the statement savepoints straight, and the server clock moves on
// between transactions.

#include "core/Session.h"
#include "support/ProcCalls.h"
#include "support/SuiteFixture.h"
#include "support/TestRunner.h"

#include <QTest>
#include <QThread>

using namespace kestra;
using namespace kestra::test;

namespace {

const char *const kSeed[] = {
    "INSERT INTO marc(marc_rec_no,m_title) VALUES('M1','书名一')",
    "INSERT INTO indi_acct(prop_no,marc_rec_no,bar_code,book_stat_code,dis_location) "
    "VALUES('P1','M1','B1','41','L1')",
    "INSERT INTO indi_acct(prop_no,marc_rec_no,bar_code,book_stat_code,dis_location) "
    "VALUES('P2','M1','B2','41','L1')",
    "INSERT INTO item(prop_no,marc_rec_no,bar_code,book_stat_code) VALUES('P1','M1','B1','41')",
};

QString copyCall(const QString &key, const QList<std::pair<int, QString>> &given)
{
    return copyProcCall("update00_indi_acct", key, given);
}

QString itemInsert(const QString &key)
{
    return copyProcCall("insert_item", key, {{2, QStringLiteral("M1")}});
}

// The date and time of the newest operation-log row of a type.
QString logStamp(SuiteFixture &f, const QString &type)
{
    return f.one(QStringLiteral("SELECT MAX(log_date||' '||log_time) FROM log_detl WHERE log_type=") + sqlQuote(type));
}

void pause(SuiteFixture &f, bool postgres)
{
    // On PostgreSQL inside a transaction through the server, so that the
    // transaction is seen to last.
    if (postgres)
        f.one(QStringLiteral("SELECT pg_sleep(1.1)"));
    else
        QThread::msleep(1100);
}

} // namespace

class StatementReuseTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The same procedure texts fail and succeed in turn, with the right
    // Oracle numbers and constraint names each time.
    void keptStatementsAfterFailures_data() { addBackendRows(); }
    void keptStatementsAfterFailures()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(execAll(f, kSeed));
        Session &db = f.db();
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(db.callProc(itemInsert(QStringLiteral("P9"))), -1);
            QCOMPARE(db.error().oraCode, 2291);
            QVERIFY2(db.error().text.contains(QStringLiteral("FK_ITEM_REFERENCE_ITEM")), qPrintable(db.error().text));
            QCOMPARE(db.callProc(itemInsert(QStringLiteral("P1"))), -1);
            QCOMPARE(db.error().oraCode, 1);
            QVERIFY2(db.error().text.contains(QStringLiteral("PK_ITEM")), qPrintable(db.error().text));
            QCOMPARE(db.callProc(copyCall(QStringLiteral("P2"), {{13, QStringLiteral("B1")}})), -1);
            QVERIFY2(db.error().text.contains(QStringLiteral("INDI_BARCODE_IDX")), qPrintable(db.error().text));
        }
        QCOMPARE(db.callProc(itemInsert(QStringLiteral("P2"))), 0);
        QCOMPARE(db.callProc(copyCall(QStringLiteral("P2"), {{13, QStringLiteral("B3")}})), 0);
        QCOMPARE(f.one(QStringLiteral("SELECT marc_rec_no FROM item WHERE prop_no='P2'")), QStringLiteral("M1"));
        QCOMPARE(f.one(QStringLiteral("SELECT bar_code FROM indi_acct WHERE prop_no='P2'")), QStringLiteral("B3"));
    }

    // More distinct statements than either backend keeps prepared, inside
    // one transaction, with failures among them: every change lands, no
    // failure takes another with it.
    void moreTextsThanAreKept_data() { addBackendRows(); }
    void moreTextsThanAreKept()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(execAll(f, kSeed));
        Session &db = f.db();
        // Text columns of indi_acct, by position: each subset is its own
        // UPDATE text.
        const int positions[] = {3, 4, 7, 10, 11, 18, 20, 21};
        QString last[8];
        Transaction tx(db);
        for (int mask = 1; mask <= 200; ++mask) {
            QList<std::pair<int, QString>> given;
            for (int bit = 0; bit < 8; ++bit) {
                if (mask & (1 << bit)) {
                    given.append({positions[bit], QStringLiteral("v%1").arg(mask)});
                    last[bit] = QStringLiteral("v%1").arg(mask);
                }
            }
            QCOMPARE(db.callProc(copyCall(QStringLiteral("P1"), given)), 0);
            if (mask % 50 == 0) {
                QCOMPARE(db.callProc(copyCall(QStringLiteral("P404"), given)), -1);
                QCOMPARE(db.error().oraCode, 20001);
            }
        }
        QCOMPARE(tx.commit(), 0);
        const QString row =
            f.one(QStringLiteral("SELECT chk_batch_no||'|'||move_batch||'|'||location||'|'||call_no||'|'||remark||'|'||"
                                 "vol_peri||'|'||year||'|'||attachment FROM indi_acct WHERE prop_no='P1'"));
        QCOMPARE(row, QStringList(std::begin(last), std::end(last)).join(u'|'));
    }

    // A procedure that sends no statement (a NULL key deletes nothing) owes
    // no savepoint: the statements around it still undo only themselves.
    void procedureWithoutStatements_data() { addBackendRows(); }
    void procedureWithoutStatements()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(execAll(f, kSeed));
        Session &db = f.db();
        const QString nothing = QStringLiteral("delete01_item NULL");
        const QString duplicate = QStringLiteral("INSERT INTO marc(marc_rec_no) VALUES('M1')");
        {
            Transaction tx(db);
            QCOMPARE(db.callProc(nothing), 0); // first in the transaction
            QCOMPARE(db.execute(duplicate), -1);
            QCOMPARE(db.execute(QStringLiteral("UPDATE marc SET m_title='改一' WHERE marc_rec_no='M1'")), 0);
            QCOMPARE(db.callProc(nothing), 0); // after a statement's savepoint
            QCOMPARE(db.callProc(copyCall(QStringLiteral("P2"), {{13, QStringLiteral("B1")}})), -1);
            QCOMPARE(db.callProc(nothing), 0);
            QCOMPARE(db.execute(duplicate), -1);
            QCOMPARE(db.callProc(copyCall(QStringLiteral("P2"), {{15, QStringLiteral("42")}})), 0);
            QCOMPARE(tx.commit(), 0);
        }
        QCOMPARE(f.one(QStringLiteral("SELECT m_title FROM marc WHERE marc_rec_no='M1'")), QStringLiteral("改一"));
        QCOMPARE(f.one(QStringLiteral("SELECT bar_code||book_stat_code FROM indi_acct WHERE prop_no='P2'")),
                 QStringLiteral("B242"));
    }

    // The operation log's time, the server date and sysdate are the
    // statement's time, inside a transaction too: rows written after a
    // question waited must not carry the transaction's start.
    void serverClockPerStatement_data() { addBackendRows(); }
    void serverClockPerStatement()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        const bool postgres = backend == static_cast<int>(TestDatabase::Kind::Postgres);
        Session &db = f.db();
        const auto log = [&](const char *type) {
            return db.callProc(QStringLiteral("xt_log_detl '%1','W01','PC',NULL,NULL,NULL,NULL,NULL,NULL,NULL")
                                   .arg(QLatin1String(type)));
        };
        const auto sysdate = [&] { return f.one(QStringLiteral("SELECT to_char(sysdate,'hh24:mi:ss') FROM dual")); };
        QCOMPARE(log("1"), 0);
        pause(f, false);
        QCOMPARE(log("2"), 0);
        QVERIFY2(logStamp(f, QStringLiteral("2")) > logStamp(f, QStringLiteral("1")), "outside a transaction");

        Transaction tx(db);
        QCOMPARE(log("3"), 0);
        const QString dateBefore = db.serverDate();
        const QString sysdateBefore = sysdate();
        pause(f, postgres);
        QCOMPARE(log("4"), 0);
        QVERIFY2(logStamp(f, QStringLiteral("4")) > logStamp(f, QStringLiteral("3")), "inside a transaction");
        QVERIFY2(db.serverDate() > dateBefore, qPrintable(dateBefore));
        QVERIFY2(sysdate() > sysdateBefore, qPrintable(sysdateBefore));
        QCOMPARE(tx.commit(), 0);
    }
};

KESTRA_TEST(StatementReuseTest)
#include "StatementReuseTest.moc"
