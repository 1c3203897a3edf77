// The virtual shelves on SQLite and PostgreSQL: the tree and its codes with
// their limits, saving, deleting and ordering shelves, the catalogue search,
// adding titles without duplicates, ordering and removing them with
// book_count kept equal to the rows, the shelf carried over from before
// levels, and two operators adding to one shelf at once.

#include "shelving/VirtualShelf.h"
#include "items/CopyTestLib.h"
#include "items/SearchTestData.h"
#include "support/TestRunner.h"

#include <QTest>
#include <thread>

using namespace kestra;
using namespace kestra::test;

namespace {

QString orders(CopyTestLib &lib, const QString &shelf)
{
    return lib.snapshot(u"SELECT marc_rec_no,book_order FROM virtual_shelf_book WHERE class_id="_qs + sqlQuote(shelf) +
                        u" ORDER BY marc_rec_no"_qs);
}

QString bookCount(CopyTestLib &lib, const QString &shelf)
{
    return lib.f.one(u"SELECT book_count FROM virtual_shelf_class WHERE class_id="_qs + sqlQuote(shelf));
}

ShelfClass named(const QString &id, const QString &name)
{
    return ShelfClass{id, name, QString(), 0, QString(), QString(), 0};
}

bool addShelf(VirtualShelf &v, const QString &parent, const QString &name)
{
    const QString id = v.newCode(parent);
    return !id.isEmpty() && v.save(named(id, name), true) == 1;
}

// Marks the search results of these records.
void markFound(VirtualShelf &v, const QStringList &records)
{
    for (int r = 0; r < v.found().count(); ++r)
        v.found().setMarked(r, records.contains(v.found().at(r).marcRecNo));
}

void markTitle(VirtualShelf &v, const QString &record)
{
    for (int r = 0; r < v.titles().count(); ++r)
        v.titles().setMarked(r, v.titles().at(r).marcRecNo == record);
}

} // namespace

class VirtualShelfTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shelvesCodesAndOrder_data() { addBackendRows(); }
    void shelvesCodesAndOrder()
    {
        OPEN_LIB(lib);
        ScriptedPrompter &prompter = lib.f.prompter();
        VirtualShelf v(lib.f.context());
        QCOMPARE(v.load(), 0);
        QCOMPARE(v.tree().textOf(u"R"_qs), u"公共书架"_qs);
        QCOMPARE(v.save(named(u"001"_qs, u"  "_qs), true), 0);
        QCOMPARE(prompter.lastText(), u"名称不能为空！"_qs);
        QVERIFY(addShelf(v, QString(), u"文学"_qs) && addShelf(v, QString(), u"历史"_qs) &&
                addShelf(v, QString(), u"哲学"_qs));
        QCOMPARE(v.save(named(u"001"_qs, u"again"_qs), true), 0);
        QCOMPARE(prompter.lastText(), u"代码已经存在！"_qs);
        QVERIFY(addShelf(v, u"001"_qs, u"小说"_qs) && addShelf(v, u"001001"_qs, u"武侠"_qs));
        QCOMPARE(lib.snapshot(u"SELECT class_id,class_order,user_type FROM virtual_shelf_class ORDER BY class_id"_qs),
                 u"001|1|0\n001001|1|0\n0010010001|1|0\n002|2|0\n003|3|0"_qs);
        // Three levels in the tree, each under its parent.
        const QModelIndex third = v.tree().indexOf(u"R30010010001"_qs);
        QVERIFY(third.isValid());
        QCOMPARE(v.tree().keyOf(third.parent().parent()), u"R1001"_qs);
        QVERIFY(v.newCode(u"0010010001"_qs).isEmpty());
        QCOMPARE(prompter.lastText(), u"书架层级最多三层，不可在本书架下增加子书架。"_qs);
        // The 1000th shelf of a level, and the 10000th of the third.
        QVERIFY(lib.f.exec(u"INSERT INTO virtual_shelf_class (class_id,class_name,user_type,class_order) "
                           "VALUES ('001999','满','0',2),('0010019999','满','0',2)"_qs));
        QVERIFY(v.newCode(u"001"_qs).isEmpty());
        QCOMPARE(prompter.lastText(), u"本层书架最多999个，不可继续增加。"_qs);
        QVERIFY(v.newCode(u"001001"_qs).isEmpty());
        QCOMPARE(prompter.lastText(), u"本层书架最多9999个，不可继续增加。"_qs);
        QCOMPARE(v.newCode(u"002"_qs), u"002001"_qs);

        // A shelf with sub-shelves is not deleted; deleting the second of
        // three moves the third up and takes its titles with it.
        QVERIFY(lib.record(u"M1"_qs, u"红楼梦"_qs));
        QVERIFY(
            lib.f.exec(u"INSERT INTO virtual_shelf_book (class_id,marc_rec_no,book_order) VALUES ('002','M1',1)"_qs));
        v.load();
        QCOMPARE(v.remove(u"001"_qs), 0);
        QCOMPARE(prompter.lastText(), u"该书架下还有其他子书架，不能删除？"_qs);
        prompter.answer(AnswerCancel);
        QCOMPARE(v.remove(u"002"_qs), 0);
        QCOMPARE(lib.count(u"virtual_shelf_class WHERE class_id='002'"_qs), 1);
        prompter.answer(AnswerOk);
        QCOMPARE(v.remove(u"002"_qs), 1);
        QCOMPARE(lib.count(u"virtual_shelf_book"_qs), 0);
        QCOMPARE(lib.snapshot(u"SELECT class_id,class_order FROM virtual_shelf_class WHERE length(class_id)=3 "
                              "ORDER BY class_id"_qs),
                 u"001|1\n003|2"_qs);
        // Below level 1 the gap closes among the parent's shelves only.
        QVERIFY(addShelf(v, u"003"_qs, u"甲"_qs) && addShelf(v, u"003"_qs, u"乙"_qs));
        prompter.answer(AnswerOk);
        QCOMPARE(v.remove(u"003001"_qs), 1);
        QCOMPARE(lib.snapshot(u"SELECT class_id,class_order FROM virtual_shelf_class WHERE class_id IN "
                              "('001999','003002') ORDER BY class_id"_qs),
                 u"001999|2\n003002|1"_qs);
        // Ordering exchanges places with the neighbour; the first goes no higher.
        QCOMPARE(v.moveShelf(u"003"_qs, -1), 1);
        QCOMPARE(v.moveShelf(u"003"_qs, -1), 0);
        QCOMPARE(lib.snapshot(u"SELECT class_id,class_order FROM virtual_shelf_class WHERE length(class_id)=3 "
                              "ORDER BY class_order"_qs),
                 u"003|1\n001|2"_qs);
        QCOMPARE(lib.count(u"log_detl WHERE log_type IN ('30022','30024')"_qs), 9);
        QVERIFY(prompter.done());
    }

    void titlesOnAShelf_data() { addBackendRows(); }
    void titlesOnAShelf()
    {
        OPEN_LIB(lib);
        ScriptedPrompter &prompter = lib.f.prompter();
        QVERIFY(seedCatalogue(lib.f));
        VirtualShelf v(lib.f.context());
        QVERIFY(addShelf(v, QString(), u"推荐"_qs));
        QVERIFY(v.select(u"001"_qs) == 0);
        // Title keys of the index group, then a copy's barcode.
        QCOMPARE(v.search(1, u"中国"_qs), 3);
        markFound(v, {u"M1"_qs, u"M2"_qs, u"M4"_qs});
        QCOMPARE(v.addMarked(), 3);
        QCOMPARE(prompter.lastText(), u"书目增加完成。"_qs);
        QCOMPARE(orders(lib, u"001"_qs), u"M1|1\nM2|2\nM4|3"_qs);
        QCOMPARE(v.search(91, u"B0001"_qs), 1);
        markFound(v, {u"M1"_qs});
        QCOMPARE(v.addMarked(), 0); // already there
        QCOMPARE(bookCount(lib, u"001"_qs), u"3"_qs);

        // Removing the first closes the gap.
        markTitle(v, u"M1"_qs);
        prompter.answer(AnswerOk);
        QCOMPARE(v.removeMarked(), 1);
        QCOMPARE(orders(lib, u"001"_qs), u"M2|1\nM4|2"_qs);
        QCOMPARE(bookCount(lib, u"001"_qs), u"2"_qs);
        // Ordering: exactly one title.
        v.titles().markAll(false);
        QCOMPARE(v.moveTitle(-1), 0);
        QCOMPARE(prompter.lastText(), u"必须并且只能选择一条数据进行顺序调整。"_qs);
        markTitle(v, u"M4"_qs);
        QCOMPARE(v.moveTitle(-1), 1);
        QCOMPARE(orders(lib, u"001"_qs), u"M2|2\nM4|1"_qs);
        QCOMPARE(v.titles().at(0).marcRecNo, u"M4"_qs);
        prompter.answerText(u"值得一读"_qs);
        QCOMPARE(v.editRemark(0), 1);
        QCOMPARE(lib.f.one(u"SELECT remark FROM virtual_shelf_book WHERE marc_rec_no='M4'"_qs), u"值得一读"_qs);

        // The shelf from before levels: titles without order, none reordered,
        // no sub-shelf.
        QVERIFY(lib.f.exec(u"INSERT INTO virtual_shelf_class (class_id,class_name,book_count,user_type,class_order) "
                           "VALUES ('000','旧书架',0,'0',0)"_qs));
        v.load();
        QVERIFY(v.newCode(u"000"_qs).isEmpty());
        QCOMPARE(prompter.lastText(), u"该书架为升级前所建旧书架，不可在本书架下增加子书架。"_qs);
        QCOMPARE(v.moveShelf(u"000"_qs, 1), 0);
        QCOMPARE(prompter.lastText(), u"该书架为升级前所建旧书架，不可对本书架进行顺序调整。"_qs);
        v.select(u"000"_qs);
        QCOMPARE(v.search(1, u"中国"_qs), 3);
        markFound(v, {u"M1"_qs, u"M2"_qs});
        QCOMPARE(v.addMarked(), 2);
        QCOMPARE(lib.count(u"virtual_shelf_book WHERE class_id='000' AND book_order IS NULL"_qs), 2);
        QCOMPARE(bookCount(lib, u"000"_qs), u"2"_qs);
        markTitle(v, u"M1"_qs);
        QCOMPARE(v.moveTitle(1), 0);
        QCOMPARE(prompter.lastText(), u"该书架为升级前所建旧书架，不可在本书架下进行顺序调整。"_qs);
        QVERIFY(prompter.done());
    }

    // Two operators add titles to one shelf at once: the second waits for
    // the first one's commit and appends after its title, and the count
    // holds both.
    void concurrentAdditions_data() { addBackendRows(); }
    void concurrentAdditions()
    {
        OPEN_LIB(lib);
        QVERIFY(seedCatalogue(lib.f));
        VirtualShelf mine(lib.f.context());
        QVERIFY(addShelf(mine, QString(), u"推荐"_qs));
        std::unique_ptr<TestContext> other = lib.secondOperator(u"W002"_qs);
        std::unique_ptr<TestContext> observer = lib.secondOperator(u"W003"_qs);
        QVERIFY(other && observer);
        VirtualShelf theirs(other->context());
        QCOMPARE(theirs.load(), 1);
        theirs.select(u"001"_qs);
        QCOMPARE(theirs.search(1, u"中国文学"_qs), 1);
        markFound(theirs, {u"M2"_qs});
        mine.select(u"001"_qs);
        QCOMPARE(mine.search(1, u"中国历史"_qs), 1);
        markFound(mine, {u"M1"_qs});

        // Another client's addition holds the shelf with its title written
        // but not committed while theirs starts.
        const bool postgres = backend == static_cast<int>(TestDatabase::Kind::Postgres);
        int theirsAdded = -2;
        bool waited = false;
        std::thread rival;
        Session &db = lib.f.context().db();
        {
            Transaction tx(db);
            QVERIFY(db.execute(u"UPDATE virtual_shelf_class SET book_count=book_count WHERE class_id='001'"_qs) >= 0);
            QVERIFY(db.execute(u"INSERT INTO virtual_shelf_book (class_id,marc_rec_no,book_order) "
                               "VALUES ('001','M1',1)"_qs) >= 0);
            rival = std::thread([&] { theirsAdded = theirs.addMarked(); });
            if (postgres) {
                for (int i = 0; i < 3000 && !waited; ++i) {
                    QueryResult r;
                    QVERIFY(observer->context().db().query(u"SELECT count(*) FROM pg_stat_activity WHERE "
                                                           "wait_event_type='Lock' AND datname=current_database()"_qs,
                                                           r) >= 0);
                    waited = r.number(0, 0) > 0;
                    if (!waited)
                        std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                waited = true;
            }
            QVERIFY(db.execute(u"UPDATE virtual_shelf_class SET book_count=(SELECT count(*) FROM virtual_shelf_book "
                               "WHERE class_id='001') WHERE class_id='001'"_qs) >= 0);
            QCOMPARE(tx.commit(), 0);
        }
        rival.join();
        QVERIFY(waited);
        QCOMPARE(theirsAdded, 1);
        QCOMPARE(orders(lib, u"001"_qs), u"M1|1\nM2|2"_qs);
        QCOMPARE(bookCount(lib, u"001"_qs), u"2"_qs);
    }
};

KESTRA_TEST(VirtualShelfTest)
#include "VirtualShelfTest.moc"
