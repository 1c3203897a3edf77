// ShowMsg and MessageText through the scripted prompter.

#include "core/Messages.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace Qt::StringLiterals;

namespace {

// As "SELECT msg_id, msg_content FROM msg_mst ORDER BY msg_id DESC" gives it,
// plus a duplicate code to show that the first row wins.
QueryResult messageTable()
{
    QueryResult t({{u"msg_id"_s, QueryResult::Text}, {u"msg_content"_s, QueryResult::Text}});
    t.appendRow({u"WDC030"_s, u"将要删除%S，是否继续？"_s});
    t.appendRow({u"SDC020"_s, u"保存吗？"_s});
    t.appendRow({u"QDC015"_s, u"第一行\\n第二行\\N第三行"_s});
    t.appendRow({u"IDC001"_s, u"操作成功"_s});
    t.appendRow({u"EDC026  "_s, u"条码%s不存在，%S保持原样"_s}); // CHAR column, blank-padded
    t.appendRow({u"ECM002"_s, u"第一条ECM002"_s});
    t.appendRow({u"ECM002"_s, u"第二条ECM002"_s});
    return t;
}

} // namespace

class MessagesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void kinds_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("beep");
        QTest::addColumn<bool>("question");
        QTest::newRow("E") << u"E该条码号不存在"_s << true << false;
        QTest::newRow("I") << u"I数据库连接成功！"_s << false << false;
        QTest::newRow("W") << u"W该书已借出，继续吗？"_s << true << true;
        QTest::newRow("Q") << u"Q确定退出吗？"_s << true << true;
        QTest::newRow("S") << u"S保存修改吗？"_s << true << true;
        QTest::newRow("other letter") << u"X未知种类"_s << false << false;
        QTest::newRow("lower-case e is no E") << u"e小写"_s << false << false;
    }
    void kinds()
    {
        QFETCH(QString, message);
        QFETCH(bool, beep);
        QFETCH(bool, question);
        test::TestContext tc;
        tc.context().messages().setTitle(u"Orvane大学图书馆"_s);
        const QList<int> answers = question ? QList<int>{AnswerOk, AnswerCancel} : QList<int>{AnswerOk};
        for (int answer : answers) {
            if (question)
                tc.prompter().answer(answer);
            QCOMPARE(tc.context().showMsg(message), answer);
            const test::ScriptedPrompter::Shown &shown = tc.prompter().shown().last();
            QCOMPARE(shown.kind, message.front());
            QCOMPARE(shown.text, message.mid(1));
            QCOMPARE(shown.title, u"Orvane大学图书馆"_s);
            QCOMPARE(shown.beep, beep);
            QCOMPARE(shown.question, question);
        }
        QVERIFY(tc.prompter().done());
        QVERIFY(tc.sounds().played.isEmpty());
    }

    void codesAndReplacements_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("text");
        QTest::newRow("first row wins") << u"ECM002"_s << u"第一条ECM002"_s;
        QTest::newRow("code with nothing to fill") << u"IDC001多余的字"_s << u"操作成功"_s;
        QTest::newRow("%S any case, first only") << u"EDC026T0001"_s << u"条码T0001不存在，%S保持原样"_s;
        QTest::newRow("%S with nothing after the code") << u"EDC026"_s << u"条码不存在，%S保持原样"_s;
        QTest::newRow("\\N any case, first only") << u"QDC015"_s << u"第一行\n第二行\\N第三行"_s;
        QTest::newRow("no code: argument kept") << u"EDC02"_s << u"EDC02"_s;
        QTest::newRow("codes compare exactly") << u"ecm002"_s << u"ecm002"_s;
        QTest::newRow("plain text") << u"I数据库连接成功！"_s << u"I数据库连接成功！"_s;
    }
    void codesAndReplacements()
    {
        QFETCH(QString, message);
        QFETCH(QString, text);
        test::TestContext tc;
        Messages &m = tc.context().messages();
        m.setTable(messageTable());
        QCOMPARE(m.messageText(message), text);
        // ShowMsg drops the kind letter only when no code matched.
        if (message.front() == u'Q')
            tc.prompter().answer(AnswerOk);
        m.showMsg(message);
        QCOMPARE(tc.prompter().lastText(), text == message ? message.mid(1) : text);
        QVERIFY(tc.prompter().done());
    }

    void codeKindComesFromTheCode()
    {
        test::TestContext tc;
        Messages &m = tc.context().messages();
        m.setTable(messageTable());
        tc.prompter().answer(AnswerCancel).answer(AnswerOk);
        QCOMPARE(m.showMsg(u"WDC030第3批"_s), AnswerCancel);
        QCOMPARE(tc.prompter().lastText(), u"将要删除第3批，是否继续？"_s);
        QCOMPARE(m.showMsg(u"SDC020"_s), AnswerOk);
        QCOMPARE(tc.prompter().shown().last().kind, u'S');
        QVERIFY(tc.prompter().shown().last().question);
        QVERIFY(tc.prompter().done());
    }

    void degenerateArguments()
    {
        test::TestContext tc;
        Messages &m = tc.context().messages();
        QCOMPARE(m.showMsg(u"E"_s), AnswerOk); // before the table is loaded
        QCOMPARE(tc.prompter().lastText(), QString());
        QCOMPARE(m.showMsg(QString()), AnswerOk);
        m.setTable(messageTable());
        QCOMPARE(m.showMsg(u"I"_s), AnswerOk);
        QVERIFY(tc.prompter().done());
    }

    // The fixture every later test relies on: answers are used in order by
    // questions only, a question nobody scripted fails the running test, and
    // answers left over show in done().
    void scriptedPrompterHoldsTestsToTheScript()
    {
        test::TestContext tc;
        tc.prompter().answer(AnswerOk).answer(AnswerCancel);
        QCOMPARE(tc.context().showMsg(u"E不是问题"_s), AnswerOk);
        QCOMPARE(tc.context().showMsg(u"Q一"_s), AnswerOk);
        QVERIFY(!tc.prompter().done());
        QCOMPARE(tc.context().showMsg(u"W二"_s), AnswerCancel);
        QVERIFY(tc.prompter().done());

        QEXPECT_FAIL("", "an unscripted question fails the test", Continue);
        const int answer = tc.context().showMsg(u"S三"_s);
        QCOMPARE(answer, AnswerCancel);
        QCOMPARE(tc.prompter().unexpected(), 1);
        QVERIFY(!tc.prompter().done());
        QCOMPARE(tc.prompter().texts(), QStringList({u"不是问题"_s, u"一"_s, u"二"_s, u"三"_s}));
    }

    void sounds()
    {
        test::TestContext tc;
        tc.writeText(u"CFG/Sound/snd.ini"_s, u"ECM002,Alarm.WAV\nIDC001,missing.wav\nNOSUCH,x.wav\n"_s);
        tc.writeText(u"CFG/Sound/alarm.wav"_s, u"RIFF"_s);
        AppContext &ctx = tc.context();
        Messages &m = ctx.messages();
        m.setTable(messageTable());
        m.applySounds(loadSoundSettings(ctx.folders(), ctx.codePage()).messages);
        const QString cfg = ctx.folders().folder(InstallFolders::Cfg);

        QCOMPARE(ctx.showMsg(u"ECM002"_s), AnswerOk);
        QCOMPARE(tc.sounds().played, QStringList({cfg + u"Sound/alarm.wav"_s}));

        // MessageText alone starts the sound too.
        m.messageText(u"ECM002"_s);
        QCOMPARE(tc.sounds().played.size(), 2);

        // A sound file that is not there changes nothing about the message.
        QCOMPARE(ctx.showMsg(u"IDC001"_s), AnswerOk);
        QCOMPARE(tc.sounds().played.last(), cfg + u"sound/missing.wav"_s);
        QCOMPARE(tc.prompter().lastText(), u"操作成功"_s);

        // Only the first of duplicate codes carries the sound, and it is the one used.
        QCOMPARE(m.table().spare(6), QString());
        tc.sounds().played.clear();
        ctx.showMsg(u"I没有代码"_s);
        ctx.showMsg(u"EDC026"_s);
        QVERIFY(tc.sounds().played.isEmpty());
        QCOMPARE(tc.prompter().shown().size(), 4);
    }
};

KESTRA_TEST(MessagesTest)
#include "MessagesTest.moc"
