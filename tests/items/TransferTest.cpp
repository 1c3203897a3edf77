// Transfers on SQLite and PostgreSQL: one listed copy in its own transaction
// (its loan, its arrived reservation, a kept or new status, the history row
// of a transfer batch, a copy moved away meanwhile, a failing copy) and the
// whole location with and without a document type, a transfer batch and a
// new status, its refusals and its rollback as a unit.

#include "items/LocationTransfer.h"
#include "items/TransferGather.h"
#include "items/TransferLib.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

TransferPlan plan(const QString &from, const QString &to, const QString &status = QString(),
                  const QString &type = QString(), const QString &batch = QString())
{
    return TransferPlan{from, to, status, type, batch};
}

QString everything(CopyTestLib &lib)
{
    QString all;
    for (const char *table : {"indi_acct", "item", "lend_lst", "lend_hist", "preg_lst", "preg_arri_lst", "goto_detl",
                              "marc", "wkr_job_qty", "log_detl"})
        all += lib.snapshot(QStringLiteral("SELECT * FROM ") + QLatin1String(table) + QStringLiteral(" ORDER BY 1,2")) +
               u'#';
    return all;
}

} // namespace

class TransferTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void copyOnLoanTakesItsLoanAlong_data() { addBackendRows(); }
    void copyOnLoanTakesItsLoanAlong()
    {
        TRANSFER_LIB(lib);
        AppContext &c = lib.f.context();
        // No new status: the copy keeps 41 and the title its count.
        QCOMPARE(transferCopy(c, plan(u"L1"_qs, u"L2"_qs, QString(), QString(), u"G1"_qs), u"P1"_qs), 1);
        QCOMPARE(lib.snapshot(u"SELECT dis_location||book_stat_code||resp_wkr FROM indi_acct WHERE prop_no='P1'"_qs),
                 u"L241W001"_qs);
        QCOMPARE(lib.snapshot(u"SELECT location||book_stat_code||book_lend_flag||resp_wkr FROM item "
                              "WHERE prop_no='P1'"_qs),
                 u"L2411W001"_qs);
        QCOMPARE(lib.snapshot(u"SELECT location_f FROM lend_lst"_qs), u"L2"_qs);
        QCOMPARE(lib.snapshot(u"SELECT COALESCE(ret_date,'open')||':'||location_f FROM lend_hist ORDER BY 1"_qs),
                 u"2026-02-01:L1\nopen:L2"_qs);
        QCOMPARE(lendable(lib), u"M1=3 M2=1 M3=9"_qs);
        QCOMPARE(
            lib.snapshot(u"SELECT batch_no||prop_no||src_book_stat||dst_book_stat||src_loca||wkr_no FROM goto_detl"_qs),
            u"G1P14141L1W001"_qs);
        QCOMPARE(lib.count(u"goto_detl WHERE deal_no IS NOT NULL AND deal_date="_qs + sqlQuote(lib.today())), 1);
        QCOMPARE(lib.snapshot(u"SELECT marc_rec_no||prop_no||data1 FROM log_detl WHERE log_type='30013'"_qs),
                 u"M1P1中文图书库 -> 外文书库"_qs);
        QCOMPARE(lib.snapshot(u"SELECT job_type||':'||volume FROM wkr_job_qty"_qs), u"309:1"_qs);
        QVERIFY(prompter.shown().isEmpty());

        // A new status out of 41, without a batch, with a document type in
        // the log text; the copy has no circulation row.
        QCOMPARE(transferCopy(c, plan(u"L1"_qs, u"L2"_qs, u"42"_qs, u"02"_qs), u"P5"_qs), 1);
        QVERIFY(places(lib).contains(u"P5:L2:42:-:-"_qs));
        QCOMPARE(lendable(lib), u"M1=3 M2=0 M3=9"_qs);
        QCOMPARE(lib.count(u"goto_detl"_qs), 1);
        QCOMPARE(lib.f.one(u"SELECT data1 FROM log_detl WHERE prop_no='P5'"_qs),
                 u"中文图书库 -> 外文书库 | 文献类型:西文图书"_qs);
        QVERIFY(prompter.done());
    }

    void arrivedReservationStaysAtTheSource_data() { addBackendRows(); }
    void arrivedReservationStaysAtTheSource()
    {
        TRANSFER_LIB(lib);
        // "All" as the source: the copy's own location is the source.
        QCOMPARE(transferCopy(lib.f.context(), plan(u"All"_qs, u"L2"_qs, QString(), QString(), u"G1"_qs), u"P2"_qs), 1);
        QCOMPARE(lib.lendFlag(u"P2"_qs), u"0"_qs);
        QCOMPARE(lib.count(u"preg_arri_lst"_qs), 0);
        QCOMPARE(lib.snapshot(u"SELECT preg_flag||location FROM preg_lst"_qs), u"2L1"_qs);
        QCOMPARE(lib.snapshot(u"SELECT src_loca FROM goto_detl"_qs), u"L1"_qs);
        QVERIFY(places(lib).contains(u"P2:L2:41:L2:41"_qs));
    }

    void copyMovedMeanwhileOrFailingChangesNothing_data() { addBackendRows(); }
    void copyMovedMeanwhileOrFailingChangesNothing()
    {
        TRANSFER_LIB(lib);
        AppContext &c = lib.f.context();
        const QString before = everything(lib);
        // P3 is at L2 now, not at the source the list was made for.
        QCOMPARE(transferCopy(c, plan(u"L1"_qs, u"L2"_qs), u"P3"_qs), 0);
        QCOMPARE(prompter.lastText(), lib.f.context().messages().messageText(u"EDC002"_qs) + u"外文书库"_qs);
        QCOMPARE(transferCopy(c, plan(u"L1"_qs, u"L2"_qs), u"NOSUCH"_qs), 0);
        QVERIFY(!destinationValid(c, plan(u"L1"_qs, u"L1"_qs)));
        QCOMPARE(prompter.lastText(), lib.f.context().messages().messageText(u"EDC017"_qs));
        QVERIFY(!destinationValid(c, plan(u"All"_qs, QString())));
        QCOMPARE(prompter.lastText(), lib.f.context().messages().messageText(u"EDC018"_qs));
        QVERIFY(destinationValid(c, plan(u"All"_qs, u"L1"_qs)));
        QCOMPARE(everything(lib), before);

        // The history row of a copy fails after its loan and its rows were
        // changed (a batch that is gone): that copy is rolled back whole,
        // the copy moved before it stays moved.
        QCOMPARE(transferCopy(c, plan(u"L1"_qs, u"L2"_qs), u"P4"_qs), 1);
        const QString moved = everything(lib);
        QCOMPARE(transferCopy(c, plan(u"L1"_qs, u"L2"_qs, u"42"_qs, QString(), u"GONE"_qs), u"P1"_qs), -1);
        QCOMPARE(prompter.shown().last().kind, QChar(u'E'));
        QCOMPARE(everything(lib), moved);
        QVERIFY(places(lib).contains(u"P4:L2:42:L2:42"_qs));
        // No loan is no error for the loan procedure; no copy is.
        QCOMPARE(c.db().callProc(u"LT_UPD_lend_lst_loca 'P4','L1'"_qs), 0);
        QCOMPARE(c.db().callProc(u"LT_UPD_lend_lst_loca NULL,'L1'"_qs), -1);
        QCOMPARE(c.errors().oraCode, 20001);
    }

    void bulkGathering_data() { addBackendRows(); }
    void bulkGathering()
    {
        TRANSFER_LIB(lib);
        TransferGather gather(lib.f.context());
        QList<GatheredCopy> found;
        auto props = [&found] {
            QStringList p;
            for (const GatheredCopy &c : found)
                p << c.row.propNo + (c.circulates ? u'/' + c.lendFlag : QString());
            return p.join(u' ');
        };
        QCOMPARE(gather.byClass(plan(u"L1"_qs, u"L2"_qs), u" I2 "_qs, found), 2);
        QCOMPARE(props(), u"P1/1 P2/2"_qs);
        QCOMPARE(found.at(0).row.title, u"红楼梦"_qs);
        QCOMPARE(gather.byClass(plan(u"All"_qs, u"L2"_qs, QString(), u"02"_qs), u"K"_qs, found), 3);
        QCOMPARE(props(), u"P6/0 P4/0 P5"_qs); // K825/10 sorts before K825/9
        QCOMPARE(gather.byClass(plan(u"L1"_qs, u"L2"_qs), u"  "_qs, found), 0);
        QCOMPARE(prompter.lastText(), u"请输入要调拨的分类号"_qs);
        QCOMPARE(gather.byClass(plan(u"L1"_qs, u"L2"_qs), u"I' OR '1'='1"_qs, found), 0);
        QCOMPARE(prompter.lastText(), lib.f.context().messages().messageText(u"EDC020"_qs));

        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET move_batch='JJ9' WHERE prop_no IN ('P3','P4','P5')"_qs));
        QCOMPARE(gather.byHandoverBatch(plan(u"L1"_qs, u"L2"_qs), u"JJ9"_qs, found), 2);
        QCOMPARE(props(), u"P4/0 P5"_qs);
        QCOMPARE(gather.byHandoverBatch(plan(u"L9"_qs, u"L2"_qs), u"JJ9"_qs, found), 0);
        QCOMPARE(prompter.lastText(), u"该馆藏地没有该交接批次的书刊"_qs);
        QCOMPARE(gather.byHandoverBatch(plan(u"L1"_qs, u"L2"_qs), QString(), found), 0);
        QCOMPARE(prompter.lastText(), u"请输入要调拨的交接批次"_qs);

        QStringList codes;
        QVERIFY(lib.copy(u"P10"_qs, u"M1"_qs, u"B00010"_qs, u"L1"_qs, u"41"_qs));
        QCOMPARE(gather.range(plan(u"L1"_qs, u"L2"_qs), InputType::Barcode, u"b0001"_qs, u"B0009"_qs, codes), 4);
        QCOMPARE(codes, (QStringList{u"B0001"_qs, u"B0002"_qs, u"B0004"_qs, u"B0005"_qs}));
        QCOMPARE(gather.range(plan(u"All"_qs, u"L2"_qs), InputType::Accession, u"P1"_qs, u"P5"_qs, codes), 5);
        QCOMPARE(gather.range(plan(u"L1"_qs, u"L2"_qs), InputType::Barcode, u"B01"_qs, u"B0009"_qs, codes), 0);
        QCOMPARE(prompter.lastText(), u"起止号码长度不一致。"_qs);
        QVERIFY(prompter.done());
    }

    void wholeLocationFourWays_data() { addBackendRows(); }
    void wholeLocationFourWays()
    {
        TRANSFER_LIB(lib);
        LocationTransfer run(lib.f.context());
        // One type, a batch and a new status: M1's copies at L1 leave 41.
        prompter.answer(AnswerOk);
        QCOMPARE(run.run(plan(u"L1"_qs, u"L2"_qs, u"42"_qs, u"01"_qs, u"G1"_qs)), 2);
        QCOMPARE(prompter.lastText(), u"本书刊调拨完成。"_qs);
        QCOMPARE(places(lib), u"P1:L2:42:L2:42 P2:L2:42:L2:42 P3:L2:41:L2:41 P4:L1:42:L1:42 P5:L1:41:-:- "
                              "P6:L2:41:L2:41"_qs);
        QCOMPARE(lendable(lib), u"M1=1 M2=1 M3=9"_qs);
        QCOMPARE(lib.snapshot(u"SELECT location_f FROM lend_lst"_qs), u"L2"_qs);
        QCOMPARE(lib.snapshot(u"SELECT COALESCE(ret_date,'open')||':'||location_f FROM lend_hist ORDER BY 1"_qs),
                 u"2026-02-01:L1\nopen:L2"_qs);
        QCOMPARE(lib.lendFlag(u"P2"_qs), u"0"_qs);
        QCOMPARE(lib.snapshot(u"SELECT pregarri_deal_flag FROM preg_arri_lst"_qs), u"2"_qs);
        QCOMPARE(lib.snapshot(u"SELECT preg_flag FROM preg_lst"_qs), u"2"_qs);
        QCOMPARE(lib.snapshot(u"SELECT prop_no||src_book_stat||dst_book_stat||src_loca||COALESCE(deal_no,0) "
                              "FROM goto_detl ORDER BY prop_no"_qs),
                 u"P14142L10\nP24142L10"_qs);
        QCOMPARE(lib.snapshot(u"SELECT prop_no||':'||marc_rec_no||':'||location_name||':'||data1||':'||log_date FROM "
                              "log_detl WHERE log_type='30013' ORDER BY prop_no"_qs),
                 u"P1:M1:中文图书库:中文图书库 -> 外文书库 | 文献类型:中文图书:%1\n"
                 "P2:M1:中文图书库:中文图书库 -> 外文书库 | 文献类型:中文图书:%1"_qs.arg(lib.today()));
        QCOMPARE(lib.snapshot(u"SELECT job_type||':'||kind||':'||volume FROM wkr_job_qty"_qs), u"309:2:2"_qs);

        // Every type, the same batch, back to 41: the count takes in the
        // copies of the title already at the destination.
        prompter.answer(AnswerOk);
        QCOMPARE(run.run(plan(u"L2"_qs, u"L1"_qs, u"41"_qs, QString(), u"G1"_qs)), 4);
        QCOMPARE(lendable(lib), u"M1=3 M2=1 M3=1"_qs);
        QCOMPARE(lib.count(u"goto_detl"_qs), 6);

        // One type, no batch, a new status: the titles moved are recounted
        // (no history rows to go by), no other (M1's stale count stays).
        QVERIFY(lib.f.exec(u"UPDATE marc SET lendable_copies=7 WHERE marc_rec_no='M1'"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(run.run(plan(u"L1"_qs, u"L2"_qs, u"42"_qs, u"02"_qs)), 3);
        QCOMPARE(lendable(lib), u"M1=7 M2=0 M3=0"_qs);
        QCOMPARE(lib.count(u"goto_detl"_qs), 6);

        // Every type, no batch, no status: every status and count kept.
        prompter.answer(AnswerOk);
        QCOMPARE(run.run(plan(u"L1"_qs, u"L2"_qs)), 3);
        QCOMPARE(places(lib), u"P1:L2:41:L2:41 P2:L2:41:L2:41 P3:L2:41:L2:41 P4:L2:42:L2:42 P5:L2:42:-:- "
                              "P6:L2:42:L2:42"_qs);
        QCOMPARE(lendable(lib), u"M1=7 M2=0 M3=0"_qs);
        QCOMPARE(lib.snapshot(u"SELECT job_type||':'||volume FROM wkr_job_qty"_qs), u"309:12"_qs);
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30013'"_qs), 12);
        QVERIFY(prompter.done());
    }

    void wholeLocationLoansFollowTheirCopies_data() { addBackendRows(); }
    void wholeLocationLoansFollowTheirCopies()
    {
        // The loans go by the copy's location, not by what their rows name:
        // P4 (at L1) is lent with rows naming L9, P6 (at L2) with rows
        // naming L1.
        TRANSFER_LIB(lib);
        for (const char *row : {"P4','R1','L9", "P6','R1','L1"}) {
            QVERIFY(lib.f.exec(u"INSERT INTO lend_lst (prop_no,cert_id,location_f,lend_date) VALUES ('"_qs +
                               QLatin1String(row) + u"','2026-11-02')"_qs));
            QVERIFY(lib.f.exec(u"INSERT INTO lend_hist (prop_no_f,cert_id_f,location_f,lend_date,ret_date) "
                               "VALUES ('"_qs +
                               QLatin1String(row) + u"','2026-11-02',NULL)"_qs));
        }
        prompter.answer(AnswerOk);
        QCOMPARE(LocationTransfer(lib.f.context()).run(plan(u"L1"_qs, u"L2"_qs)), 4);
        QCOMPARE(lib.snapshot(u"SELECT prop_no||location_f FROM lend_lst ORDER BY prop_no"_qs).replace(u'\n', u' '),
                 u"P1L2 P4L2 P6L1"_qs);
        QCOMPARE(lib.snapshot(u"SELECT prop_no_f||location_f FROM lend_hist WHERE ret_date IS NULL "
                              "ORDER BY prop_no_f"_qs)
                     .replace(u'\n', u' '),
                 u"P1L2 P4L2 P6L1"_qs);
        QCOMPARE(lib.snapshot(u"SELECT location_f FROM lend_hist WHERE ret_date IS NOT NULL"_qs), u"L1"_qs);
        QVERIFY(prompter.done());
    }

    void wholeLocationRefusalsAndRollback_data() { addBackendRows(); }
    void wholeLocationRefusalsAndRollback()
    {
        TRANSFER_LIB(lib);
        LocationTransfer run(lib.f.context());
        const QString before = everything(lib);
        QCOMPARE(run.run(plan(u"All"_qs, u"L2"_qs)), 0);
        QCOMPARE(prompter.lastText(), u"按地调拨原馆藏地不能选择所有馆藏地"_qs);
        QCOMPARE(run.run(plan(u"L1"_qs, u"L1"_qs)), 0);
        QCOMPARE(prompter.lastText(), u"新馆藏地不能与原馆藏地相同"_qs);
        QCOMPARE(run.run(plan(u"L1"_qs, QString())), 0);
        QCOMPARE(prompter.lastText(), lib.f.context().messages().messageText(u"EDC018"_qs));
        prompter.answer(AnswerCancel);
        QCOMPARE(run.run(plan(u"L1"_qs, u"L2"_qs)), 0);
        prompter.answer(AnswerOk);
        QCOMPARE(run.run(plan(u"L9"_qs, u"L2"_qs)), 0);
        QCOMPARE(prompter.lastText(), u"该馆藏地无可调拨书刊。"_qs);
        QCOMPARE(everything(lib), before);

        // The operation-log rows fail after the loans, the circulation rows
        // and the history rows were written: nothing stays.
        QVERIFY(lib.failLogCode("30013"));
        const QString ready = everything(lib);
        prompter.answer(AnswerOk);
        QCOMPARE(run.run(plan(u"L1"_qs, u"L2"_qs, u"42"_qs, QString(), u"G1"_qs)), -1);
        QCOMPARE(prompter.shown().last().kind, QChar(u'E'));
        QCOMPARE(everything(lib), ready);
        QVERIFY(prompter.done());
    }
};

KESTRA_TEST(TransferTest)
#include "TransferTest.moc"
