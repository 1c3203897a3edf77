// Two operators on the same copies, on SQLite and PostgreSQL. The second
// operator reads a copy before the first one commits and writes it after:
// its transaction locks the copy, reads it again, checks what it read and
// logs the status it overwrote, never what it saw before. The second
// operator runs on its own thread while the first one's question is open
// (the first one holds the copy then); on PostgreSQL the question is
// answered once the second one is seen waiting for the lock, on SQLite
// after a moment (its read comes first either way: the file's single
// writer does not keep readers out).

#include "copies/ItemWrite.h"
#include "items/BookDeal.h"
#include "items/BookState.h"
#include "items/CopyTestLib.h"
#include "kit/CopyChecks.h"
#include "support/TestRunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <thread>

using namespace kestra;
using namespace kestra::test;
using namespace Qt::StringLiterals;

namespace {

bool seed(CopyTestLib &lib)
{
    bool ok = lib.record(u"M1"_s, u"红楼梦"_s) && lib.reader(u"R1"_s, u"1"_s);
    for (const char *p : {"P1", "P2", "P3", "P4"}) {
        const QString prop = QLatin1String(p);
        ok = ok && lib.copy(prop, u"M1"_s, u"B"_s + prop, u"L1"_s, u"41"_s) && lib.item(prop);
    }
    return ok;
}

// A reserved copy that has arrived for R1: entering it asks QDC001, which
// keeps the entering operator's transaction open on the copy.
bool arrived(CopyTestLib &lib, const QString &prop)
{
    return lib.f.exec(u"UPDATE item SET book_lend_flag='2' WHERE prop_no="_s + sqlQuote(prop)) &&
           lib.f.exec(u"INSERT INTO preg_arri_lst (prop_no,cert_id,location_f) VALUES ("_s + sqlQuote(prop) +
                      u",'R1','L1')"_s);
}

QString writeCodes(const QTemporaryDir &dir, const QString &name, const QStringList &codes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(codes.join(u'\n').toUtf8());
    return path;
}

// The second operator's work on its own thread, started from inside the
// first operator's open question; start() returns once that work waits
// for the copy the first operator holds.
class Rival {
public:
    Rival(CopyTestLib &lib, bool postgres) : postgres_(postgres)
    {
        if (postgres_)
            observer_ = lib.secondOperator(u"W003"_s);
    }
    ~Rival() { join(); }
    Rival(const Rival &) = delete;
    Rival &operator=(const Rival &) = delete;

