// Repair, weeding, gift and exchange batches on SQLite and PostgreSQL: what
// entering a copy writes, every refusal and question, amending and
// cancelling rows, and a failure in the middle of a copy.

#include "items/BookDeal.h"
#include "copies/ItemWrite.h"
#include "items/CopyTestLib.h"
#include "support/TestRunner.h"

#include <QTemporaryDir>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

QString msg(CopyTestLib &lib, const QString &code)
{
    return lib.f.context().messages().messageText(code);
}

// M1 with copies P1 (41, lendable, circulating) and P2 (41); M2 with P3 in
// acceptance (17) at L2; batches R1 and R2 (repair), W1 (weeding), G1
// (gift), X1 (exchange) open at L1.
bool seed(CopyTestLib &lib)
{
    bool ok = lib.record(u"M1"_qs, u"红楼梦"_qs) && lib.record(u"M2"_qs, u"O'Neill 戏剧集"_qs) &&
              lib.copy(u"P1"_qs, u"M1"_qs, u"B0001"_qs, u"L1"_qs, u"41"_qs) && lib.item(u"P1"_qs) &&
              lib.copy(u"P2"_qs, u"M1"_qs, u"B0002"_qs, u"L1"_qs, u"41"_qs) &&
              lib.copy(u"P3"_qs, u"M2"_qs, u"B0003"_qs, u"L2"_qs, u"17"_qs) &&
              lib.f.exec(u"UPDATE marc SET lendable_copies=2 WHERE marc_rec_no='M1'"_qs);
    for (const char *b : {"R1/01", "R2/01", "W1/03", "G1/04", "X1/05"}) {
        const QStringList parts = QString::fromLatin1(b).split(u'/');
        ok = ok && lib.f.db().callProc(QStringLiteral("LT_deal_batch_lst 'L1',%1,%2,'2026-01-01',NULL,'0','W001',NULL")
                                           .arg(sqlQuote(parts[0]), sqlQuote(parts[1]))) == 0;
    }
    return ok;
}

// frmNormStat as a test answers it: the status given, or cancelled.
NormStatChooser chooser(std::optional<QString> status)
{
    return [status](ItemTransaction &tx, const QString &propNo) -> std::optional<QString> {
        if (!status)
            return std::nullopt;
        NormStat n(tx, propNo);
        if (n.apply(*status) < 0)
            return std::nullopt;
        return n.chosen();
    };
}

#define BATCH_LIB(lib, form, type, batch)                                                                              \
    OPEN_LIB(lib);                                                                                                     \
    QVERIFY(seed(lib));                                                                                                \
    BookDeal form(lib.f.context(), BarcodeSettings{}, QStringLiteral(type));                                           \
    QCOMPARE(form.selectBatch(u"L1"_qs, QStringLiteral(batch)), 1);                                                    \
    ScriptedPrompter &prompter = lib.f.prompter();                                                                     \
    Q_UNUSED(prompter)

const QString kLog = u"SELECT location,deal_batch_no,deal_type_code,prop_no,book_target,source_state,resp_wkr,"
                     "remark FROM deal_log ORDER BY deal_no"_qs;

double fee(CopyTestLib &lib, const char *prop)
{
    return lib.f.one(QStringLiteral("SELECT fee FROM deal_log WHERE prop_no=") + sqlQuote(QString::fromLatin1(prop)))
        .toDouble();
}

} // namespace

class BookDealTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void repairWritesLogCopyAndCounts_data() { addBackendRows(); }
    void repairWritesLogCopyAndCounts()
    {
        BATCH_LIB(lib, repair, "01", "R1");
        repair.fee = u" 12.5 "_qs;
        repair.target = u"装订组 O'Brien"_qs;
        repair.remark = u"书脊开裂"_qs;
        QCOMPARE(repair.enter(u"b0001"_qs), DealProcess::Outcome::Added);
        QCOMPARE(lib.snapshot(kLog), u"L1|R1|01|P1|装订组 O'Brien|41|W001|书脊开裂"_qs);
        QCOMPARE(fee(lib, "P1"), 12.5);
        QCOMPARE(lib.status(u"P1"_qs), u"33"_qs);
        QCOMPARE(lib.itemStatus(u"P1"_qs), u"33"_qs);
        QCOMPARE(lib.f.one(u"SELECT lendable_copies FROM marc WHERE marc_rec_no='M1'"_qs), u"1"_qs);
        QCOMPARE(lib.snapshot(u"SELECT job_type,volume FROM wkr_job_qty"_qs), u"302|1"_qs);
        QCOMPARE(lib.snapshot(u"SELECT log_type,prop_no,data1,data2,data3 FROM log_detl"_qs),
                 u"30017|P1|书刊修补|中文图书库|R1"_qs);
        // A blank fee is 0; a copy without a circulation row changes in
        // indi_acct alone.
        repair.fee.clear();
        QCOMPARE(repair.enter(u"B0002"_qs), DealProcess::Outcome::Added);
        QCOMPARE(fee(lib, "P2"), 0.0);
        QCOMPARE(lib.count(u"deal_log WHERE fee IS NULL"_qs), 0);
        QCOMPARE(lib.status(u"P2"_qs), u"33"_qs);
        QCOMPARE(lib.count(u"item WHERE prop_no='P2'"_qs), 0);
        QCOMPARE(repair.rows().size(), 2);
        QCOMPARE(repair.model().text(1, 0), u"P2"_qs);

        // Read again, the list is newest first and shows the log.
        QCOMPARE(repair.reload(), 0);
        QCOMPARE(repair.rows().at(0).row.propNo, u"P2"_qs);
        QCOMPARE(repair.rows().at(1).target, u"装订组 O'Brien"_qs);
        QCOMPARE(*repair.rows().at(1).fee, 12.5);
        QVERIFY(prompter.shown().isEmpty());
    }

    void refusalsChangeNothing_data() { addBackendRows(); }
    void refusalsChangeNothing()
    {
        BATCH_LIB(lib, repair, "01", "R1");
        QVERIFY(lib.copy(u"P4"_qs, u"M1"_qs, u"B0004"_qs, u"L1"_qs, u"41"_qs) && lib.item(u"P4"_qs, u"1"_qs));
        QVERIFY(lib.copy(u"P5"_qs, u"M1"_qs, u"B0005"_qs, u"L1"_qs, u"39"_qs));
        QVERIFY(lib.copy(u"P6"_qs, u"M1"_qs, u"B0006"_qs, u"L1"_qs, u"17"_qs));
        QVERIFY(lib.dealRow(u"L1"_qs, u"R1"_qs, u"01"_qs, u"P2"_qs));
        const QString before = lib.state(u"P1"_qs) + lib.state(u"P2"_qs);
        const struct {
            const char *code;
            QString shown;
        } cases[] = {
            {"B0006", msg(lib, u"EDC024"_qs)}, {"B0003", msg(lib, u"EDC024"_qs)}, {"B0002", msg(lib, u"EDC004"_qs)},
            {"B0004", msg(lib, u"EDC003"_qs)}, {"B0005", msg(lib, u"EDC005"_qs)}, {"NOSUCH", u"该条码号不存在"_qs},
        };
        for (const auto &c : cases) {
            QCOMPARE(repair.enter(QString::fromLatin1(c.code)), DealProcess::Outcome::Refused);
            QCOMPARE(prompter.lastText(), c.shown);
        }
        // A fee that is not a number is refused before anything is read.
        repair.fee = u"abc"_qs;
        QCOMPARE(repair.enter(u"B0001"_qs), DealProcess::Outcome::Refused);
        QVERIFY(prompter.lastText().contains(u"处理费用"_qs));
        QCOMPARE(lib.state(u"P1"_qs) + lib.state(u"P2"_qs), before);
        QVERIFY(repair.rows().isEmpty());

        // A copy of another location than the batch's.
        repair.fee.clear();
        QVERIFY(lib.copy(u"P7"_qs, u"M1"_qs, u"B0007"_qs, u"L2"_qs, u"41"_qs));
        QCOMPARE(repair.enter(u"B0007"_qs), DealProcess::Outcome::Refused);
        QVERIFY(prompter.lastText().contains(u"外文书库"_qs));
        // No batch chosen yet.
        BookDeal none(lib.f.context(), BarcodeSettings{}, u"01"_qs);
        QCOMPARE(none.enter(u"B0001"_qs), DealProcess::Outcome::Refused);
        QCOMPARE(lib.status(u"P7"_qs), u"41"_qs);
        QVERIFY(prompter.done());
    }

    void lostCopyFoundAgainKeepsItsNewStatus_data() { addBackendRows(); }
    void lostCopyFoundAgainKeepsItsNewStatus()
    {
        BATCH_LIB(lib, repair, "01", "R1");
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET book_stat_code='38' WHERE prop_no='P1'"_qs));
        QVERIFY(lib.f.exec(u"UPDATE item SET book_stat_code='38' WHERE prop_no='P1'"_qs));
        const QString before = lib.state(u"P1"_qs);
        // "No" to QDC015, and a cancelled frmNormStat, leave it lost.
        repair.setNormStatChooser(chooser(u"41"_qs));
        prompter.answer(AnswerCancel);
        QCOMPARE(repair.enter(u"B0001"_qs), DealProcess::Outcome::Cancelled);
        QCOMPARE(prompter.lastText(), msg(lib, u"QDC015"_qs));
        repair.setNormStatChooser(chooser(std::nullopt));
        prompter.answer(AnswerOk);
        QCOMPARE(repair.enter(u"B0001"_qs), DealProcess::Outcome::Cancelled);
        QCOMPARE(lib.state(u"P1"_qs), before);

        repair.setNormStatChooser(chooser(u"41"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(repair.enter(u"B0001"_qs), DealProcess::Outcome::Added);
        QCOMPARE(lib.f.one(u"SELECT source_state FROM deal_log"_qs), u"41"_qs);
        QCOMPARE(lib.status(u"P1"_qs), u"33"_qs);
        // Cancelling the repair gives back 41, not 38.
        repair.model().setMarked(0, true);
        prompter.answer(AnswerOk);
        QCOMPARE(repair.cancelMarked().cancelled, 1);
        QCOMPARE(lib.status(u"P1"_qs), u"41"_qs);
        QCOMPARE(lib.itemStatus(u"P1"_qs), u"41"_qs);
        QCOMPARE(lib.count(u"deal_log"_qs), 0);
        QCOMPARE(lib.f.one(u"SELECT lendable_copies FROM marc WHERE marc_rec_no='M1'"_qs), u"2"_qs);
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30018'"_qs), 1);
        QVERIFY(repair.rows().isEmpty());
        QVERIFY(prompter.done());
    }

    void repairTakesCopiesFromOtherBatches_data() { addBackendRows(); }
    void repairTakesCopiesFromOtherBatches()
    {
        BATCH_LIB(lib, repair, "01", "R1");
        // P1 weeded (from 42) in W1; P2 weeded with no row; both 35.
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET book_stat_code='35' WHERE prop_no IN ('P1','P2')"_qs));
        QVERIFY(lib.dealRow(u"L1"_qs, u"W1"_qs, u"03"_qs, u"P1"_qs, u"42"_qs));
        prompter.answer(AnswerCancel);
        QCOMPARE(repair.enter(u"B0001"_qs), DealProcess::Outcome::Cancelled);
        QCOMPARE(prompter.lastText(), msg(lib, u"QDC002"_qs));
        QCOMPARE(lib.count(u"deal_log WHERE deal_type_code='03'"_qs), 1);
        prompter.answer(AnswerOk);
        QCOMPARE(repair.enter(u"B0001"_qs), DealProcess::Outcome::Added);
        QCOMPARE(lib.snapshot(u"SELECT deal_batch_no,source_state FROM deal_log"_qs), u"R1|42"_qs);
        prompter.answer(AnswerOk);
        QCOMPARE(repair.enter(u"B0002"_qs), DealProcess::Outcome::Refused);
        QCOMPARE(prompter.lastText(), msg(lib, u"EDC011"_qs));
        QCOMPARE(lib.status(u"P2"_qs), u"35"_qs);

        // P1 again, from batch R2: QDC008 moves it, with its status before
        // repair.
        BookDeal other(lib.f.context(), BarcodeSettings{}, u"01"_qs);
        QCOMPARE(other.selectBatch(u"L1"_qs, u"R2"_qs), 1);
        prompter.answer(AnswerCancel);
        QCOMPARE(other.enter(u"B0001"_qs), DealProcess::Outcome::Cancelled);
        QCOMPARE(prompter.lastText(), msg(lib, u"QDC008"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(other.enter(u"B0001"_qs), DealProcess::Outcome::Added);
        QCOMPARE(lib.snapshot(u"SELECT deal_batch_no,source_state FROM deal_log"_qs), u"R2|42"_qs);
        // Its old row is gone: cancelling it in R1 is refused.
        repair.model().setMarked(0, true);
        prompter.answer(AnswerOk);
        QCOMPARE(repair.cancelMarked().stopped, true);
        QCOMPARE(prompter.lastText(), msg(lib, u"EDC009"_qs));
        QCOMPARE(lib.status(u"P1"_qs), u"33"_qs);
        QVERIFY(prompter.done());
    }

    void arrivedReservationIsDropped_data() { addBackendRows(); }
    void arrivedReservationIsDropped()
    {
        BATCH_LIB(lib, repair, "01", "R1");
        QVERIFY(lib.reader(u"R1"_qs, u"1"_qs));
        QVERIFY(lib.f.exec(u"UPDATE item SET book_lend_flag='2' WHERE prop_no='P1'"_qs));
        QVERIFY(lib.f.exec(u"INSERT INTO preg_arri_lst (prop_no,cert_id,location_f) VALUES ('P1','R1','L1')"_qs));
        prompter.answer(AnswerCancel);
        QCOMPARE(repair.enter(u"B0001"_qs), DealProcess::Outcome::Cancelled);
        QCOMPARE(lib.count(u"preg_arri_lst"_qs), 1);
        prompter.answer(AnswerOk);
        QCOMPARE(repair.enter(u"B0001"_qs), DealProcess::Outcome::Added);
        QVERIFY(prompter.lastText().contains(u"未通知"_qs));
        QCOMPARE(lib.count(u"preg_arri_lst"_qs), 0);
        QCOMPARE(lib.lendFlag(u"P1"_qs), u"0"_qs);
        QVERIFY(prompter.done());
    }

    void weedingGiftAndExchange_data() { addBackendRows(); }
    void weedingGiftAndExchange()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        ScriptedPrompter &prompter = lib.f.prompter();
        QVERIFY(lib.copy(u"P8"_qs, u"M1"_qs, u"B0008"_qs, u"L1"_qs, u"42"_qs));
        const struct {
            const char *type, *batch, *code, *status, *job, *name;
        } kinds[] = {
            {"03", "W1", "B0001", "35", "308", "书刊剔旧"},
            {"04", "G1", "B0002", "36", "306", "书刊赠送"},
            {"05", "X1", "B0008", "37", "307", "书刊交换"},
        };
        for (const auto &k : kinds) {
            BookDeal form(lib.f.context(), BarcodeSettings{}, QString::fromLatin1(k.type));
            QCOMPARE(form.selectBatch(u"L1"_qs, QString::fromLatin1(k.batch)), 1);
            form.fee = u"abc"_qs; // no fee in these forms: not read
            QCOMPARE(form.enter(QString::fromLatin1(k.code)), DealProcess::Outcome::Added);
            const QString prop = form.rows().at(0).row.propNo;
            QCOMPARE(lib.status(prop), QString::fromLatin1(k.status));
            QCOMPARE(lib.count(QStringLiteral("deal_log WHERE fee IS NULL AND prop_no=") + sqlQuote(prop)), 1);
            QCOMPARE(lib.f.one(QStringLiteral("SELECT volume FROM wkr_job_qty WHERE job_type=") +
                               sqlQuote(QString::fromLatin1(k.job))),
                     u"1"_qs);
            QCOMPARE(lib.f.one(QStringLiteral("SELECT data1 FROM log_detl WHERE prop_no=") + sqlQuote(prop)),
                     QString::fromUtf8(k.name));
        }
        // A weeded copy goes into a gift batch without a question, keeping
        // its weeding row.
        BookDeal gift(lib.f.context(), BarcodeSettings{}, u"04"_qs);
        QCOMPARE(gift.selectBatch(u"L1"_qs, u"G1"_qs), 1);
        QCOMPARE(gift.enter(u"B0001"_qs), DealProcess::Outcome::Added);
        QCOMPARE(lib.f.one(u"SELECT source_state FROM deal_log WHERE deal_type_code='04' AND prop_no='P1'"_qs),
                 u"35"_qs);
        QCOMPARE(lib.count(u"deal_log WHERE deal_type_code='03'"_qs), 1);
        QVERIFY(prompter.shown().isEmpty());
    }

    void weedingARepairedCopyKeepsItsStatusBeforeRepair_data() { addBackendRows(); }
    void weedingARepairedCopyKeepsItsStatusBeforeRepair()
    {
        BATCH_LIB(lib, weeding, "03", "W1");
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET book_stat_code='33' WHERE prop_no='P1'"_qs));
        QVERIFY(lib.dealRow(u"L1"_qs, u"R1"_qs, u"01"_qs, u"P1"_qs, u"42"_qs));
        prompter.answer(AnswerCancel);
        QCOMPARE(weeding.enter(u"B0001"_qs), DealProcess::Outcome::Cancelled);
        QCOMPARE(prompter.lastText(), msg(lib, u"QDC007"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(weeding.enter(u"B0001"_qs), DealProcess::Outcome::Added);
        QCOMPARE(lib.snapshot(u"SELECT deal_batch_no,deal_type_code,source_state FROM deal_log"_qs), u"W1|03|42"_qs);
        // Cancelled, it goes back to 42, not to 33 under no repair row.
        weeding.model().setMarked(0, true);
        prompter.answer(AnswerOk);
        QCOMPARE(weeding.cancelMarked().cancelled, 1);
        QCOMPARE(lib.status(u"P1"_qs), u"42"_qs);
        QVERIFY(prompter.done());
    }

    void cancelStopsAtACopyChangedElsewhere_data() { addBackendRows(); }
    void cancelStopsAtACopyChangedElsewhere()
    {
        BATCH_LIB(lib, repair, "01", "R1");
        QCOMPARE(repair.enter(u"B0001"_qs), DealProcess::Outcome::Added);
        QCOMPARE(repair.enter(u"B0002"_qs), DealProcess::Outcome::Added);
        repair.model().markAll();
        // "No" to the confirmation changes nothing.
        prompter.answer(AnswerCancel);
        QCOMPARE(repair.cancelMarked().cancelled, 0);
        QCOMPARE(lib.count(u"deal_log"_qs), 2);
        // A second operator puts P2 back on the shelf meanwhile: the run
        // meets it first (bottom up) and stops there.
        auto other = lib.secondOperator(u"W002"_qs);
        QVERIFY(other);
        QCOMPARE(other->context().db().execute(u"UPDATE indi_acct SET book_stat_code='42' WHERE prop_no='P2'"_qs), 0);
        prompter.answer(AnswerOk);
        const DealProcess::CancelResult r = repair.cancelMarked();
        QCOMPARE(r.cancelled, 0);
        QVERIFY(r.stopped);
        QCOMPARE(prompter.lastText(), msg(lib, u"EDC009"_qs));
        QCOMPARE(lib.status(u"P2"_qs), u"42"_qs);
        QCOMPARE(lib.status(u"P1"_qs), u"33"_qs);
        QCOMPARE(repair.rows().size(), 2);
        QVERIFY(prompter.done());
    }

    void amendMarkedRows_data() { addBackendRows(); }
    void amendMarkedRows()
    {
        BATCH_LIB(lib, repair, "01", "R1");
        repair.remark = u"旧"_qs;
        QCOMPARE(repair.enter(u"B0001"_qs), DealProcess::Outcome::Added);
        QCOMPARE(repair.enter(u"B0002"_qs), DealProcess::Outcome::Added);
        repair.model().setMarked(1, true);
        repair.fee = u"x1"_qs;
        QCOMPARE(repair.amendMarked(), 0);
        repair.fee = u"8"_qs;
        repair.target = u"外包"_qs;
        repair.remark = u"改'过"_qs;
        QCOMPARE(repair.amendMarked(), 1);
        QCOMPARE(lib.snapshot(u"SELECT prop_no,book_target,remark FROM deal_log ORDER BY prop_no"_qs),
                 u"P1||旧\nP2|外包|改'过"_qs);
        QCOMPARE(fee(lib, "P1"), 0.0);
        QCOMPARE(fee(lib, "P2"), 8.0);
        QCOMPARE(repair.rows().at(1).target, u"外包"_qs);
        QCOMPARE(lib.f.one(u"SELECT volume FROM wkr_job_qty WHERE job_type='302'"_qs), u"3"_qs);
    }

    void importAScannerFile_data() { addBackendRows(); }
    void importAScannerFile()
    {
        BATCH_LIB(lib, weeding, "03", "W1");
        QTemporaryDir dir;
        const QString path = dir.filePath(u"codes.txt"_qs);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("B0001\r\nNOSUCH\r\n\r\nB0003\r\nB0002\r\n");
        file.close();
        const ImportReport r = weeding.importFile(path);
        QCOMPARE(r.codes, 4);
        QCOMPARE(r.done, 2);
        QCOMPARE(r.refused.size(), 2);
        QCOMPARE(lib.count(u"indi_acct WHERE book_stat_code='35'"_qs), 2);
        QCOMPARE(weeding.rows().size(), 2);
    }
};

KESTRA_TEST(BookDealTest)
#include "BookDealTest.moc"
