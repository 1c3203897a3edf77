// A per-copy transaction whose writes are queued and go out with the commit
// (one pipeline on PostgreSQL, at once on SQLite) writes the same rows as
// one whose writes run at once; a write failing in the middle rolls the
// whole copy back and is named as the failing statement; a read inside the
// transaction sees the queued writes, and so do reads sent together; a lost session loses the whole copy
// and the next one works after the reconnection.

#include "core/Session.h"
#include "support/ProcCalls.h"
#include "support/SuiteFixture.h"
#include "support/TestRunner.h"

#include <QTest>

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
    "INSERT INTO item(prop_no,marc_rec_no,bar_code,book_stat_code) VALUES('P2','M1','B2','41')",
};

// What a status change writes for one copy, in the order the forms write it.
QStringList statusChange(const QString &prop, const QString &status, const QString &barCode = {})
{
    QList<std::pair<int, QString>> copy = {
        {1, prop}, {15, status}, {16, QStringLiteral("2026-03-14")}, {19, QStringLiteral("W01")}};
    if (!barCode.isEmpty())
        copy.append({13, barCode});
    return {
        procCall("update00_indi_acct", 22, copy),
        procCall("update01_item", 22, {{1, prop}, {7, status}, {17, QStringLiteral("2026-03-14")}}),
        QStringLiteral("LT_deal_log 'L1','D1','2',%1,'2026-03-14',1.5,'T','41','W01','备注'").arg(sqlQuote(prop)),
        QStringLiteral("update_lendable_copies 'M1'"),
        QStringLiteral("XT_wkr_job_qty '301','W01',1,1,2.5"),
        QStringLiteral("xt_log_detl '42001','W01','PC','总馆','M1',%1,'41','%2',NULL,NULL").arg(sqlQuote(prop), status),
    };
}

// Runs the calls in one transaction as a form does: the first failure
// rolls everything back. The status of the whole.
int runCopy(Session &db, const QStringList &calls, Transaction::Writes writes)
{
    Transaction tx(db, writes);
    for (const QString &c : calls) {
        if (db.callProc(c) < 0) {
            tx.rollback();
            return -1;
        }
    }
    return tx.commit();
}

// The rows one copy's change leaves, with the copy's own key taken out.
QString copyRows(SuiteFixture &f, const QString &prop)
{
    const QString key = sqlQuote(prop);
    return QStringList{
        f.one(QStringLiteral("SELECT book_stat_code||'|'||rec_flag_upt_date||'|'||resp_wkr||'|'||bar_code FROM "
                             "indi_acct WHERE prop_no=") +
              key),
        f.one(QStringLiteral("SELECT book_stat_code||'|'||last_use_date FROM item WHERE prop_no=") + key),
        f.one(
            QStringLiteral("SELECT location||'|'||deal_batch_no||'|'||deal_type_code||'|'||log_date||'|'||fee||'|'||"
                           "book_target||'|'||source_state||'|'||resp_wkr||'|'||remark FROM deal_log WHERE prop_no=") +
            key),
        f.one(QStringLiteral("SELECT count(*) FROM deal_log WHERE deal_no IS NOT NULL AND prop_no=") + key),
        f.one(QStringLiteral("SELECT log_type||'|'||wkr_no||'|'||computer||'|'||location_name||'|'||marc_rec_no||'|'||"
                             "data1||'|'||data2||'|'||length(log_date)||'|'||length(log_time) FROM log_detl "
                             "WHERE prop_no=") +
              key),
    }
        .join(u'\n');
}

} // namespace

class QueuedTransactionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The same change of two copies, one at once and one queued: the same
    // copy, circulation, processing-log and operation-log rows, the counter
    // of the day added to twice, the title's count right, a sequence value
    // each, and the server's day on the rows stamped by the server.
    void sameRowsAsAtOnce_data() { addBackendRows(); }
    void sameRowsAsAtOnce()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(execAll(f, kSeed));
        Session &db = f.db();
        QCOMPARE(runCopy(db, statusChange(QStringLiteral("P1"), QStringLiteral("42")), Transaction::Writes::AtOnce), 0);
        QCOMPARE(runCopy(db, statusChange(QStringLiteral("P2"), QStringLiteral("42")), Transaction::Writes::Queued), 0);
        const QString atOnce = copyRows(f, QStringLiteral("P1"));
        QCOMPARE(copyRows(f, QStringLiteral("P2")).replace(QStringLiteral("|B2"), QStringLiteral("|B1")), atOnce);
        QVERIFY2(atOnce.startsWith(QStringLiteral("42|2026-03-14|W01|B1\n42|")), qPrintable(atOnce));
        QVERIFY2(atOnce.contains(QStringLiteral("L1|D1|2|2026-03-14|1.5|T|41|W01|备注")), qPrintable(atOnce));
        QCOMPARE(f.one(QStringLiteral("SELECT lendable_copies FROM marc WHERE marc_rec_no='M1'")), QStringLiteral("0"));
        const QString day = db.serverDate().left(10);
        QCOMPARE(f.one(QStringLiteral("SELECT kind||'|'||volume||'|'||amount||'|'||oper_date FROM wkr_job_qty "
                                      "WHERE wkr_no_f='W01' AND job_type='301'")),
                 QStringLiteral("2|2|5|") + day);
        QCOMPARE(f.one(QStringLiteral("SELECT count(DISTINCT log_date) FROM log_detl")), QStringLiteral("1"));
        QCOMPARE(f.one(QStringLiteral("SELECT min(log_date) FROM log_detl")), day);
        QCOMPARE(f.one(QStringLiteral("SELECT count(DISTINCT deal_no) FROM deal_log")), QStringLiteral("2"));
    }

    // A unique key broken in the middle: nothing of the copy stays, the
    // error and the statement named are the failing write's, and the next
    // copy goes through.
    void failureInTheMiddle_data() { addBackendRows(); }
    void failureInTheMiddle()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(execAll(f, kSeed));
        Session &db = f.db();
        const QStringList calls = statusChange(QStringLiteral("P2"), QStringLiteral("43"), QStringLiteral("B1"));
        QStringList reordered = calls;
        reordered.move(0, 3); // the failing write between others
        for (const QStringList &order : {calls, reordered}) {
            QCOMPARE(runCopy(db, order, Transaction::Writes::Queued), -1);
            QCOMPARE(db.error().oraCode, 1);
            QVERIFY2(db.error().text.contains(QStringLiteral("INDI_BARCODE_IDX")), qPrintable(db.error().text));
            QVERIFY2(db.failedSql().contains(QStringLiteral("update00_indi_acct")) &&
                         db.failedSql().contains(QStringLiteral("'B1'")),
                     qPrintable(db.failedSql()));
            QCOMPARE(f.one(QStringLiteral("SELECT book_stat_code FROM item WHERE prop_no='P2'")), QStringLiteral("41"));
            QCOMPARE(f.one(QStringLiteral("SELECT count(*) FROM deal_log")), QStringLiteral("0"));
            QCOMPARE(f.one(QStringLiteral("SELECT count(*) FROM wkr_job_qty")), QStringLiteral("0"));
            QCOMPARE(f.one(QStringLiteral("SELECT count(*) FROM log_detl")), QStringLiteral("0"));
        }
        QCOMPARE(runCopy(db, statusChange(QStringLiteral("P2"), QStringLiteral("43")), Transaction::Writes::Queued), 0);
        QCOMPARE(f.one(QStringLiteral("SELECT book_stat_code FROM item WHERE prop_no='P2'")), QStringLiteral("43"));
    }

    // A change of a copy that is not there fails with the procedure's own
    // error, word for word as when it runs at once, and takes the rest back.
    void missingRow_data() { addBackendRows(); }
    void missingRow()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(execAll(f, kSeed));
        Session &db = f.db();
        const QStringList calls = statusChange(QStringLiteral("P404"), QStringLiteral("42"));
        QCOMPARE(runCopy(db, calls, Transaction::Writes::AtOnce), -1);
        const QString atOnce = db.error().text;
        QCOMPARE(db.error().oraCode, 20001);
        QCOMPARE(runCopy(db, {calls.at(3), calls.at(0), calls.at(4)}, Transaction::Writes::Queued), -1);
        QCOMPARE(db.error().oraCode, 20001);
        QCOMPARE(db.error().text, atOnce);
        QCOMPARE(f.one(QStringLiteral("SELECT count(*) FROM wkr_job_qty")), QStringLiteral("0"));
    }

    // A read inside the transaction sees what was queued before it; a
    // rollback after it leaves nothing; an empty queued transaction commits
    // nothing and fails nothing.
    void readSeesQueuedWrites_data() { addBackendRows(); }
    void readSeesQueuedWrites()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(execAll(f, kSeed));
        Session &db = f.db();
        {
            Transaction tx(db, Transaction::Writes::Queued);
            // Only the server over a network queues; SQLite runs each write.
            QCOMPARE(db.backend()->queueing(), backend == int(TestDatabase::Kind::Postgres));
            QCOMPARE(db.callProc(statusChange(QStringLiteral("P1"), QStringLiteral("44")).at(0)), 0);
            QCOMPARE(f.one(QStringLiteral("SELECT book_stat_code FROM indi_acct WHERE prop_no='P1'")),
                     QStringLiteral("44"));
            QCOMPARE(db.callProc(statusChange(QStringLiteral("P1"), QStringLiteral("44")).at(1)), 0);
            // Reads sent together come back in their order, behind the
            // queued writes.
            QList<QueryResult> answers;
            QCOMPARE(db.queryMany({QStringLiteral("SELECT book_stat_code FROM item WHERE prop_no='P1'"),
                                   QStringLiteral("SELECT count(*) FROM item WHERE prop_no='P404'"),
                                   QStringLiteral("SELECT prop_no FROM indi_acct ORDER BY prop_no")},
                                  answers),
                     0);
            QCOMPARE(answers.size(), 3);
            QCOMPARE(answers.at(0).text(0, 0) + answers.at(1).text(0, 0), QStringLiteral("440"));
            QCOMPARE(answers.at(2).rowCount(), 2);
            tx.rollback();
        }
        {
            // One of them failing fails the whole, with its own error, and
            // the transaction's writes go with it.
            Transaction tx(db, Transaction::Writes::Queued);
            QCOMPARE(db.callProc(statusChange(QStringLiteral("P1"), QStringLiteral("44")).at(0)), 0);
            QList<QueryResult> answers;
            QCOMPARE(db.queryMany({QStringLiteral("SELECT 1 FROM dual"), QStringLiteral("SELECT no_such FROM item")},
                                  answers),
                     -1);
            QCOMPARE(db.error().oraCode, 904);
            tx.rollback();
        }
        QList<QueryResult> outside;
        QCOMPARE(db.queryMany({QStringLiteral("SELECT 2 FROM dual"), QStringLiteral("SELECT 3 FROM dual")}, outside),
                 0);
        QCOMPARE(outside.at(0).text(0, 0) + outside.at(1).text(0, 0), QStringLiteral("23"));
        QCOMPARE(f.one(QStringLiteral("SELECT book_stat_code FROM indi_acct WHERE prop_no='P1'")),
                 QStringLiteral("41"));
        QCOMPARE(f.one(QStringLiteral("SELECT book_stat_code FROM item WHERE prop_no='P1'")), QStringLiteral("41"));
        Transaction empty(db, Transaction::Writes::Queued);
        QCOMPARE(empty.commit(), 0);
    }

    // The session ends (a server restarted, a connection killed) between
    // two scans: the queued copy is lost whole with ORA-03113, and after the
    // reconnection the same copy goes through.
    void sessionLostBetweenScans()
    {
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, int(TestDatabase::Kind::Postgres));
        QVERIFY(execAll(f, kSeed));
        Session &db = f.db();
        QCOMPARE(runCopy(db, statusChange(QStringLiteral("P1"), QStringLiteral("42")), Transaction::Writes::Queued), 0);
        const QString pid = f.one(QStringLiteral("select pg_backend_pid() from dual"));
        QVERIFY(f.database->adminExec(QStringLiteral("select pg_terminate_backend(%1)").arg(pid)));
        const QStringList next = statusChange(QStringLiteral("P2"), QStringLiteral("42"));
        QCOMPARE(runCopy(db, next, Transaction::Writes::Queued), -1);
        QVERIFY2(db.error().oraCode == 3113 || db.error().oraCode == 3114, qPrintable(db.error().text));
        QCOMPARE(db.connect(), 0);
        QCOMPARE(f.one(QStringLiteral("SELECT count(*) FROM deal_log WHERE prop_no='P2'")), QStringLiteral("0"));
        QCOMPARE(runCopy(db, next, Transaction::Writes::Queued), 0);
        QCOMPARE(copyRows(f, QStringLiteral("P2")),
                 copyRows(f, QStringLiteral("P1")).replace(QStringLiteral("B1"), QStringLiteral("B2")));
    }
};

KESTRA_TEST(QueuedTransactionTest)
#include "QueuedTransactionTest.moc"
