// The copy search on both backends: the match modes, rows combined, the
// term normalisation, hostile values, the hit limit, the history, the
// location check of OK and the index use of a title-prefix search.

#include "items/CopySearch.h"
#include "items/SearchTestData.h"
#include "marc/BibParams.h"
#include "marc/MarcText.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

SearchCondition cond(int index, MatchMode mode, const QString &value)
{
    return SearchCondition{index, mode, value};
}

QStringList props(const CopySearch &s)
{
    QStringList out;
    for (const FoundCopy &c : s.copies())
        out.append(c.propNo);
    return out;
}

// The statement the backend runs, for EXPLAIN.
QStringList plan(SuiteFixture &f, int backend, const QString &sql)
{
    QueryResult rows;
    const bool pg = backend == int(TestDatabase::Kind::Postgres);
    if (pg && f.db().execute(QStringLiteral("SET enable_seqscan = off")) < 0)
        return {QStringLiteral("<set failed>")};
    const int status =
        f.db().query((pg ? QStringLiteral("EXPLAIN ") : QStringLiteral("EXPLAIN QUERY PLAN ")) + sql, rows);
    if (status < 0)
        return {QStringLiteral("<error> ") + f.context().errors().text};
    QStringList lines;
    for (int r = 0; r < rows.rowCount(); ++r)
        lines.append(rows.text(r, rows.columnCount() - 1));
    return lines;
}

} // namespace

class CopySearchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void matchModes_data() { addBackendRows(); }
    void matchModes()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(seedCatalogue(f));
        CopySearch s(f.context());
        QVERIFY(s.prepare());

        QCOMPARE(s.search({cond(1, MatchMode::Prefix, QStringLiteral("中国"))}), CopySearch::Outcome::Listed);
        QCOMPARE(props(s), (QStringList{QStringLiteral("C1"), QStringLiteral("C2"), QStringLiteral("C3")}));
        QCOMPARE(s.copies().at(0).title, QStringLiteral("中国历史"));
        QCOMPARE(s.copies().at(1).location, QStringLiteral("L2"));
        QCOMPARE(s.copies().at(2).callNo, QStringLiteral("I206/2"));

        QCOMPARE(s.search({cond(1, MatchMode::Anywhere, QStringLiteral("历史"))}), CopySearch::Outcome::Listed);
        QCOMPARE(props(s), (QStringList{QStringLiteral("C1"), QStringLiteral("C2")}));

        // 完全匹配 compares the whole key.
        f.prompter().clear();
        QCOMPARE(s.search({cond(1, MatchMode::Exact, QStringLiteral("中国"))}), CopySearch::Outcome::NoHit);
        QVERIFY(s.copies().isEmpty());
        QCOMPARE(f.prompter().lastText(), QStringLiteral("没有检索到符合条件的记录！"));
        QCOMPARE(s.search({cond(1, MatchMode::Exact, QStringLiteral("中国文学"))}), CopySearch::Outcome::Listed);
        QCOMPARE(props(s), QStringList{QStringLiteral("C3")});

        // The copy columns, typed in lower case.
        QCOMPARE(s.search({cond(IndexBarcode, MatchMode::Exact, QStringLiteral(" b0002 "))}),
                 CopySearch::Outcome::Listed);
        QCOMPARE(props(s), QStringList{QStringLiteral("C2")});
        QCOMPARE(s.search({cond(IndexPropNo, MatchMode::Prefix, QStringLiteral("c"))}), CopySearch::Outcome::Listed);
        QCOMPARE(props(s).size(), 4);
        QCOMPARE(s.search({cond(IndexCallNo, MatchMode::Anywhere, QStringLiteral("206"))}),
                 CopySearch::Outcome::Listed);
        QCOMPARE(props(s), QStringList{QStringLiteral("C3")});
        QVERIFY(f.prompter().done());
    }

    void rowsCombineAndTermsAreNormalised_data() { addBackendRows(); }
    void rowsCombineAndTermsAreNormalised()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(seedCatalogue(f));
        CopySearch s(f.context());
        QVERIFY(s.prepare());

        // Two index rows meet on the record, a copy column narrows the copies;
        // empty rows between them count for nothing.
        QCOMPARE(s.search({cond(1, MatchMode::Prefix, QStringLiteral("中国")), cond(2, MatchMode::Exact, QString()),
                           cond(2, MatchMode::Exact, QStringLiteral("张三")),
                           cond(IndexBarcode, MatchMode::Exact, QStringLiteral("B0002"))}),
                 CopySearch::Outcome::Listed);
        QCOMPARE(props(s), QStringList{QStringLiteral("C2")});
        const QString sql = s.buildSql(
            {cond(1, MatchMode::Prefix, QStringLiteral("中国")), cond(2, MatchMode::Exact, QStringLiteral("张三"))});
        QVERIFY2(sql.contains(QStringLiteral("idx1.marc_rec_no = idx0.marc_rec_no")), qPrintable(sql));

        // Upper case and the title group's stop words, as the keys are stored.
        QCOMPARE(s.search({cond(1, MatchMode::Exact, QStringLiteral("the history of rome"))}),
                 CopySearch::Outcome::Listed);
        QCOMPARE(props(s), QStringList{QStringLiteral("C4")});

        // A title longer than the index width is cut as its key was.
        const QString longTitle = QString(40, QChar(0x4E66));
        QVERIFY(addRecord(f, QStringLiteral("M7"), longTitle, QString()));
        const BibParams &params = f.context().cache<BibParams>();
        QVERIFY(addKey(f, QStringLiteral("M7"), QStringLiteral("01"), longTitle.left(params.indexWidth / 2)));
        QVERIFY(addCopy(f, QStringLiteral("C7"), QStringLiteral("M7"), QStringLiteral("B0007"), QStringLiteral("L1")));
        QCOMPARE(s.search({cond(1, MatchMode::Exact, longTitle)}), CopySearch::Outcome::Listed);
        QCOMPARE(props(s), QStringList{QStringLiteral("C7")});

        // Nothing to search for: empty rows, blanks, a title of stop words only.
        f.prompter().clear();
        QCOMPARE(s.search({}), CopySearch::Outcome::NoCondition);
        QCOMPARE(s.search({cond(1, MatchMode::Prefix, QStringLiteral("   ")),
                           cond(1, MatchMode::Prefix, QStringLiteral("The"))}),
                 CopySearch::Outcome::NoCondition);
        QCOMPARE(f.prompter().texts(), QStringList(2, QStringLiteral("请输入检索条件！")));
        QCOMPARE(s.history().size(), 3); // the searches that ran
    }

    void hostileValues_data() { addBackendRows(); }
    void hostileValues()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(seedCatalogue(f));
        CopySearch s(f.context());
        QVERIFY(s.prepare());

        // Quotes end nothing.
        for (MatchMode m : {MatchMode::Prefix, MatchMode::Anywhere, MatchMode::Exact}) {
            QCOMPARE(s.search({cond(IndexBarcode, m, QStringLiteral("B0001' OR '1'='1")),
                               cond(2, m, QStringLiteral("'); DELETE FROM indi_acct; --"))}),
                     CopySearch::Outcome::NoHit);
        }
        QCOMPARE(f.one(QStringLiteral("SELECT count(*) FROM indi_acct")), QStringLiteral("4"));

        // % and _ match themselves only.
        QCOMPARE(s.search({cond(IndexBarcode, MatchMode::Anywhere, QStringLiteral("_"))}), CopySearch::Outcome::NoHit);
        QCOMPARE(s.search({cond(IndexPropNo, MatchMode::Prefix, QStringLiteral("%"))}), CopySearch::Outcome::NoHit);
        QVERIFY(addCopy(f, QStringLiteral("C5"), QStringLiteral("M5"), QStringLiteral("B0005"), QStringLiteral("L1")));
        QVERIFY(addCopy(f, QStringLiteral("C6"), QStringLiteral("M6"), QStringLiteral("B0006"), QStringLiteral("L1")));
        QCOMPARE(s.search({cond(2, MatchMode::Prefix, QStringLiteral("50%_"))}), CopySearch::Outcome::Listed);
        QCOMPARE(props(s), QStringList{QStringLiteral("C5")});
        QCOMPARE(s.search({cond(2, MatchMode::Anywhere, QStringLiteral("%_O"))}), CopySearch::Outcome::Listed);
        QCOMPARE(props(s), QStringList{QStringLiteral("C5")});
        QCOMPARE(s.search({cond(2, MatchMode::Exact, QStringLiteral("50%_off"))}), CopySearch::Outcome::Listed);
        QCOMPARE(props(s), QStringList{QStringLiteral("C5")});
        // A backslash is an ordinary character, with or without an escape.
        QCOMPARE(s.search({cond(2, MatchMode::Prefix, QStringLiteral("50\\%"))}), CopySearch::Outcome::NoHit);

        // Very long values: nothing matches, nothing fails.
        const QString longCode = QString(100000, QLatin1Char('B'));
        for (MatchMode m : {MatchMode::Prefix, MatchMode::Anywhere, MatchMode::Exact}) {
            QCOMPARE(s.search({cond(IndexBarcode, m, longCode)}), CopySearch::Outcome::NoHit);
            QCOMPARE(s.search({cond(2, m, QString(5000, QChar(0x5F20)))}), CopySearch::Outcome::NoHit);
        }
        // An exact barcode never matches a longer or shorter one.
        QCOMPARE(s.search({cond(IndexBarcode, MatchMode::Exact, QStringLiteral("B000"))}), CopySearch::Outcome::NoHit);
        // Control characters from a scanner are dropped.
        QCOMPARE(s.search({cond(IndexBarcode, MatchMode::Exact, QStringLiteral("B00\t03\r\n"))}),
                 CopySearch::Outcome::Listed);
        QCOMPARE(props(s), QStringList{QStringLiteral("C3")});
        for (const auto &shown : f.prompter().shown())
            QVERIFY2(shown.kind != QChar(u'E'), qPrintable(shown.text));
    }

    void hitLimit_data() { addBackendRows(); }
    void hitLimit()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(addRecord(f, QStringLiteral("M9"), QStringLiteral("大全"), QString()));
        QVERIFY(addKey(f, QStringLiteral("M9"), QStringLiteral("01"), QStringLiteral("大全")));
        // A second matching key of the same record must not count its copies twice.
        QVERIFY(addKey(f, QStringLiteral("M9"), QStringLiteral("01"), QStringLiteral("大全集")));
        QStringList values;
        for (int i = 0; i < MaxSearchHits; ++i)
            values.append(QStringLiteral("('P%1','M9','L1','41')").arg(i, 5, 10, QLatin1Char('0')));
        QVERIFY(
            f.exec(QStringLiteral("INSERT INTO indi_acct (prop_no,marc_rec_no,dis_location,book_stat_code) VALUES ") +
                   values.join(QLatin1Char(','))));
        CopySearch s(f.context());
        const QList<SearchCondition> title{cond(1, MatchMode::Prefix, QStringLiteral("大"))};

        QCOMPARE(s.search(title), CopySearch::Outcome::Listed);
        QCOMPARE(s.copies().size(), MaxSearchHits);
        QCOMPARE(s.copies().last().propNo, QStringLiteral("P04999"));

        QVERIFY(
            addCopy(f, QStringLiteral("P05000"), QStringLiteral("M9"), QStringLiteral("B5000"), QStringLiteral("L2")));
        QCOMPARE(s.search(title), CopySearch::Outcome::TooMany);
        QVERIFY(s.copies().isEmpty());
        QCOMPARE(f.prompter().shown().last().kind, QChar(u'I'));
        QCOMPARE(f.prompter().lastText(), QStringLiteral("结果集过大，请缩小范围重新检索。"));
        QCOMPARE(s.history().first().text, QStringLiteral("题名 前方匹配 大   命中>5000"));
        QCOMPARE(s.history().size(), 1); // the same search again replaced its entry
    }

    void historyKeepsTen_data() { addBackendRows(); }
    void historyKeepsTen()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(seedCatalogue(f));
        CopySearch s(f.context());
        for (int i = 0; i < 12; ++i)
            s.search({cond(IndexBarcode, MatchMode::Prefix, QStringLiteral("B%1").arg(i))});
        QCOMPARE(s.history().size(), MaxHistoryEntries);
        QCOMPARE(s.history().first().text, QStringLiteral("条码号 前方匹配 B11   命中0"));
        s.search({cond(1, MatchMode::Prefix, QStringLiteral("中国")), cond(IndexBarcode, MatchMode::Exact, QString()),
                  cond(2, MatchMode::Anywhere, QStringLiteral("三"))});
        QCOMPARE(s.history().first().text, QStringLiteral("题名 前方匹配 中国 AND 责任者 任意匹配 三   命中2"));
        QCOMPARE(s.history().first().conditions.size(), 2);
        QCOMPARE(s.history().last().text, QStringLiteral("条码号 前方匹配 B3   命中0"));
    }

    void okChecksTheLocation_data() { addBackendRows(); }
    void okChecksTheLocation()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(seedCatalogue(f));
        CopySearch s(f.context());
        QCOMPARE(s.search({cond(1, MatchMode::Exact, QStringLiteral("中国历史"))}), CopySearch::Outcome::Listed);
        QCOMPARE(s.copies().at(1).location, QStringLiteral("L2"));
        f.prompter().clear();

        QVERIFY(!s.choose(1, QStringLiteral("L1")));
        QCOMPARE(f.prompter().lastText(), QStringLiteral("该书不属于当前处理馆藏地！"));
        QCOMPARE(s.choose(1, QStringLiteral("L2"))->propNo, QStringLiteral("C2"));
        QCOMPARE(s.choose(1, QStringLiteral("All"))->propNo, QStringLiteral("C2"));
        QCOMPARE(s.choose(0, QString())->barCode, QStringLiteral("B0001"));
        QVERIFY(!s.choose(-1, QString()));
        QVERIFY(!s.choose(2, QString()));
        QCOMPARE(f.prompter().shown().size(), 1);
    }

    void unicodeStorage_data() { addBackendRows(); }
    void unicodeStorage()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(seedCatalogue(f));
        // National-character storage: index values go in as unistr literals,
        // titles come back through dump.
        f.db().setUnicodeMode(true);
        f.db().setDumpDecoder([](QStringView cell) { return decodeDump(cell); });
        CopySearch s(f.context());
        QVERIFY(s.prepare());
        const QList<SearchCondition> china{cond(1, MatchMode::Prefix, QStringLiteral("中国")),
                                           cond(2, MatchMode::Anywhere, QStringLiteral("%_"))};
        QVERIFY2(s.buildSql({china.first()}).contains(QStringLiteral("LIKE unistr('\\4E2D\\56FD\\0025')")),
                 qPrintable(s.buildSql({china.first()})));
        QCOMPARE(s.search({china.first()}), CopySearch::Outcome::Listed);
        QCOMPARE(props(s), (QStringList{QStringLiteral("C1"), QStringLiteral("C2"), QStringLiteral("C3")}));
        QCOMPARE(s.copies().at(2).title, QStringLiteral("中国文学"));
        QVERIFY(addCopy(f, QStringLiteral("C5"), QStringLiteral("M5"), QStringLiteral("B0005"), QStringLiteral("L1")));
        QCOMPARE(s.search({china.last()}), CopySearch::Outcome::Listed);
        QCOMPARE(props(s), QStringList{QStringLiteral("C5")});
    }

    void titlePrefixUsesTheIndex_data() { addBackendRows(); }
    void titlePrefixUsesTheIndex()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QVERIFY(seedCatalogue(f));
        CopySearch s(f.context());
        QVERIFY(s.prepare());
        for (const QString &value : {QStringLiteral("中国"), QStringLiteral("50%_")}) {
            const int group = value.contains(QLatin1Char('%')) ? 2 : 1;
            const QStringList lines = plan(f, backend, s.buildSql({cond(group, MatchMode::Prefix, value)}));
            QVERIFY2(
                lines.join(QLatin1Char('\n')).contains(QStringLiteral("idx_marc_idx_grp_cont"), Qt::CaseInsensitive),
                qPrintable(lines.join(QLatin1Char('\n'))));
        }
    }
};

KESTRA_TEST(CopySearchTest)
#include "CopySearchTest.moc"
