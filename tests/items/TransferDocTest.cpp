// The handover batches on SQLite and PostgreSQL: the list by ShowDate, a
// batch's detail with its rights and the readers' requests, the refusal of
// every action on a batch with a location outside the operator's rights, the
// new-book circulation type set and restored, cancelling a batch's
// accession, refused while one copy has circulated, and telling the readers
// who asked for the batch's copies, once, whether the key or the new-book
// save comes first.

#include "items/TransferDoc.h"
#include "assign/NewBookAssign.h"
#include "assign/NewBookLib.h"
#include "items/CopyTestLib.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

// JJ1 (sent today): M1 with P1 at L1 and P2 at L2 (subscribed by L1), both
// circulating, stored; M2 (a Z class) with P3 at L1 in 42, not stored, bought
// on a reader's recommendation and suggestion awaiting a reply.
// JJ2 (2020): M3 with P4 at L9, outside the operator's locations.
// JJ3 is a cataloguing row of another kind and is never listed.
bool seed(CopyTestLib &lib)
{
    const QString today = lib.today();
    auto doc = [&](const char *batch, const char *chk, const char *rec, int copies, const char *stored,
                   const QString &date, const char *kind) {
        return lib.transferDoc(QLatin1String(batch), QLatin1String(chk), QLatin1String(rec), copies,
                               QLatin1String(stored), date, QLatin1String(kind));
    };
    auto call = [&](const char *callNo, const char *rec, const char *type) {
        return lib.callNumber(QLatin1String(callNo), QLatin1String(rec), QLatin1String(type));
    };
    return lib.f.setParam(u"47"_qs, u"1"_qs) && lib.reload() &&
           lib.f.context().codes().load(CodeCache::CircTypeByClass) == 0 && lib.record(u"M1"_qs, u"红楼梦"_qs) &&
           lib.record(u"M2"_qs, u"字典"_qs) && lib.record(u"M3"_qs, u"史记"_qs) &&
           lib.copy(u"P1"_qs, u"M1"_qs, u"B0001"_qs, u"L1"_qs, u"41"_qs) && lib.item(u"P1"_qs) &&
           lib.copy(u"P2"_qs, u"M1"_qs, u"B0002"_qs, u"L1"_qs, u"41"_qs) && lib.item(u"P2"_qs) &&
           lib.f.exec(u"UPDATE indi_acct SET dis_location='L2' WHERE prop_no='P2'"_qs) &&
           lib.copy(u"P3"_qs, u"M2"_qs, u"B0003"_qs, u"L1"_qs, u"42"_qs, u"Z228/1"_qs) &&
           lib.copy(u"P4"_qs, u"M3"_qs, u"B0004"_qs, u"L9"_qs, u"41"_qs, u"K825/9"_qs) &&
           lib.f.exec(
               u"UPDATE indi_acct SET move_batch='JJ1', chk_batch_no='YS1' WHERE prop_no IN ('P1','P2','P3')"_qs) &&
           lib.f.exec(
               u"UPDATE indi_acct SET move_batch='JJ2', chk_batch_no='YS2', asord_no=NULL WHERE prop_no='P4'"_qs) &&
           lib.f.exec(u"UPDATE indi_acct SET asord_no='A1' WHERE prop_no='P3'"_qs) &&
           lib.f.exec(u"UPDATE marc SET lendable_copies=2 WHERE marc_rec_no='M1'"_qs) &&
           doc("JJ1", "YS1", "M1", 2, "1", today, "3") && doc("JJ1", "YS1", "M2", 1, "0", today, "3") &&
           doc("JJ2", "YS2", "M3", 1, "1", u"2020-01-01"_qs, "3") && doc("JJ3", "YS3", "M3", 1, "0", today, "1") &&
           call("I247.5/1", "M1", "01") && call("Z228/1", "M2", "02") && call("K825/9", "M3", "01") &&
           call("K900/1", "M3", "01") && lib.reader(u"R1"_qs, u"1"_qs) &&
           lib.f.exec(u"INSERT INTO recm_doc (asord_no,cert_id,dc_reply_flag) VALUES ('A1','R1',NULL)"_qs) &&
           lib.f.exec(u"INSERT INTO recm_doc (asord_no,cert_id,dc_reply_flag) VALUES ('A1','R1','1')"_qs) &&
           lib.f.exec(u"INSERT INTO suggest (asord_no,cert_id,dc_reply_flag) VALUES ('A1','R1','0')"_qs);
}

