// A reader's loans declared lost, on SQLite and PostgreSQL: every copy to
// 3B with its circulation row and lendable count, the card and the reader
// rows, the workload and the log line; all of it or nothing.

#include "items/BookLost2.h"
#include "items/CopyTestLib.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

// Reader R1 (card C1) has P1 and P2 of M1 on loan; R2 (card C2) has none.
bool seed(CopyTestLib &lib)
{
    return lib.record(u"M1"_qs, u"红楼梦"_qs) && lib.copy(u"P1"_qs, u"M1"_qs, u"B0001"_qs, u"L1"_qs, u"41"_qs) &&
           lib.item(u"P1"_qs, u"1"_qs) && lib.copy(u"P2"_qs, u"M1"_qs, u"B0002"_qs, u"L2"_qs, u"41"_qs) &&
           lib.item(u"P2"_qs, u"1"_qs) && lib.copy(u"P3"_qs, u"M1"_qs, u"B0003"_qs, u"L1"_qs, u"41"_qs) &&
           lib.f.exec(u"UPDATE marc SET lendable_copies=3"_qs) &&
           lib.f.exec(u"INSERT INTO reader (cert_id,name,redr_type_code,lend_grd,redr_flag,dept) VALUES "
                      "('R1','王''五','01','01','1','中文系')"_qs) &&
           lib.f.exec(u"INSERT INTO reader (cert_id,name,redr_type_code,lend_grd,redr_flag) VALUES "
                      "('R2','赵六','01','02','1')"_qs) &&
           lib.f.exec(u"INSERT INTO reader_cert (redr_cert_id,cert_id,cert_type,valid_date,deposit,cert_flag,remark) "
                      "VALUES ('C1','R1','01','2027-01-01',100,'1','第一张')"_qs) &&
           lib.f.exec(u"INSERT INTO reader_cert (redr_cert_id,cert_id,cert_flag) VALUES ('C2','R2','1')"_qs) &&
           lib.f.exec(u"INSERT INTO lend_lst (prop_no,cert_id,location_f) VALUES ('P1','R1','L1')"_qs) &&
           lib.f.exec(u"INSERT INTO lend_lst (prop_no,cert_id,location_f) VALUES ('P2','R1','L2')"_qs);
}

QString everything(CopyTestLib &lib)
{
    return lib.snapshot(u"SELECT prop_no,book_stat_code,rec_flag_upt_date FROM indi_acct ORDER BY prop_no"_qs) +
           lib.snapshot(u"SELECT prop_no,book_stat_code,resp_wkr FROM item ORDER BY prop_no"_qs) +
           lib.snapshot(u"SELECT * FROM reader_cert ORDER BY redr_cert_id"_qs) +
           lib.snapshot(u"SELECT * FROM reader ORDER BY cert_id"_qs) +
           lib.snapshot(u"SELECT lendable_copies FROM marc"_qs) + lib.snapshot(u"SELECT * FROM wkr_job_qty"_qs);
}

#define LOST_LIB(lib)                                                                                                  \
    OPEN_LIB(lib);                                                                                                     \
    QVERIFY(seed(lib));                                                                                                \
    BookLost2 form(lib.f.context());                                                                                   \
    ScriptedPrompter &prompter = lib.f.prompter()

} // namespace

