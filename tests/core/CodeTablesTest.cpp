// The code caches of an installed suite database, the location lists, the
// location right, the fixed lookups and the system-parameter accessors.

#include "core/CodeTables.h"
#include "shell/LoginFixture.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

QueryResult paramTable(const QList<std::pair<QString, QString>> &rows)
{
    QueryResult t(
        {{QStringLiteral("sys_para_code"), QueryResult::Text}, {QStringLiteral("sys_para_value"), QueryResult::Text}});
    for (const auto &[code, value] : rows)
        t.appendRow({code, value.isNull() ? QVariant() : QVariant(value)});
    return t;
}

QStringList column0(const QueryResult &r)
{
    QStringList out;
    for (int i = 0; i < r.rowCount(); ++i)
        out.append(r.text(i, 0));
    return out;
}

} // namespace

#define OPEN(fx)                                                                                                       \
    QFETCH(int, backend);                                                                                              \
    LoginDb fx;                                                                                                        \
    if (const QString skip = fx.open(backend); !skip.isEmpty())                                                        \
        QSKIP(qPrintable(skip));

class CodeTablesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void getSysParamConversions()
    {
        SysParams p;
        p.setTable(paramTable({
            {QStringLiteral("004"), QStringLiteral("1")},
            {QStringLiteral("7"), QStringLiteral("0")},
            {QStringLiteral("29"), QStringLiteral(" 1")},
            {QStringLiteral("39"), QStringLiteral("2")},
            {QStringLiteral("5"), QStringLiteral("12.5")},
            {QStringLiteral("6"), QStringLiteral("7 days")},
            {QStringLiteral("14"), QStringLiteral("001,总馆,x")},
            {QStringLiteral("20"), QStringLiteral("a_b_")},
            {QStringLiteral("22"), QStringLiteral("  text")},
            {QStringLiteral("28"), QStringLiteral("  ")},
            {QStringLiteral("78"), QString()},
            {QStringLiteral("47"), QStringLiteral("1")},
            {QStringLiteral("47"), QStringLiteral("0")}, // a second row never wins
            {QStringLiteral(" CUR_ON"), QStringLiteral("3")},
            {QStringLiteral("70"), QStringLiteral("15 ")},
        }));
        QCOMPARE(p.value(4), QVariant(true));
        QCOMPARE(p.value(7), QVariant(false));
        QCOMPARE(p.value(29), QVariant(true));
        QCOMPARE(p.value(39), QVariant(false));
        QCOMPARE(p.value(5).toDouble(), 12.5);
        QCOMPARE(p.value(6).toDouble(), 7.0);
        QCOMPARE(p.value(14).toString(), QStringLiteral("001"));
        QCOMPARE(p.value(142).toString(), QStringLiteral("总馆"));
        QCOMPARE(p.value(20).toString(), QStringLiteral("a b "));
        QCOMPARE(p.value(22).toString(), QStringLiteral("text"));
        QCOMPARE(p.value(28), QVariant(-1));
        QCOMPARE(p.value(78), QVariant(0));
        QCOMPARE(p.text(47), QStringLiteral("1"));
        QVERIFY(p.isOn(47));
        QCOMPARE(p.integer(70), 15);
        QCOMPARE(p.byName(QStringLiteral("CUR_ON")), QStringLiteral("3"));
        // A missing parameter is empty: never "1", so what it switches is off.
        QCOMPARE(p.value(11).toString(), QString());
        QCOMPARE(p.value(12).toString(), QString());
        QCOMPARE(p.value(123).toString(), QString());
        QVERIFY(!p.isOn(123));
        QCOMPARE(p.integer(123), 0);
        // Missing 20 still gives its one blank.
        p.setTable(paramTable({}));
        QCOMPARE(p.value(20).toString(), QStringLiteral(" "));
    }

    // Every cache of an installed database loads, and its lookups answer
    // from memory.
    void loadsEveryCache_data() { addBackendRows(); }
    void loadsEveryCache()
    {
        OPEN(fx);
        fx.exec(QStringLiteral("UPDATE doc_type_code SET code_use_flag='0' WHERE doc_type_code='02'"));
        fx.exec(QStringLiteral("UPDATE doc_type_code SET doc_type_sort=0 WHERE doc_type_code='03'"));
        // The first three fund types are special; an entry without a code excludes nothing.
        fx.tc.writeText(QStringLiteral("CFG/cf/cfCfg.ini"),
                        QStringLiteral("[FUND_TYPE]\n000=01:财政\n001=:无代码\n002=03:自筹\n003=04:捐赠\n"));
        CodeTables &codes = fx.context().codes();
        QCOMPARE(codes.loadCodeTables(), 0);
        QCOMPARE(codes.loadLocationLists(), 0);
        QCOMPARE(codes.loadAcquisitionLists(), 0);
        QCOMPARE(codes.loadOptionalLists(), 0);
        for (int c = 0; c < int(CodeCache::Count); ++c)
            QVERIFY2(codes.isLoaded(CodeCache(c)), qPrintable(QString::number(c)));

        QCOMPARE(codes.locationName(QStringLiteral("L02")), QStringLiteral("外文图书借阅室"));
        QCOMPARE(fx.context().locationName(QStringLiteral("L02")), QStringLiteral("外文图书借阅室"));
        QCOMPARE(codes.docTypeName(QStringLiteral("01")), QStringLiteral("中文图书"));
        QCOMPARE(codes.docTypeName(QStringLiteral("02")), QString()); // not in use
        QCOMPARE(codes.table(CodeCache::DocTypes).text(0, 0), QStringLiteral("03"));
        QCOMPARE(codes.circTypeName(QStringLiteral("02")), QStringLiteral("参考工具书"));
        QCOMPARE(codes.staffName(QStringLiteral("W001")), QStringLiteral("张三"));
        QCOMPARE(codes.staffName(QStringLiteral("W404")), QString());
        QCOMPARE(codes.statTypeName(QStringLiteral("S02")), QStringLiteral("中图法五大部类"));
        QCOMPARE(codes.departmentName(QStringLiteral("02")), QStringLiteral("典藏部"));
        QCOMPARE(codes.name(CodeCache::Currencies, QStringLiteral("USD")), QStringLiteral("美元"));
        QCOMPARE(column0(codes.table(CodeCache::FundSources)),
                 (QStringList{QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03"), QStringLiteral("04")}));
        QCOMPARE(column0(codes.table(CodeCache::FundSourcesPlain)),
                 (QStringList{QStringLiteral("02"), QStringLiteral("04")}));
        QCOMPARE(codes.settings().fundTypes.size(), 4);
        QCOMPARE(column0(codes.table(CodeCache::SortList2)),
                 (QStringList{QStringLiteral("L02"), QStringLiteral("L01"), QStringLiteral("L03")}));
        QCOMPARE(column0(codes.table(CodeCache::SortList0)), QStringList{QStringLiteral("L01")});
        QCOMPARE(codes.table(CodeCache::SortList3).rowCount(), 0);
    }

    // A failing cache query fails the load with the database's error, and
    // the cache keeps what it had.
    void failingCacheFailsTheLoad_data() { addBackendRows(); }
    void failingCacheFailsTheLoad()
    {
        OPEN(fx);
        QVERIFY(fx.exec(QStringLiteral("DROP TABLE limit_type")));
        CodeTables &codes = fx.context().codes();
        QCOMPARE(codes.loadCodeTables(), -1);
        QCOMPARE(fx.context().errors().oraCode, 942);
        QVERIFY(codes.isLoaded(CodeCache::GroupRules));
        QVERIFY(!codes.isLoaded(CodeCache::LimitTypes));
        QVERIFY(fx.tc.prompter().shown().isEmpty());
    }

    // LoadLocations in its three forms, with the location sounds; and
    // CheckLocationRight with parameter 47 off and on.
    void locationListsAndRights_data() { addBackendRows(); }
    void locationListsAndRights()
    {
        OPEN(fx);
        CodeTables &codes = fx.context().codes();
        codes.settings().sounds.locations = {{QStringLiteral("L01"), QStringLiteral("l01.wav")}};
        fx.context().session().operatorNo = QStringLiteral("W001");

        // Parameter 47 off: the sort list of the operation type, every location may be used.
        QCOMPARE(codes.loadLocations(QStringLiteral("2")), 0);
        QCOMPARE(column0(codes.currentLocations()),
                 (QStringList{QStringLiteral("L02"), QStringLiteral("L01"), QStringLiteral("L03")}));
        QCOMPARE(locationAt(codes.currentLocations(), 1).sound, QStringLiteral("l01.wav"));
        QCOMPARE(locationAt(codes.currentLocations(), 0).sound, QString());
        QVERIFY(codes.checkLocationRight(QStringLiteral("ANY")));

        // All: every location in use, by name.
        QCOMPARE(codes.loadLocations(QString(), true), 0);
        QCOMPARE(column0(codes.currentLocations()), (QStringList{QStringLiteral("L01"), QStringLiteral("L02")}));
        QVERIFY(locationAt(codes.currentLocations(), 0).inUse());

        // Parameter 47 on: the operator's own locations in use, of the operation type.
        fx.params({{"47", QStringLiteral("1")}});
        QCOMPARE(codes.loadLocations(QStringLiteral("2")), 0);
        QCOMPARE(column0(codes.currentLocations()), QStringList{QStringLiteral("L01")});
        const Location l = locationAt(codes.currentLocations(), 0);
        QCOMPARE(l.name, QStringLiteral("中文图书借阅室"));
        QCOMPARE(l.groupId, QStringLiteral("G1"));
        QVERIFY(codes.checkLocationRight(QStringLiteral("L01")));
        QVERIFY(fx.tc.prompter().shown().isEmpty());
        // In location_lst, but not in the operator's list: refused.
        QVERIFY(!codes.checkLocationRight(QStringLiteral("L02")));
        QCOMPARE(fx.tc.prompter().lastText(),
                 QStringLiteral("没有该馆藏地的操作权限或者该馆藏地不在自选的业务馆藏地中。"));
        QCOMPARE(fx.tc.prompter().shown().last().kind, QChar(u'W'));
        QVERIFY(!fx.tc.prompter().shown().last().question);

        // A failing reload keeps the list it had.
        QVERIFY(fx.exec(QStringLiteral("DROP TABLE user_location")));
        QCOMPARE(codes.loadLocations(QStringLiteral("2")), -1);
        QCOMPARE(column0(codes.currentLocations()), QStringList{QStringLiteral("L01")});
    }

    void fixedLookups()
    {
        for (const char *s : {"33", "41", "42", "3C", "43", "44", "45", "46"})
            QVERIFY2(CodeTables::isInCollection(QLatin1String(s)), s);
        for (const char *s : {"", "31", "3c", "47", "4"})
            QVERIFY2(!CodeTables::isInCollection(QLatin1String(s)), s);
        QCOMPARE(CodeTables::marcFormatName(QStringLiteral("C")), QStringLiteral("CN"));
        QCOMPARE(CodeTables::marcFormatName(QStringLiteral("N")), QStringLiteral("CN"));
        QCOMPARE(CodeTables::marcFormatName(QStringLiteral("U")), QStringLiteral("US"));
        QCOMPARE(CodeTables::marcFormatName(QStringLiteral("c")), QStringLiteral("CN规范"));
        QCOMPARE(CodeTables::marcFormatName(QStringLiteral("u")), QStringLiteral("US规范"));
        QCOMPARE(CodeTables::marcFormatName(QStringLiteral("X")), QString());
        QCOMPARE(CodeTables::orderStatusName(QStringLiteral("0")), QStringLiteral("待订"));
        QCOMPARE(CodeTables::orderStatusName(QStringLiteral("4")), QStringLiteral("审校"));
        QCOMPARE(CodeTables::orderStatusName(QStringLiteral("5")), QString());
        QCOMPARE(CodeTables::orderStatusName(QStringLiteral("01")), QString());
    }
};

KESTRA_TEST(CodeTablesTest)
#include "CodeTablesTest.moc"
