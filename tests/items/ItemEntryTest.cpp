// The entry pattern of the processing forms: how a scanned barcode is
// completed and converted, the lookup with its messages, the right on the
// copy's location and the detail boxes.

#include "copies/ItemEntry.h"
#include "items/CopyTestLib.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;
using namespace Qt::StringLiterals;

namespace {

BarcodeSettings completing()
{
    BarcodeSettings s;
    s.use = 1;
    s.min = 1;
    s.max = 99999;
    s.prefix = QStringLiteral("TS");
    s.suffix = QStringLiteral("X");
    return s;
}

} // namespace

class ItemEntryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void barcodeNormalisation_data()
    {
        QTest::addColumn<int>("use");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<bool>("dropCheck");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("normalised");
        const int bar = int(InputType::Barcode);
        const int acc = int(InputType::Accession);
        QTest::newRow("upper case, trimmed") << 0 << QString() << false << bar << " ab12 "
                                             << "AB12";
        QTest::newRow("completed in range") << 1 << QString() << false << bar << "00123"
                                            << "TS00123X";
        QTest::newRow("range ends inclusive") << 1 << QString() << false << bar << "99999"
                                              << "TS99999X";
        QTest::newRow("above the range") << 1 << QString() << false << bar << "100000"
                                         << "100000";
        QTest::newRow("letters are never completed") << 1 << QString() << false << bar << "ts123x"
                                                     << "TS123X";
        QTest::newRow("exponent is not a number") << 1 << QString() << false << bar << "1e3"
                                                  << "1E3";
        QTest::newRow("check character dropped") << 0 << QString() << true << bar << "B00017"
                                                 << "B0001";
        QTest::newRow("completed then check dropped") << 1 << QString() << true << bar << "123"
                                                      << "TS123";
        QTest::newRow("rule inserts after a prefix") << 0 << "8:TS:3:0:00" << false << bar << "ts123456"
                                                     << "TS00123456";
        QTest::newRow("first rule that applies") << 0 << "5:Q:1:1:R, 0::1:0:Z" << false << bar << "AB"
                                                 << "ZAB";
        QTest::newRow("rule for another length") << 0 << "4:TS:3:0:00" << false << bar << "TS1"
                                                 << "TS1";
        QTest::newRow("rule after completion") << 1 << "8:TS:3:0:0" << false << bar << "12345"
                                               << "TS012345X";
        QTest::newRow("accession only trimmed and upper") << 1 << "0::1:0:Z" << true << acc << " p00123 "
                                                          << "P00123";
    }
    void barcodeNormalisation()
    {
        QFETCH(int, use);
        QFETCH(QString, rule);
        QFETCH(bool, dropCheck);
        QFETCH(int, type);
        QFETCH(QString, typed);
        QFETCH(QString, normalised);
        BarcodeSettings s = completing();
        s.use = use;
        s.structUse = rule.isEmpty() ? 0 : 1;
        s.structRule = rule;
        QCOMPARE(CodeNormaliser(s, dropCheck).normalise(typed, InputType(type)), normalised);
    }

    void barcodeRuleParses_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<bool>("parses");
        QTest::newRow("one item") << u"1:ABC:2:3:X"_s << true;
        QTest::newRow("empty items skipped") << u",1:A:2:3:B,, 4:书:5:6:Y ,"_s << true;
        QTest::newRow("blanks and empty texts") << u" 1 ::2 : 3 :"_s << true;
        QTest::newRow("four fields") << u"1:A:2:3"_s << false;
        QTest::newRow("six fields") << u"1:A:2:3:B:C"_s << false;
        QTest::newRow("text where a number goes") << u"1:A:two:3:B"_s << false;
        QTest::newRow("empty number") << u":A:2:3:B"_s << false;
        QTest::newRow("one bad item spoils all") << u"1:A:2:3:B,1:A:2:x:B"_s << false;
        QTest::newRow("nothing to apply") << u" , "_s << false;
        // What the main window accepted used to be dropped here: one parser
        // refuses these for both.
        QTest::newRow("positions count from 1") << u"8:TS:0:0:00"_s << false;
        QTest::newRow("negative length") << u"-1:TS:1:0:00"_s << false;
        QTest::newRow("negative count") << u"8:TS:1:-2:00"_s << false;
    }
    void barcodeRuleParses()
    {
        QFETCH(QString, rule);
        QFETCH(bool, parses);
        QCOMPARE(parseBarcodeRules(rule).has_value(), parses);
    }

    void brokenRuleConvertsNothing()
    {
        BarcodeSettings s;
        s.structUse = 1;
        s.structRule = QStringLiteral("8:TS:x:0:00");
        QCOMPARE(CodeNormaliser(s, false).normalise(QStringLiteral("TS000123"), InputType::Barcode),
                 QStringLiteral("TS000123"));
        QCOMPARE(applyBarcodeRules(*parseBarcodeRules(QStringLiteral("0::9:0:Z")), QStringLiteral("AB")),
                 QStringLiteral("ABZ")); // past the end appends
    }

    void lookupMessagesAndRights_data() { addBackendRows(); }
    void lookupMessagesAndRights()
    {
        OPEN_LIB(lib);
        ScriptedPrompter &prompter = lib.f.prompter();
        QVERIFY(lib.record(QStringLiteral("M1"), QStringLiteral("围城"), QStringLiteral("钱钟书")));
        QVERIFY(lib.copy(QStringLiteral("P1"), QStringLiteral("M1"), QStringLiteral("TS00123X"), QStringLiteral("L1"),
                         QStringLiteral("41")));
        QVERIFY(lib.copy(QStringLiteral("P9"), QStringLiteral("M1"), QStringLiteral("B0009"), QStringLiteral("L9"),
                         QStringLiteral("3C")));
        ItemEntry entry(lib.f.context(), completing());

        Entry e = entry.enter(QStringLiteral("00123"));
        QVERIFY(e.found());
        QCOMPARE(e.code, QStringLiteral("TS00123X"));
        const CopyDetails d = copyDetails(lib.f.context(), e.row);
        QCOMPARE(d.location, QStringLiteral("中文图书库"));
        QCOMPARE(d.state, QStringLiteral("可借"));
        QCOMPARE(d.bookName + u'/' + d.author + u'/' + d.publisher, QStringLiteral("围城/钱钟书/中华书局"));
        QCOMPARE(d.price, QStringLiteral("25.50"));
        QCOMPARE(d.yearVolPeri, QStringLiteral("2025-1"));
        QVERIFY(prompter.shown().isEmpty());

        QCOMPARE(entry.enter(QStringLiteral("TS00124X")).status, Entry::Status::NotFound);
        QCOMPARE(prompter.lastText(), QStringLiteral("该条码号不存在"));
        entry.setInputType(InputType::Accession);
        QCOMPARE(entry.enter(QStringLiteral("p2")).status, Entry::Status::NotFound);
        QCOMPARE(prompter.lastText(), QStringLiteral("该财产号不存在"));

        // Without per-operator locations every location is allowed; with
        // them (parameter 47) L9 is outside W001's list.
        QVERIFY(entry.enter(QStringLiteral("p9")).found());
        QVERIFY(lib.f.setParam(QStringLiteral("47"), QStringLiteral("1")));
        QVERIFY(lib.reload());
        QCOMPARE(entry.enter(QStringLiteral("p9")).status, Entry::Status::NoRight);
        QCOMPARE(prompter.lastText(), QStringLiteral("没有该馆藏地的操作权限或者该馆藏地不在自选的业务馆藏地中。"));
        QVERIFY(entry.enter(QStringLiteral("p1")).found());
        entry.setCheckRights(false);
        QVERIFY(entry.enter(QStringLiteral("p9")).found());

        entry.setProcessingLocation(QStringLiteral("L2"));
        QVERIFY(!entry.atProcessingLocation(entry.enter(QStringLiteral("p1")).row));
        entry.setProcessingLocation(QStringLiteral("All"));
        QVERIFY(entry.atProcessingLocation(entry.enter(QStringLiteral("p1")).row));

        // A form's own reads answered with the lookup, in their order and
        // behind the circulation row when that is read too; a failed lookup
        // left to the form to show when it asks so.
        QVERIFY(lib.item(QStringLiteral("P1")));
        entry.setReadCirculation(true);
        entry.setAlong([](const QString &code, InputType) {
            return QStringList{QStringLiteral("SELECT prop_no FROM indi_acct WHERE prop_no=") + sqlQuote(code),
                               QStringLiteral("SELECT count(*) FROM indi_acct")};
        });
        e = entry.enter(QStringLiteral("p1"));
        QVERIFY(e.found() && e.row.circulation && e.row.circulation->exists);
        QCOMPARE(e.along.size(), 2);
        QCOMPARE(e.along.at(0).text(0, 0) + u'/' + e.along.at(1).text(0, 0), QStringLiteral("P1/2"));
        entry.setShowFailure(false);
        entry.setAlong([](const QString &, InputType) { return QStringList{QStringLiteral("SELECT x FROM nowhere")}; });
        const qsizetype shown = prompter.shown().size();
        QCOMPARE(entry.enter(QStringLiteral("p1")).status, Entry::Status::Failed);
        QCOMPARE(prompter.shown().size(), shown);
        QVERIFY(lib.f.context().errors().oraCode != 0);
        QVERIFY(prompter.done());
    }
};

KESTRA_TEST(ItemEntryTest)
#include "ItemEntryTest.moc"