    bool start(std::function<void()> work)
    {
        thread_ = std::thread(std::move(work));
        if (!postgres_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            return true;
        }
        if (!observer_)
            return false;
        for (int i = 0; i < 3000; ++i) {
            QueryResult r;
            if (observer_->context().db().query(u"SELECT count(*) FROM pg_stat_activity WHERE wait_event_type='Lock' "
                                                "AND datname=current_database()"_s,
                                                r) < 0)
                return false;
            if (r.number(0, 0) > 0)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    void join()
    {
        if (thread_.joinable())
            thread_.join();
    }

private:
    bool postgres_;
    std::unique_ptr<TestContext> observer_;
    std::thread thread_;
};

bool isPostgres(int backend)
{
    return backend == static_cast<int>(TestDatabase::Kind::Postgres);
}

QString log30019(CopyTestLib &lib, const QString &prop)
{
    return lib.snapshot(u"SELECT wkr_no,data1,data2 FROM log_detl WHERE log_type='30019' AND prop_no="_s +
                        sqlQuote(prop) + u" ORDER BY wkr_no"_s);
}

} // namespace

class CopyLockTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The kit on its own: what lockCopy reports, and a key conflict on the
    // processing log as the copy's refusal.
    void lockCopyReadsTheCopyAsItIsNow_data() { addBackendRows(); }
    void lockCopyReadsTheCopyAsItIsNow()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        auto other = lib.secondOperator(u"W002"_s);
        QVERIFY(other != nullptr);
        AppContext &b = other->context();
        ItemRow p1;
        ItemRow p2;
        ItemRow p3;
        QCOMPARE(readItemRow(b.db(), u"P1"_s, InputType::Accession, p1), 1);
        QCOMPARE(readItemRow(b.db(), u"P2"_s, InputType::Accession, p2), 1);
        QCOMPARE(readItemRow(b.db(), u"P3"_s, InputType::Accession, p3), 1);
        CirculationRow seen;
        QCOMPARE(readCirculation(b.db(), u"P1"_s, seen), 0);
        // Seen by B; then A changes P1 and deletes P3.
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET book_stat_code='42',dis_location='L2' WHERE prop_no='P1'"_s));
        QVERIFY(lib.f.exec(u"UPDATE item SET book_lend_flag='2' WHERE prop_no='P1'"_s));
        QVERIFY(lib.f.exec(u"DELETE FROM item WHERE prop_no='P3'"_s) &&
                lib.f.exec(u"DELETE FROM indi_acct WHERE prop_no='P3'"_s));
        {
            ItemTransaction tx(b);
            CirculationRow circ = seen;
            QCOMPARE(tx.lockCopy(p1, &circ), ItemTransaction::CopyLock::Changed);
            QCOMPARE(p1.status, u"42"_s);
            QCOMPARE(p1.disLocation, u"L2"_s);
            QCOMPARE(circ.lendFlag, u"2"_s);
            QCOMPARE(tx.lockCopy(p2), ItemTransaction::CopyLock::Same);
            QVERIFY(tx.isOpen());
            QCOMPARE(tx.commit(), 0);
        }
        {
            // Only the lend flag changed: checked again too.
            QVERIFY(lib.f.exec(u"UPDATE item SET book_lend_flag='1' WHERE prop_no='P2'"_s));
            ItemTransaction tx(b);
            CirculationRow circ;
            circ.lendFlag = u"0"_s;
            QCOMPARE(tx.lockCopy(p2, &circ), ItemTransaction::CopyLock::Changed);
            QCOMPARE(circ.lendFlag, u"1"_s);
        }
        {
            ItemTransaction tx(b);
            QCOMPARE(tx.lockCopy(p3), ItemTransaction::CopyLock::Gone);
            QVERIFY(!tx.isOpen());
            QCOMPARE(other->prompter().lastText(), b.messages().messageText(u"EDC001"_s));
        }
        {
            // A entered P4 into batch X1 after B checked it was not there.
            QVERIFY(lib.dealBatch("X1", "01") && lib.dealRow(u"L1"_s, u"X1"_s, u"01"_s, u"P4"_s));
            ItemTransaction tx(b);
            DealLogRow row{u"L1"_s, u"X1"_s, u"01"_s, u"P4"_s, lib.today(), 0, {}, u"41"_s, u"W002"_s, {}};
            // Refused when the write reaches the server: at once, or with
            // the commit where writes are queued.
            QVERIFY(tx.writeDealLog(row) < 0 || tx.commit() < 0);
            QVERIFY(tx.refused());
            QVERIFY(!tx.isOpen());
            QCOMPARE(other->prompter().lastText(), b.messages().messageText(u"EDC004"_s));
            QCOMPARE(lib.count(u"deal_log WHERE prop_no='P4'"_s), 1);
        }
        {
            // The lock's read of the circulation row stands in for the count
            // of item rows, until the transaction adds one itself.
            QVERIFY(lib.f.exec(u"DELETE FROM item WHERE prop_no='P2'"_s));
            QCOMPARE(readItemRow(b.db(), u"P2"_s, InputType::Accession, p2), 1);
            ItemTransaction tx(b);
            QCOMPARE(tx.lockCopy(p2), ItemTransaction::CopyLock::Same);
            QCOMPARE(tx.execute(u"INSERT INTO item (prop_no,marc_rec_no,call_no,location,bar_code,book_stat_code,"
                                u"book_lend_flag) SELECT prop_no,marc_rec_no,call_no,dis_location,bar_code,"
                                u"book_stat_code,'0' FROM indi_acct WHERE prop_no='P2'"_s),
                     0);
            QString date;
            QCOMPARE(tx.serverDate(date), 0);
            CopyChange change;
            change.propNo = u"P2"_s;
            change.status = u"43"_s;
            change.date = date;
            QCOMPARE(tx.updateCopy(change), 0);
            QCOMPARE(tx.commit(), 0);
            QCOMPARE(lib.snapshot(u"SELECT book_stat_code FROM item WHERE prop_no='P2'"_s), u"43"_s);
        }
    }

