// Stock-taking on SQLite and PostgreSQL: the count batches (creation and
// its checks, reopening, deletion, clearing), every check of a scanned
// copy, the shelf correction, the scanner-file import with its problem
// file, the undo, two operators scanning one batch at once, the statistics
// (the results, the summary, a run whose closing step fails) and the
// missing-copy window (found later, missed n times, declared lost).

#include "inventory/BookCount.h"
#include "inventory/CountBatch.h"
#include "inventory/CountLost.h"
#include "inventory/CountReport.h"
#include "items/CopyTestLib.h"
#include "support/RecordingPrinter.h"
#include "support/TestRunner.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

using namespace kestra;
using namespace kestra::test;
using namespace Qt::StringLiterals;

namespace {

// L1 holds P1..P6 (P5 lent, P6 under repair), L2 holds P7; the call
// numbers are of the classes I and TP; X1 is a whole-location batch of L1,
// X2 a class batch of L1 for TP.
bool seedCount(CopyTestLib &lib)
{
    bool ok = lib.record(u"M1"_s, u"红楼梦"_s) && lib.record(u"M2"_s, u"C++程序设计"_s) &&
              lib.reader(u"R1"_s, u"1"_s) && lib.callNumber(u"TP312/1"_s, u"M2"_s) &&
              lib.callNumber(u"I247.5/1"_s, u"M1"_s);
    const struct {
        const char *prop, *rec, *loc, *status, *callNo;
    } copies[] = {
        {"P1", "M1", "L1", "41", "I247.5/1"}, {"P2", "M1", "L1", "42", "I247.5/1"},
        {"P3", "M2", "L1", "41", "TP312/1"},  {"P4", "M2", "L1", "3C", "TP312/1"},
        {"P5", "M2", "L1", "41", "TP312/1"},  {"P6", "M1", "L1", "33", "I247.5/1"},
        {"P7", "M1", "L2", "41", "I247.5/1"},
    };
    for (const auto &c : copies) {
        const QString prop = QLatin1String(c.prop);
        ok = ok &&
             lib.copy(prop, QLatin1String(c.rec), u"B"_s + prop, QLatin1String(c.loc), QLatin1String(c.status),
                      QLatin1String(c.callNo)) &&
             lib.item(prop);
    }
    ok = ok && lib.f.exec(u"UPDATE indi_acct SET shelf_no='A-01'"_s) &&
         lib.f.exec(u"UPDATE item SET book_lend_flag='1' WHERE prop_no='P5'"_s) &&
         lib.f.exec(u"INSERT INTO lend_lst (prop_no,cert_id,location_f) VALUES ('P5','R1','L1')"_s) &&
         lib.f.db().callProc(u"insert_count_data '2026-01-05','L1',NULL,'0','全库','W001','X1'"_s) == 0 &&
         lib.f.db().callProc(u"insert_count_data '2026-01-06','L1','TP','0',NULL,'W001','X2'"_s) == 0;
    lib.f.context().session().rights = QStringList{u"3004"_s, u"3005"_s, u"3013"_s};
    return ok;
}

#define COUNT_LIB(lib)                                                                                                 \
    OPEN_LIB(lib);                                                                                                     \
    QVERIFY(seedCount(lib));                                                                                           \
    ScriptedPrompter &prompter = lib.f.prompter();                                                                     \
    Q_UNUSED(prompter)

QString msg(CopyTestLib &lib, const QString &code)
{
    return lib.f.context().messages().messageText(code);
}

QString scanned(CopyTestLib &lib, const QString &batch)
{
    return lib
        .snapshot(u"SELECT prop_no FROM wait_count_lst WHERE count_batch_no="_s + sqlQuote(batch) +
                  u" ORDER BY prop_no"_s)
        .replace(u'\n', u',');
}

QString results(CopyTestLib &lib, const QString &batch)
{
    return lib
        .snapshot(u"SELECT flag||':'||prop_no FROM count_lost_copy WHERE count_batch_no="_s + sqlQuote(batch) +
                  u" ORDER BY flag,prop_no"_s)
        .replace(u'\n', u',');
}

bool isPostgresBackend(int backend)
{
    return backend == static_cast<int>(TestDatabase::Kind::Postgres);
}

} // namespace

class StockTakeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The procedures as the database would run them: what a call names
    // and what it leaves alone.
    void countProceduresKeepTheirRows_data() { addBackendRows(); }
    void countProceduresKeepTheirRows()
    {
        COUNT_LIB(lib);
        Session &db = lib.f.db();
        QVERIFY(lib.f.exec(u"INSERT INTO wait_count_lst VALUES ('X1','P1','L1','2026-01-05')"_s));
        // A date or location that is not the batch's deletes nothing.
        QCOMPARE(db.callProc(u"delete02_count_data 'X1','L2','2026-01-05'"_s), 0);
        QCOMPARE(db.callProc(u"delete02_count_data 'X1','L1','2026-01-04'"_s), 0);
        QCOMPARE(scanned(lib, u"X1"_s), u"P1"_s);
        // The same copy twice, and a batch that does not exist.
        QCOMPARE(db.callProc(u"Insert_wait_count_lst 'X1','L1','P1','2026-01-05'"_s), -1);
        QCOMPARE(lib.f.context().errors().oraCode, 1);
        QVERIFY(lib.f.context().errors().text.contains(u"PK_WAIT_COUNT_LST"_s));
        QCOMPARE(db.callProc(u"Update01_count_data NULL,NULL,NULL,'1',NULL,NULL,'X9'"_s), -1);
        QCOMPARE(lib.f.context().errors().oraCode, 20001);
        // Update01 changes the flag alone; a class given twice adds nothing.
        QCOMPARE(db.callProc(u"Update01_count_data NULL,NULL,NULL,'1',NULL,NULL,'X1'"_s), 0);
        QCOMPARE(lib.snapshot(u"SELECT finish_flag,remark,location FROM count_data WHERE count_batch_no='X1'"_s),
                 u"1|全库|L1"_s);
        for (int i = 0; i < 2; ++i)
            QCOMPARE(db.callProc(u"Insert03_count_lost_copy '2026-01-06','L1','TP%','X2'"_s), 0);
        QCOMPARE(results(lib, u"X2"_s), u"0:P3,0:P4"_s);
        QCOMPARE(db.callProc(u"delete02_count_data 'X1','L1','2026-01-05'"_s), 0);
        QCOMPARE(lib.count(u"count_data WHERE count_batch_no='X1'"_s) + lib.count(u"wait_count_lst"_s), 0);
    }

    void batchCreationChecksAndWrites_data() { addBackendRows(); }
    void batchCreationChecksAndWrites()
    {
        COUNT_LIB(lib);
        CountBatchInit init(lib.f.context());
        init.location = u"L1"_s;
        QCOMPARE(init.create(), 1);
        QCOMPARE(prompter.lastText(), u"清点批次不能为空。"_s);
        init.number = u"X1"_s;
        QCOMPARE(init.create(), 1);
        QCOMPARE(prompter.lastText(), msg(lib, u"EDC025"_s));
        init.number = u"Y'1"_s; // quotes in a batch number are data
        init.byClass = true;
        QCOMPARE(init.create(), 1);
        QCOMPARE(prompter.lastText(), msg(lib, u"EDC016"_s));
        QCOMPARE(init.addClass(u"Z9"_s), 1);
        QCOMPARE(prompter.lastText(), msg(lib, u"EDC014"_s));
        QCOMPARE(init.addClass(u"tp"_s), 0);
        QCOMPARE(init.addClass(u"TP"_s), 1); // listed once
        QCOMPARE(init.addClass(u"TP3"_s), 0);
        QCOMPARE(init.create(), 1);
        QCOMPARE(prompter.lastText(), u"类号 TP3 包含于类号 TP"_s);
        QCOMPARE(lib.count(u"count_data"_s), 2);
        init.removeClass(1);
        QVERIFY(init.addClass(u"I"_s) == 0);
        init.remark = u"年度清点"_s;
        QCOMPARE(init.create(), 0);
        QCOMPARE(lib.snapshot(u"SELECT location,count_class,finish_flag,remark,resp_wkr,count_date FROM count_data "
                              "WHERE count_batch_no='Y''1'"_s),
                 u"L1|TP,I|0|年度清点|W001|"_s + lib.today());
        QCOMPARE(lib.snapshot(u"SELECT data1 FROM log_detl WHERE log_type='30007'"_s), u"L1|TP,I"_s);
        QVERIFY(prompter.done());
    }

    void reopenDeleteAndClear_data() { addBackendRows(); }
    void reopenDeleteAndClear()
    {
        COUNT_LIB(lib);
        AppContext &c = lib.f.context();
        QVERIFY(lib.f.exec(u"INSERT INTO wait_count_lst VALUES ('X1','P1','L1','2026-01-05')"_s));
        QVERIFY(lib.f.exec(u"INSERT INTO count_lost_copy VALUES ('2026-01-05','L1','P2','0','X1')"_s));
        QVERIFY(lib.f.exec(u"UPDATE count_data SET finish_flag='1' WHERE count_batch_no='X1'"_s));
        CountBatch b;
        prompter.answer(AnswerCancel);
        QCOMPARE(count_batch::take(c, u"X1"_s, b), 1);
        QCOMPARE(results(lib, u"X1"_s), u"0:P2"_s);
        prompter.answer(AnswerOk);
        QCOMPARE(count_batch::take(c, u"X1"_s, b), 0);
        QVERIFY(!b.finished());
        QCOMPARE(results(lib, u"X1"_s), QString());
        QCOMPARE(scanned(lib, u"X1"_s), u"P1"_s); // the scans stay

        // Deleting needs 3013, then QDC009; it takes scans and results.
        c.session().rights = QStringList{u"3005"_s};
        QCOMPARE(count_batch::remove(c, u"X1"_s), 1);
        c.session().rights = QStringList{u"3013"_s};
        prompter.answer(AnswerOk);
        QCOMPARE(count_batch::remove(c, u"X1"_s), 0);
        QCOMPARE(lib.count(u"count_data WHERE count_batch_no='X1'"_s), 0);
        QCOMPARE(lib.count(u"wait_count_lst"_s), 0);
        QCOMPARE(lib.f.one(u"SELECT data1 FROM log_detl WHERE log_type='30008'"_s), u"中文图书库|X1"_s);

        // Clearing everything is one transaction: a failing last delete
        // keeps the scans of every batch.
        QVERIFY(lib.f.exec(u"INSERT INTO wait_count_lst VALUES ('X2','P3','L1','2026-01-06')"_s));
        QVERIFY(lib.f.exec(u"CREATE TABLE count_keep (b VARCHAR(20) REFERENCES count_data (count_batch_no))"_s));
        QVERIFY(lib.f.exec(u"INSERT INTO count_keep VALUES ('X2')"_s));
        prompter.answer(AnswerOk);
        QCOMPARE(count_batch::clearAll(c), -1);
        QCOMPARE(scanned(lib, u"X2"_s), u"P3"_s);
        QVERIFY(lib.f.exec(u"DROP TABLE count_keep"_s));
        prompter.answer(AnswerOk);
        QCOMPARE(count_batch::clearAll(c), 0);
        QCOMPARE(lib.count(u"count_data"_s) + lib.count(u"wait_count_lst"_s), 0);
        QVERIFY(prompter.done());
    }

    void everyCheckOfAScannedCopy_data() { addBackendRows(); }
    void everyCheckOfAScannedCopy()
    {
        COUNT_LIB(lib);
        BookCount count(lib.f.context(), BarcodeSettings{});
        QCOMPARE(count.enter(u"BP1"_s).outcome(), StepOutcome::Refused);
        QCOMPARE(count.chooseBatch(u"X2"_s), 0);
        const struct {
            const char *code;
            QString message;
        } refusals[] = {
            {"B404", u"该条码号不存在"_s},
            {"BP5", u"该书是外借书刊，请还书处理！"_s},
            {"BP6", u"该书处于书刊异常状态，请在书刊特别状态处理模块中处理！"_s},
            {"BP7", u"该书不属于本馆藏地书刊，馆藏地为外文书库"_s},
            {"BP1", u"该书不属于本馆藏地的本类书刊"_s},
        };
        for (const auto &r : refusals) {
            QCOMPARE(count.enter(QLatin1String(r.code)).outcome(), StepOutcome::Refused);
            QVERIFY2(prompter.lastText().startsWith(r.message), qPrintable(prompter.lastText()));
        }
        // A statement of the scan's writes that fails (here the operation
        // log of the correction) saves nothing of the copy: neither its
        // shelf nor its record nor the workload; the database error is
        // shown and the next scan goes on.
        QVERIFY(lib.failLogCode("30017"));
        const QString before = lib.state(u"P4"_s) + scanned(lib, u"X2"_s);
        count.setShelfNo(u"D-04"_s);
        count.setModifyShelf(true);
        QCOMPARE(count.enter(u"BP4"_s).outcome(), StepOutcome::Failed);
        QCOMPARE(prompter.shown().last().kind, QChar(u'E'));
        QCOMPARE(lib.state(u"P4"_s) + scanned(lib, u"X2"_s), before);
        QVERIFY(!lib.f.db().inTransaction());
        QCOMPARE(count.rows().size(), 0);
        QVERIFY(lib.f.exec(u"DROP TABLE log_detl"_s));
        QVERIFY(lib.f.exec(u"ALTER TABLE log_detl_real RENAME TO log_detl"_s));
        count.setModifyShelf(false);
        // The wrong shelf: refused, or corrected and recorded.
        count.setShelfNo(u"B-02"_s);
        QCOMPARE(count.enter(u"BP3"_s).outcome(), StepOutcome::Refused);
        QCOMPARE(prompter.lastText(), u"该书不属于本架位,应在架位 A-01"_s);
        count.setModifyShelf(true);
        QCOMPARE(count.enter(u" bp3 "_s).outcome(), StepOutcome::Done);
        QCOMPARE(lib.f.one(u"SELECT shelf_no||'/'||resp_wkr FROM indi_acct WHERE prop_no='P3'"_s), u"B-02/W001"_s);
        QCOMPARE(lib.f.one(u"SELECT data1 FROM log_detl WHERE log_type='30017'"_s), u"修改排架号: A-01 -> B-02"_s);
        const QString stamp = lib.f.one(u"SELECT rec_flag_upt_date FROM indi_acct WHERE prop_no='P3'"_s);
        QVERIFY2(QRegularExpression(u"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"_s).match(stamp).hasMatch() &&
                     stamp.startsWith(lib.today()),
                 qPrintable(stamp));
        QCOMPARE(lib.f.one(u"SELECT rec_flag_upt_date||'/'||resp_wkr FROM item WHERE prop_no='P3'"_s),
                 stamp + u"/W001"_s);
        QCOMPARE(count.enter(u"BP3"_s).outcome(), StepOutcome::Refused);
        QCOMPARE(prompter.lastText(), u"该书已经在清点库中"_s);
        // Counted already on another shelf: the correction asked for is
        // still made, and the copy is refused.
        count.setShelfNo(u"C-03"_s);
        QCOMPARE(count.enter(u"BP3"_s).outcome(), StepOutcome::Refused);
        QCOMPARE(prompter.lastText(), u"该书已经在清点库中"_s);
        QCOMPARE(lib.f.one(u"SELECT shelf_no FROM indi_acct WHERE prop_no='P3'"_s), u"C-03"_s);
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30017'"_s), 2);
        QCOMPARE(scanned(lib, u"X2"_s), u"P3"_s);
        QCOMPARE(lib.f.one(u"SELECT location||'/'||count_date FROM wait_count_lst"_s), u"L1/"_s + lib.today());
        QCOMPARE(lib.snapshot(u"SELECT job_type,volume FROM wkr_job_qty"_s), u"304|1"_s);
        QCOMPARE(count.rows().size(), 1);
        QCOMPARE(count.rows().at(0).shelfNo, u"B-02"_s);

        // ShowAllItem lists the title's copies; UndoCheck asks, then takes
        // the marked copy out.
        QCOMPARE(count.showAllItems(0), 3); // P3, P4, P5 of M2
        count.model().setMarked(0, true);
        prompter.answer(AnswerCancel);
        QCOMPARE(count.undoMarked().done, 0);
        prompter.answer(AnswerOk);
        QCOMPARE(count.undoMarked().done, 1);
        QCOMPARE(scanned(lib, u"X2"_s), QString());
        QCOMPARE(count.rows().size(), 0);

        // Closed by another operator's statistics meanwhile: refused, a
        // correction asked for made all the same.
        QVERIFY(lib.f.exec(u"UPDATE count_data SET finish_flag='1' WHERE count_batch_no='X2'"_s));
        count.setShelfNo(u"D-04"_s);
        count.setModifyShelf(true);
        QCOMPARE(count.enter(u"BP4"_s).outcome(), StepOutcome::Refused);
        QCOMPARE(prompter.lastText(), msg(lib, u"EDC013"_s));
        QCOMPARE(lib.f.one(u"SELECT shelf_no FROM indi_acct WHERE prop_no='P4'"_s), u"D-04"_s);
        count.setShelfNo(QString());
        QCOMPARE(count.enter(u"BP4"_s).outcome(), StepOutcome::Refused); // and stays refused
        QCOMPARE(scanned(lib, u"X2"_s), QString());
        QVERIFY(prompter.done());
    }

    void importWritesTheProblemFile_data() { addBackendRows(); }
    void importWritesTheProblemFile()
    {
        COUNT_LIB(lib);
        BookCount count(lib.f.context(), BarcodeSettings{});
        QCOMPARE(count.chooseBatch(u"X1"_s), 0);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"扫描器.txt"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // A byte-order mark, CRLF, blank lines, trailing blanks, an unknown
        // code, a lent copy, another location's, one code twice.
        file.write("\xEF\xBB\xBF"
                   "BP1\r\n\r\nBP2  \r\nB404\r\nBP5\r\nBP7\r\n   \r\nBP1\r\nBP6\r\nbp4\r\n");
        file.close();
        count.setShelfNo(u"A-01"_s);
        const ScanReport report = count.importFile(path);
        QCOMPARE(report.codes, 8);
        QCOMPARE(report.done, 3);
        QCOMPARE(scanned(lib, u"X1"_s), u"P1,P2,P4"_s);
        const QString problems = BookCount::problemFileFor(path);
        QCOMPARE(prompter.lastText(),
                 u"某些书刊存在问题，详细情况请查看文件"_s + problems.left(problems.size() - 4) + u".txt。"_s);
        QFile written(problems);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QStringDecoder gbk("GB18030");
        const QString text = gbk(written.readAll());
        QCOMPARE(text, u"条码号不存在：|B404\r\n外借书刊：|BP5\r\n非本馆藏地书刊：|BP7\r\n该书已经在清点库中：|BP1\r\n"
                       "在馆异常书刊：|BP6\r\n"_s);

        // A GBK file, and a shelf that differs, give the shelf's line.
        QVERIFY(lib.f.db().callProc(u"insert_count_data '2026-01-07','L1',NULL,'0',NULL,'W001','X3'"_s) == 0);
        QCOMPARE(count.chooseBatch(u"X3"_s), 0);
        count.setShelfNo(u"书架9"_s);
        QFile gbkFile(dir.filePath(u"gbk.txt"_s));
        QVERIFY(gbkFile.open(QIODevice::WriteOnly));
        QStringEncoder toGbk("GB18030");
        gbkFile.write(QByteArray(toGbk(u"BP2\n"_s)));
        gbkFile.close();
        QCOMPARE(count.importFile(gbkFile.fileName()).done, 0);
        QFile shelfProblems(BookCount::problemFileFor(gbkFile.fileName()));
        QVERIFY(shelfProblems.open(QIODevice::ReadOnly));
        QCOMPARE(gbk(shelfProblems.readAll()), u"该书不属于本架位：|BP2|应在架位A-01|本架位书架9\r\n"_s);
    }

    // Two operators scan overlapping halves of one location at the same
    // time, each on its own connection and thread: every copy is recorded
    // once, and the only refusal is "already counted".
    void twoOperatorsScanOneBatch_data() { addBackendRows(); }
    void twoOperatorsScanOneBatch()
    {
        COUNT_LIB(lib);
        if (!isPostgresBackend(backend))
            QSKIP("two writers at once: PostgreSQL");
        QStringList codes;
        for (int i = 0; i < 60; ++i) {
            const QString prop = u"Q%1"_s.arg(i, 3, 10, QLatin1Char('0'));
            QVERIFY(lib.copy(prop, u"M1"_s, u"B"_s + prop, u"L1"_s, u"41"_s) && lib.item(prop));
            codes.append(u"B"_s + prop);
        }
        auto other = lib.secondOperator(u"W002"_s);
        QVERIFY(other != nullptr);
        other->context().setAllLocations(lib.f.context().allLocations());
        BookCount mine(lib.f.context(), BarcodeSettings{});
        BookCount theirs(other->context(), BarcodeSettings{});
        QCOMPARE(mine.chooseBatch(u"X1"_s), 0);
        QCOMPARE(theirs.chooseBatch(u"X1"_s), 0);
        // Mine: 0..39 upwards; theirs: 59..20 downwards; 20..39 overlap.
        ScanReport a;
        ScanReport b;
        std::thread rival([&] {
            for (int i = 59; i >= 20; --i)
                b.add(theirs.enter(codes.at(i)).outcome());
        });
        for (int i = 0; i < 40; ++i)
            a.add(mine.enter(codes.at(i)).outcome());
        rival.join();
        QCOMPARE(a.failed || b.failed, false);
        QCOMPARE(a.done + b.done, 60);
        QCOMPARE(a.refused + b.refused, 20);
        QCOMPARE(lib.count(u"wait_count_lst WHERE count_batch_no='X1'"_s), 60);
        QCOMPARE(mine.rows().size() + theirs.rows().size(), 60);
        QStringList refusals = lib.f.prompter().texts() + other->prompter().texts();
        refusals.removeAll(u"该书已经在清点库中"_s);
        QCOMPARE(refusals, QStringList());
        QCOMPARE(lib.f.one(u"SELECT sum(volume) FROM wkr_job_qty WHERE job_type='304'"_s), u"60"_s);
    }

    void statisticsOfAWholeLocation_data() { addBackendRows(); }
    void statisticsOfAWholeLocation()
    {
        COUNT_LIB(lib);
        AppContext &c = lib.f.context();
        // P7 of L2 was scanned into X1 as well (recorded before it moved);
        // P2 turned abnormal after its scan; P4 was not found; P5 is lent
        // (its ordering location L2, its holdings location L1).
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET location='L2' WHERE prop_no='P5'"_s));
        for (const char *p : {"P1", "P2", "P3", "P7"})
            QVERIFY(lib.f.db().callProc(u"Insert_wait_count_lst 'X1','L1',"_s + sqlQuote(QString::fromLatin1(p)) +
                                        u",'2026-01-05'"_s) == 0);
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET book_stat_code='34' WHERE prop_no='P2'"_s));
        CountBatch b;
        QCOMPARE(count_batch::read(c, u"X1"_s, b), 0);
        CountReport report(c);
        QCOMPARE(report.setBatch(b), 0);
        QCOMPARE(report.summary().scanned, 4); // before the run: the progress
        prompter.answer(AnswerCancel);
        QCOMPARE(report.stat(), 0);
        QCOMPARE(results(lib, u"X1"_s), QString());
        prompter.answer(AnswerOk);
        QCOMPARE(report.stat(), 1);
        QCOMPARE(results(lib, u"X1"_s), u"0:P4,1:P2,2:P7"_s);
        QCOMPARE(lib.f.one(u"SELECT finish_flag FROM count_data WHERE count_batch_no='X1'"_s), u"1"_s);
        QCOMPARE(lib.f.one(u"SELECT data1 FROM log_detl WHERE log_type='30009'"_s), u"中文图书库"_s);
        const CountSummary &s = report.summary();
        // Holdings: P1, P3, P4, P5 (P2 is now 34, P6 33); on loan: P5 by
        // its holdings location.
        QCOMPARE(s.holdings, 4);
        QCOMPARE(s.scanned, 4);
        QCOMPARE(s.missing, 1);
        QCOMPARE(s.abnormal, 1);
        QCOMPARE(s.foreign, 1);
        QCOMPARE(s.onLoan, 1);
        QCOMPARE(s.lines().last().second, 4 + 1 - 1 - 1);
        QCOMPARE(report.list(CountReport::Missing).value(0, u"m_title"_s), u"C++程序设计"_s);
        QCOMPARE(report.list(CountReport::Foreign).count(), 1);

        // A second press shows the stored results, without asking.
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET book_stat_code='41' WHERE prop_no='P2'"_s));
        QCOMPARE(report.stat(), 0);
        QCOMPARE(results(lib, u"X1"_s), u"0:P4,1:P2,2:P7"_s);

        // The printed lists: four, with the footers.
        RecordingPrinter printer;
        c.setPrinter(printer);
        QCOMPARE(report.print(), 4);
        const std::optional<ListReport> missing = report.report(CountReport::Missing);
        QVERIFY(missing.has_value());
        QCOMPARE(missing->title, u"书刊清点-未清点到书刊清单"_s);
        QCOMPARE(missing->footer.first().value, u"1"_s);
        QVERIFY(prompter.done());
    }

    void classStatisticsAndAFailingClose_data() { addBackendRows(); }
    void classStatisticsAndAFailingClose()
    {
        COUNT_LIB(lib);
        AppContext &c = lib.f.context();
        for (const char *p : {"P1", "P3"})
            QVERIFY(lib.f.db().callProc(u"Insert_wait_count_lst 'X2','L1',"_s + sqlQuote(QString::fromLatin1(p)) +
                                        u",'2026-01-06'"_s) == 0);
        // The batch cannot be closed: the results must not stay behind.
        QVERIFY(lib.f.exec(u"ALTER TABLE count_data RENAME TO count_data_real"_s));
        QVERIFY(lib.f.exec(u"CREATE TABLE count_data (count_batch_no VARCHAR(20), location VARCHAR(20), "
                           "count_date VARCHAR(19), finish_flag VARCHAR(1) CHECK (finish_flag <> '1'), "
                           "count_class VARCHAR(1000), resp_wkr VARCHAR(20), remark VARCHAR(200))"_s));
        QVERIFY(lib.f.exec(u"INSERT INTO count_data SELECT * FROM count_data_real"_s));
        CountBatch b;
        QCOMPARE(count_batch::read(c, u"X2"_s, b), 0);
        CountReport report(c);
        QCOMPARE(report.setBatch(b), 0);
        prompter.answer(AnswerOk);
        QCOMPARE(report.stat(), -1);
        QCOMPARE(lib.count(u"count_lost_copy"_s), 0);
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30009'"_s), 0);
        QVERIFY(lib.f.exec(u"DROP TABLE count_data"_s));
        QVERIFY(lib.f.exec(u"ALTER TABLE count_data_real RENAME TO count_data"_s));

        // The TP batch: P1 (class I) lands among the other-class copies,
        // P4 and not the lent P5 is missing.
        prompter.clear();
        prompter.answer(AnswerOk);
        QCOMPARE(report.stat(), 1);
        QVERIFY(prompter.texts().first().startsWith(u"应将该馆藏地中该类别"_s));
        QCOMPARE(results(lib, u"X2"_s), u"0:P4,2:P1"_s);
        QCOMPARE(report.summary().holdings, 3);
        QCOMPARE(report.summary().onLoan, 1);
    }

    void missingCopiesFoundLaterAndDeclaredLost_data() { addBackendRows(); }
    void missingCopiesFoundLaterAndDeclaredLost()
    {
        COUNT_LIB(lib);
        AppContext &c = lib.f.context();
        QVERIFY(lib.f.exec(u"UPDATE count_data SET finish_flag='1'"_s));
        // P4 missed by both batches, P3 by X1 only, P6 (abnormal) by X1.
        for (const char *row : {"'X1','P4'", "'X2','P4'", "'X1','P3'", "'X1','P6'"})
            QVERIFY(lib.f.exec(u"INSERT INTO count_lost_copy (count_date,location,flag,count_batch_no,prop_no) "
                               "VALUES ('2026-01-05','L1','0',"_s +
                               QLatin1String(row) + u')'));
        CountLost lost(c);
        QCOMPARE(lost.setLocation(u"L1"_s), 2);
        QCOMPARE(lost.view(), 0);
        QCOMPARE(lost.model().count(), 3); // P4 once over every batch
        lost.setMinimumMisses(2);
        QCOMPARE(lost.view(), 0);
        QCOMPARE(lost.model().count(), 1);
        QCOMPARE(lost.foundLater(u"BP3"_s), 1);
        QCOMPARE(prompter.lastText(), u"清点批次为不定时不能执行次操作"_s);

        lost.setMinimumMisses(0);
        lost.setBatch(u"X1"_s);
        QCOMPARE(lost.foundLater(u"BP1"_s), 1);
        QCOMPARE(prompter.lastText(), u"该书不在清点丢失库中"_s);
        QCOMPARE(lost.foundLater(u"BP3"_s), 0);
        QCOMPARE(prompter.lastText(), u"该书重新清点完成"_s);
        QCOMPARE(scanned(lib, u"X1"_s), u"P3"_s);
        QCOMPARE(lost.model().count(), 2);

        prompter.answer(AnswerOk);
        QCOMPARE(lost.declareLost(), 1); // P6 is already out of the collection
        QCOMPARE(lib.status(u"P4"_s), u"3B"_s);
        QCOMPARE(lib.itemStatus(u"P4"_s), u"3B"_s);
        QCOMPARE(lib.status(u"P6"_s), u"33"_s);
        QCOMPARE(lib.snapshot(u"SELECT job_type,volume FROM wkr_job_qty"_s), u"305|1"_s);
        QCOMPARE(lib.f.one(u"SELECT data1 FROM log_detl WHERE log_type='30010'"_s), u"中文图书库|X1"_s);
        QCOMPARE(prompter.lastText(), msg(lib, u"ICM002"_s));
        // The row stays: P4 still counts as missed twice.
        QCOMPARE(lib.count(u"count_lost_copy WHERE prop_no='P4'"_s), 2);
        QVERIFY(prompter.done());
    }
};

KESTRA_TEST(StockTakeTest)
#include "StockTakeTest.moc"
