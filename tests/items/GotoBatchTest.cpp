// Transfer batches on SQLite and PostgreSQL: the checks of a new batch, the
// list, search and description, the history of a batch, and deleting one
// (its history goes, no copy moves back), and what the batch windows add:
// the detail's export and printed list, the list read again after a delete.

#include "items/GotoBatch.h"
#include "items/GotoBatchDetail.h"
#include "items/TransferLib.h"
#include "kit/BatchPicker.h"
#include "support/TestRunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

GotoBatch batch(const QString &number, transfer::Kind kind, const QString &from, const QString &to,
                const QString &type = QString())
{
    GotoBatch b;
    b.batchNo = number;
    b.kind = kind;
    b.source = from;
    b.destination = to;
    b.docType = type;
    b.remark = u"O'Neill 专架"_qs;
    return b;
}

} // namespace

class GotoBatchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void createChecksAndList_data() { addBackendRows(); }
    void createChecksAndList()
    {
        TRANSFER_LIB(lib);
        GotoBatches batches(lib.f.context());
        lib.f.context().session().rights = {u"3017"_qs};
        const int before = lib.count(u"goto_batch"_qs);
        QCOMPARE(batches.create(batch(u"  "_qs, transfer::Kind::ByClass, u"L1"_qs, u"L2"_qs)), 0);
        QCOMPARE(prompter.lastText(), u"调拨批次不能为空！"_qs);
        QCOMPARE(batches.create(batch(u"G2"_qs, transfer::Kind::ByLocation, u"All"_qs, u"L2"_qs)), 0);
        QCOMPARE(prompter.lastText(), u"按地调拨原馆藏地不能选择所有馆藏地"_qs);
        QCOMPARE(batches.create(batch(u"G2"_qs, transfer::Kind::ByClass, u"L2"_qs, u"L2"_qs)), 0);
        QCOMPARE(prompter.lastText(), u"新馆藏地与原馆藏地不能相同！"_qs);
        // The kind's right: 3017 is held, 3019 (by copy) is not.
        QCOMPARE(batches.create(batch(u"G2"_qs, transfer::Kind::ByCopy, u"L1"_qs, u"L2"_qs)), 0);
        QVERIFY(prompter.lastText().endsWith(u"3019"_qs));
        QCOMPARE(batches.create(batch(u"G1"_qs, transfer::Kind::ByClass, u"L1"_qs, u"L2"_qs)), 0);
        QCOMPARE(prompter.lastText(), u"调拨批次已经存在！"_qs);
        QCOMPARE(lib.count(u"goto_batch"_qs), before);

        QCOMPARE(batches.create(batch(u" G2 "_qs, transfer::Kind::ByClass, u"All"_qs, u"L2"_qs)), 1);
        QCOMPARE(batches.create(batch(u"G3"_qs, transfer::Kind::ByClass, u"L1"_qs, u"L2"_qs, u"02"_qs)), 1);
        QCOMPARE(lib.snapshot(u"SELECT batch_no||batch_type||src_loca||dst_loca||doc_type_code||remark||wkr_no "
                              "FROM goto_batch WHERE batch_no<>'G1' ORDER BY batch_no"_qs),
                 u"G21AllL2AAO'Neill 专架W001\nG31L1L202O'Neill 专架W001"_qs);
        QCOMPARE(lib.count(u"goto_batch WHERE deal_date="_qs + sqlQuote(lib.today())), 2);
        QCOMPARE(lib.f.one(u"SELECT data1||'/'||data2 FROM log_detl WHERE log_type='30011' AND data1='G3'"_qs),
                 u"G3/按类 中文图书库 -> 外文书库 | 文献类型:西文图书"_qs);

        // The batch dialog's list: the picker's rows since ShowDate (months),
        // newest first; its search reads the number and the remark only.
        AppContext &c = lib.f.context();
        BatchPicker picker(c, batch_table::transfer());
        c.preferences().showDate = u"0"_qs;
        QCOMPARE(picker.list(u"All"_qs), 0);
        QCOMPARE(picker.rows().rowCount(), 2);
        QCOMPARE(GotoBatches::fromRow(picker.rows(), 0).batchNo, u"G3"_qs);
        QCOMPARE(GotoBatches::fromRow(picker.rows(), 1).docType, QString()); // "AA" reads as every type
        c.preferences().showDate = u"All"_qs;
        QCOMPARE(picker.list(u"All"_qs), 0);
        QCOMPARE(picker.rows().rowCount(), 3);
        QCOMPARE(GotoBatches::fromRow(picker.rows(), 2).kind, transfer::Kind::ByLocation);
        const QList<int> numberAndRemark = GotoBatches::searchColumns();
        QCOMPARE(picker.find(u"g3"_qs, 0, numberAndRemark), 0);
        QCOMPARE(picker.find(u"专架"_qs, 1, numberAndRemark), 1);
        QCOMPARE(picker.find(u"L1"_qs, 0, numberAndRemark), -1); // a source location, not searched
        QCOMPARE(prompter.lastText(), u"未查询到相应调拨批次。"_qs);
        QCOMPARE(picker.find(u" "_qs, 0, numberAndRemark), -1);
        QCOMPARE(prompter.lastText(), u"请输入查询内容。"_qs);
        QVERIFY(prompter.done());
    }

    void detailAndDelete_data() { addBackendRows(); }
    void detailAndDelete()
    {
        TRANSFER_LIB(lib);
        AppContext &c = lib.f.context();
        GotoBatches batches(c);
        QVERIFY(lib.f.exec(u"INSERT INTO goto_batch (batch_no,batch_type,src_loca,dst_loca,doc_type_code) "
                           "VALUES ('G9','3','L1','L2','AA')"_qs));
        TransferPlan plan{u"L1"_qs, u"L2"_qs, u"42"_qs, QString(), u"G1"_qs};
        QCOMPARE(transferCopy(c, plan, u"P4"_qs), 1);
        QCOMPARE(transferCopy(c, plan, u"P1"_qs), 1);
        plan.batchNo = u"G9"_qs;
        QCOMPARE(transferCopy(c, plan, u"P5"_qs), 1);

        QList<GotoDetailRow> rows;
        QCOMPARE(batches.detail(u"G1"_qs, rows), 2);
        QCOMPARE(rows.at(0).propNo, u"P1"_qs); // newest first
        QCOMPARE(rows.at(0).title, u"红楼梦"_qs);
        QCOMPARE(rows.at(0).sourceStatus + rows.at(0).targetStatus + rows.at(0).status, u"414242"_qs);
        QCOMPARE(rows.at(0).sourceLocation + rows.at(0).disLocation, u"L1L2"_qs);
        QCOMPARE(rows.at(1).barCode, u"B0004"_qs);
        QCOMPARE(rows.at(1).yearVolume, u"2025-1"_qs);

        // The detail window: its rows, the text export, the printed list.
        GotoBatchDetail detail(c);
        QCOMPARE(detail.load(u"G1"_qs), 2);
        QCOMPARE(detail.model().text(0, 0), u"P1"_qs);
        QCOMPARE(detail.model().text(1, 8), u"非可借"_qs);
        QTemporaryDir dir;
        QVERIFY(detail.exportTo(dir.filePath(u"G1.txt"_qs)));
        QCOMPARE(prompter.lastText(), u"数据导出成功。"_qs);
        QFile exported(dir.filePath(u"G1.txt"_qs));
        QVERIFY(exported.open(QIODevice::ReadOnly));
        const QStringList lines = c.codePage().decode(exported.readAll()).split(u"\r\n"_qs, Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.at(2).startsWith(u"P4,B0004,"_qs));
        const std::optional<ListReport> list = detail.report();
        QVERIFY(list.has_value());
        QCOMPARE(list->headerLines, QStringList{u"调拨批次：G1"_qs});
        QCOMPARE(list->footer.first().value, u"2册"_qs);
        QCOMPARE(list->rows.size(), 2);

        const QString places0 = places(lib);
        c.session().rights = {u"3019"_qs};
        QCOMPARE(batches.remove(u"G1"_qs), 0);
        QVERIFY(prompter.lastText().endsWith(u"3013"_qs));
        c.session().rights = {u"3013"_qs};
        prompter.answer(AnswerCancel);
        QCOMPARE(batches.remove(u"G1"_qs), 0);
        QCOMPARE(lib.count(u"goto_detl"_qs), 3);
        // The batch window's list: the picker's rows with names, not codes.
        c.preferences().showDate = u"All"_qs;
        QVERIFY(lib.f.exec(u"INSERT INTO lib_worker (wkr_no,wkr_name) VALUES ('W001','王五')"_qs));
        QCOMPARE(c.codes().load(CodeCache::Staff), 0);
        BatchPicker picker(c, batch_table::transfer());
        QueryModel list2(GotoBatches::listColumns(c));
        QCOMPARE(picker.list(u"All"_qs), 0);
        list2.reset(picker.rows());
        QCOMPARE(list2.count(), 2); // "All" takes in G9, which has no date
        const int g1 = picker.find(u"g1"_qs);
        QCOMPARE(GotoBatches::fromRow(list2.rows(), g1).batchNo, u"G1"_qs);
        QCOMPARE(list2.text(g1, 7), u"王五"_qs); // the operator by name, as in the detail
        prompter.answer(AnswerOk);
        QCOMPARE(batches.remove(u"G1"_qs), 1);
        QCOMPARE(lib.count(u"goto_batch WHERE batch_no='G1'"_qs), 0);
        QCOMPARE(lib.snapshot(u"SELECT batch_no||prop_no FROM goto_detl"_qs), u"G9P5"_qs);
        QCOMPARE(places(lib), places0);
        QCOMPARE(lib.count(u"log_detl WHERE log_type='30012' AND data1='G1'"_qs), 1);
        QVERIFY(prompter.done());
    }
};

KESTRA_TEST(GotoBatchTest)
#include "GotoBatchTest.moc"