    // Two operators set the same copy to 42: the second one's log line and
    // undo row start from the 42 the first one wrote; and the arrived
    // reservation the first one dropped is not written back by the second.
    void secondChangeStartsFromTheFirst_data() { addBackendRows(); }
    void secondChangeStartsFromTheFirst()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib) && arrived(lib, u"P1"_s) && arrived(lib, u"P2"_s));
        auto other = lib.secondOperator(u"W002"_s);
        QVERIFY(other != nullptr);
        BookState a(lib.f.context(), BarcodeSettings{});
        BookState b(other->context(), BarcodeSettings{});
        a.setNewStatus(u"42"_s);
        Rival rival(lib, isPostgres(backend));

        // P1: both to 42. P2: B to 41, which keeps a reservation, so B asks
        // nothing and writes the lend flag it has.
        for (const char *target : {"42", "41"}) {
            const QString prop = QLatin1String(target) == u"42"_s ? u"P1"_s : u"P2"_s;
            b.setNewStatus(QLatin1String(target));
            StepOutcome bDid = StepOutcome::Failed;
            bool waited = false;
            // B's QDC001, should it ever come: the reservation is gone by then.
            other->prompter().answer(AnswerOk);
            lib.f.prompter().answer(AnswerOk).onQuestion(
                [&](const QString &) { waited = rival.start([&] { bDid = b.enter(u"B"_s + prop).outcome(); }); });
            QCOMPARE(a.enter(u"B"_s + prop).outcome(), StepOutcome::Done);
            lib.f.prompter().onQuestion({});
            rival.join();
            QVERIFY(waited);
            QCOMPARE(bDid, StepOutcome::Done);
            QCOMPARE(lib.count(u"preg_arri_lst WHERE prop_no="_s + sqlQuote(prop)), 0);
            QCOMPARE(lib.lendFlag(prop), u"0"_s);
            QCOMPARE(lib.status(prop), QLatin1String(target));
        }
        QCOMPARE(log30019(lib, u"P1"_s), u"W001|可借|非可借\nW002|非可借|非可借"_s);
        QCOMPARE(log30019(lib, u"P2"_s), u"W001|可借|非可借\nW002|非可借|可借"_s);
        // B's undo offers back to 42, the status B overwrote.
        QCOMPARE(b.rows().at(0).row.status, u"42"_s);
        QCOMPARE(b.rows().at(1).row.status, u"42"_s);
    }

    // A weeds a copy while B's import changes it: B meets the weeded copy,
    // asks to take it back out of the weeding batch, and the weeding row
    // goes with the weeding.
    void importMeetsACopyWeededMeanwhile_data() { addBackendRows(); }
    void importMeetsACopyWeededMeanwhile()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib) && arrived(lib, u"P1"_s) && lib.dealBatch("T1", "03"));
        auto other = lib.secondOperator(u"W002"_s);
        QVERIFY(other != nullptr);
        QTemporaryDir dir;
        const QString path = writeCodes(dir, u"codes.txt"_s, {u"BP1"_s, u"BP2"_s});
        BookDeal a(lib.f.context(), BarcodeSettings{}, u"03"_s);
        QCOMPARE(a.selectBatch(u"L1"_s, u"T1"_s), 1);
        BookState b(other->context(), BarcodeSettings{});
        b.setNewStatus(u"42"_s);
        other->prompter().answer(AnswerOk); // QDC002: take it back from the weeding
        Rival rival(lib, isPostgres(backend));
        ScanReport report;
        bool waited = false;
        lib.f.prompter().answer(AnswerOk).onQuestion(
            [&](const QString &) { waited = rival.start([&] { report = b.importFile(path); }); });
        QCOMPARE(a.enter(u"BP1"_s).outcome(), StepOutcome::Done);
        rival.join();
        QVERIFY(waited);
        QCOMPARE(report.done, 2);
        QCOMPARE(report.refused, 0);
        QVERIFY(other->prompter().done());
        QCOMPARE(lib.status(u"P1"_s), u"42"_s);
        QCOMPARE(lib.count(u"deal_log WHERE prop_no='P1'"_s), 0);
        QCOMPARE(log30019(lib, u"P1"_s), u"W002|剔旧报废|非可借"_s);
    }

    // A and B enter copies into one repair batch: the copy A entered while
    // B's import ran is refused in B's import (a problem-file line), and
    // the import goes on.
    void twoOperatorsFillOneBatch_data() { addBackendRows(); }
    void twoOperatorsFillOneBatch()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib) && arrived(lib, u"P1"_s) && lib.dealBatch("X1", "01"));
        auto other = lib.secondOperator(u"W002"_s);
        QVERIFY(other != nullptr);
        QTemporaryDir dir;
        const QString path = writeCodes(dir, u"codes.txt"_s, {u"BP1"_s, u"BP2"_s});
        BookDeal a(lib.f.context(), BarcodeSettings{}, u"01"_s);
        BookDeal b(other->context(), BarcodeSettings{}, u"01"_s);
        QCOMPARE(a.selectBatch(u"L1"_s, u"X1"_s), 1);
        QCOMPARE(b.selectBatch(u"L1"_s, u"X1"_s), 1);
        Rival rival(lib, isPostgres(backend));
        ScanReport report;
        bool waited = false;
        lib.f.prompter().answer(AnswerOk).onQuestion(
            [&](const QString &) { waited = rival.start([&] { report = b.importFile(path); }); });
        QCOMPARE(a.enter(u"BP1"_s).outcome(), StepOutcome::Done);
        rival.join();
        QVERIFY(waited);
        QVERIFY(!report.stopped);
        QCOMPARE(report.done, 1);
        QCOMPARE(report.reasons, QStringList{u"BP1："_s + other->context().messages().messageText(u"EDC004"_s)});
        QCOMPARE(lib.snapshot(u"SELECT prop_no,resp_wkr,source_state FROM deal_log ORDER BY prop_no"_s),
                 u"P1|W001|41\nP2|W002|41"_s);
        QCOMPARE(lib.status(u"P2"_s), u"33"_s);
    }

    // Two sessions of one operator both write the day's first workload row
    // of a job: the second adds to the first one's row.
    void firstWorkloadRowOfTheDay_data() { addBackendRows(); }
    void firstWorkloadRowOfTheDay()
    {
        OPEN_LIB(lib);
        auto other = lib.secondOperator(u"W001"_s);
        QVERIFY(other != nullptr);
        Session &a = lib.f.db();
        Session &b = other->context().db();
        Rival rival(lib, isPostgres(backend));
        int bDid = -2;
        {
            Transaction tx(a);
            QCOMPARE(a.callProc(u"XT_wkr_job_qty '310','W001',1,1,0"_s), 0);
            QVERIFY(rival.start([&] {
                Transaction txB(b);
                bDid = b.callProc(u"XT_wkr_job_qty '310','W001',1,2,1.5"_s);
                if (bDid == 0)
                    bDid = txB.commit();
            }));
            QCOMPARE(tx.commit(), 0);
        }
        rival.join();
        QCOMPARE(bDid, 0);
        QCOMPARE(lib.snapshot(u"SELECT wkr_no_f,job_type,kind,volume,amount FROM wkr_job_qty"_s),
                 u"W001|310|2|3|1.5"_s);
    }

    // A copy held by another operator's open question: B gets the lock
    // message after the lock wait (300 ms here), and B's import goes on
    // with its next code.
    void copyHeldByAnOpenQuestion_data() { addBackendRows(); }
    void copyHeldByAnOpenQuestion()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib) && arrived(lib, u"P1"_s));
        auto other = lib.secondOperator(u"W002"_s, 300);
        QVERIFY(other != nullptr);
        QCOMPARE(other->context().db().lockTimeout(), 300); // kestra.ini's LOCK_WAIT
        QTemporaryDir dir;
        const QString path = writeCodes(dir, u"codes.txt"_s, {u"BP1"_s, u"BP2"_s});
        BookState a(lib.f.context(), BarcodeSettings{});
        BookState b(other->context(), BarcodeSettings{});
        a.setNewStatus(u"42"_s);
        b.setNewStatus(u"43"_s);
        StepOutcome entered = StepOutcome::Failed;
        ScanReport report;
        lib.f.prompter().answer(AnswerOk).onQuestion([&](const QString &) {
            entered = b.enter(u"BP1"_s).outcome();
            report = b.importFile(path);
        });
        QCOMPARE(a.enter(u"BP1"_s).outcome(), StepOutcome::Done);
        const QString locked = u"该记录已经被锁定!"_s;
        QCOMPARE(entered, StepOutcome::Refused);
        QVERIFY2(other->prompter().shown().first().text.contains(locked),
                 qPrintable(other->prompter().shown().first().text));
        QVERIFY(!report.stopped);
        QCOMPARE(report.codes, 2);
        QVERIFY2(report.reasons.first().startsWith(u"BP1："_s) && report.reasons.first().contains(locked),
                 qPrintable(report.reasons.join(u'\n')));
        // SQLite's writer holds the whole file: P2 waits for it too.
        QCOMPARE(report.done, isPostgres(backend) ? 1 : 0);
        QCOMPARE(lib.status(u"P1"_s), u"42"_s);
        QCOMPARE(lib.status(u"P2"_s), isPostgres(backend) ? u"43"_s : u"41"_s);
    }
};

KESTRA_TEST(CopyLockTest)
#include "CopyLockTest.moc"
