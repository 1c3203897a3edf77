// The item record: the fixed code tables, the rows of a copy, the common
// write tail as one transaction (committed, declined, failing) and the
// found-copy status given inside the caller's transaction.

#include "copies/ItemRecord.h"
#include "copies/ItemCodes.h"
#include "copies/ItemWrite.h"
#include "copies/NormStat.h"
#include "items/CopyTestLib.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

bool seed(CopyTestLib &lib)
{
    return lib.record(QStringLiteral("M1"), QStringLiteral("边城")) &&
           lib.copy(QStringLiteral("P1"), QStringLiteral("M1"), QStringLiteral("B1"), QStringLiteral("L1"),
                    QStringLiteral("41")) &&
           lib.item(QStringLiteral("P1")) &&
           lib.copy(QStringLiteral("P2"), QStringLiteral("M1"), QStringLiteral("B2"), QStringLiteral("L1"),
                    QStringLiteral("38")) &&
           lib.copy(QStringLiteral("P3"), QStringLiteral("M1"), QStringLiteral("B3"), QStringLiteral("L1"),
                    QStringLiteral("3B")) &&
           lib.item(QStringLiteral("P3"), QStringLiteral("1"));
}

// A repair of P1 in batch R1 as the repair form writes it.
int writeRepair(ItemTransaction &tx, const QString &date)
{
    DealLogRow log;
    log.location = QStringLiteral("L1");
    log.batchNo = QStringLiteral("R1");
    log.type = QString(deal_type::Repair);
    log.propNo = QStringLiteral("P1");
    log.date = date;
    log.target = QStringLiteral("装订组");
    log.sourceState = QStringLiteral("41");
    log.operatorNo = QStringLiteral("W001");
    if (tx.writeDealLog(log) < 0)
        return -1;
    CopyChange c;
    c.propNo = QStringLiteral("P1");
    c.status = QStringLiteral("33");
    c.date = date;
    c.lendFlag = QStringLiteral("0");
    c.itemOperator = QStringLiteral("W001");
    return tx.updateCopy(c);
}

WriteTail repairTail()
{
    WriteTail t;
    t.lendableRecord = QStringLiteral("M1");
    t.jobCode = QStringLiteral("302");
    t.logCode = QStringLiteral("30017");
    t.marcRecNo = QStringLiteral("M1");
    t.propNo = QStringLiteral("P1");
    t.data1 = QStringLiteral("书刊修补");
    return t;
}

} // namespace

class ItemRecordTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void codeTablesBothWays()
    {
        for (const CodeName &c : item_status::all())
            QCOMPARE(item_status::code(item_status::name(c.code)), c.code);
        QCOMPARE(item_status::name(QStringLiteral("3b")), QString()); // codes are exact
        QCOMPARE(item_status::code(QStringLiteral("可借 ")), QString());
        QVERIFY(!item_status::beforeCollection(QStringLiteral("17"), false));
        QVERIFY(item_status::beforeCollection(QStringLiteral("17"), true));
        QCOMPARE(lend_flag::name(QStringLiteral("7")), QStringLiteral("7")); // unknown flags show as themselves
        QCOMPARE(deal_type::name(QStringLiteral("06")), QString());
        QCOMPARE(positionalArgs(4, {{1, QStringLiteral("P'1")}, {3, QString()}, {4, QStringLiteral("书")}}),
                 QStringLiteral("'P''1',NULL,NULL,'书'"));
    }

    void rowsOfACopy_data() { addBackendRows(); }
    void rowsOfACopy()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        Session &db = lib.f.db();
        ItemRow row;
        QCOMPARE(readItemRow(db, QStringLiteral("B1"), InputType::Barcode, row), 1);
        QCOMPARE(row.propNo + row.marcRecNo + row.disLocation + row.status + row.title, QStringLiteral("P1M1L141边城"));
        QCOMPARE(row.opacFlag, QStringLiteral("1"));
        QCOMPARE(readItemRow(db, QStringLiteral("B1"), InputType::Accession, row), 0);
        CopyRecord copy;
        QCOMPARE(readCopyRecord(db, QStringLiteral("P2"), copy), 1);
        QCOMPARE(copy.price, 25.5);
        QCOMPARE(copy.location + copy.year + copy.volPeri, QStringLiteral("L120251"));
        CirculationRow circ;
        QCOMPARE(readCirculation(db, QStringLiteral("P3"), circ), 0);
        QVERIFY(circ.exists);
        QCOMPARE(circ.lendFlag, QStringLiteral("1"));
        QCOMPARE(readCirculation(db, QStringLiteral("P2"), circ), 0);
        QVERIFY(!circ.exists);
        QCOMPARE(countItemRows(db, QStringLiteral("P2")), 0);
        QCOMPARE(countItemRows(db, QStringLiteral("P1")), 1);
        // The circulation row read along with the lookup, by either code,
        // is the one readCirculation gives; a copy without one has none.
        QCOMPARE(readItemRow(db, QStringLiteral("B3"), InputType::Barcode, row, true), 1);
        QVERIFY(row.circulation && row.circulation->exists);
        QCOMPARE(row.circulation->lendFlag, QStringLiteral("1"));
        QCOMPARE(readItemRow(db, QStringLiteral("P2"), InputType::Accession, row, true), 1);
        QVERIFY(row.circulation && !row.circulation->exists);
        QCOMPARE(readItemRow(db, QStringLiteral("P2"), InputType::Accession, row), 1);
        QVERIFY(!row.circulation);
    }

    void writeTailCommitsOrLeavesNothing_data() { addBackendRows(); }
    void writeTailCommitsOrLeavesNothing()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        ScriptedPrompter &prompter = lib.f.prompter();
        const QString before = lib.state(QStringLiteral("P1"));
        AppContext &context = lib.f.context();

        // A "no" on the way takes back what was written before it.
        {
            ItemTransaction tx(context);
            QString date;
            QCOMPARE(tx.serverDate(date), 0);
            QCOMPARE(writeRepair(tx, date), 0);
            prompter.answer(AnswerCancel);
            QVERIFY(!tx.confirm(QStringLiteral("QDC008")));
            QVERIFY(!tx.isOpen());
        }
        QCOMPARE(lib.state(QStringLiteral("P1")), before);

        // Leaving the scope without commit does the same.
        {
            ItemTransaction tx(context);
            QString date;
            QCOMPARE(tx.serverDate(date), 0);
            QCOMPARE(writeRepair(tx, date), 0);
        }
        QCOMPARE(lib.state(QStringLiteral("P1")), before);

        // A failing call half-way (a copy twice in one batch) rolls back
        // and shows the named key.
        QVERIFY(
            lib.dealRow(QStringLiteral("L1"), QStringLiteral("R1"), QString(deal_type::Repair), QStringLiteral("P1")));
        const QString withRow = lib.state(QStringLiteral("P1"));
        {
            ItemTransaction tx(context);
            CopyChange c;
            c.propNo = QStringLiteral("P1");
            c.status = QStringLiteral("34");
            QCOMPARE(tx.updateCopy(c), 0);
            QCOMPARE(writeRepair(tx, QStringLiteral("2026-03-14")), -1);
            QVERIFY(!tx.isOpen());
        }
        QCOMPARE(prompter.shown().last().kind, QChar(u'E'));
        QCOMPARE(lib.state(QStringLiteral("P1")), withRow);
        QVERIFY(lib.f.exec(QStringLiteral("DELETE FROM deal_log")));

        // The whole tail, committed.
        {
            ItemTransaction tx(context);
            QString date;
            QCOMPARE(tx.serverDate(date), 0);
            QCOMPARE(writeRepair(tx, date), 0);
            QCOMPARE(tx.finish(repairTail()), 0);
        }
        QCOMPARE(lib.status(QStringLiteral("P1")), QStringLiteral("33"));
        QCOMPARE(lib.itemStatus(QStringLiteral("P1")), QStringLiteral("33"));
        QCOMPARE(lib.snapshot(QStringLiteral("SELECT deal_batch_no,fee,source_state,book_target FROM deal_log")),
                 QStringLiteral("R1|0|41|装订组"));
        QCOMPARE(lib.snapshot(QStringLiteral("SELECT job_type,kind,volume FROM wkr_job_qty")),
                 QStringLiteral("302|1|1"));
        QCOMPARE(lib.count(QStringLiteral("log_detl WHERE log_type='30017' AND prop_no='P1'")), 1);
        QCOMPARE(lib.f.one(QStringLiteral("SELECT lendable_copies FROM marc")), QStringLiteral("0"));
        QVERIFY(!lib.f.db().inTransaction());
        QVERIFY(prompter.done());
    }

    void foundCopyStatusInsideTheCallersTransaction_data() { addBackendRows(); }
    void foundCopyStatusInsideTheCallersTransaction()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        AppContext &context = lib.f.context();
        QCOMPARE(normStatuses().size(), 6);
        const QString before = lib.state(QStringLiteral("P3"));

        // The caller declines later: the found status goes too.
        {
            ItemTransaction tx(context);
            NormStat found(tx, QStringLiteral("P3"));
            QCOMPARE(found.apply(QStringLiteral("33")), -1); // not a collection status
            QCOMPARE(found.apply(QStringLiteral("43")), 0);
            QCOMPARE(found.chosen(), QStringLiteral("43"));
            QCOMPARE(lib.itemStatus(QStringLiteral("P3")), QStringLiteral("43"));
            tx.cancel();
        }
        QCOMPARE(lib.state(QStringLiteral("P3")), before);

        // Committed by the caller; the lending flag is left as it was.
        {
            ItemTransaction tx(context);
            NormStat found(tx, QStringLiteral("P3"));
            QCOMPARE(found.apply(QStringLiteral("42")), 0);
            QCOMPARE(tx.commit(), 0);
        }
        QCOMPARE(lib.status(QStringLiteral("P3")), QStringLiteral("42"));
        QCOMPARE(lib.itemStatus(QStringLiteral("P3")), QStringLiteral("42"));
        QCOMPARE(lib.lendFlag(QStringLiteral("P3")), QStringLiteral("1"));
        QCOMPARE(lib.f.one(QStringLiteral("SELECT resp_wkr FROM item WHERE prop_no='P3'")), QStringLiteral("W001"));
        QCOMPARE(lib.f.one(QStringLiteral("SELECT rec_flag_upt_date FROM indi_acct WHERE prop_no='P3'")), lib.today());

        // Without a circulation row only indi_acct changes.
        {
            ItemTransaction tx(context);
            NormStat found(tx, QStringLiteral("P2"));
            QCOMPARE(found.apply(QStringLiteral("46")), 0);
            QCOMPARE(tx.commit(), 0);
        }
        QCOMPARE(lib.status(QStringLiteral("P2")), QStringLiteral("46"));
        QCOMPARE(lib.count(QStringLiteral("item WHERE prop_no='P2'")), 0);

        // A copy that is gone: the write fails, the caller's transaction
        // is rolled back with it and the error shown.
        {
            ItemTransaction tx(context);
            CopyChange c;
            c.propNo = QStringLiteral("P1");
            c.status = QStringLiteral("42");
            QCOMPARE(tx.updateCopy(c), 0);
            NormStat found(tx, QStringLiteral("P404"));
            QCOMPARE(found.apply(QStringLiteral("41")), -1);
            QVERIFY(!tx.isOpen());
            QVERIFY(found.chosen().isEmpty());
        }
        QCOMPARE(lib.f.prompter().shown().last().kind, QChar(u'E'));
        QCOMPARE(lib.status(QStringLiteral("P1")), QStringLiteral("41"));
    }
};

KESTRA_TEST(ItemRecordTest)
#include "ItemRecordTest.moc"
