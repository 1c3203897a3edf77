// The class statistic and the statistics package on both backends: the
// template order ("2" before "10"), ranges and prefixes of one scheme only
// (A,B~D; TP3~TP39 taking TP391.4), a copy in two sub-statistics and once in
// the total, a copy without call number only in its own row and the total,
// a sub-statistic without classes, the package's figures against direct
// counts whichever way it computes them, hostile text in every filter, and
// the refusals.

#include "stats/ClassStat.h"
#include "core/Session.h"
#include "items/CopyTestLib.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

bool seed(CopyTestLib &lib)
{
    const QStringList rows{
        "INSERT INTO stat_type_code (stat_type_code,stat_type_name) VALUES ('S1','中图法大类')",
        "INSERT INTO stat_type_code (stat_type_code,stat_type_name) VALUES ('X1','其他')",
        "INSERT INTO stat_type_detl VALUES ('S1','10','全部T','1')",
        "INSERT INTO stat_type_detl VALUES ('S1','2','甲乙丙','1')",
        "INSERT INTO stat_type_detl VALUES ('S1','1','计算机','1')",
        "INSERT INTO stat_type_detl VALUES ('S1','3','停用','0')",
        "INSERT INTO stat_type_detl VALUES ('S1','11','空项','1')",
        "INSERT INTO stat_cls_comp VALUES ('S1','1','1','TP3~TP39')",
        "INSERT INTO stat_cls_comp VALUES ('S1','2','1','A,B~D')",
        "INSERT INTO stat_cls_comp VALUES ('S1','10','1','T')",
        "INSERT INTO stat_cls_comp VALUES ('S1','3','1','A')",
        "INSERT INTO stat_cls_comp VALUES ('S1','11','1',',,')",
        "INSERT INTO call_no_lst (call_no,cls_id) VALUES ('TP391.4/1','1')",
        "INSERT INTO call_no_lst (call_no,cls_id) VALUES ('A12/3','1')",
        "INSERT INTO call_no_lst (call_no,cls_id) VALUES ('C5/1','1')",
        "INSERT INTO call_no_lst (call_no,cls_id) VALUES ('B7/2','2')",
        "INSERT INTO call_no_lst (call_no,cls_id) VALUES ('E1/1','1')",
        "INSERT INTO call_no_lst (call_no,cls_id) VALUES ('TP4/1','1')",
    };
    bool ok = true;
    for (const char *no : {"M1", "M2", "M3", "M4"})
        ok = ok && lib.record(QString::fromLatin1(no), QStringLiteral("书"));
    for (const QString &sql : rows)
        ok = ok && lib.f.exec(sql);
    auto copy = [&lib](const char *prop, const char *no, const char *callNo, const char *location, const char *date,
                       int price) {
        return lib.f.exec(QStringLiteral("INSERT INTO indi_acct (prop_no,marc_rec_no,bar_code,call_no,dis_location,"
                                         "book_stat_code,in_date,chk_batch_no,price) "
                                         "VALUES ('%1','%2','%1',%3,'%4','41','%5','C1',%6)")
                              .arg(QLatin1String(prop), QLatin1String(no),
                                   *callNo ? sqlQuote(QString::fromLatin1(callNo)) : QStringLiteral("NULL"),
                                   QLatin1String(location), QLatin1String(date))
                              .arg(price));
    };
    return ok && copy("P1", "M1", "TP391.4/1", "L1", "2025-03-02", 10) &&
           copy("P2", "M2", "A12/3", "L1", "2025-03-02", 20) && copy("P3", "M3", "C5/1", "L1", "2025-05-02", 5) &&
           copy("P4", "M3", "B7/2", "L1", "2025-03-02", 7) && copy("P5", "M4", "E1/1", "L1", "2025-03-02", 1) &&
           copy("P6", "M4", "", "L1", "2025-03-02", 3) && copy("P7", "M1", "TP4/1", "L1", "2025-03-02", 4) &&
           // Another location and another year: never counted.
           copy("P8", "M2", "A12/3", "L2", "2025-03-02", 100) && copy("P9", "M2", "A12/3", "L1", "2024-03-02", 100);
}

IntakeConditions year2025(const QStringList &locations = {QStringLiteral("L1")})
{
    IntakeConditions c;
    c.year = 2025;
    c.locations = locations;
    return c;
}

