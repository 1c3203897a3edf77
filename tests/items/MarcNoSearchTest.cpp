// The record-number search on both backends: the three index families, the
// copy columns, the restrictions to records with circulation copies, copies
// or call numbers, and its messages.

#include "items/MarcNoSearch.h"
#include "items/SearchTestData.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

using Family = MarcNoSearch::Family;
using Restriction = MarcNoSearch::Restriction;

SearchCondition cond(int index, MatchMode mode, const QString &value)
{
    return SearchCondition{index, mode, value};
}

} // namespace

class MarcNoSearchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void restrictions_data() { addBackendRows(); }
    void restrictions()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(seedCatalogue(f));
        MarcNoSearch s(f.context());
        QVERIFY(s.prepare());
        const QList<SearchCondition> china{cond(1, MatchMode::Prefix, QStringLiteral("中国"))};

        QCOMPARE(s.search(Family::Catalogue, Restriction::None, china), MarcNoSearch::Outcome::Listed);
        QCOMPARE(s.recordNumbers(), (QStringList{QStringLiteral("M1"), QStringLiteral("M2"), QStringLiteral("M4")}));
        QCOMPARE(s.records().at(1).title, QStringLiteral("中国文学"));
        QCOMPARE(s.records().at(1).author, QStringLiteral("李四"));
        QCOMPARE(s.search(Family::Catalogue, Restriction::WithCopy, china), MarcNoSearch::Outcome::Listed);
        QCOMPARE(s.recordNumbers(), (QStringList{QStringLiteral("M1"), QStringLiteral("M2")}));
        QCOMPARE(s.search(Family::Catalogue, Restriction::WithItem, china), MarcNoSearch::Outcome::Listed);
        QCOMPARE(s.recordNumbers(), QStringList{QStringLiteral("M1")});
        QCOMPARE(s.search(Family::Catalogue, Restriction::WithCallNo, china), MarcNoSearch::Outcome::Listed);
        QCOMPARE(s.recordNumbers(), QStringList{QStringLiteral("M2")});

        f.prompter().clear();
        QCOMPARE(
            s.search(Family::Catalogue, Restriction::WithItem, {cond(1, MatchMode::Exact, QStringLiteral("中国地理"))}),
            MarcNoSearch::Outcome::NoHit);
        QCOMPARE(f.prompter().lastText(), QStringLiteral("没有检索到符合条件的记录！"));
        QVERIFY(s.records().isEmpty());
    }

    void copyColumnsAndCombinedRows_data() { addBackendRows(); }
    void copyColumnsAndCombinedRows()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(seedCatalogue(f));
        MarcNoSearch s(f.context());
        QVERIFY(s.prepare());

        // A copy column first: its table stands as idx0 and gives the numbers.
        QCOMPARE(s.search(Family::Catalogue, Restriction::None,
                          {cond(IndexBarcode, MatchMode::Exact, QStringLiteral("b0002")),
                           cond(1, MatchMode::Anywhere, QStringLiteral("历史"))}),
                 MarcNoSearch::Outcome::Listed);
        QCOMPARE(s.recordNumbers(), QStringList{QStringLiteral("M1")});
        QCOMPARE(s.search(Family::Catalogue, Restriction::None,
                          {cond(IndexCallNo, MatchMode::Prefix, QStringLiteral("I206"))}),
                 MarcNoSearch::Outcome::Listed);
        QCOMPARE(s.recordNumbers(), QStringList{QStringLiteral("M2")});
        QCOMPARE(s.search(Family::Catalogue, Restriction::WithItem,
                          {cond(IndexPropNo, MatchMode::Prefix, QStringLiteral("C")),
                           cond(2, MatchMode::Prefix, QStringLiteral("张"))}),
                 MarcNoSearch::Outcome::Listed);
        QCOMPARE(s.recordNumbers(), QStringList{QStringLiteral("M1")});
        // Two index rows that no one record has both of.
        QCOMPARE(s.search(Family::Catalogue, Restriction::None,
                          {cond(1, MatchMode::Prefix, QStringLiteral("中国文")),
                           cond(2, MatchMode::Exact, QStringLiteral("张三"))}),
                 MarcNoSearch::Outcome::NoHit);
        // Wildcards and quotes match themselves.
        QCOMPARE(s.search(Family::Catalogue, Restriction::None, {cond(2, MatchMode::Anywhere, QStringLiteral("%_"))}),
                 MarcNoSearch::Outcome::Listed);
        QCOMPARE(s.recordNumbers(), QStringList{QStringLiteral("M5")});
        QCOMPARE(s.search(Family::Catalogue, Restriction::None, {cond(2, MatchMode::Prefix, QStringLiteral("O'"))}),
                 MarcNoSearch::Outcome::NoHit);
    }

    void otherFamilies_data() { addBackendRows(); }
    void otherFamilies()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(seedCatalogue(f));
        QVERIFY(f.exec(QStringLiteral("INSERT INTO asord_marc (asord_marc_rec_no,m_title,m_author) "
                                      "VALUES ('A1','中国通史','张三')")));
        QVERIFY(addKey(f, QStringLiteral("A1"), QStringLiteral("01"), QStringLiteral("中国通史"),
                       QStringLiteral("asord_marc_idx")));
        QVERIFY(f.exec(QStringLiteral("INSERT INTO au_marc (au_marc_rec_no,m_heading) VALUES ('H1','中国--历史')")));
        QVERIFY(addKey(f, QStringLiteral("H1"), QStringLiteral("03"), QStringLiteral("中国--历史"),
                       QStringLiteral("au_marc_idx")));
        MarcNoSearch s(f.context());
        QVERIFY(s.prepare());

        QCOMPARE(s.search(Family::Acquisition, Restriction::None, {cond(1, MatchMode::Prefix, QStringLiteral("中国"))}),
                 MarcNoSearch::Outcome::Listed);
        QCOMPARE(s.recordNumbers(), QStringList{QStringLiteral("A1")});
        QCOMPARE(s.records().first().title, QStringLiteral("中国通史"));
        QVERIFY(s.buildSql(Family::Acquisition, Restriction::None, {cond(1, MatchMode::Prefix, QStringLiteral("中国"))})
                    .contains(QStringLiteral("SELECT DISTINCT idx0.asord_marc_rec_no")));

        QCOMPARE(
            s.search(Family::Authority, Restriction::WithCopy, {cond(3, MatchMode::Anywhere, QStringLiteral("历史"))}),
            MarcNoSearch::Outcome::Listed);
        QCOMPARE(s.recordNumbers(), QStringList{QStringLiteral("H1")});
        QCOMPARE(s.records().first().title, QStringLiteral("中国--历史"));
        // The acquisition search is not in the authority history: choosing
        // it from there would search the wrong index.
        QCOMPARE(s.history().size(), 1);
        // Switching the family drops the results too: OK cannot return an
        // authority number as a bibliographic one.
        s.switchFamily(Family::Catalogue);
        QVERIFY(s.records().isEmpty() && s.history().isEmpty());
        s.switchFamily(Family::Catalogue);
        QCOMPARE(s.family(), Family::Catalogue);

        // Authority records have no copies: no copy columns, so a barcode
        // row leaves nothing to search for.
        QVERIFY(!findIndex(s.indexes(Family::Authority), IndexBarcode));
        QVERIFY(findIndex(s.indexes(Family::Acquisition), IndexBarcode));
        f.prompter().clear();
        QCOMPARE(s.search(Family::Authority, Restriction::None,
                          {cond(IndexBarcode, MatchMode::Exact, QStringLiteral("B0001"))}),
                 MarcNoSearch::Outcome::NoCondition);
        QCOMPARE(f.prompter().lastText(), QStringLiteral("请输入检索条件！"));
    }
};

KESTRA_TEST(MarcNoSearchTest)
#include "MarcNoSearchTest.moc"