class BookLost2Test : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void declaresEveryLoanLost_data() { addBackendRows(); }
    void declaresEveryLoanLost()
    {
        LOST_LIB(lib);
        QCOMPARE(form.readReader(u"C9"_qs), 0);
        QCOMPARE(prompter.lastText(), lib.f.context().messages().messageText(u"ELT201"_qs));
        QCOMPARE(form.readReader(u" C1 "_qs), 1);
        QCOMPARE(form.reader().name, u"王'五"_qs);
        QCOMPARE(form.reader().gradeName, u"普通外借"_qs);
        QCOMPARE(form.reader().typeName, u"普通读者"_qs);
        QCOMPARE(form.rows().size(), 2);
        QCOMPARE(form.rows().at(1).row.propNo, u"P2"_qs);
        QCOMPARE(form.rows().at(1).lendFlag, u"1"_qs);

        const QString before = everything(lib);
        prompter.answer(AnswerCancel);
        QCOMPARE(form.declareLost(), 0);
        QCOMPARE(everything(lib), before);

        prompter.answer(AnswerOk);
        QCOMPARE(form.declareLost(), 1);
        const QString today = lib.today();
        QCOMPARE(lib.snapshot(u"SELECT prop_no,book_stat_code,rec_flag_upt_date FROM indi_acct ORDER BY prop_no"_qs),
                 QStringList({u"P1|3B|"_qs + today, u"P2|3B|"_qs + today, u"P3|41|"_qs}).join(u'\n'));
        QCOMPARE(lib.snapshot(u"SELECT prop_no,book_stat_code,rec_flag_upt_date,resp_wkr FROM item "
                              "ORDER BY prop_no"_qs),
                 QStringList({u"P1|3B|"_qs + today + u"|W001"_qs, u"P2|3B|"_qs + today + u"|W001"_qs}).join(u'\n'));
        QCOMPARE(lib.f.one(u"SELECT lendable_copies FROM marc"_qs), u"1"_qs);
        QCOMPARE(lib.snapshot(u"SELECT redr_cert_id,cert_type,valid_date,cert_flag,remark FROM reader_cert "
                              "ORDER BY redr_cert_id"_qs),
                 u"C1|01|2027-01-01|0|第一张\nC2|||1|"_qs);
        QCOMPARE(lib.snapshot(u"SELECT cert_id,name,dept,redr_del_reason,redr_del_day,redr_flag FROM reader "
                              "ORDER BY cert_id"_qs),
                 u"R1|王'五|中文系|声明丢失|"_qs + today + u"|0\nR2|赵六||||1"_qs);
        QCOMPARE(lib.snapshot(u"SELECT job_type,kind,volume FROM wkr_job_qty"_qs), u"311|1|2"_qs);
        QCOMPARE(lib.snapshot(u"SELECT log_type,cert_id,data1,data2,data3 FROM log_detl"_qs),
                 u"30021|R1|C1|王'五|2"_qs);
        QCOMPARE(form.rows().at(0).row.status, u"3B"_qs);
        QVERIFY(prompter.done());

        // Done: a second OK asks nothing and counts and logs nothing again.
        QVERIFY(form.declared());
        QCOMPARE(form.declareLost(), 0);
        QCOMPARE(prompter.lastText(), u"该读者的借阅已经声明丢失，没有需要处理的内容。"_qs);
        QCOMPARE(lib.snapshot(u"SELECT job_type,kind,volume FROM wkr_job_qty"_qs), u"311|1|2"_qs);
        QCOMPARE(lib.count(u"log_detl"_qs), 1);
        QVERIFY(prompter.done());
    }

    // A copy returned after the card was entered is no longer on loan: it
    // keeps its status, and the count and the log name the loans of now.
    void readsTheLoansWhenItDeclares_data() { addBackendRows(); }
    void readsTheLoansWhenItDeclares()
    {
        LOST_LIB(lib);
        QCOMPARE(form.readReader(u"C1"_qs), 1);
        QCOMPARE(form.rows().size(), 2);
        QVERIFY(lib.f.exec(u"DELETE FROM lend_lst WHERE prop_no='P2'"_qs));
        QVERIFY(lib.f.exec(u"UPDATE item SET book_lend_flag='0' WHERE prop_no='P2'"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(form.declareLost(), 1);
        QCOMPARE(lib.snapshot(u"SELECT prop_no,book_stat_code FROM indi_acct ORDER BY prop_no"_qs),
                 u"P1|3B\nP2|41\nP3|41"_qs);
        QCOMPARE(lib.snapshot(u"SELECT job_type,kind,volume FROM wkr_job_qty"_qs), u"311|1|1"_qs);
        QCOMPARE(lib.snapshot(u"SELECT data3 FROM log_detl"_qs), u"1"_qs);
        QCOMPARE(form.rows().size(), 1);
        QCOMPARE(form.rows().at(0).row.status, u"3B"_qs);
        // Entering the card again arms the form for its next loans.
        QCOMPARE(form.readReader(u"C1"_qs), 1);
        QVERIFY(!form.declared());
        QVERIFY(prompter.done());
    }

    void aReaderWithoutLoans_data() { addBackendRows(); }
    void aReaderWithoutLoans()
    {
        LOST_LIB(lib);
        QCOMPARE(form.readReader(u"C2"_qs), 1);
        QVERIFY(form.rows().isEmpty());
        prompter.answer(AnswerOk);
        QCOMPARE(form.declareLost(), 1);
        QCOMPARE(lib.f.one(u"SELECT cert_flag FROM reader_cert WHERE redr_cert_id='C2'"_qs), u"0"_qs);
        QCOMPARE(lib.f.one(u"SELECT redr_flag FROM reader WHERE cert_id='R2'"_qs), u"0"_qs);
        QCOMPARE(lib.count(u"indi_acct WHERE book_stat_code='3B'"_qs), 0);
    }

    void aFailureTakesEverythingBack_data() { addBackendRows(); }
    void aFailureTakesEverythingBack()
    {
        LOST_LIB(lib);
        QCOMPARE(form.readReader(u"C1"_qs), 1);
        const QString before = everything(lib);
        // The last write of the run fails.
        QVERIFY(lib.failLogCode("30021"));
        prompter.answer(AnswerOk);
        QCOMPARE(form.declareLost(), -1);
        QCOMPARE(everything(lib), before);
        QCOMPARE(form.rows().at(0).row.status, u"41"_qs);
    }
};

KESTRA_TEST(BookLost2Test)
#include "BookLost2Test.moc"