QStringList shown(ClassStat &s)
{
    QStringList out;
    for (int r = 0; r < s.grid().rowCount(); ++r)
        out.append(s.grid().text(r, 0) + u' ' + s.grid().text(r, 1) + u'/' + s.grid().text(r, 2) + u'/' +
                   s.grid().text(r, 3));
    return out;
}

} // namespace

class ClassStatTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countsByTemplate_data() { addBackendRows(); }
    void countsByTemplate()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        ClassStat stat(lib.f.context());
        QList<FilterCode> templates;
        QCOMPARE(stat.templates(true, templates), 0);
        // The S and U templates only (with the two of the reference data).
        QCOMPARE(templates.size(), 3);
        QCOMPARE(templates.last().name, QStringLiteral("中图法大类"));
        QCOMPARE(stat.templates(false, templates), 0);
        QCOMPARE(templates.last().code, QStringLiteral("X1"));
        QCOMPARE(stat.chooseTemplate(QStringLiteral("S1")), 0);
        // "2" before "10"; the unused one left out; the two rows of our own.
        QCOMPARE(stat.grid().rowCount(), 6);
        QCOMPARE(stat.current().schemes, QStringList{"1"});

        QCOMPARE(stat.run(year2025()), 0);
        QCOMPARE(shown(stat), (QStringList{"计算机 1/1/10.00", "甲乙丙 2/2/25.00", "全部T 1/2/14.00", "空项 0/0/",
                                           "未分配索书号 1/1/3.00", "馆藏合计 4/7/50.00"}));

        // The package's figures are those of the same conditions counted
        // one by one.
        const QString filters = stat.filterSql(year2025());
        const QString base = QStringLiteral("SELECT COUNT(distinct indi_acct.marc_rec_no)|| ',' ||"
                                            "COUNT(indi_acct.prop_no) FROM indi_acct, call_no_lst, marc WHERE "
                                            "indi_acct.call_no = call_no_lst.call_no AND "
                                            "indi_acct.marc_rec_no=marc.marc_rec_no") +
                             filters;
        QStringList conditions;
        for (const SubStat &s : stat.current().subs) {
            const QString c = stat.current().classCondition(QStringLiteral("call_no_lst"), s.code);
            conditions.append(QStringLiteral(" AND ") + (c.isEmpty() ? QStringLiteral("1=0") : c));
        }
        QStringList result;
        QCOMPARE(statSortData(lib.f.db(), base, conditions, result), 0);
        QCOMPARE(result.size(), conditions.size());
        for (qsizetype i = 0; i < conditions.size(); ++i)
            QCOMPARE(result.at(i), lib.f.one(base + conditions.at(i)));
        // Every plan of the package (the copies grouped by call number, one
        // pass testing every condition, one query per condition) against the
        // direct counts: other aggregates, conditions reading another table,
        // an OR that binds the base query's WHERE, a subquery.
        const QString other = QStringLiteral("SELECT COUNT(*)||','||SUM(indi_acct.price)||','||MIN(indi_acct.price)||"
                                             "','||MAX(indi_acct.prop_no) FROM indi_acct, call_no_lst WHERE "
                                             "indi_acct.call_no = call_no_lst.call_no");
        const QStringList odd{QStringLiteral(" AND indi_acct.price > 5 AND (call_no_lst.call_no like 'A%')"),
                              QStringLiteral(" AND call_no_lst.cls_id = '2' OR indi_acct.prop_no = 'P5'"),
                              QStringLiteral(" AND call_no_lst.call_no IN (SELECT call_no FROM call_no_lst WHERE "
                                             "cls_id = '2')"),
                              QStringLiteral(" AND substr(call_no_lst.call_no,1,1) = 'T'")};
        for (const QString &b : {base, other}) {
            for (const QStringList &set :
                 {conditions, odd, odd.mid(3) + conditions, QStringList{odd.at(0), odd.at(3)}}) {
                QCOMPARE(statSortData(lib.f.db(), b, set, result), 0);
                for (qsizetype i = 0; i < set.size(); ++i)
                    QCOMPARE(result.at(i), lib.f.one(b + set.at(i)));
            }
        }
        QCOMPARE(statSortData(lib.f.db(), base, conditions, result), 0);
        // The one query that stands in for the package where it cannot be
        // handed tables gives the same figures.
        QStringList byQuery;
        QCOMPARE(statSortByQuery(lib.f.db(), base, conditions, byQuery), 0);
        QCOMPARE(byQuery, result);
        QCOMPARE(
            statBulkData(lib.f.db(), QStringLiteral("SELECT prop_no, price FROM indi_acct ORDER BY prop_no"), result),
            0);
        QCOMPARE(result.size(), 9);
        QCOMPARE(result.at(0).section(u',', 0, 0), QStringLiteral("P1"));
        // A base query that is no plain aggregate runs once per condition.
        QCOMPARE(statSortData(lib.f.db(), QStringLiteral("SELECT prop_no, price FROM indi_acct WHERE price > 0"),
                              {QStringLiteral(" AND prop_no = 'P2'"), QStringLiteral(" AND prop_no = 'P404'")}, result),
                 0);
        QCOMPARE(result.size(), 2);
        QVERIFY(result.at(0).startsWith(QStringLiteral("P2,2")));
        QCOMPARE(result.at(1), QString());
        // The holdings as they stand: every location and year, not what
        // went out of the collection.
        ClassStat holdings(lib.f.context(), ClassStatKind::Holdings, false);
        QCOMPARE(holdings.chooseTemplate(QStringLiteral("S1")), 0);
        QVERIFY(lib.f.exec(QStringLiteral("UPDATE indi_acct SET book_stat_code='35' WHERE prop_no='P9'")));
        QCOMPARE(holdings.run(year2025({})), 0);
        QCOMPARE(shown(holdings).at(1), QStringLiteral("甲乙丙 2/3/125.00"));
        QCOMPARE(shown(holdings).last(), QStringLiteral("馆藏合计 4/8/150.00"));
        // A query the package cannot run is the database's error.
        QCOMPARE(statBulkData(lib.f.db(), QStringLiteral("DELETE FROM marc"), result), -1);
        QCOMPARE(lib.count(QStringLiteral("marc")), 4);
    }

    // The windows take every row from one package call over the copies
    // joined to their call numbers; each row must still be what the three
    // queries counted apart give: a copy whose call number is not listed
    // only in the total (not in 未分配索书号, which the join's empty side
    // would suggest), a copy without price, a title in two sub-statistics, a
    // copy without record (counted nowhere: the record's table drops it).
    void rowsAgainstTheQueriesCountedApart_data() { addBackendRows(); }
    void rowsAgainstTheQueriesCountedApart()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        QVERIFY(lib.f.exec(QStringLiteral("INSERT INTO indi_acct (prop_no,marc_rec_no,bar_code,call_no,dis_location,"
                                          "book_stat_code,in_date,chk_batch_no,price) VALUES "
                                          "('P10','M2','P10','Z9/9','L1','41','2025-04-01','C1',8),"
                                          "('P11','M4','P11','TP391.4/1','L1','41','2025-04-01','C1',NULL),"
                                          "('P12',NULL,'P12','A12/3','L1','41','2025-04-01','C1',6)")));
        for (const ClassStatKind kind : {ClassStatKind::Intake, ClassStatKind::Holdings}) {
            ClassStat stat(lib.f.context(), kind, false);
            QCOMPARE(stat.chooseTemplate(QStringLiteral("S1")), 0);
            const IntakeConditions c = year2025(kind == ClassStatKind::Intake ? QStringList{"L1"} : QStringList{});
            QCOMPARE(stat.run(c), 0);
            const QString filters = stat.filterSql(c);
            const QString figures = QStringLiteral("SELECT COUNT(distinct indi_acct.marc_rec_no)||','||%1||','||"
                                                   "SUM(indi_acct.price) FROM indi_acct, marc%2 WHERE "
                                                   "indi_acct.marc_rec_no=marc.marc_rec_no ");
            QStringList apart;
            for (const SubStat &s : stat.current().subs) {
                const QString cls = stat.current().classCondition(QStringLiteral("call_no_lst"), s.code);
                apart.append(
                    lib.f.one(figures.arg(QStringLiteral("COUNT(indi_acct.prop_no)"), QStringLiteral(", call_no_lst")) +
                              QStringLiteral("AND indi_acct.call_no = call_no_lst.call_no ") + filters +
                              QStringLiteral(" AND ") + (cls.isEmpty() ? QStringLiteral("1=0") : cls)));
            }
            apart.append(lib.f.one(figures.arg(QStringLiteral("COUNT(indi_acct.prop_no)"), QString()) +
                                   QStringLiteral("AND indi_acct.call_no is null ") + filters));
            apart.append(
                lib.f.one(figures.arg(QStringLiteral("COUNT(distinct indi_acct.prop_no)"), QString()) + filters));
            QCOMPARE(apart.size(), stat.rows().size());
            for (qsizetype i = 0; i < apart.size(); ++i) {
                const StatFigures direct = StatFigures::parse(apart.at(i));
                const StatFigures ours = stat.rows().at(i).figures;
                QCOMPARE(ours.titles + u'/' + ours.copies + u'/' + ours.amount,
                         direct.titles + u'/' + direct.copies + u'/' + direct.amount);
            }
            QCOMPARE(stat.rows().last().figures.copies,
                     kind == ClassStatKind::Intake ? QStringLiteral("9") : QStringLiteral("11"));
        }
    }

    void classConditionShape()
    {
        StatTemplate t;
        t.subs = {{QStringLiteral("1"), QStringLiteral("甲")}};
        t.comps = {{QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("A,B~D")},
                   {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("TP3~TP39")}};
        QCOMPARE(t.classCondition(QStringLiteral("c"), QStringLiteral("1")),
                 QStringLiteral("( (c.cls_id = '1' AND  ( c.call_no  like 'A%' OR (c.call_no  >= 'B' AND "
                                "substr(c.call_no ,1,1)<= 'D') )  )  OR  (c.cls_id = '2' AND c.call_no  >= 'TP3' "
                                "AND substr(c.call_no ,1,4)<= 'TP39') )"));
        // Quotes in a specification stay inside their literals.
        t.comps = {{QStringLiteral("1"), QStringLiteral("1'"), QStringLiteral("A'~B'")}};
        QVERIFY(t.classCondition(QStringLiteral("c"), QStringLiteral("1")).contains(QStringLiteral("'A'''")));
        QCOMPARE(t.classCondition(QStringLiteral("c"), QStringLiteral("9")), QString());
    }

    void refusalsAndHostileFilters_data() { addBackendRows(); }
    void refusalsAndHostileFilters()
    {
        OPEN_LIB(lib);
        QVERIFY(seed(lib));
        ClassStat stat(lib.f.context());
        QCOMPARE(stat.run(year2025()), -1); // no template yet
        QCOMPARE(stat.chooseTemplate(QStringLiteral("S1")), 0);
        QCOMPARE(stat.run(year2025({})), -1);
        QCOMPARE(lib.f.prompter().texts().size(), 2);
        QVERIFY(lib.f.prompter().texts().at(1).contains(QStringLiteral("请选择馆藏地")));

        // A custom template whose condition passes the package's limit.
        StatTemplate custom;
        custom.subs = {{QStringLiteral("1"), QStringLiteral("长")}};
        QStringList many;
        for (int i = 0; i < 120; ++i)
            many.append(QStringLiteral("TP%1").arg(i));
        custom.comps = {{QStringLiteral("1"), QStringLiteral("1"), many.join(u',')}};
        stat.setCustom(custom);
        lib.f.prompter().clear();
        QCOMPARE(stat.run(year2025()), -1);
        QVERIFY(lib.f.prompter().texts().value(0).contains(QStringLiteral("1800")));

        QCOMPARE(stat.chooseTemplate(QStringLiteral("S1")), 0);
        const QString hostile = QStringLiteral("x' OR '1'='1'); DROP TABLE marc; --");
        IntakeConditions c = year2025();
        c.docType = hostile;
        c.language = hostile;
        c.batches = {hostile};
        for (const QStringList &locations : {QStringList{hostile}, QStringList{QStringLiteral("L1"), hostile}}) {
            lib.f.prompter().clear();
            c.locations = locations;
            QCOMPARE(stat.run(c), 0);
            QCOMPARE(lib.f.prompter().texts(), QStringList());
            QCOMPARE(stat.rows().last().figures.copies, QStringLiteral("0"));
        }
        // A reversed period finds nothing.
        c = year2025();
        c.span = IntakeSpan::Period;
        c.begin = QDate(2025, 12, 31);
        c.end = QDate(2025, 1, 1);
        QCOMPARE(stat.run(c), 0);
        QCOMPARE(stat.rows().last().figures.titles, QStringLiteral("0"));
        QCOMPARE(lib.count(QStringLiteral("marc")), 4);
    }
};

KESTRA_TEST(ClassStatTest)
#include "ClassStatTest.moc"