QString types(CopyTestLib &lib)
{
    return lib.snapshot(u"SELECT call_no||'='||circ_type_code FROM call_no_lst ORDER BY call_no"_qs)
        .replace(u'\n', u' ');
}

QString batchState(CopyTestLib &lib)
{
    return lib.snapshot(u"SELECT * FROM indi_acct ORDER BY prop_no"_qs) +
           lib.snapshot(u"SELECT * FROM item ORDER BY prop_no"_qs) +
           lib.snapshot(u"SELECT * FROM transfer_doc ORDER BY move_batch,marc_rec_no"_qs) + types(lib);
}

// Everything telling the readers may write.
QString noticeState(CopyTestLib &lib)
{
    return lib.snapshot(u"SELECT * FROM mail_data ORDER BY type_code,cert_id"_qs) + u'#' +
           lib.snapshot(u"SELECT asord_no,cert_id,dc_reply_flag FROM recm_doc ORDER BY cert_id"_qs) + u'#' +
           lib.snapshot(u"SELECT asord_no,cert_id,dc_reply_flag FROM suggest ORDER BY cert_id"_qs) + u'#' +
           lib.snapshot(u"SELECT log_type,data1,data2 FROM log_detl ORDER BY log_type"_qs);
}

QString mails(CopyTestLib &lib)
{
    return lib
        .snapshot(u"SELECT type_code||':'||cert_id||':'||email||':'||get_date||':'||server_date||':'||m_title||':'||"
                  "marc_rec_no||':'||loca_name||':'||prop_no FROM mail_data ORDER BY type_code,cert_id"_qs)
        .replace(u'\n', u' ');
}

// The new-book tests' JJ1 (P1 and P2 of M1 on order A1, which R1
// recommended and suggested), with a second recommendation of A1 by R2, who
// has no e-mail address.
#define NOTICE_LIB(lib)                                                                                                \
    OPEN_LIB(lib);                                                                                                     \
    QVERIFY(seedNewBooks(lib));                                                                                        \
    QVERIFY(lib.reader(u"R2"_qs, u"1"_qs));                                                                            \
    QVERIFY(lib.f.exec(                                                                                                \
        u"INSERT INTO recm_doc (asord_no,cert_id,m_title,dc_reply_flag) VALUES ('A1','R2','红楼梦','0')"_qs));         \
    TransferDoc doc(lib.f.context());                                                                                  \
    ScriptedPrompter &prompter = lib.f.prompter()

#define DOC_LIB(lib)                                                                                                   \
    OPEN_LIB(lib);                                                                                                     \
    QVERIFY(seed(lib));                                                                                                \
    TransferDoc doc(lib.f.context());                                                                                  \
    ScriptedPrompter &prompter = lib.f.prompter();                                                                     \
    lib.f.context().preferences().showDate = u"All"_qs

} // namespace

class TransferDocTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listDetailAndRights_data() { addBackendRows(); }
    void listDetailAndRights()
    {
        DOC_LIB(lib);
        QCOMPARE(doc.loadBatches(), 2);
        QCOMPARE(doc.batches().at(0).moveBatch + doc.batches().at(1).moveBatch, u"JJ1JJ2"_qs);
        lib.f.context().preferences().showDate = u"3"_qs;
        QCOMPARE(doc.loadBatches(), 1);
        QCOMPARE(doc.find(u"jj1"_qs), QList<int>{0});
        QVERIFY(doc.find(u"JJ2"_qs).isEmpty());
        QCOMPARE(prompter.lastText(), u"未查询到相应交接批次。"_qs);

        QCOMPARE(doc.select(u"JJ1"_qs), 3);
        QStringList rows;
        for (const HandoverRow &r : doc.rows())
            rows << r.marcRecNo + u':' + r.location + u':' + QString::number(r.copies) + u':' + r.storeText();
        QCOMPARE(rows, (QStringList{u"M1:L1:2:完"_qs, u"M1:L2:2:完"_qs, u"M2:L1:1:未完"_qs}));
        QCOMPARE(doc.recommended(), 1);
        QCOMPARE(doc.suggested(), 1);
        QVERIFY(!doc.blocked());
        QCOMPARE(doc.chosen(), u"JJ1"_qs);

        // JJ2 holds a copy at L9: every action is refused, nothing changes.
        lib.f.context().preferences().showDate = u"All"_qs;
        QCOMPARE(doc.loadBatches(), 2);
        QCOMPARE(doc.select(u"JJ2"_qs), 1);
        QVERIFY(doc.rows().at(0).noRight);
        QVERIFY(doc.batches().at(1).blocked);
        lib.f.context().session().rights = {u"3021"_qs};
        const QString before = batchState(lib);
        QCOMPARE(doc.setNewBookType(), 0);
        QCOMPARE(doc.restoreType(), 0);
        QCOMPARE(doc.undoAccession(), 0);
        QCOMPARE(prompter.texts().filter(u"该批次数据包含不可处理馆藏地，无法操作。"_qs).size(), 3);
        QCOMPARE(batchState(lib), before);
        QVERIFY(prompter.done());
    }

    void newBookTypeSetAndRestored_data() { addBackendRows(); }
    void newBookTypeSetAndRestored()
    {
        DOC_LIB(lib);
        QCOMPARE(doc.select(u"JJ1"_qs), 3);
        prompter.answer(AnswerCancel);
        QCOMPARE(doc.setNewBookType(), 0);
        prompter.answer(AnswerOk);
        QCOMPARE(doc.setNewBookType(), 1);
        QCOMPARE(types(lib), u"I247.5/1=99 K825/9=01 K900/1=01 Z228/1=99"_qs);
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30005' AND data1='JJ1'"_qs), 1);

        // Someone gave one call number a type of its own meanwhile: the
        // restore leaves it; the Z class goes back to its reference type.
        QVERIFY(lib.f.exec(u"UPDATE call_no_lst SET circ_type_code='05' WHERE call_no='I247.5/1'"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(doc.restoreType(), 1);
        QCOMPARE(prompter.lastText(), u"已经成功将选择批次书刊流通类型恢复为正常。"_qs);
        QCOMPARE(types(lib), u"I247.5/1=05 K825/9=01 K900/1=01 Z228/1=02"_qs);
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30006' AND data1='JJ1'"_qs), 1);

        // The longest class of the call number's own scheme decides.
        QVERIFY(lib.f.exec(u"INSERT INTO circ_type_sort (cls_id,circ_type_code,class) VALUES ('1','05','Z22')"_qs));
        QCOMPARE(lib.f.context().codes().load(CodeCache::CircTypeByClass), 0);
        const CodeTables &codes = lib.f.context().codes();
        QCOMPARE(normalCircType(codes, u"1"_qs, u"Z228/1"_qs), u"05"_qs);
        QCOMPARE(normalCircType(codes, u"1"_qs, u"Z3/2"_qs), u"02"_qs);
        QCOMPARE(normalCircType(codes, u"2"_qs, u"Z228/1"_qs), u"01"_qs);
        QCOMPARE(normalCircType(codes, u"1"_qs, u"I247.5/1"_qs), u"01"_qs);
        QVERIFY(prompter.done());
    }

    void undoAccession_data() { addBackendRows(); }
    void undoAccession()
    {
        DOC_LIB(lib);
        QCOMPARE(doc.select(u"JJ1"_qs), 3);
        const QString before = batchState(lib);
        lib.f.context().session().rights = {u"3010"_qs};
        QCOMPARE(doc.undoAccession(), 0);
        QVERIFY(prompter.lastText().endsWith(u"3021"_qs));

        lib.f.context().session().rights = {u"3021"_qs};
        QVERIFY(lib.f.exec(u"UPDATE item SET total_circ_times=1 WHERE prop_no='P2'"_qs));
        const QString circulated = batchState(lib);
        prompter.answer(AnswerOk);
        QCOMPARE(doc.undoAccession(), 0);
        QCOMPARE(prompter.lastText(), u"该批次有书已经流通，不能取消典藏。"_qs);
        QCOMPARE(batchState(lib), circulated);
        QVERIFY(before != circulated);

        QVERIFY(lib.f.exec(u"UPDATE item SET total_circ_times=0"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(doc.undoAccession(), 1);
        QCOMPARE(prompter.lastText(), u"批次取消典藏完成。"_qs);
        QCOMPARE(lib.count(u"item"_qs), 0);
        QCOMPARE(lib.snapshot(u"SELECT prop_no||book_stat_code||dis_location||COALESCE(in_date,'-') FROM indi_acct "
                              "ORDER BY prop_no"_qs),
                 u"P116L1-\nP216L1-\nP316L1-\nP441L92025-09-01"_qs);
        QCOMPARE(lib.snapshot(u"SELECT move_batch||store_flag FROM transfer_doc ORDER BY move_batch,marc_rec_no"_qs),
                 u"JJ10\nJJ10\nJJ21\nJJ30"_qs);
        QCOMPARE(lib.f.one(u"SELECT lendable_copies FROM marc WHERE marc_rec_no='M1'"_qs), u"0"_qs);
        QCOMPARE(doc.rows().at(0).storeText(), u"未完"_qs); // the detail was read again
        QVERIFY(prompter.done());
    }

    // The key queues one mail per request (not per copy) for readers with
    // an address, answers every request, and neither it nor the new-book
    // save tells a reader twice.
    void readersToldOnce_data() { addBackendRows(); }
    void readersToldOnce()
    {
        NOTICE_LIB(lib);
        QCOMPARE(doc.select(u"JJ1"_qs), 4);
        // Two copies of the order, two waiting recommendations, one suggestion.
        QCOMPARE(doc.recommended(), 4);
        QCOMPARE(doc.suggested(), 2);
        QVERIFY(doc.mayNotify());
        const QString before = noticeState(lib);
        prompter.answer(AnswerCancel);
        QCOMPARE(doc.notifyReaders(), 0);
        QCOMPARE(prompter.lastText(), u"该批次有读者荐购待答复的图书4册、读者建议待答复的图书2册，是否通知读者？"_qs);
        QCOMPARE(noticeState(lib), before);

        prompter.answer(AnswerOk);
        QCOMPARE(doc.notifyReaders(), 1);
        QCOMPARE(prompter.lastText(), u"已生成读者通知2条（荐购1条，读者建议1条）。"
                                      "另有1条荐购或建议的读者没有电子邮件地址，无法通知。"_qs);
        // The very rows the new-book save queues (its test: 305|R1|P1, 306|R1|P1).
        const QString today = lib.today();
        QCOMPARE(mails(lib), u"305:R1:r1@example.org:%1:%1:红楼梦:M1:中文图书库:P1 "
                             "306:R1:r1@example.org:%1:%1:红楼梦:M1:中文图书库:P1"_qs.arg(today));
        QCOMPARE(lib.count(u"recm_doc WHERE dc_reply_flag='1'"_qs) + lib.count(u"suggest WHERE dc_reply_flag='1'"_qs),
                 3);
        QCOMPARE(lib.snapshot(u"SELECT data1||' '||data2 FROM log_detl WHERE log_type='30001'"_qs),
                 u"JJ1 通知读者：荐购1条，读者建议1条，无电子邮件1条"_qs);
        QCOMPARE(doc.recommended() + doc.suggested(), 0); // the detail was read again
        QVERIFY(!doc.mayNotify());

        // A second press finds nothing to answer.
        const QString told = noticeState(lib);
        QCOMPARE(doc.notifyReaders(), 0);
        QCOMPARE(prompter.lastText(), u"该批次没有待答复的读者荐购或建议。"_qs);
        QCOMPARE(noticeState(lib), told);

        // The new-book save afterwards tells only a reader who asked since.
        QVERIFY(lib.reader(u"R3"_qs, u"1"_qs));
        QVERIFY(lib.f.exec(u"UPDATE reader SET email='r3@example.org' WHERE cert_id='R3'"_qs));
        QVERIFY(lib.f.exec(u"INSERT INTO recm_doc (asord_no,cert_id,m_title,dc_reply_flag) "
                           "VALUES ('A1','R3','红楼梦',NULL)"_qs));
        lib.f.context().preferences().bookStat = u"0"_qs; // the copies stay 在编
        NewBookAssign assign(lib.f.context());
        QCOMPARE(assign.loadBatch(u"JJ1"_qs), 1);
        QCOMPARE(assign.save(), 1);
        QCOMPARE(lib.count(u"mail_data WHERE cert_id='R1'"_qs), 2);
        QCOMPARE(lib.snapshot(u"SELECT type_code||cert_id||prop_no FROM mail_data WHERE cert_id<>'R1'"_qs),
                 u"306R3P1"_qs);
        QCOMPARE(lib.count(u"recm_doc WHERE dc_reply_flag='1'"_qs), 3);
        QVERIFY(prompter.done());
    }

    // The save first: the key has nothing left. A batch with a location
    // outside the operator's rights is refused, and a failing statement
    // leaves everything as it was.
    void refusedOrFailedWritesNothing_data() { addBackendRows(); }
    void refusedOrFailedWritesNothing()
    {
        NOTICE_LIB(lib);
        QVERIFY(lib.failLogCode("30001"));
        QCOMPARE(doc.select(u"JJ1"_qs), 4);
        const QString before = noticeState(lib);
        prompter.answer(AnswerOk);
        QCOMPARE(doc.notifyReaders(), -1);
        QCOMPARE(noticeState(lib), before);
        QVERIFY(doc.mayNotify());

        // P2 now at L9, which the operator may not process.
        QVERIFY(lib.f.setParam(u"47"_qs, u"1"_qs) && lib.reload());
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET dis_location='L9' WHERE prop_no='P2'"_qs));
        QCOMPARE(doc.select(u"JJ1"_qs), 4);
        QVERIFY(doc.blocked() && !doc.mayNotify());
        QCOMPARE(doc.notifyReaders(), 0);
        QCOMPARE(prompter.lastText(), u"该批次数据包含不可处理馆藏地，无法操作。"_qs);
        QCOMPARE(noticeState(lib), before);

        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET dis_location='L1' WHERE prop_no='P2'"_qs));
        QVERIFY(lib.f.exec(u"DROP TABLE log_detl"_qs) &&
                lib.f.exec(u"ALTER TABLE log_detl_real RENAME TO log_detl"_qs));
        lib.f.context().preferences().bookStat = u"0"_qs; // the copies stay 在编
        NewBookAssign assign(lib.f.context());
        QCOMPARE(assign.loadBatch(u"JJ1"_qs), 1);
        QCOMPARE(assign.save(), 1);
        QCOMPARE(lib.count(u"mail_data"_qs), 2);
        QCOMPARE(doc.select(u"JJ1"_qs), 4);
        QVERIFY(!doc.mayNotify());
        QCOMPARE(doc.notifyReaders(), 0);
        QCOMPARE(prompter.lastText(), u"该批次没有待答复的读者荐购或建议。"_qs);
        QCOMPARE(lib.count(u"mail_data"_qs), 2);
        QVERIFY(prompter.done());
    }
};

KESTRA_TEST(TransferDocTest)
#include "TransferDocTest.moc"
