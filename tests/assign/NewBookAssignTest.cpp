// New-book assignment on SQLite and PostgreSQL: the title list of a handover
// batch, the fills and checks of a title, its save (intake dates kept,
// readers told once, a failing last statement rolling everything back, a
// duplicate bar code), the undo refused after circulation, two operators
// saving the same title, the batch assignment and the scanned assignment,
// and the accompanying-material note written into the record alone.

#include "assign/NewBookAssign.h"
#include "assign/AssignBatch.h"
#include "assign/AssignSettings.h"
#include "assign/NewBookLib.h"
#include "assign/TitleAttachment.h"
#include "marc/BibStore.h"
#include "marc/BibWriter.h"
#include "marc/MarcTestData.h"
#include "support/TestRunner.h"

#include <QSignalSpy>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

// Everything a save, an undo or a batch assignment may write.
QString newBookState(CopyTestLib &lib)
{
    QStringList parts;
    for (const char *table :
         {"indi_acct", "item", "transfer_doc", "mail_data", "recm_doc", "suggest", "log_detl", "wkr_job_qty"})
        parts << lib.snapshot(u"SELECT * FROM "_qs + QLatin1String(table) + u" ORDER BY 1,2"_qs);
    parts << lib.snapshot(u"SELECT marc_rec_no,lendable_copies FROM marc ORDER BY 1"_qs);
    return parts.join(u'#');
}

int headingColumn(const QAbstractItemModel &model, const QString &heading)
{
    for (int c = 0; c < model.columnCount(); ++c) {
        if (model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == heading)
            return c;
    }
    return -1;
}

bool typeBar(NewBookAssign &assign, int row, const QString &code)
{
    RowModel<AssignRow> &m = assign.copyModel();
    return m.setData(m.index(row, headingColumn(m, u"条码号"_qs)), code, Qt::EditRole);
}

QString copyColumns(CopyTestLib &lib, const char *columns)
{
    return lib
        .snapshot(u"SELECT "_qs + QLatin1String(columns) +
                  u" FROM indi_acct WHERE move_batch='JJ1' ORDER BY prop_no"_qs)
        .replace(u'\n', u' ');
}

// M1 in the Chinese scheme and M2 in MARC 21, each with its physical
// description ($e between other subfields, a field after it); M9 without.
QByteArray unimarcWithNote(const char *note)
{
    return isoRecord({{"001", "M1"},
                      {"200", "1 " + sf('a', "红楼梦")},
                      {"215", "  " + sf('a', "2册") + sf('e', note) + sf('d', "26cm")},
                      {"330", "  " + sf('a', "长篇小说")}});
}
QByteArray marc21WithNote(const char *note)
{
    return isoRecord({{"001", "M2"}, {"245", "10" + sf('a', "字典")}, {"300", "  " + sf('a', "300页") + sf('e', note)}},
                     "00000nam a2200000 i 4500");
}

bool storeData(CopyTestLib &lib, const char *no, const char *type, const QByteArray &bytes)
{
    BibRecord record = BibRecord::fromBytes(bytes, MarcCodec());
    record.summary.marcRecNo = QLatin1String(no);
    record.summary.marcType = QLatin1String(type);
    return lib.f.exec(u"UPDATE marc SET marc_type='%1' WHERE marc_rec_no='%2'"_qs.arg(QLatin1String(type),
                                                                                      QLatin1String(no))) &&
           storeBibData(lib.f.db(), record, CodePage()) == 0;
}

QByteArray storedRecord(CopyTestLib &lib, const char *no)
{
    return readBibRecord(lib.f.db(), QLatin1String(no), MarcCodec()).serialize();
}

#define NEWBOOK_LIB(lib)                                                                                               \
    OPEN_LIB(lib);                                                                                                     \
    QVERIFY(seedNewBooks(lib));                                                                                        \
    lib.f.context().session().rights = QStringList{u"3001"_qs, u"3020"_qs, u"3021"_qs};                                \
    ScriptedPrompter &prompter = lib.f.prompter()

} // namespace

class NewBookAssignTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void barCodeNumbering()
    {
        QCOMPARE(nextBarCode(u"A0099"_qs, 1) + nextBarCode(u"A0099"_qs, 3), u"A0100A0102"_qs);
        QCOMPARE(nextBarCode(u"99"_qs, 1), u"100"_qs);
        QCOMPARE(nextBarCode(u"ABC"_qs, 2), u"ABC2"_qs);
        QVERIFY(nextBarCode(u"X1234567890123456789"_qs, 1).isEmpty());
    }

    // The list, the fills, the save and a second save: intake dates kept,
    // readers told once, the counts and logs written once per save.
    void saveATitle_data() { addBackendRows(); }
    void saveATitle()
    {
        NEWBOOK_LIB(lib);
        NewBookAssign assign(lib.f.context());
        QCOMPARE(assign.loadBatch(u"JJ1"_qs), 1);
        QCOMPARE(assign.titleModel().count(), 2); // M1 once for its three copies
        QCOMPARE(assign.currentTitle()->marcRecNo, u"M1"_qs);
        QCOMPARE(assign.copyModel().count(), 3);
        QCOMPARE(assign.caption(), u"新书分配-交接批次:JJ1 书目种数:2"_qs);

        // Nothing released, no bar code: the save refuses in the order of its checks.
        lib.f.context().preferences().bookStat = u"1"_qs;
        QVERIFY(typeBar(assign, 0, u"b0099"_qs));
        QVERIFY(assign.dirty());
        QCOMPARE(assign.save(), 0);
        QCOMPARE(prompter.lastText(), u"书刊状态不能为在编。"_qs);
        QCOMPARE(assign.allCirculate(), 1);
        QCOMPARE(assign.save(), 0);
        QCOMPARE(prompter.lastText(), u"送交流通的书刊必须分配条码号。"_qs);
        prompter.answer(AnswerOk);
        QCOMPARE(assign.autoBarcode(), 1);
        QVERIFY(!assign.copyModel().at(0).barCode.isEmpty());
        QCOMPARE(assign.copyModel().at(2).barCode, u"B0101"_qs);

        QCOMPARE(assign.save(), 1);
        QVERIFY(!assign.dirty());
        const QString today = lib.today();
        QCOMPARE(copyColumns(lib, "bar_code,book_stat_code,in_date"),
                 u"B0099|41|%1 B0100|41|2025-09-01 B0101|41|%1 |16|"_qs.arg(today));
        QCOMPARE(lib.count(u"item WHERE marc_rec_no='M1' AND book_lend_flag='0'"_qs), 3);
        QCOMPARE(lib.f.one(u"SELECT in_date FROM item WHERE prop_no='P2'"_qs), u"2025-09-01"_qs);
        QCOMPARE(lib.f.one(u"SELECT store_flag||store_wkr FROM transfer_doc WHERE marc_rec_no='M1'"_qs), u"1W001"_qs);
        QCOMPARE(lib.snapshot(u"SELECT type_code,cert_id,prop_no FROM mail_data ORDER BY type_code"_qs),
                 u"305|R1|P1\n306|R1|P1"_qs);
        QCOMPARE(lib.f.one(u"SELECT lendable_copies FROM marc WHERE marc_rec_no='M1'"_qs), u"3"_qs);
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30001' AND marc_rec_no='M1'"_qs), 1);
        QCOMPARE(assign.titleModel().at(0).storeFlag, u"1"_qs);

        // Saved again: no second notice; one copy taken off circulation.
        RowModel<AssignRow> &m = assign.copyModel();
        QVERIFY(m.setData(m.index(1, headingColumn(m, u"送交流通"_qs)), int(Qt::Unchecked), Qt::CheckStateRole));
        QCOMPARE(assign.save(), 1);
        QCOMPARE(lib.count(u"mail_data"_qs), 2);
        QCOMPARE(lib.count(u"item WHERE marc_rec_no='M1'"_qs), 2);
        QCOMPARE(lib.f.one(u"SELECT in_date FROM indi_acct WHERE prop_no='P1'"_qs), today);
        QVERIFY(assign.next());
        QCOMPARE(assign.currentTitle()->marcRecNo, u"M2"_qs);
        QVERIFY(prompter.done());
    }

    // A failing last statement leaves every table as before and the grid
    // with the edits; so does a bar code another copy has.
    void failedSaveKeepsEverything_data() { addBackendRows(); }
    void failedSaveKeepsEverything()
    {
        NEWBOOK_LIB(lib);
        QVERIFY(lib.failLogCode("30001"));
        NewBookAssign assign(lib.f.context());
        QCOMPARE(assign.loadBatch(u"JJ1"_qs), 1);
        const QString before = newBookState(lib);
        QVERIFY(typeBar(assign, 0, u"B0200"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(assign.allCirculate() + assign.autoBarcode(), 2);
        QCOMPARE(assign.save(), -1);
        QCOMPARE(newBookState(lib), before);
        QVERIFY(assign.dirty());
        QCOMPARE(assign.copyModel().at(1).barCode, u"B0201"_qs);

        QVERIFY(typeBar(assign, 2, u"B0001"_qs));
        QCOMPARE(assign.save(), -1);
        QCOMPARE(prompter.lastText(), u"条码号重复!"_qs); // INDI_BARCODE_IDX
        QCOMPARE(newBookState(lib), before);
        QCOMPARE(assign.copyModel().at(2).barCode, u"B0001"_qs);
    }

    // A copy in a special state can't be edited and stops the fills.
    void lockedCopiesAndRights_data() { addBackendRows(); }
    void lockedCopiesAndRights()
    {
        NEWBOOK_LIB(lib);
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET book_stat_code='38' WHERE prop_no='P3'"_qs));
        NewBookAssign assign(lib.f.context());
        QCOMPARE(assign.loadBatch(u"JJ1"_qs), 1);
        QSignalSpy refusals(&assign.copyModel(), &RowModelBase::refused);
        QVERIFY(!typeBar(assign, 2, u"B0300"_qs));
        QCOMPARE(refusals.size(), 1);
        QCOMPARE(refusals.at(0).at(0).toString(), u"I该书处于不可修改状态，请在书刊特别状态处理模块中处理！"_qs);
        QVERIFY(assign.copyModel().at(2).barCode.isEmpty());
        QCOMPARE(assign.allCirculate() + assign.autoAssign(), 0);
        QCOMPARE(prompter.texts().filter(u"有书处于不可修改状态"_qs).size(), 2);
        QVERIFY(!assign.dirty());

        // Locations restricted per operator: L9 is not the operator's.
        QVERIFY(lib.f.setParam(u"47"_qs, u"1"_qs) && lib.reload());
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET book_stat_code='16', dis_location='L9' WHERE prop_no='P3'"_qs));
        QCOMPARE(assign.reloadCopies(), 1);
        QCOMPARE(assign.autoBarcode() + assign.undo(), 0);
        QCOMPARE(prompter.texts().filter(u"该种书包含不可处理馆藏地，无法操作。"_qs).size(), 2);
        QVERIFY(prompter.done());
    }

    void undoRefusedAfterCirculation_data() { addBackendRows(); }
    void undoRefusedAfterCirculation()
    {
        NEWBOOK_LIB(lib);
        NewBookAssign assign(lib.f.context());
        QCOMPARE(assign.loadBatch(u"JJ1"_qs), 1);
        QVERIFY(typeBar(assign, 0, u"B0100"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(assign.allCirculate() + assign.autoBarcode() + assign.save(), 3);
        QVERIFY(lib.f.exec(u"UPDATE item SET total_circ_times=1 WHERE prop_no='P2'"_qs));
        const QString saved = newBookState(lib);
        prompter.answer(AnswerOk);
        QCOMPARE(assign.undo(), 0);
        QCOMPARE(prompter.lastText(), u"该书已经流通，不能取消典藏。"_qs);
        QCOMPARE(newBookState(lib), saved);

        lib.f.context().session().rights = QStringList{u"3001"_qs};
        QCOMPARE(assign.undo(), 0);
        QVERIFY(prompter.lastText().contains(u"3021"_qs));
        lib.f.context().session().rights = QStringList{u"3021"_qs};
        QVERIFY(lib.f.exec(u"UPDATE item SET total_circ_times=0"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(assign.undo(), 1);
        QCOMPARE(copyColumns(lib, "book_stat_code,dis_location,in_date"), u"16|L1| 16|L1| 16|L1| 16|L2|"_qs);
        QCOMPARE(lib.count(u"item WHERE marc_rec_no='M1'"_qs), 0);
        QCOMPARE(lib.f.one(u"SELECT store_flag FROM transfer_doc WHERE marc_rec_no='M1'"_qs), u"0"_qs);
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30004'"_qs), 1);
        QVERIFY(prompter.done());
    }

    // Two operators have the same title open: the second save finds the
    // copies changed, writes nothing and reads them again.
    void twoOperatorsSaveOneTitle_data() { addBackendRows(); }
    void twoOperatorsSaveOneTitle()
    {
        NEWBOOK_LIB(lib);
        auto other = lib.secondOperator(u"W002"_qs);
        QVERIFY(other != nullptr);
        NewBookAssign first(lib.f.context());
        NewBookAssign second(other->context());
        QCOMPARE(first.loadBatch(u"JJ1"_qs) + second.loadBatch(u"JJ1"_qs), 2);
        QVERIFY(typeBar(first, 0, u"B0100"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(first.allCirculate() + first.autoBarcode() + first.save(), 3);
        const QString saved = newBookState(lib);

        other->context().preferences().bookStat = u"0"_qs;
        QVERIFY(typeBar(second, 0, u"C0100"_qs));
        QCOMPARE(second.save(), 0);
        QCOMPARE(other->prompter().lastText(), u"该种书已被其他操作员修改，已重新读取，请核对后再保存。"_qs);
        QCOMPARE(newBookState(lib), saved);
        QCOMPARE(second.copyModel().at(0).barCode, u"B0100"_qs);
        QCOMPARE(lib.count(u"mail_data"_qs), 2);
    }

    // The whole batch at once: intake dates kept where they exist, special
    // states left alone, readers told once; branch mode needs a subscriber.
    void batchAssignment_data() { addBackendRows(); }
    void batchAssignment()
    {
        NEWBOOK_LIB(lib);
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET book_stat_code='38' WHERE prop_no='P3'"_qs));
        QVERIFY(lib.f.setParam(u"47"_qs, u"1"_qs) && lib.reload());
        const QString before = newBookState(lib);
        AssignTarget target{u"JJ1"_qs, QString(), u"L2"_qs, u"42"_qs, true};
        QCOMPARE(assignWholeBatch(lib.f.context(), target), 0); // no question asked
        QCOMPARE(prompter.lastText(), u"分馆模式下订户不能选择为不定！"_qs);
        target.subscriber = u"L1"_qs;
        QCOMPARE(assignWholeBatch(lib.f.context(), target), 0);
        QVERIFY(prompter.lastText().startsWith(u"送交流通的书刊必须分配条码号！"_qs));
        QCOMPARE(newBookState(lib), before);

        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET bar_code='C'||prop_no WHERE move_batch='JJ1'"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(assignWholeBatch(lib.f.context(), target), 1);
        const QString today = lib.today();
        QCOMPARE(copyColumns(lib, "prop_no,dis_location,book_stat_code,in_date"),
                 u"P1|L2|42|%1 P2|L2|42|2025-09-01 P3|L1|38| P4|L2|16|"_qs.arg(today));
        QCOMPARE(lib.snapshot(u"SELECT prop_no,location,in_date FROM item ORDER BY prop_no"_qs).replace(u'\n', u' '),
                 u"P1|L2|%1 P2|L2|2025-09-01"_qs.arg(today));
        QCOMPARE(lib.snapshot(u"SELECT marc_rec_no,store_flag FROM transfer_doc ORDER BY 1"_qs).replace(u'\n', u' '),
                 u"M1|1 M2|0 M3|0"_qs);
        QCOMPARE(lib.count(u"mail_data"_qs), 2);
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30002'"_qs), 1);

        // Again, without circulation and leaving location and status.
        prompter.answer(AnswerOk);
        QCOMPARE(assignWholeBatch(lib.f.context(), {u"JJ1"_qs, u"L1"_qs, QString(), QString(), false}), 1);
        QCOMPARE(lib.count(u"item"_qs), 0);
        QCOMPARE(lib.count(u"mail_data"_qs), 2);
        QCOMPARE(lib.f.one(u"SELECT dis_location||book_stat_code FROM indi_acct WHERE prop_no='P1'"_qs), u"L242"_qs);
        QVERIFY(prompter.done());
    }

    void scannedAssignment_data() { addBackendRows(); }
    void scannedAssignment()
    {
        NEWBOOK_LIB(lib);
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET bar_code='C'||prop_no WHERE prop_no<'P5'"_qs));
        AssignLocation scan(lib.f.context(), BarcodeSettings{});
        scan.target() = {u"JJ1"_qs, u"L1"_qs, u"L2"_qs, u"43"_qs, true};
        const QString before = newBookState(lib);
        const QList<std::pair<QString, QString>> refused = {
            {u"X404"_qs, u"该条码号不存在"_qs},
            {u"B0500"_qs, u"该书不属于本交接批次"_qs},
            {u"CP4"_qs, u"该书不属于本订户"_qs},
        };
        for (const auto &[code, message] : refused) {
            QCOMPARE(scan.enter(code, InputType::Barcode), 0);
            QCOMPARE(prompter.lastText(), message);
        }
        QCOMPARE(scan.enter(u"P404"_qs, InputType::Accession), 0);
        QCOMPARE(prompter.lastText(), u"该财产号不存在"_qs);
        scan.target().moveBatch = u"JJ2"_qs;
        QCOMPARE(scan.enter(u"B0500"_qs, InputType::Barcode), 0);
        QCOMPARE(prompter.lastText(), u"该书不是已编或者审校状态"_qs);
        QCOMPARE(newBookState(lib), before);

        scan.target().moveBatch = u"JJ1"_qs;
        QCOMPARE(scan.enter(u"cp1"_qs, InputType::Barcode), 1);
        QCOMPARE(scan.enter(u"CP1"_qs, InputType::Barcode), 0);
        QCOMPARE(prompter.lastText(), u"该书已在列表中"_qs);
        QCOMPARE(scan.enter(u"P2"_qs, InputType::Accession), 1);
        QCOMPARE(scan.listModel().count(), 2);
        QCOMPARE(lib.f.one(u"SELECT dis_location||book_stat_code||in_date FROM indi_acct WHERE prop_no='P2'"_qs),
                 u"L2432025-09-01"_qs);
        QCOMPARE(lib.count(u"item WHERE location='L2' AND book_stat_code='43'"_qs), 2);
        QCOMPARE(lib.count(u"mail_data"_qs), 2);
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30003'"_qs), 2);
        QCOMPARE(lib.f.one(u"SELECT lendable_copies FROM marc WHERE marc_rec_no='M1'"_qs), u"0"_qs);
        QVERIFY(prompter.done());
    }

    // This window reads 93 as the bar code and 91 as the call number; a
    // search's titles refuse the batch work, and their save takes the
    // batch from the copies.
    void searchMode_data() { addBackendRows(); }
    void searchMode()
    {
        NEWBOOK_LIB(lib);
        QVERIFY(lib.callNumber(u"TP312/45"_qs, u"M2"_qs));
        QVERIFY(lib.f.exec(u"INSERT INTO marc_idx (marc_rec_no,marc_idx_grp,marc_idx_cont) VALUES "
                           "('M3','01','史记'),('M1','05','9787020002207')"_qs));
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET bar_code='B0777' WHERE prop_no='P4'"_qs));
        NewBookAssign assign(lib.f.context());
        const QList<std::tuple<QString, QString, QString>> searches = {
            {u"93"_qs, u" b0777 "_qs, u"M2"_qs},    {u"92"_qs, u"P5"_qs, u"M3"_qs},
            {u"91"_qs, u"TP3"_qs, u"M2"_qs},        {u"01"_qs, u"史"_qs, u"M3"_qs},
            {u"05"_qs, u"7020002207"_qs, u"M1"_qs}, {u"01"_qs, u"无此书"_qs, QString()},
        };
        for (const auto &[type, term, found] : searches) {
            const int rc = assign.search(type, term);
            if (found.isEmpty()) {
                QCOMPARE(rc, 0);
                QCOMPARE(prompter.lastText(), u"没有检索到符合条件的记录！"_qs);
                continue;
            }
            QCOMPARE(rc, 1);
            QCOMPARE(assign.currentTitle()->marcRecNo, found);
        }
        QCOMPARE(assign.search(u"05"_qs, u"9787020002207"_qs), 1);
        QCOMPARE(assign.mode(), NewBookAssign::Mode::Search);
        QCOMPARE(assign.caption(), u"新书分配-条件查询: 书目种数:1"_qs);
        QVERIFY(!assign.batchWorkAllowed());
        QCOMPARE(prompter.lastText(), u"条件查询模式下不能使用批量分配功能"_qs);
        QVERIFY(!assign.runStep(NewBookAssign::Fill::AllCirculate));

        // A rule naming a location the library lacks changes nothing.
        lib.f.tc.writeText(u"CFG/Dc/DCcfg.ini"_qs, u"[L1]\r\n<全部><*><ZZ><ZZ,ZZ><ZZ,ZZ,ZZ>\r\n"_qs);
        reloadAssignSettings(lib.f.context());
        QCOMPARE(assign.autoAssign(), 0);
        QCOMPARE(prompter.lastText(), u"自动分配规则中的馆藏地代码“ZZ”不存在，请修改分配规则。"_qs);
        QVERIFY(!assign.dirty());
        QCOMPARE(assign.copyModel().at(0).disLocation, u"L1"_qs);

        lib.f.context().preferences().bookStat = u"0"_qs;
        QCOMPARE(assign.copyModel().count(), 3);
        RowModel<AssignRow> &m = assign.copyModel();
        QVERIFY(m.setData(m.index(0, headingColumn(m, u"书刊状态"_qs)), u"43"_qs, Qt::EditRole));
        QCOMPARE(assign.save(), 1);
        QCOMPARE(lib.f.one(u"SELECT store_flag FROM transfer_doc WHERE marc_rec_no='M1'"_qs), u"1"_qs);
        QCOMPARE(copyColumns(lib, "book_stat_code"), u"43 16 16 16"_qs);
        QCOMPARE(assign.search(u"93"_qs, QString()), 0);
        // More than 5,000 titles are refused; the list stays.
        QVERIFY(lib.f.exec(u"CREATE TABLE t10 (d VARCHAR(1))"_qs));
        for (int d = 0; d < 10; ++d)
            QVERIFY(lib.f.exec(u"INSERT INTO t10 (d) VALUES ('%1')"_qs.arg(d)));
        QVERIFY(lib.f.exec(u"INSERT INTO marc (marc_rec_no,marc_type) SELECT 'X'||a.d||b.d||c.d||e.d,'C' "
                           "FROM t10 a,t10 b,t10 c,t10 e"_qs));
        QVERIFY(lib.f.exec(u"INSERT INTO marc_idx (marc_rec_no,marc_idx_grp,marc_idx_cont) SELECT marc_rec_no,'01',"
                           "'同名'||marc_rec_no FROM marc WHERE marc_rec_no LIKE 'X%'"_qs));
        QCOMPARE(assign.search(u"01"_qs, u"同名"_qs), 0);
        QCOMPARE(prompter.lastText(), u"结果集过大，请缩小范围重新检索。"_qs);
        QCOMPARE(assign.currentTitle()->marcRecNo, u"M1"_qs); // the list stays
        QVERIFY(prompter.done());
    }

    // Leaving or closing a changed title asks; ShowExist marks the list; a
    // batch assigned in another window shows in the open one.
    void questionsMarksAndOtherWindows_data() { addBackendRows(); }
    void questionsMarksAndOtherWindows()
    {
        NEWBOOK_LIB(lib);
        QVERIFY(lib.copy(u"P0"_qs, u"M2"_qs, u"B0002"_qs, u"L1"_qs, u"41"_qs) &&
                lib.f.exec(u"UPDATE indi_acct SET move_batch='JJ0' WHERE prop_no='P0'"_qs));
        NewBookAssign assign(lib.f.context());
        QCOMPARE(assign.loadBatch(u"JJ1"_qs), 1);
        QCOMPARE(assign.showExist(), 1);
        QCOMPARE(assign.titleModel().at(0).mark + u'/' + assign.titleModel().at(1).mark, u"荐购,读者建议/已有馆藏"_qs);

        QVERIFY(typeBar(assign, 0, u"B0100"_qs));
        prompter.answer(AnswerCancel);
        QVERIFY(!assign.next());
        QCOMPARE(assign.position(), 0);
        prompter.answer(AnswerCancel); // the window stays
        QVERIFY(!assign.mayClose());
        lib.f.context().preferences().bookStat = u"0"_qs;
        QVERIFY(lib.f.exec(u"UPDATE indi_acct SET bar_code='B0100' WHERE prop_no='P9'"_qs));
        prompter.answer(AnswerYes); // the save fails: the window stays
        QVERIFY(!assign.mayClose());
        QCOMPARE(prompter.lastText(), u"条码号重复!"_qs);
        QVERIFY(typeBar(assign, 0, u"B0101"_qs));
        prompter.answer(AnswerYes);
        QVERIFY(assign.mayClose());
        QCOMPARE(prompter.lastText(), u"操作成功完成！"_qs);
        QCOMPARE(lib.f.one(u"SELECT bar_code FROM indi_acct WHERE prop_no='P1'"_qs), u"B0101"_qs);

        QVERIFY(assign.next());
        prompter.answer(AnswerOk);
        QCOMPARE(assignWholeBatch(lib.f.context(), {u"JJ1"_qs, u"L2"_qs, u"L1"_qs, u"44"_qs, false}), 1);
        QCOMPARE(assign.titleModel().at(1).storeFlag, u"1"_qs);
        QCOMPARE(assign.copyModel().at(0).status, u"44"_qs);

        bool ok = false;
        const QList<AssignedPlace> places = assignedPlaces(lib.f.context(), u"M2"_qs, &ok);
        QVERIFY(ok);
        QCOMPARE(places.size(), 1);
        QCOMPARE(places.at(0).location + u':' + places.at(0).copies, u"中文图书库:2册: P0(2025 - 1); P4(2025 - 1)"_qs);
        // The separator of class numbers is the catalogue's: "_" a blank.
        QVERIFY(lib.f.setParam(u"20"_qs, u"_"_qs));
        QCOMPARE(callNumberSeparator(lib.f.context()), u" "_qs);
        QVERIFY(lib.f.setParam(u"20"_qs, QString()));
        QCOMPARE(callNumberSeparator(lib.f.context()), u"/"_qs);
        QVERIFY(prompter.done());
    }

    // The note goes into 215 $e or 300 $e by the record's format, the rest
    // of the record and every other table staying as they were; a refused
    // or failed write leaves marc_data as it was.
    void attachmentNote_data() { addBackendRows(); }
    void attachmentNote()
    {
        NEWBOOK_LIB(lib);
        Session &db = lib.f.db();
        QVERIFY(storeData(lib, "M1", "C", unimarcWithNote("光盘1张")));
        QVERIFY(storeData(lib, "M2", "U", marc21WithNote("1 map")));
        QVERIFY(storeData(lib, "M9", "C", isoRecord({{"001", "M9"}, {"200", "1 " + sf('a', "旧书")}})));
        const QString others = newBookState(lib) + lib.snapshot(u"SELECT * FROM marc ORDER BY 1"_qs) +
                               lib.snapshot(u"SELECT * FROM marc_idx ORDER BY 1,2,3"_qs);

        NewBookAssign assign(lib.f.context());
        QCOMPARE(assign.loadBatch(u"JJ1"_qs), 1);
        prompter.answerText(u" 光盘1张 | 地图'1幅'||"_qs);
        QCOMPARE(assign.attachment(), 1);
        QCOMPARE(storedRecord(lib, "M1"), unimarcWithNote("光盘1张|地图'1幅'"));
        QVERIFY(assign.next());
        prompter.answerText(u"1 map|1 CD-ROM"_qs);
        QCOMPARE(assign.attachment(), 1);
        QCOMPARE(storedRecord(lib, "M2"), marc21WithNote("1 map|1 CD-ROM"));
        prompter.answerText(u"1 map|1 CD-ROM"_qs); // unchanged: nothing asked or written
        QCOMPARE(assign.attachment(), 0);
        QCOMPARE(newBookState(lib) + lib.snapshot(u"SELECT * FROM marc ORDER BY 1"_qs) +
                     lib.snapshot(u"SELECT * FROM marc_idx ORDER BY 1,2,3"_qs),
                 others);
        QVERIFY(prompter.done());

        // Refusals: no 215 $e, a damaged record, a line break, an emptied
        // note, a record that is not there.
        const QString data = lib.snapshot(u"SELECT * FROM marc_data ORDER BY 1,2"_qs);
        QString problem;
        QCOMPARE(writeAttachmentNote(db, CodePage(), u"M9"_qs, u"光盘"_qs, problem), 0);
        QCOMPARE(problem, u"215e子字段存在数据才可以进行附件管理。"_qs);
        QCOMPARE(writeAttachmentNote(db, CodePage(), u"M1"_qs, u"光盘\n地图"_qs, problem), 0);
        QVERIFY(problem.contains(u"控制字符"_qs));
        QCOMPARE(writeAttachmentNote(db, CodePage(), u"M1"_qs, u" | "_qs, problem), 0);
        QCOMPARE(writeAttachmentNote(db, CodePage(), u"M1"_qs, u"Kort øver"_qs, problem), 0);
        QVERIFY(problem.contains(u"“ø”（U+00F8）"_qs));
        QCOMPARE(writeAttachmentNote(db, CodePage(), u"NONE"_qs, u"光盘"_qs, problem), 0);
        QCOMPARE(lib.snapshot(u"SELECT * FROM marc_data ORDER BY 1,2"_qs), data);
        QByteArray broken = unimarcWithNote("光盘");
        broken.replace(24 + 12 + 3, 4, "0x12"); // the length of 200: that field would be lost
        QVERIFY(lib.f.exec(
            u"UPDATE marc_data SET marc01=%1 WHERE marc_rec_no='M9'"_qs.arg(sqlQuote(MarcCodec().decode(broken)))));
        const QString damaged = lib.snapshot(u"SELECT * FROM marc_data ORDER BY 1,2"_qs);
        QCOMPARE(writeAttachmentNote(db, CodePage(), u"M9"_qs, u"光盘"_qs, problem), 0);
        QVERIFY(problem.contains(u"已损坏"_qs));
        QCOMPARE(lib.snapshot(u"SELECT * FROM marc_data ORDER BY 1,2"_qs), damaged);

        // A statement failing after the old rows were deleted rolls them back.
        QVERIFY(
            lib.f.exec(u"ALTER TABLE marc_data RENAME TO marc_data_real"_qs) &&
            lib.f.exec(u"CREATE TABLE marc_data (marc_rec_no VARCHAR(20),data_serial INTEGER,"
                       "marc01 VARCHAR(2000),marc02 VARCHAR(2000) CHECK (marc02 IS NULL),marc03 VARCHAR(2000))"_qs) &&
            lib.f.exec(u"INSERT INTO marc_data SELECT * FROM marc_data_real"_qs));
        QCOMPARE(writeAttachmentNote(db, CodePage(), u"M1"_qs, QString(2100, u'x'), problem), -1);
        QCOMPARE(lib.snapshot(u"SELECT * FROM marc_data ORDER BY 1,2"_qs), damaged);
        QCOMPARE(storedRecord(lib, "M1"), unimarcWithNote("光盘1张|地图'1幅'"));
    }
};

KESTRA_TEST(NewBookAssignTest)
#include "NewBookAssignTest.moc"
