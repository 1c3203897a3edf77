// The rule file and status file of new-book assignment, the class matcher and
// the automatic assignment over a title's copies.

#include "assign/AutoAssign.h"
#include "assign/RuleEditor.h"
#include "copies/ItemCodes.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace Qt::StringLiterals;
using kestra::test::gbk;

namespace {

AssignCopy copy(const QString &subscriber, const QString &callNo, const QString &location = u"OLD"_s)
{
    return AssignCopy{subscriber, callNo, location, u"17"_s, u"典藏处理"_s, false};
}

QStringList locationsOf(const QList<AssignCopy> &copies)
{
    QStringList out;
    for (const AssignCopy &c : copies)
        out << c.location;
    return out;
}

} // namespace

class AssignRulesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void classMatching_data()
    {
        QTest::addColumn<QString>("spec");
        QTest::addColumn<QString>("callNo");
        QTest::addColumn<bool>("matches");
        QTest::newRow("prefix before a range") << u"TP3,TP5~TP8"_s << u"TP312/45"_s << true;
        QTest::newRow("text range with ~") << u"TP3,TP5~TP8"_s << u"TP6/1"_s << true;
        QTest::newRow("text range: K1 sorts after K") << u"A-K"_s << u"K1/2"_s << false;
        QTest::newRow("text range inside") << u"A-K"_s << u"I247/3"_s << true;
        QTest::newRow("numeric range above") << u"1-5"_s << u"12/3"_s << false;
        QTest::newRow("numeric range inside") << u"1-5"_s << u"4/3"_s << true;
        QTest::newRow("numeric range, decimal class") << u"1-5"_s << u"4.7/3"_s << true;
        QTest::newRow("numeric range, letter class is no zero") << u"0-5"_s << u"K1/2"_s << false;
        QTest::newRow("empty element ends the search") << u"A,,K"_s << u"K1/2"_s << false;
        QTest::newRow("star matches all") << u"*"_s << u"Z/1"_s << true;
        QTest::newRow("dash at the end is a prefix") << u"TP-"_s << u"TP-3/1"_s << true;
        QTest::newRow("no separator: whole number") << u"I24"_s << u"I247"_s << true;
    }
    void classMatching()
    {
        QFETCH(QString, spec);
        QFETCH(QString, callNo);
        QFETCH(bool, matches);
        QCOMPARE(classSpecMatches(spec, classNumberOf(callNo, u"/"_s)), matches);
    }

    // The file as the workstations write it, edited and written back in the
    // code page, then read again to the same rules. Lines that are no rule
    // stay where they were: an unchanged file is written back byte for byte.
    void fileRoundTrip()
    {
        test::TestContext tc;
        const InstallFolders &f = tc.context().folders();
        const CodePage cp;
        AssignRuleSet rules = loadRuleSet(f, cp);
        QVERIFY(!rules.present);
        QVERIFY(rules.subscribers.isEmpty());
        QVERIFY(unreadLinesNotice(rules).isEmpty());

        const QByteArray file = gbk(u"; 新书分配规则\r\n"
                                    u"[A01]\r\n"
                                    u"<文学><I><B01><B01,B02>\r\n"
                                    u"broken line\r\n"
                                    u"<不全><TP\r\n"
                                    u"<全部><*><>\r\n"
                                    u"\r\n"
                                    u"[A02]\r\n"_s);
        tc.writeFile(u"CFG/Dc/DCcfg.ini"_s, file);
        rules = loadRuleSet(f, cp);
        QVERIFY(rules.present);
        QCOMPARE(rules.skippedLines, 3);
        QCOMPARE(unreadLines(rules), QStringList({u"; 新书分配规则"_s, u"broken line"_s, u"<不全><TP"_s}));
        QVERIFY(unreadLinesNotice(rules).contains(u"3行"_s));
        QVERIFY(unreadLinesNotice(rules).contains(u"broken line"_s));
        QCOMPARE(rules.subscribers.size(), 2);
        const ClassRule literature{u"文学"_s, u"I"_s, {{u"B01"_s}, {u"B01"_s, u"B02"_s}}};
        QCOMPARE(rules.subscribers.at(0).rules.at(0), literature);
        QCOMPARE(rules.subscribers.at(0).rules.at(1).maximum(), 1);
        QVERIFY(rules.subscribers.at(0).rules.at(1).distributions.at(0).isEmpty());

        QString error;
        QVERIFY(RuleEditor(rules).save(f, cp, &error));
        QCOMPARE(tc.readFile(u"CFG/Dc/DCcfg.ini"_s), file);

        // The rule under the lines goes, the lines stay where they stood.
        RuleEditor editor(rules);
        editor.removeClass(0, 1);
        QVERIFY(editor.addClass(1, u"工业"_s, u"TP3,TP5~TP8"_s, 2).isEmpty());
        QVERIFY(editor.addLocation(1, 0, 2, u"C01"_s).isEmpty());
        QVERIFY(editor.isModified());
        QVERIFY(editor.save(f, cp, &error));
        QVERIFY(!editor.isModified());
        QCOMPARE(tc.readFile(u"CFG/Dc/DCcfg.ini"_s), gbk(u"; 新书分配规则\r\n"
                                                         u"[A01]\r\n"
                                                         u"<文学><I><B01><B01,B02>\r\n"
                                                         u"broken line\r\n"
                                                         u"<不全><TP\r\n"
                                                         u"\r\n"
                                                         u"[A02]\r\n"
                                                         u"<工业><TP3,TP5~TP8><><C01>\r\n"_s));

        const AssignRuleSet back = loadRuleSet(f, cp);
        QCOMPARE(back.skippedLines, 3);
        QCOMPARE(back.subscribers, editor.rules().subscribers);
        QCOMPARE(back.subscribers.at(1).rules.at(0).distributions, QList<QStringList>({{}, {u"C01"_s}}));

        // The status file keeps its three fields; a missing flag is written 0.
        InitialStatusTable status;
        status.rows = {{u"B01"_s, u"43"_s, u"0"_s}, {u"B02"_s, u"41"_s, QString()}};
        QVERIFY(writeSettingsText(statusFilePath(f), formatInitialStatus(status), cp));
        QCOMPARE(tc.readFile(u"CFG/Dc/dccfg1.ini"_s), QByteArray("B01,43,0\r\nB02,41,0\r\n"));
        QVERIFY(checkInitialStatus(status).isEmpty());
    }

    void editorChecks()
    {
        RuleEditor editor;
        QVERIFY(editor.addSubscriber(u"A01"_s).isEmpty());
        QVERIFY(!editor.addSubscriber(u"A01"_s).isEmpty());
        QCOMPARE(RuleEditor::checkClass(u"x"_s, QString(), u""_s, true), u"I类别标识，最大复本数均不能为空！"_s);
        QCOMPARE(RuleEditor::checkClass(u"x"_s, QString(), u"2"_s, false),
                 u"I类别标识，类别代码，最大复本数均不能为空！"_s);
        QCOMPARE(RuleEditor::checkClass(u"x"_s, u"I"_s, u"0"_s, false), u"I最大复本数不能为零！"_s);
        QVERIFY(!RuleEditor::checkClass(u"a>b"_s, u"I"_s, u"2"_s, false).isEmpty());
        QVERIFY(RuleEditor::checkClass(u"x"_s, QString(), u"2"_s, true).isEmpty());

        editor.addClass(0, u"x"_s, u"I"_s, 3);
        QVERIFY(editor.addLocation(0, 0, 2, u"B01"_s).isEmpty());
        QVERIFY(editor.addLocation(0, 0, 2, u"B02"_s).isEmpty());
        QCOMPARE(editor.addLocation(0, 0, 2, u"B01"_s), u"I已经达到最大复本数！"_s);
        QVERIFY(editor.addLocation(0, 0, 3, u"B02"_s, 2).isEmpty());
        QCOMPARE(editor.addLocation(0, 0, 3, u"B01"_s, 2), u"I超过最大复本数！请重新增加"_s);
        QVERIFY(editor.addLocation(0, 0, 3, u"B01"_s).isEmpty());
        QVERIFY(editor.addLocation(0, 0, 1, u"B01"_s).isEmpty());
        // Equal codes stay together, in the order they were first added.
        editor.removeLocation(0, 0, 3, u"B01"_s);
        editor.addLocation(0, 0, 3, u"B02"_s);
        QCOMPARE(editor.distribution(0, 0, 3), QStringList({u"B02"_s, u"B02"_s, u"B02"_s}));
        QVERIFY(!editor.removeLocation(0, 0, 3, u"B02"_s, 4).isEmpty());
        // A smaller maximum drops the distributions it no longer covers.
        editor.changeClass(0, 0, u"x"_s, u"I"_s, 2);
        QCOMPARE(editor.rules().subscribers.at(0).rules.at(0).maximum(), 2);
        QCOMPARE(editor.distribution(0, 0, 2), QStringList({u"B01"_s, u"B02"_s}));
    }

    // Runs of subscribers, each placed by the first matching rule of its own
    // section; a rule whose maximum is below the run uses its last distribution.
    void autoAssignRuns()
    {
        RuleEditor editor;
        editor.addSubscriber(u"S1"_s);
        editor.addSubscriber(u"S2"_s);
        editor.addClass(0, u"工业"_s, u"TP3"_s, 2);
        editor.addLocation(0, 0, 1, u"L1"_s);
        editor.addLocation(0, 0, 2, u"L1"_s);
        editor.addLocation(0, 0, 2, u"L2"_s);
        editor.addClass(0, u"全部"_s, u"*"_s, 1);
        editor.addLocation(0, 1, 1, u"L9"_s);
        editor.addClass(1, u"全部"_s, u"*"_s, 1);
        editor.addLocation(1, 0, 1, u"L3"_s);
        AssignRuleSet rules = editor.rules();
        rules.present = true;
        InitialStatusTable status;
        status.rows = {{u"L2"_s, u"43"_s, u"0"_s}, {u"L1"_s, u"41"_s, u"1"_s}};

        QList<AssignCopy> copies{copy(u"S1"_s, u"TP312/45"_s), copy(u"S1"_s, u"TP312/45"_s),
                                 copy(u"S1"_s, u"TP312/45"_s), copy(u"S2"_s, u"TP312/45"_s),
                                 copy(u"S3"_s, u"TP312/45"_s)};
        QVERIFY(autoAssign(copies, {rules, status, u"/"_s, {}}).isEmpty());
        QCOMPARE(locationsOf(copies), QStringList({u"L1"_s, u"L2"_s, u"OLD"_s, u"L3"_s, u"OLD"_s}));
        QCOMPARE(copies.at(1).status, u"43"_s);
        QCOMPARE(copies.at(1).statusName, u"阅览"_s);
        QVERIFY(!copies.at(1).release);
        QVERIFY(copies.at(0).release);
        QCOMPARE(copies.at(2).status, u"17"_s);

        // The earlier rule wins; moved down, the catch-all places the copy.
        QList<AssignCopy> one{copy(u"S1"_s, u"TP312/45"_s)};
        autoAssign(one, {rules, {}, u"/"_s, {}});
        QCOMPARE(one.at(0).location, u"L1"_s);
        editor.moveClass(0, 0, 1);
        rules.subscribers = editor.rules().subscribers;
        autoAssign(one, {rules, {}, u"/"_s, {}});
        QCOMPARE(one.at(0).location, u"L9"_s);

        // Without rules the status table still applies.
        AssignRuleSet none;
        QList<AssignCopy> alone{copy(u"S1"_s, u"I/1"_s, u"L2"_s)};
        autoAssign(alone, {none, status, u"/"_s, {}});
        QCOMPARE(alone.at(0).location, u"L2"_s);
        QCOMPARE(alone.at(0).status, u"43"_s);
    }

    // A special status refuses the whole title by its code, whatever name
    // the row shows; a location the operator may not process refuses too.
    void autoAssignRefusals()
    {
        AssignRuleSet rules;
        rules.present = true;
        rules.subscribers = {{u"S1"_s, {{u"a"_s, u"*"_s, {{u"L1"_s}, {u"L1"_s, u"L1"_s}}}}}};
        QList<AssignCopy> copies{copy(u"S1"_s, u"I/1"_s), copy(u"S1"_s, u"I/1"_s)};
        const QList<AssignCopy> before = copies;
        const QString locked = u"I有书处于不可修改状态，请在书刊特别状态处理模块中处理该书！"_s;
        copies[1].statusName = u"下架装订"_s;
        copies[1].status = QString();
        QCOMPARE(autoAssign(copies, {rules, {}, u"/"_s, {}}), locked);
        QCOMPARE(locationsOf(copies), locationsOf(before));
        for (const QString &code : {u"33"_s, u"34"_s, u"39"_s, u"3a"_s, u"3B"_s}) {
            copies[1].status = code;
            copies[1].statusName = item_status::name(code) + u"（旧名）"_s;
            QCOMPARE(autoAssign(copies, {rules, {}, u"/"_s, {}}), locked);
        }
        copies[1].statusName = QString();
        QCOMPARE(autoAssign(copies, {rules, {}, u"/"_s, {}}), locked);
        QCOMPARE(locationsOf(copies), locationsOf(before));

        copies[1] = copy(u"S1"_s, u"I/1"_s);
        const auto onlyL1 = [](const QString &location) { return location == u"L1"; };
        QCOMPARE(autoAssign(copies, {rules, {}, u"/"_s, onlyL1}), u"W该种书包含不可处理馆藏地，无法操作。"_s);
        QCOMPARE(locationsOf(copies), locationsOf(before));
        QVERIFY(autoAssign(copies, {rules, {}, u"/"_s, {}}).isEmpty());
        QCOMPARE(locationsOf(copies), QStringList({u"L1"_s, u"L1"_s}));
    }

    // A subscriber's section written twice by hand: its sections are tried
    // in file order, the first rule that matches wins.
    void repeatedSection()
    {
        const AssignRuleSet rules = parseRuleSet(u"[S1]\r\n<工业><TP><L1>\r\n"
                                                 u"[S2]\r\n<全部><*><L2>\r\n"
                                                 u"[S1]\r\n<文学><I><L3>\r\n<全部><*><L4>\r\n"_s);
        QCOMPARE(rules.subscribers.size(), 3);
        QList<AssignCopy> copies{copy(u"S1"_s, u"TP312/4"_s), copy(u"S2"_s, u"I247/1"_s), copy(u"S1"_s, u"I247/1"_s),
                                 copy(u"S2"_s, u"I247/1"_s), copy(u"S1"_s, u"K825/9"_s)};
        QVERIFY(autoAssign(copies, {rules, {}, u"/"_s, {}}).isEmpty());
        QCOMPARE(locationsOf(copies), QStringList({u"L1"_s, u"L2"_s, u"L3"_s, u"L2"_s, u"L4"_s}));
    }
};

KESTRA_TEST(AssignRulesTest)
#include "AssignRulesTest.moc"
