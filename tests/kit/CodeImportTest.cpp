// The code-file import of the processing forms, without a database: what
// is read from the files scanners and exported lists write, and how a run
// reports, stops, and lists its refusals.

#include "kit/CodeImport.h"
#include "kit/MessageCollector.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>

using namespace kestra;
using namespace kestra::test;
using namespace Qt::StringLiterals;

namespace {

// A step that takes codes beginning with "OK", refuses "BAD…" with an
// error box, asks about "ASK…", and fails on "FAIL".
StepOutcome step(AppContext &context, QStringList &seen, const QString &code)
{
    seen.append(code);
    if (code.startsWith(u"OK"))
        return StepOutcome::Done;
    if (code.startsWith(u"ASK"))
        return context.showMsg(QStringLiteral("Q要处理吗？")) == AnswerOk ? StepOutcome::Done : StepOutcome::Declined;
    if (code == u"FAIL") {
        context.showMsg(QStringLiteral("E数据库错误"));
        return StepOutcome::Failed;
    }
    context.showMsg(QStringLiteral("E该条码号不存在"));
    context.showMsg(QStringLiteral("W该书不属于本馆藏地")); // the last message is the reason
    return StepOutcome::Refused;
}

} // namespace

class CodeImportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsWhatScannersWrite()
    {
        TestContext tc;
        const CodePage &page = tc.context().codePage();
        struct Case {
            const char *name;
            QByteArray bytes;
            int column;
            QStringList codes;
        };
        const QList<Case> cases = {
            {"UTF-8 with byte-order mark, CRLF, blank lines",
             "\xEF\xBB\xBF"
             "b0001\r\n\r\n  \r\nB0002\r\n",
             0,
             {u"b0001"_s, u"B0002"_s}},
            {"UTF-8 without mark, CR only",
             "\xE5\x9B\xBE\xE4\xB9\xA6"
             "1\rB2\r",
             0,
             {u"图书1"_s, u"B2"_s}},
            {"the workstation code page", gbk(u"图书8\n图书9"_s), 0, {u"图书8"_s, u"图书9"_s}},
            {"first column of tab, comma and semicolon lines", "A1\tx\nA2,y\nA3;z\n", 0, {u"A1"_s, u"A2"_s, u"A3"_s}},
            {"a chosen column; lines without it left out", "S1, A1\nS2;A2\nS3\n", 1, {u"A1"_s, u"A2"_s}},
            {"empty", "\r\n\r\n", 0, {}},
        };
        for (const Case &c : cases) {
            const QString path = tc.root() + QStringLiteral("/codes.txt");
            tc.writeFile(QStringLiteral("codes.txt"), c.bytes);
            QString text;
            QVERIFY2(code_file::read(page, path, text), c.name);
            QCOMPARE(code_file::codes(text, c.column), c.codes);
        }
        QString text;
        QVERIFY(!code_file::read(page, tc.root() + QStringLiteral("/missing.txt"), text));
    }

    void runReportsRefusalsOnceAndAsksQuestions()
    {
        TestContext tc;
        AppContext &context = tc.context();
        ScriptedPrompter &prompter = tc.prompter();
        tc.writeFile(QStringLiteral("DAT/scan.txt"), "OK1\r\nBAD1\r\nASK1\r\nASK2\r\nOK2\r\n");
        const QString path = tc.root() + QStringLiteral("/DAT/scan.txt");
        ProblemFile problems(ProblemFile::besideFile(path), QStringLiteral("问题清单"), QStringLiteral("|"));
        CodeImport import(context, QStringLiteral("正在处理……"), QStringLiteral("导入%1个号码，处理%2册。"));
        import.setProblemFile(&problems);
        QStringList seen;
        prompter.answerFile(path).answer(AnswerOk).answer(AnswerCancel);
        const ScanReport r = import.chooseAndRun([&](const QString &code) { return step(context, seen, code); });
        QCOMPARE(seen, (QStringList{u"OK1"_s, u"BAD1"_s, u"ASK1"_s, u"ASK2"_s, u"OK2"_s}));
        QCOMPARE(r.codes, 5);
        QCOMPARE(r.done, 3);
        QVERIFY(!r.stopped && !r.failed);
        QCOMPARE(r.reasons, (QStringList{u"BAD1：该书不属于本馆藏地"_s, u"ASK2：未确认"_s}));
        QVERIFY(prompter.progressSteps() >= 5);
        // The two questions, the summary and the problem-file notice: no box
        // per refusal.
        const QStringList texts = prompter.texts();
        QCOMPARE(texts.size(), 4);
        QVERIFY2(texts.at(2).startsWith(u"导入5个号码，处理3册。\n未处理2个：\nBAD1：该书不属于本馆藏地"_s),
                 qPrintable(texts.at(2)));
        QCOMPARE(texts.at(3), u"某些书刊存在问题，详细情况请查看文件"_s + tc.root() + u"/DAT/scan_err.txt。"_s);
        QCOMPARE(context.codePage().decode(tc.readFile(QStringLiteral("DAT/scan_err.txt"))),
                 u"问题清单\r\n该书不属于本馆藏地：BAD1|未确认：ASK2\r\n"_s);
        QVERIFY(prompter.done());
        // The boxes go to the person again once the run is over.
        context.showMsg(QStringLiteral("E之后"));
        QCOMPARE(prompter.lastText(), u"之后"_s);
    }

    void stopAndFailureEndTheRun()
    {
        TestContext tc;
        AppContext &context = tc.context();
        ScriptedPrompter &prompter = tc.prompter();
        CodeImport import(context, QStringLiteral("正在处理……"), QStringLiteral("导入%1个号码，处理%2册。"));
        QStringList seen;
        const auto run = [&](const QString &code) { return step(context, seen, code); };

        prompter.stopProgressAt(3); // Stop pressed while the third code waits
        ScanReport r = import.run({u"OK1"_s, u"OK2"_s, u"OK3"_s, u"OK4"_s}, run);
        QCOMPARE(seen, (QStringList{u"OK1"_s, u"OK2"_s}));
        QVERIFY(r.stopped && !r.failed);
        QCOMPARE(r.done, 2);
        QVERIFY(prompter.lastText().contains(u"已中止"_s));
        prompter.stopProgressAt(-1);

        seen.clear();
        r = import.run({u"OK1"_s, u"FAIL"_s, u"OK2"_s}, run);
        QCOMPARE(seen, (QStringList{u"OK1"_s, u"FAIL"_s}));
        QVERIFY(r.stopped && r.failed);
        QCOMPARE(r.reasons, QStringList{u"FAIL：数据库错误"_s});

        // A missing file fails with a box; an empty one says so and runs
        // nothing.
        r = import.runFile(tc.root() + QStringLiteral("/none.txt"), run);
        QVERIFY(r.failed);
        QCOMPARE(prompter.shown().last().kind, QChar(u'E'));
        tc.writeFile(QStringLiteral("empty.txt"), "\r\n \r\n");
        seen.clear();
        r = import.runFile(tc.root() + QStringLiteral("/empty.txt"), run);
        QCOMPARE(r.codes, 0);
        QVERIFY(seen.isEmpty());
        QCOMPARE(prompter.lastText(), u"文件中没有可导入的号码。"_s);
        QVERIFY(prompter.done());
    }

    void aScannerFileOfAHundredThousandLines()
    {
        TestContext tc;
        QByteArray bytes;
        for (int i = 0; i < 100000; ++i)
            bytes += "TS" + QByteArray::number(1000000 + i) + "\r\n";
        tc.writeFile(QStringLiteral("big.txt"), bytes);
        CodeImport import(tc.context(), QStringLiteral("正在处理……"), QStringLiteral("导入%1个号码，处理%2册。"));
        int n = 0;
        QString last;
        const ScanReport r = import.runFile(tc.root() + QStringLiteral("/big.txt"), [&](const QString &code) {
            ++n;
            last = code;
            return code.endsWith(u'7') ? StepOutcome::Refused : StepOutcome::Done;
        });
        QCOMPARE(r.codes, 100000);
        QCOMPARE(n, 100000);
        QCOMPARE(last, u"TS1099999"_s);
        QCOMPARE(r.reasons.size(), 10000);
        QCOMPARE(r.done, 90000);
        // The summary names the first twenty refusals, not ten thousand.
        QVERIFY(tc.prompter().lastText().count(u'\n') < 30);
    }

    void collectorsNest()
    {
        TestContext tc;
        AppContext &context = tc.context();
        {
            MessageCollector outer(context);
            context.showMsg(QStringLiteral("E一"));
            {
                MessageCollector inner(context);
                context.showMsg(QStringLiteral("I二"));
                QCOMPARE(inner.texts(), QStringList{u"二"_s});
                QVERIFY(!inner.hasError());
            }
            context.showMsg(QStringLiteral("W三"));
            QCOMPARE(outer.texts(), (QStringList{u"一"_s, u"三"_s}));
            QVERIFY(outer.hasError());
            QVERIFY(tc.prompter().shown().isEmpty());
        }
        context.showMsg(QStringLiteral("I四"));
        QCOMPARE(tc.prompter().texts(), QStringList{u"四"_s});
    }
};

KESTRA_TEST(CodeImportTest)
#include "CodeImportTest.moc"
