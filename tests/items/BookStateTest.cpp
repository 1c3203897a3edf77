// The status change on SQLite and PostgreSQL: every check and question of a
// single copy, what a change writes (copy, circulation row, catalogue flag,
// lendable count, workload, operation log), the undo with a second operator
// in between, the change by location, the import file, and the rollback of a
// change whose last statement fails.

#include "items/BookState.h"
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

// Two titles, copies in the states the tests need; P1 and P2 circulate.
bool seed(CopyTestLib &lib)
{
    return lib.record(QStringLiteral("M1"), QStringLiteral("红楼梦")) &&
           lib.record(QStringLiteral("M2"), QStringLiteral("O'Neill 戏剧集"), QStringLiteral("O'Neill")) &&
           lib.copy(QStringLiteral("P1"), QStringLiteral("M1"), QStringLiteral("B0001"), QStringLiteral("L1"),
                    QStringLiteral("41")) &&
           lib.item(QStringLiteral("P1")) &&
           lib.copy(QStringLiteral("P2"), QStringLiteral("M1"), QStringLiteral("B0002"), QStringLiteral("L1"),
                    QStringLiteral("41")) &&
           lib.item(QStringLiteral("P2")) &&
           lib.copy(QStringLiteral("P3"), QStringLiteral("M2"), QStringLiteral("B0003"), QStringLiteral("L2"),
                    QStringLiteral("17")) &&
           lib.f.exec(QStringLiteral("UPDATE marc SET lendable_copies=2 WHERE marc_rec_no='M1'"));
}

// Reader R1's reservations at L1: P2 has arrived for R1 (and is flagged so
// on its circulation row), and R1 waits for another copy of I247.5/1.
bool reserveAtL1(CopyTestLib &lib)
{
    return lib.reader(u"R1"_qs, u"1"_qs) && lib.f.exec(u"UPDATE item SET book_lend_flag='2' WHERE prop_no='P2'"_qs) &&
           lib.f.exec(u"INSERT INTO preg_arri_lst (prop_no,cert_id,location_f) VALUES ('P2','R1','L1')"_qs) &&
           lib.callNumber(u"I247.5/1"_qs, u"M1"_qs) && lib.reservation(u"Y1"_qs, u"R1"_qs, u"I247.5/1"_qs, u"L1"_qs);
}

#define SEEDED_LIB(lib)                                                                                                \
    OPEN_LIB(lib);                                                                                                     \
    QVERIFY(seed(lib));                                                                                                \
    BookState state(lib.f.context(), BarcodeSettings{});                                                               \
    ScriptedPrompter &prompter = lib.f.prompter();                                                                     \
    Q_UNUSED(prompter)

} // namespace

class BookStateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void changeWritesCopyItemFlagAndLogs_data() { addBackendRows(); }
    void changeWritesCopyItemFlagAndLogs()
    {
        SEEDED_LIB(lib);
        state.setNewStatus(QStringLiteral("42"));
        state.setOpac(false);
        // Lower case is found: the scanner's case does not matter.
        QCOMPARE(state.enter(QStringLiteral(" b0001 ")).outcome(), StepOutcome::Done);
        QCOMPARE(lib.status(QStringLiteral("P1")), QStringLiteral("42"));
        QCOMPARE(lib.itemStatus(QStringLiteral("P1")), QStringLiteral("42"));
        QCOMPARE(lib.lendFlag(QStringLiteral("P1")), QStringLiteral("0"));
        QCOMPARE(lib.opac(QStringLiteral("P1")), QStringLiteral("0"));
        const QString today = lib.today();
        QCOMPARE(lib.f.one(u"SELECT rec_flag_upt_date||'/'||resp_wkr FROM indi_acct WHERE prop_no='P1'"_qs),
                 today + QStringLiteral("/W001"));
        QCOMPARE(lib.f.one(u"SELECT rec_flag_upt_date||'/'||resp_wkr FROM item WHERE prop_no='P1'"_qs),
                 today + QStringLiteral("/W001"));
        QCOMPARE(lib.f.one(u"SELECT lendable_copies FROM marc WHERE marc_rec_no='M1'"_qs), QStringLiteral("1"));
        QCOMPARE(lib.snapshot(u"SELECT wkr_no_f,job_type,kind,volume FROM wkr_job_qty"_qs), u"W001|310|1|1"_qs);
        QCOMPARE(lib.snapshot(u"SELECT log_type,wkr_no,computer,location_name,marc_rec_no,prop_no,data1,data2 "
                              "FROM log_detl WHERE log_type='30019'"_qs),
                 u"30019|W001|PC-DESK1|中文图书库|M1|P1|可借|非可借"_qs);
        QCOMPARE(state.rows().size(), 1);
        QCOMPARE(state.rows().at(0).row.status, QStringLiteral("41"));
        QCOMPARE(state.rows().at(0).newStatus, QStringLiteral("42"));
        QCOMPARE(state.rows().at(0).row.title, QStringLiteral("红楼梦"));

        // A copy in 17 (handed over, no circulation row) is changed in
        // indi_acct alone, by its accession number; "不变" keeps its status
        // and sets only the catalogue flag.
        state.entry().setInputType(InputType::Accession);
        state.setNewStatus(QString(book_state::Unchanged));
        state.setOpac(true);
        lib.f.exec(u"UPDATE indi_acct SET indi_opac_flag='0' WHERE prop_no='P3'"_qs);
        QCOMPARE(state.enter(QStringLiteral("p3")).outcome(), StepOutcome::Done);
        QCOMPARE(lib.status(QStringLiteral("P3")), QStringLiteral("17"));
        QCOMPARE(lib.opac(QStringLiteral("P3")), QStringLiteral("1"));
        QCOMPARE(lib.count(u"item WHERE prop_no='P3'"_qs), 0);
        QCOMPARE(lib.f.one(u"SELECT volume FROM wkr_job_qty WHERE job_type='310'"_qs), QStringLiteral("2"));
        QVERIFY(prompter.shown().isEmpty());
        QVERIFY(prompter.done());
    }

    void refusalsChangeNothing_data() { addBackendRows(); }
    void refusalsChangeNothing()
    {
        SEEDED_LIB(lib);
        QVERIFY(lib.copy(u"C'1"_qs, u"M1"_qs, u"条码'一"_qs, u"L1"_qs, u"13"_qs));
        QVERIFY(lib.copy(u"ORPHAN"_qs, QString(), u"B0404"_qs, u"L1"_qs, u"41"_qs));
        for (const char *s : {"11", "12", "14", "15", "16"})
            QVERIFY(lib.copy(QStringLiteral("Q") + QLatin1String(s), u"M1"_qs, QStringLiteral("BQ") + QLatin1String(s),
                             u"L1"_qs, QLatin1String(s)));
        const QString before = lib.state(u"P1"_qs);
        state.setNewStatus(u"42"_qs);

        QCOMPARE(state.enter(u"NOSUCH"_qs).outcome(), StepOutcome::Refused);
        QCOMPARE(prompter.lastText(), u"该条码号不存在"_qs);
        QCOMPARE(state.enter(u"B'0001' OR '1'='1"_qs).outcome(), StepOutcome::Refused);
        QCOMPARE(state.enter(u"B0404"_qs).outcome(), StepOutcome::Refused); // its record is missing
        QCOMPARE(prompter.lastText(), u"该条码号不存在"_qs);
        // Apostrophes and Chinese are data: this copy is found, and refused
        // because it is still in acceptance (13).
        QCOMPARE(state.enter(u"条码'一"_qs).outcome(), StepOutcome::Refused);
        QCOMPARE(prompter.lastText(), msg(lib, u"EDC024"_qs));
        for (const char *s : {"11", "12", "14", "15", "16"}) {
            prompter.clear();
            QCOMPARE(state.enter(QStringLiteral("BQ") + QLatin1String(s)).outcome(), StepOutcome::Refused);
            QCOMPARE(prompter.lastText(), msg(lib, u"EDC024"_qs));
        }
        state.entry().setInputType(InputType::Accession);
        QCOMPARE(state.enter(u"P404"_qs).outcome(), StepOutcome::Refused);
        QCOMPARE(prompter.lastText(), u"该财产号不存在"_qs);
        QCOMPARE(state.enter(u"   "_qs).isEmpty(), true);

        QCOMPARE(lib.state(u"P1"_qs), before);
        QCOMPARE(lib.count(u"indi_acct WHERE book_stat_code='42'"_qs), 0);
        QVERIFY(state.rows().isEmpty());
        QVERIFY(prompter.done());
    }

    void copySearchGivesTheCopy_data() { addBackendRows(); }
    void copySearchGivesTheCopy()
    {
        SEEDED_LIB(lib);
        QStringList asked;
        std::optional<QString> answer = u"P2"_qs;
        const CopyPicker search = [&](const QString &location) {
            asked.append(location);
            return answer;
        };
        // The copy comes back by its accession number whatever the input
        // type, so that a copy without a barcode can be found too.
        state.setNewStatus(u"44"_qs);
        QCOMPARE(state.searchAndEnter(search).outcome(), StepOutcome::Done);
        QCOMPARE(lib.status(u"P2"_qs), u"44"_qs);
        QCOMPARE(state.rows().size(), 1);
        answer.reset();
        QCOMPARE(state.searchAndEnter(search).isEmpty(), true);
        QCOMPARE(asked, (QStringList{u"All"_qs, u"All"_qs}));
        QCOMPARE(state.searchAndEnter(CopyPicker{}).isEmpty(), true);
        QVERIFY(prompter.shown().isEmpty());
    }

    void aCopyOutsideTheOperatorsLocations_data() { addBackendRows(); }
    void aCopyOutsideTheOperatorsLocations()
    {
        // The status change is a supervisor's command of its own right: it
        // does not ask for the right on the copy's location, even with
        // locations restricted per operator.
        SEEDED_LIB(lib);
        QVERIFY(lib.f.setParam(u"47"_qs, u"1"_qs) && lib.reload());
        QVERIFY(!lib.f.context().codes().checkLocationRight(u"L9"_qs));
        prompter.clear();
        QVERIFY(lib.copy(u"P9"_qs, u"M1"_qs, u"B0009"_qs, u"L9"_qs, u"42"_qs));
        QCOMPARE(state.enter(u"B0009"_qs).outcome(), StepOutcome::Done);
        QCOMPARE(lib.status(u"P9"_qs), u"41"_qs);
        QVERIFY(prompter.shown().isEmpty());
    }

    void lostAndPaidNeedsTheClaimClosed_data() { addBackendRows(); }
    void lostAndPaidNeedsTheClaimClosed()
    {
        SEEDED_LIB(lib);
        QVERIFY(lib.copy(u"P39"_qs, u"M1"_qs, u"B0039"_qs, u"L1"_qs, u"39"_qs));
        QVERIFY(lib.reader(u"R1"_qs, u"1"_qs) && lib.reader(u"R0"_qs, u"0"_qs));
        QVERIFY(lib.f.exec(u"INSERT INTO lost_recoup_lst (prop_no,cert_id,recoup_type) VALUES ('P39','R1','2')"_qs));
        QCOMPARE(state.enter(u"B0039"_qs).outcome(), StepOutcome::Refused);
        QCOMPARE(prompter.lastText(), msg(lib, u"EDC005"_qs));
        QCOMPARE(lib.status(u"P39"_qs), u"39"_qs);
        // A claim paid in money (type 1), or owed by a deleted reader, no
        // longer holds the copy.
        QVERIFY(lib.f.exec(u"UPDATE lost_recoup_lst SET recoup_type='1'"_qs));
        QVERIFY(lib.f.exec(u"INSERT INTO lost_recoup_lst (prop_no,cert_id,recoup_type) VALUES ('P39','R0','2')"_qs));
        QCOMPARE(state.enter(u"B0039"_qs).outcome(), StepOutcome::Done);
        QCOMPARE(lib.status(u"P39"_qs), u"41"_qs);
    }

    void arrivedReservationAsks_data() { addBackendRows(); }
    void arrivedReservationAsks()
    {
        SEEDED_LIB(lib);
        QVERIFY(lib.reader(u"R1"_qs, u"1"_qs));
        QVERIFY(lib.f.exec(u"UPDATE item SET book_lend_flag='2'"_qs));
        QVERIFY(lib.f.exec(u"INSERT INTO preg_arri_lst (prop_no,cert_id,location_f,noti_send_date) "
                           "VALUES ('P1','R1','L1','2026-03-01')"_qs));
        QVERIFY(lib.f.exec(u"INSERT INTO preg_arri_lst (prop_no,cert_id,location_f) VALUES ('P2','R1','L1')"_qs));
        const QString before = lib.state(u"P1"_qs);

        // Changed to 41 the copy stays reserved: no question.
        QCOMPARE(state.enter(u"B0001"_qs).outcome(), StepOutcome::Done);
        QCOMPARE(lib.lendFlag(u"P1"_qs), u"2"_qs);
        QCOMPARE(lib.count(u"preg_arri_lst WHERE prop_no='P1'"_qs), 1);
        QVERIFY(prompter.shown().isEmpty());

        state.setNewStatus(u"3C"_qs);
        prompter.answer(AnswerCancel);
        QCOMPARE(state.enter(u"B0001"_qs).outcome(), StepOutcome::Declined);
        QVERIFY(prompter.lastText().contains(u"已通知"_qs));
        QCOMPARE(lib.status(u"P1"_qs), u"41"_qs);
        QCOMPARE(lib.count(u"preg_arri_lst WHERE prop_no='P1'"_qs), 1);

        prompter.answer(AnswerOk);
        QCOMPARE(state.enter(u"B0001"_qs).outcome(), StepOutcome::Done);
        QCOMPARE(lib.status(u"P1"_qs), u"3C"_qs);
        QCOMPARE(lib.itemStatus(u"P1"_qs), u"3C"_qs);
        QCOMPARE(lib.lendFlag(u"P1"_qs), u"0"_qs);
        QCOMPARE(lib.count(u"preg_arri_lst WHERE prop_no='P1'"_qs), 0);

        // Not yet notified: the question says so.
        prompter.answer(AnswerOk);
        QCOMPARE(state.enter(u"B0002"_qs).outcome(), StepOutcome::Done);
        QVERIFY(prompter.lastText().contains(u"未通知"_qs));
        QCOMPARE(lib.count(u"preg_arri_lst"_qs), 0);
        QVERIFY(before != lib.state(u"P1"_qs));
        QVERIFY(prompter.done());
    }

    void takingBackWeededGivenExchanged_data() { addBackendRows(); }
    void takingBackWeededGivenExchanged()
    {
        SEEDED_LIB(lib);
        struct Case {
            const char *status;
            const char *type;
            const char *question;
        };
        const Case cases[] = {{"35", "03", "QDC002"}, {"36", "04", "QDC005"}, {"37", "05", "QDC006"}};
        for (const Case &c : cases) {
            const QString prop = QStringLiteral("W") + QLatin1String(c.status);
            QVERIFY(lib.copy(prop, u"M1"_qs, prop, u"L1"_qs, QLatin1String(c.status)));
            QVERIFY(lib.dealRow(u"L1"_qs, u"T1"_qs, QLatin1String(c.type), prop));
            // A newer row of another processing type is not the one taken back.
            QVERIFY(lib.dealRow(u"L2"_qs, u"X9"_qs, u"01"_qs, prop));
            const QString before = lib.state(prop);
            prompter.answer(AnswerCancel);
            QCOMPARE(state.enter(prop).outcome(), StepOutcome::Declined);
            QCOMPARE(prompter.lastText(), msg(lib, QLatin1String(c.question)));
            QCOMPARE(lib.state(prop), before);
            prompter.answer(AnswerOk);
            QCOMPARE(state.enter(prop).outcome(), StepOutcome::Done);
            QCOMPARE(lib.status(prop), u"41"_qs);
            QCOMPARE(
                lib.snapshot(QStringLiteral("SELECT deal_type_code FROM deal_log WHERE prop_no=") + sqlQuote(prop)),
                u"01"_qs);
        }
        QVERIFY(prompter.done());
    }

    void aCopyKeepingItsStatusKeepsItsProcessingRow_data() { addBackendRows(); }
    void aCopyKeepingItsStatusKeepsItsProcessingRow()
    {
        // Hidden from the catalogue with "不变", or set to the status it has,
        // a weeded or repaired copy stays in its batch: no question, and its
        // row is still there for the batch's undo or a transfer.
        SEEDED_LIB(lib);
        QVERIFY(lib.copy(u"W35"_qs, u"M1"_qs, u"BW35"_qs, u"L1"_qs, u"35"_qs));
        QVERIFY(lib.dealRow(u"L1"_qs, u"T1"_qs, u"03"_qs, u"W35"_qs));
        QVERIFY(lib.copy(u"R33"_qs, u"M1"_qs, u"BR33"_qs, u"L1"_qs, u"33"_qs));
        QVERIFY(lib.dealRow(u"L1"_qs, u"X1"_qs, u"01"_qs, u"R33"_qs));
        state.setNewStatus(QString(book_state::Unchanged));
        state.setOpac(false);
        QCOMPARE(state.enter(u"BW35"_qs).outcome(), StepOutcome::Done);
        QCOMPARE(state.enter(u"BR33"_qs).outcome(), StepOutcome::Done);
        state.setNewStatus(u"33"_qs);
        QCOMPARE(state.enter(u"BR33"_qs).outcome(), StepOutcome::Done);
        QVERIFY(prompter.shown().isEmpty());
        QCOMPARE(lib.snapshot(u"SELECT prop_no,book_stat_code,indi_opac_flag FROM indi_acct "
                              "WHERE prop_no IN ('W35','R33') ORDER BY prop_no"_qs),
                 u"R33|33|0\nW35|35|0"_qs);
        QCOMPARE(lib.snapshot(u"SELECT prop_no,deal_type_code FROM deal_log ORDER BY prop_no"_qs),
                 u"R33|01\nW35|03"_qs);
    }

    void repairRowAtTheCopysLocation_data() { addBackendRows(); }
    void repairRowAtTheCopysLocation()
    {
        SEEDED_LIB(lib);
        QVERIFY(lib.copy(u"R1"_qs, u"M1"_qs, u"BR1"_qs, u"L1"_qs, u"33"_qs));
        QVERIFY(lib.copy(u"R2"_qs, u"M1"_qs, u"BR2"_qs, u"L1"_qs, u"33"_qs));
        QVERIFY(lib.dealRow(u"L1"_qs, u"X1"_qs, u"01"_qs, u"R1"_qs));
        QVERIFY(lib.dealRow(u"L1"_qs, u"X1"_qs, u"02"_qs, u"R1"_qs));
        QVERIFY(lib.dealRow(u"L1"_qs, u"X2"_qs, u"01"_qs, u"R1"_qs)); // the newest, and the one removed
        QVERIFY(lib.dealRow(u"L2"_qs, u"X3"_qs, u"01"_qs, u"R2"_qs)); // another location: no question

        prompter.answer(AnswerCancel);
        QCOMPARE(state.enter(u"BR1"_qs).outcome(), StepOutcome::Declined);
        QCOMPARE(prompter.lastText(), msg(lib, u"QDC007"_qs));
        QCOMPARE(lib.count(u"deal_log WHERE prop_no='R1'"_qs), 3);
        prompter.answer(AnswerOk);
        QCOMPARE(state.enter(u"BR1"_qs).outcome(), StepOutcome::Done);
        QCOMPARE(lib.snapshot(u"SELECT deal_batch_no,deal_type_code FROM deal_log WHERE prop_no='R1' "
                              "ORDER BY deal_no"_qs),
                 u"X1|01\nX1|02"_qs);
        prompter.clear();
        QCOMPARE(state.enter(u"BR2"_qs).outcome(), StepOutcome::Done);
        QVERIFY(prompter.shown().isEmpty());
        QCOMPARE(lib.count(u"deal_log WHERE prop_no='R2'"_qs), 1);
        QVERIFY(prompter.done());
    }

    void failingLastStatementRollsTheCopyBack_data() { addBackendRows(); }
    void failingLastStatementRollsTheCopyBack()
    {
        SEEDED_LIB(lib);
        // A weeded copy with a reservation waiting: the change removes the
        // reservation and the weeding row, changes both rows of the copy,
        // the lendable count and the workload before the log line fails.
        QVERIFY(lib.copy(u"W1"_qs, u"M1"_qs, u"BW1"_qs, u"L1"_qs, u"35"_qs));
        QVERIFY(lib.item(u"W1"_qs, u"2"_qs));
        QVERIFY(lib.reader(u"R1"_qs, u"1"_qs));
        QVERIFY(lib.f.exec(u"INSERT INTO preg_arri_lst (prop_no,cert_id,location_f) VALUES ('W1','R1','L1')"_qs));
        QVERIFY(lib.dealRow(u"L1"_qs, u"T1"_qs, u"03"_qs, u"W1"_qs));
        QVERIFY(lib.f.db().callProc(u"XT_wkr_job_qty '310','W001',5,5,0"_qs) == 0);
        QVERIFY(lib.failLogCode("30019"));
        const QString before = lib.state(u"W1"_qs);

        state.setNewStatus(u"42"_qs);
        prompter.answer(AnswerOk).answer(AnswerOk);
        QCOMPARE(state.enter(u"BW1"_qs).outcome(), StepOutcome::Failed);
        QCOMPARE(prompter.shown().last().kind, QChar(u'E'));
        QCOMPARE(lib.state(u"W1"_qs), before);
        QVERIFY(state.rows().isEmpty());
        QVERIFY(!lib.f.db().inTransaction());
        // The session goes on: the next copy changes normally once the log
        // accepts its line again.
        QVERIFY(lib.f.exec(u"DROP TABLE log_detl"_qs));
        QVERIFY(lib.f.exec(u"ALTER TABLE log_detl_real RENAME TO log_detl"_qs));
        QCOMPARE(state.enter(u"B0002"_qs).outcome(), StepOutcome::Done);
        QVERIFY(prompter.done());
    }

    void undoStopsAtACopyChangedSince_data() { addBackendRows(); }
    void undoStopsAtACopyChangedSince()
    {
        SEEDED_LIB(lib);
        QVERIFY(lib.copy(u"P4"_qs, u"M1"_qs, u"B0004"_qs, u"L1"_qs, u"42"_qs, u"I247.5/1"_qs, u"0"_qs));
        state.setNewStatus(u"38"_qs);
        for (const char *code : {"B0001", "B0002", "B0004"})
            QCOMPARE(state.enter(QLatin1String(code)).outcome(), StepOutcome::Done);
        QCOMPARE(lib.f.one(u"SELECT lendable_copies FROM marc WHERE marc_rec_no='M1'"_qs), u"0"_qs);

        // Another operator, at another workstation, finds P2 and sets it to
        // 43 in between.
        auto other = lib.secondOperator(u"W002"_qs);
        QVERIFY(other != nullptr);
        {
            BookState second(other->context(), BarcodeSettings{});
            second.setNewStatus(u"43"_qs);
            QCOMPARE(second.enter(u"B0002"_qs).outcome(), StepOutcome::Done);
        }

        state.markAll();
        const ScanReport undo = state.undoMarked();
        QCOMPARE(undo.done, 1);
        QVERIFY(undo.stopped);
        QCOMPARE(prompter.lastText(), msg(lib, u"EDC009"_qs));
        // P4 (the last row) is back as it was, flag included; P2 keeps the
        // other operator's status and P1, above it, was never reached.
        QCOMPARE(lib.status(u"P4"_qs), u"42"_qs);
        QCOMPARE(lib.opac(u"P4"_qs), u"0"_qs);
        QCOMPARE(lib.status(u"P2"_qs), u"43"_qs);
        QCOMPARE(lib.status(u"P1"_qs), u"38"_qs);
        QCOMPARE(state.rows().size(), 2);

        // Undo of P1 alone: its circulation row and the title's lendable
        // count follow, stamped with today and the operator.
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET rec_flag_upt_date='2000-01-01' WHERE prop_no='P1'"_qs) &&
                lib.f.exec(u"UPDATE item SET rec_flag_upt_date='2000-01-01',resp_wkr='W000' WHERE prop_no='P1'"_qs));
        state.setMarked(1, false);
        QCOMPARE(state.undoMarked().done, 1);
        QCOMPARE(lib.f.one(u"SELECT rec_flag_upt_date FROM indi_acct WHERE prop_no='P1'"_qs), lib.today());
        QCOMPARE(lib.f.one(u"SELECT rec_flag_upt_date||'/'||resp_wkr FROM item WHERE prop_no='P1'"_qs),
                 lib.today() + u"/W001"_qs);
        QCOMPARE(lib.status(u"P1"_qs), u"41"_qs);
        QCOMPARE(lib.itemStatus(u"P1"_qs), u"41"_qs);
        QCOMPARE(lib.f.one(u"SELECT lendable_copies FROM marc WHERE marc_rec_no='M1'"_qs), u"1"_qs);
        QCOMPARE(state.rows().size(), 1);

        // A copy deleted meanwhile: EDC001.
        QVERIFY(lib.f.exec(u"DELETE FROM log_detl"_qs) && lib.f.exec(u"DELETE FROM item WHERE prop_no='P2'"_qs) &&
                lib.f.exec(u"DELETE FROM indi_acct WHERE prop_no='P2'"_qs));
        state.markAll();
        QVERIFY(state.undoMarked().stopped);
        QCOMPARE(prompter.lastText(), msg(lib, u"EDC001"_qs));
        QVERIFY(prompter.done());
    }

    void changeByLocation_data() { addBackendRows(); }
    void changeByLocation()
    {
        SEEDED_LIB(lib);
        // L1: P1, P2 (circulating) and P5 in 42; P6 in 41; L2: P7 in 42.
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET book_stat_code='42' WHERE prop_no IN ('P1','P2')"_qs) &&
                lib.f.exec(u"UPDATE item SET book_stat_code='42'"_qs));
        QVERIFY(lib.copy(u"P5"_qs, u"M2"_qs, u"B0005"_qs, u"L1"_qs, u"42"_qs, u"K825/9"_qs, u"0"_qs));
        QVERIFY(lib.copy(u"P6"_qs, u"M2"_qs, u"B0006"_qs, u"L1"_qs, u"41"_qs, u"K825/9"_qs, u"0"_qs));
        QVERIFY(lib.copy(u"P7"_qs, u"M2"_qs, u"B0007"_qs, u"L2"_qs, u"42"_qs, u"K825/9"_qs, u"0"_qs));
        QVERIFY(reserveAtL1(lib));
        QVERIFY(lib.callNumber(u"K825/9"_qs, u"M2"_qs) && lib.reservation(u"Y2"_qs, u"R1"_qs, u"K825/9"_qs, u"L2"_qs));

        state.setMode(BookState::Mode::ByLocation);
        state.setLocation(u"L1"_qs);
        state.setSourceStatus(u"42"_qs);
        state.setNewStatus(u"41"_qs);

        // Declined, then a status nobody has at the location.
        prompter.answer(AnswerCancel);
        QCOMPARE(state.changeByLocation(), 0);
        QCOMPARE(lib.count(u"indi_acct WHERE book_stat_code='42'"_qs), 4);
        state.setSourceStatus(u"45"_qs);
        prompter.answer(AnswerOk);
        QCOMPARE(state.changeByLocation(), 0);
        QCOMPARE(prompter.lastText(), u"该馆藏地无可修改书刊状态书刊。"_qs);

        // "不变" changes only the flag: the reservations stay.
        state.setSourceStatus(u"42"_qs);
        state.setNewStatus(QString(book_state::Unchanged));
        state.setOpac(true);
        prompter.answer(AnswerOk);
        QCOMPARE(state.changeByLocation(), 3);
        QCOMPARE(lib.count(u"indi_acct WHERE dis_location='L1' AND book_stat_code='42' AND indi_opac_flag='1'"_qs), 3);
        QCOMPARE(lib.count(u"preg_arri_lst"_qs) + lib.count(u"preg_lst"_qs), 3);
        QCOMPARE(lib.opac(u"P6"_qs), u"0"_qs);

        state.setNewStatus(u"41"_qs);
        state.setOpac(false);
        prompter.answer(AnswerOk);
        const int before = prompter.progressSteps();
        QCOMPARE(state.changeByLocation(), 3);
        QVERIFY(prompter.progressSteps() > before);
        QCOMPARE(prompter.lastText(), u"3本书刊修改书刊状态完成。"_qs);
        QCOMPARE(lib.count(u"indi_acct WHERE dis_location='L1' AND book_stat_code='41' AND indi_opac_flag='0'"_qs), 4);
        QCOMPARE(lib.snapshot(u"SELECT prop_no,book_stat_code,book_lend_flag FROM item ORDER BY prop_no"_qs),
                 u"P1|41|0\nP2|41|0"_qs);
        QCOMPARE(lib.status(u"P7"_qs), u"42"_qs);
        QCOMPARE(lib.count(u"preg_arri_lst"_qs), 0);
        QCOMPARE(lib.snapshot(u"SELECT preg_no FROM preg_lst"_qs), u"Y2"_qs);
        QCOMPARE(lib.snapshot(u"SELECT marc_rec_no,lendable_copies FROM marc ORDER BY marc_rec_no"_qs),
                 u"M1|2\nM2|2"_qs);
        QCOMPARE(lib.snapshot(u"SELECT job_type,kind,volume FROM wkr_job_qty"_qs), u"310|6|6"_qs);
        QStringList logged =
            lib.snapshot(u"SELECT location_name,data1,data2,data3 FROM log_detl WHERE log_type='30020'"_qs)
                .split(u'\n');
        logged.sort();
        QCOMPARE(logged,
                 (QStringList{u"中文图书库|中文图书库|非可借|可借"_qs, u"中文图书库|中文图书库|非可借|非可借"_qs}));

        // Away from 41 the titles lose their lendable copies at L1 only.
        QVERIFY(lib.copy(u"P8"_qs, u"M2"_qs, u"B0008"_qs, u"L2"_qs, u"41"_qs));
        state.setSourceStatus(u"41"_qs);
        state.setNewStatus(u"42"_qs);
        prompter.answer(AnswerOk);
        QCOMPARE(state.changeByLocation(), 4);
        QCOMPARE(lib.snapshot(u"SELECT marc_rec_no,lendable_copies FROM marc ORDER BY marc_rec_no"_qs),
                 u"M1|0\nM2|1"_qs);
        QVERIFY(state.rows().isEmpty());
        QVERIFY(prompter.done());
    }

    void changeByLocationRollsBackAsAWhole_data() { addBackendRows(); }
    void changeByLocationRollsBackAsAWhole()
    {
        SEEDED_LIB(lib);
        QVERIFY(lib.failLogCode("30020"));
        const QString before = lib.snapshot(u"SELECT * FROM indi_acct ORDER BY prop_no"_qs) +
                               lib.snapshot(u"SELECT * FROM item ORDER BY prop_no"_qs) +
                               lib.snapshot(u"SELECT * FROM marc ORDER BY marc_rec_no"_qs) +
                               lib.snapshot(u"SELECT * FROM wkr_job_qty"_qs);
        state.setMode(BookState::Mode::ByLocation);
        state.setLocation(u"L1"_qs);
        state.setSourceStatus(u"41"_qs);
        state.setNewStatus(u"42"_qs);
        prompter.answer(AnswerOk);
        QCOMPARE(state.changeByLocation(), -1);
        QCOMPARE(prompter.shown().last().kind, QChar(u'E'));
        QCOMPARE(lib.snapshot(u"SELECT * FROM indi_acct ORDER BY prop_no"_qs) +
                     lib.snapshot(u"SELECT * FROM item ORDER BY prop_no"_qs) +
                     lib.snapshot(u"SELECT * FROM marc ORDER BY marc_rec_no"_qs) +
                     lib.snapshot(u"SELECT * FROM wkr_job_qty"_qs),
                 before);
        QVERIFY(prompter.done());
    }

    void importChangesEachCodeAsIfEntered_data() { addBackendRows(); }
    void importChangesEachCodeAsIfEntered()
    {
        // The reading of the file and the run are the kit's (tests/kit);
        // here: each code goes through the form's own checks and
        // questions, refusals come back as text, one box at the end.
        SEEDED_LIB(lib);
        QVERIFY(lib.copy(u"P9"_qs, u"M2"_qs, u"B0009"_qs, u"L2"_qs, u"14"_qs));
        QVERIFY(lib.copy(u"PA"_qs, u"M2"_qs, u"B000A"_qs, u"L2"_qs, u"35"_qs));
        QTemporaryDir dir;
        const QString path = dir.filePath(u"codes.txt"_qs);
        {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write("b0001\r\nB0002\r\nNOPE\r\nB0009\r\nB000A\r\n");
        }
        state.setNewStatus(u"43"_qs);
        prompter.answerFile(path).answer(AnswerCancel); // QDC002 for B000A: no
        const ScanReport r = state.importCodes();
        QCOMPARE(r.codes, 5);
        QCOMPARE(r.done, 2);
        QVERIFY(!r.stopped);
        QCOMPARE(r.reasons, (QStringList{u"NOPE：该条码号不存在"_qs, u"B0009："_qs + msg(lib, u"EDC024"_qs),
                                         u"B000A：未确认"_qs}));
        QCOMPARE(lib.count(u"indi_acct WHERE book_stat_code='43'"_qs), 2);
        QCOMPARE(lib.status(u"PA"_qs), u"35"_qs);
        QCOMPARE(state.rows().size(), 2);
        const QString summary = prompter.lastText();
        QVERIFY2(summary.startsWith(u"导入5个号码，修改2册书刊状态。"_qs), qPrintable(summary));
        QCOMPARE(prompter.shown().size(), 2); // the question and the summary
        QVERIFY(prompter.done());

        // Not while changing by location.
        state.setMode(BookState::Mode::ByLocation);
        QCOMPARE(state.importFile(path).codes, 0);
        QCOMPARE(prompter.shown().size(), 2);
    }

    void changeByLocationTouchesOnlyItsCopies_data() { addBackendRows(); }
    void changeByLocationTouchesOnlyItsCopies()
    {
        SEEDED_LIB(lib);
        // L1 in 41: P1, P2 (circulating) and PL (on loan); L2 in 41: P7 with
        // its circulation row at L2.
        QVERIFY(lib.copy(u"PL"_qs, u"M2"_qs, u"B000L"_qs, u"L1"_qs, u"41"_qs) && lib.item(u"PL"_qs, u"1"_qs));
        QVERIFY(lib.copy(u"P7"_qs, u"M2"_qs, u"B0007"_qs, u"L2"_qs, u"41"_qs) && lib.item(u"P7"_qs));
        QVERIFY(reserveAtL1(lib));
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET rec_flag_upt_date='2000-01-01',resp_wkr='W000'"_qs) &&
                lib.f.exec(u"UPDATE item SET rec_flag_upt_date='2000-01-01',resp_wkr='W000'"_qs));
        state.setMode(BookState::Mode::ByLocation);
        state.setLocation(u"L1"_qs);
        state.setSourceStatus(u"41"_qs);

        // The status it has already: like "不变", the reservations stay and
        // only the flag changes (stamped like every change).
        state.setNewStatus(u"41"_qs);
        state.setOpac(false);
        prompter.answer(AnswerOk);
        QCOMPARE(state.changeByLocation(), 3);
        QCOMPARE(lib.count(u"preg_arri_lst"_qs) + lib.count(u"preg_lst"_qs), 2);
        QCOMPARE(lib.lendFlag(u"P2"_qs), u"2"_qs);
        QCOMPARE(lib.count(u"indi_acct WHERE dis_location='L1' AND indi_opac_flag='0'"_qs), 3);
        QCOMPARE(lib.f.one(u"SELECT rec_flag_upt_date||'/'||resp_wkr FROM indi_acct WHERE prop_no='P1'"_qs),
                 lib.today() + u"/W001"_qs);

        state.setNewStatus(u"42"_qs);
        prompter.answer(AnswerOk);
        QCOMPARE(state.changeByLocation(), 3);
        const QString stamped = lib.today() + u"/W001"_qs;
        QCOMPARE(lib.snapshot(u"SELECT prop_no,book_stat_code,book_lend_flag,rec_flag_upt_date||'/'||resp_wkr "
                              "FROM item ORDER BY prop_no"_qs),
                 u"P1|42|0|"_qs + stamped + u"\nP2|42|0|"_qs + stamped + u"\nP7|41|0|2000-01-01/W000\nPL|42|1|"_qs +
                     stamped);
        QCOMPARE(lib.f.one(u"SELECT rec_flag_upt_date||'/'||resp_wkr FROM indi_acct WHERE prop_no='PL'"_qs), stamped);
        QCOMPARE(lib.status(u"P7"_qs), u"41"_qs);
        QCOMPARE(lib.count(u"preg_arri_lst"_qs) + lib.count(u"preg_lst"_qs), 0);
        QVERIFY(prompter.done());
    }
};

KESTRA_TEST(BookStateTest)
#include "BookStateTest.moc"
