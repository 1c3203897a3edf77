// The check-back on SQLite and PostgreSQL: a repair batch finished, its
// copies checked back in the check-back batch of its number (with every
// refusal), the check-back cancelled.

#include "items/BookCheckBack.h"
#include "items/BookDeal.h"
#include "items/CopyTestLib.h"
#include "items/DealBatch.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

QString msg(CopyTestLib &lib, const QString &code)
{
    return lib.f.context().messages().messageText(code);
}

// P1 (41, circulating) and P2 (42) sent out in repair batch R1 (fee 5,
// target and remark), P3 (41) in repair batch R2; weeding batch R1 shares
// the number.
bool seed(CopyTestLib &lib)
{
    if (!(lib.record(u"M1"_qs, u"红楼梦"_qs) && lib.copy(u"P1"_qs, u"M1"_qs, u"B0001"_qs, u"L1"_qs, u"41"_qs) &&
          lib.item(u"P1"_qs) && lib.copy(u"P2"_qs, u"M1"_qs, u"B0002"_qs, u"L1"_qs, u"42"_qs) &&
          lib.copy(u"P3"_qs, u"M1"_qs, u"B0003"_qs, u"L1"_qs, u"41"_qs) &&
          lib.copy(u"P4"_qs, u"M1"_qs, u"B0004"_qs, u"L1"_qs, u"41"_qs) && lib.dealBatch("R1", "01") &&
          lib.dealBatch("R2", "01") && lib.dealBatch("R1", "03")))
        return false;
    BookDeal r1(lib.f.context(), BarcodeSettings{}, u"01"_qs);
    BookDeal r2(lib.f.context(), BarcodeSettings{}, u"01"_qs);
    r1.fee = u"5"_qs;
    r1.target = u"装订组"_qs;
    r1.remark = u"散页"_qs;
    return r1.selectBatch(u"L1"_qs, u"R1"_qs) == 1 && r2.selectBatch(u"L1"_qs, u"R2"_qs) == 1 &&
           r1.enter(u"B0001"_qs).outcome() == StepOutcome::Done &&
           r1.enter(u"B0002"_qs).outcome() == StepOutcome::Done && r2.enter(u"B0003"_qs).outcome() == StepOutcome::Done;
}

#define SEEDED(lib)                                                                                                    \
    OPEN_LIB(lib);                                                                                                     \
    QVERIFY(seed(lib));                                                                                                \
    ScriptedPrompter &prompter = lib.f.prompter();                                                                     \
    AppContext &context = lib.f.context()

} // namespace

class BookCheckBackTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Finishing and reopening the repair batch themselves are
    // DealBatchTest's; here the check-back batch the finish opened.
    void checkBackEntryAndCancel_data() { addBackendRows(); }
    void checkBackEntryAndCancel()
    {
        SEEDED(lib);
        DealBatch r1;
        QCOMPARE(deal_batch::read(context, u"L1"_qs, u"R1"_qs, u"01"_qs, r1), 1);
        prompter.answer(AnswerOk);
        QCOMPARE(deal_batch::finish(context, r1), 1);

        BookCheckBack back(context, BarcodeSettings{});
        QCOMPARE(back.selectBatch(u"L1"_qs, u"R1"_qs), 1);
        QVERIFY(lib.copy(u"P7"_qs, u"M1"_qs, u"B0007"_qs, u"L2"_qs, u"33"_qs));
        const struct {
            const char *code;
            QString shown;
        } refusals[] = {
            {"B0004", msg(lib, u"EDC006"_qs)}, // not under repair
            {"B0007", msg(lib, u"EDC002"_qs)}, // another location
            {"B0003", msg(lib, u"EDC015"_qs)}, // sent out under R2
        };
        for (const auto &r : refusals) {
            QCOMPARE(back.enter(QString::fromLatin1(r.code)).outcome(), StepOutcome::Refused);
            QVERIFY2(prompter.lastText().startsWith(r.shown.left(4)), qPrintable(prompter.lastText()));
        }
        QCOMPARE(lib.status(u"P3"_qs), u"33"_qs);

        QCOMPARE(back.enter(u"B0001"_qs).outcome(), StepOutcome::Done);
        QCOMPARE(back.enter(u"B0002"_qs).outcome(), StepOutcome::Done);
        QCOMPARE(lib.status(u"P1"_qs), u"41"_qs);
        QCOMPARE(lib.itemStatus(u"P1"_qs), u"41"_qs);
        QCOMPARE(lib.status(u"P2"_qs), u"42"_qs);
        QCOMPARE(back.target, u"装订组"_qs);
        QCOMPARE(back.remark, u"散页"_qs);
        QCOMPARE(back.fee.toDouble(), 5.0);
        QCOMPARE(lib.snapshot(u"SELECT prop_no,source_state,book_target FROM deal_log WHERE deal_type_code='02' "
                              "ORDER BY prop_no"_qs),
                 u"P1|33|\nP2|33|"_qs);
        QCOMPARE(lib.count(u"deal_log WHERE deal_type_code='02' AND fee IS NULL"_qs), 2);
        QCOMPARE(lib.f.one(u"SELECT volume FROM wkr_job_qty WHERE job_type='303'"_qs), u"2"_qs);
        QCOMPARE(back.enter(u"B0001"_qs).outcome(), StepOutcome::Refused);
        QCOMPARE(prompter.lastText(), msg(lib, u"EDC012"_qs));

        // P1 lent again cannot go back; P2 goes back to 33. Bottom up, P2
        // is first; the run stops at P1.
        QVERIFY(lib.f.exec(u"UPDATE item SET book_lend_flag='1' WHERE prop_no='P1'"_qs));
        back.model().markAll();
        prompter.answer(AnswerOk);
        ScanReport c = back.undoMarked();
        QCOMPARE(c.done, 1);
        QVERIFY(c.stopped);
        QCOMPARE(prompter.lastText(), msg(lib, u"EDC010"_qs));
        QCOMPARE(lib.status(u"P2"_qs), u"33"_qs);
        QCOMPARE(lib.status(u"P1"_qs), u"41"_qs);
        QCOMPARE(back.rows().size(), 1);

        // Changed by someone else since the check-back: EDC009.
        QVERIFY(lib.f.exec(u"UPDATE item SET book_lend_flag='0' WHERE prop_no='P1'"_qs));
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET book_stat_code='43' WHERE prop_no='P1'"_qs));
        back.model().markAll();
        prompter.answer(AnswerOk);
        QCOMPARE(back.undoMarked().done, 0);
        QCOMPARE(prompter.lastText(), msg(lib, u"EDC009"_qs));
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET book_stat_code='41' WHERE prop_no='P1'"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(back.undoMarked().done, 1);
        QCOMPARE(lib.count(u"deal_log WHERE deal_type_code='02'"_qs), 0);
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30018'"_qs), 2);
        QVERIFY(prompter.done());
    }
};

KESTRA_TEST(BookCheckBackTest)
#include "BookCheckBackTest.moc"
