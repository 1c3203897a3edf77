// A processing batch's own operations on SQLite and PostgreSQL: finishing a
// repair batch opens its check-back batch, reopening is refused once copies
// have come back, a weeding batch of the same number is another batch;
// amending and deleting with the right and both questions; the numbers a
// new batch may have.

#include "items/DealBatch.h"
#include "items/CopyTestLib.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

QString msg(CopyTestLib &lib, const QString &code)
{
    return lib.f.context().messages().messageText(code);
}

// P1 and P2 sent out for repair in R1 (status 33); a weeding batch R1 and a
// repair batch R2 besides.
bool seed(CopyTestLib &lib)
{
    return lib.record(u"M1"_qs, u"红楼梦"_qs) && lib.copy(u"P1"_qs, u"M1"_qs, u"B0001"_qs, u"L1"_qs, u"33"_qs) &&
           lib.copy(u"P2"_qs, u"M1"_qs, u"B0002"_qs, u"L1"_qs, u"33"_qs) && lib.dealBatch("R1", "01") &&
           lib.dealBatch("R2", "01") && lib.dealBatch("R1", "03") &&
           lib.dealRow(u"L1"_qs, u"R1"_qs, u"01"_qs, u"P1"_qs) && lib.dealRow(u"L1"_qs, u"R1"_qs, u"01"_qs, u"P2"_qs);
}

#define SEEDED(lib)                                                                                                    \
    OPEN_LIB(lib);                                                                                                     \
    QVERIFY(seed(lib));                                                                                                \
    ScriptedPrompter &prompter = lib.f.prompter();                                                                     \
    AppContext &context = lib.f.context()

} // namespace

class DealBatchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void finishAndReopen_data() { addBackendRows(); }
    void finishAndReopen()
    {
        SEEDED(lib);
        DealBatch r1;
        QCOMPARE(deal_batch::read(context, u"L1"_qs, u"R1"_qs, u"01"_qs, r1), 1);
        QCOMPARE(r1.remark, u"说明"_qs);
        QVERIFY(!r1.finished());
        prompter.answer(AnswerCancel);
        QCOMPARE(deal_batch::finish(context, r1), 0);
        QCOMPARE(prompter.lastText(), msg(lib, u"QDC004"_qs));
        QCOMPARE(lib.count(u"deal_batch_lst WHERE deal_stat_flag='1'"_qs), 0);
        prompter.answer(AnswerOk);
        QCOMPARE(deal_batch::finish(context, r1), 1);
        QVERIFY(r1.finished());
        const QString today = lib.today();
        QCOMPARE(lib.dealBatches(),
                 QStringList({u"R1|01|1|"_qs + today, u"R1|02|0|"_qs, u"R1|03|0|"_qs, u"R2|01|0|"_qs}).join(u'\n'));
        QCOMPARE(lib.f.one(u"SELECT remark||'/'||deal_bgn_date FROM deal_batch_lst WHERE deal_type_code='02'"_qs),
                 u"修补回验用批次/"_qs + today);
        // Finished twice would open the check-back batch twice.
        QCOMPARE(deal_batch::finish(context, r1), 0);
        QCOMPARE(lib.count(u"deal_batch_lst WHERE deal_type_code='02'"_qs), 1);

        // A copy has come back: the repair batch stays finished.
        QVERIFY(lib.dealRow(u"L1"_qs, u"R1"_qs, u"02"_qs, u"P1"_qs, u"33"_qs));
        QCOMPARE(deal_batch::reopen(context, r1), 0);
        QCOMPARE(prompter.lastText(), msg(lib, u"EDC021"_qs));
        QVERIFY(r1.finished());

        // None back: reopened after QDC003, open without an end date, its
        // check-back batch gone; the weeding batch of the same number stays.
        QVERIFY(lib.f.exec(u"DELETE FROM deal_log WHERE deal_type_code='02'"_qs));
        prompter.answer(AnswerCancel);
        QCOMPARE(deal_batch::reopen(context, r1), 0);
        QCOMPARE(prompter.lastText(), msg(lib, u"QDC003"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(deal_batch::reopen(context, r1), 1);
        QVERIFY(!r1.finished());
        QCOMPARE(lib.dealBatches(), u"R1|01|0|\nR1|03|0|\nR2|01|0|"_qs);
        QVERIFY(prompter.done());
    }

    void aWeedingBatchOfARepairBatchsNumber_data() { addBackendRows(); }
    void aWeedingBatchOfARepairBatchsNumber()
    {
        SEEDED(lib);
        DealBatch r1, w1;
        QCOMPARE(deal_batch::read(context, u"L1"_qs, u"R1"_qs, u"01"_qs, r1), 1);
        QCOMPARE(deal_batch::read(context, u"L1"_qs, u"R1"_qs, u"03"_qs, w1), 1);
        prompter.answer(AnswerOk).answer(AnswerOk);
        QCOMPARE(deal_batch::finish(context, r1), 1);
        QCOMPARE(deal_batch::finish(context, w1), 1);
        QCOMPARE(lib.count(u"deal_batch_lst WHERE deal_type_code='02'"_qs), 1); // the repair batch's only
        QVERIFY(lib.dealRow(u"L1"_qs, u"R1"_qs, u"02"_qs, u"P1"_qs, u"33"_qs));
        // Not refused for the repair batch's returned copies, and the
        // repair batch's check-back batch stays.
        prompter.answer(AnswerOk);
        QCOMPARE(deal_batch::reopen(context, w1), 1);
        QCOMPARE(lib.count(u"deal_batch_lst WHERE deal_type_code='02'"_qs), 1);
        QCOMPARE(lib.f.one(u"SELECT deal_stat_flag FROM deal_batch_lst WHERE deal_type_code='03'"_qs), u"0"_qs);
        QCOMPARE(lib.f.one(u"SELECT deal_stat_flag FROM deal_batch_lst WHERE deal_batch_no='R1' AND "
                           "deal_type_code='01'"_qs),
                 u"1"_qs);
        QVERIFY(prompter.done());
    }

    void amendAndDelete_data() { addBackendRows(); }
    void amendAndDelete()
    {
        SEEDED(lib);
        DealBatch r1;
        QCOMPARE(deal_batch::read(context, u"L1"_qs, u"R1"_qs, u"01"_qs, r1), 1);
        QCOMPARE(deal_batch::read(context, u"L2"_qs, u"R1"_qs, u"01"_qs, r1), 0);
        QCOMPARE(deal_batch::amend(context, r1, u"第二'次"_qs), 0);
        QCOMPARE(lib.f.one(u"SELECT remark||'/'||resp_wkr FROM deal_batch_lst WHERE deal_batch_no='R1' AND "
                           "deal_type_code='01'"_qs),
                 u"第二'次/W001"_qs);
        QCOMPARE(lib.snapshot(u"SELECT data1,data2,data3 FROM log_detl WHERE log_type='30015'"_qs),
                 u"R1|书刊修补|中文图书库"_qs);

        // Without right 3013 nothing is asked.
        QCOMPARE(deal_batch::remove(context, r1, false), 0);
        QVERIFY(prompter.lastText().contains(u"3013"_qs));
        context.session().rights.append(u"3013"_qs);
        prompter.answer(AnswerCancel);
        QCOMPARE(deal_batch::remove(context, r1, false), 0);
        QCOMPARE(prompter.lastText(), msg(lib, u"QCM003"_qs));
        prompter.answer(AnswerOk).answer(AnswerCancel);
        QCOMPARE(deal_batch::remove(context, r1, true), 0);
        QVERIFY(prompter.lastText().endsWith(u"是否确认删除？。"_qs));
        QCOMPARE(lib.count(u"deal_log WHERE deal_batch_no='R1'"_qs), 2);
        QCOMPARE(lib.count(u"deal_batch_lst WHERE deal_batch_no='R1'"_qs), 2);

        prompter.answer(AnswerOk).answer(AnswerOk);
        QCOMPARE(deal_batch::remove(context, r1, false), 1);
        QVERIFY(prompter.lastText().endsWith(u"是否确认删除？"_qs));
        QCOMPARE(lib.count(u"deal_log"_qs), 0);
        QCOMPARE(lib.snapshot(u"SELECT deal_batch_no,deal_type_code FROM deal_batch_lst ORDER BY 1,2"_qs),
                 u"R1|03\nR2|01"_qs);
        // The copies keep the status the batch gave them.
        QCOMPARE(lib.status(u"P1"_qs), u"33"_qs);
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30016'"_qs), 1);

        // An empty batch: one question only.
        DealBatch w1;
        QCOMPARE(deal_batch::read(context, u"L1"_qs, u"R1"_qs, u"03"_qs, w1), 1);
        prompter.answer(AnswerOk);
        QCOMPARE(deal_batch::remove(context, w1, false), 1);
        QCOMPARE(lib.count(u"deal_batch_lst WHERE deal_batch_no='R1'"_qs), 0);
        QVERIFY(prompter.done());
    }

    // A finished repair batch deleted takes its check-back batch and the
    // rows in it along, so that a new repair batch of the number can be
    // finished.
    void aRepairNumberUsedAgain_data() { addBackendRows(); }
    void aRepairNumberUsedAgain()
    {
        SEEDED(lib);
        context.session().rights.append(u"3013"_qs);
        DealBatch r1;
        QCOMPARE(deal_batch::read(context, u"L1"_qs, u"R1"_qs, u"01"_qs, r1), 1);
        prompter.answer(AnswerOk);
        QCOMPARE(deal_batch::finish(context, r1), 1);
        QVERIFY(lib.f.exec(u"DELETE FROM deal_log"_qs));
        QVERIFY(lib.dealRow(u"L1"_qs, u"R1"_qs, u"02"_qs, u"P1"_qs, u"33"_qs));
        // Its only rows are in the check-back batch: still the second question.
        prompter.answer(AnswerOk).answer(AnswerOk);
        QCOMPARE(deal_batch::remove(context, r1, false), 1);
        QVERIFY(prompter.lastText().endsWith(u"是否确认删除？"_qs));
        QCOMPARE(lib.dealBatches(), u"R1|03|0|\nR2|01|0|"_qs);
        QCOMPARE(lib.count(u"deal_log"_qs), 0);

        QVERIFY(lib.dealBatch("R1", "01"));
        QCOMPARE(deal_batch::read(context, u"L1"_qs, u"R1"_qs, u"01"_qs, r1), 1);
        prompter.answer(AnswerOk);
        QCOMPARE(deal_batch::finish(context, r1), 1);
        QCOMPARE(lib.count(u"deal_batch_lst WHERE deal_batch_no='R1' AND deal_type_code='02'"_qs), 1);
        QVERIFY(prompter.done());
    }

    void batchNumbers_data() { addBackendRows(); }
    void batchNumbers()
    {
        OPEN_LIB(lib);
        AppContext &context = lib.f.context();
        for (const QString &bad : {u""_qs, u"  "_qs, u"R'1"_qs, u"R\"1"_qs, u"修补1"_qs, u"R 1"_qs})
            QVERIFY2(!deal_batch::numberAllowed(context, bad), qPrintable(bad));
        for (const QString &good : {u"XB2026-SK1"_qs, u"R/1.2_a"_qs, u" R1 "_qs})
            QVERIFY2(deal_batch::numberAllowed(context, good), qPrintable(good));
        QCOMPARE(deal_batch::stateName(u"0"_qs), u"处理中"_qs);
        QCOMPARE(deal_batch::stateName(u"1"_qs), u"处理结束"_qs);
    }
};

KESTRA_TEST(DealBatchTest)
#include "DealBatchTest.moc"
