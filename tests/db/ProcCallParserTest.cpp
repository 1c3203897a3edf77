// Procedure blocks, DbCallProc's rewrite and "empty to space".

#include "db/sql/OracleSql.h"
#include "db/sql/ProcCall.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;

class ProcCallParserTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parsesArguments()
    {
        QString error;
        const auto call = parseProcBlock(
            "Begin update_copies('0012''3', NULL, '', -12.50, +3, .5, 1e3, :SVRDATE, 'a,b)'); end;", &error);
        QVERIFY2(call, qPrintable(error));
        QCOMPARE(call->name, QString("update_copies"));
        QCOMPARE(call->procedure(), QString("update_copies"));
        QCOMPARE(call->qualifier(), QString());
        QCOMPARE(call->args.size(), 9);
        QCOMPARE(call->args[0].kind, ProcArg::Kind::Text);
        QCOMPARE(call->args[0].text, QString("0012'3"));
        QVERIFY(call->args[1].isNull());
        QVERIFY(call->args[2].isNull()); // '' is NULL in Oracle
        QCOMPARE(call->args[3].kind, ProcArg::Kind::Number);
        QCOMPARE(call->args[3].text, QString("-12.50"));
        QCOMPARE(call->args[3].asText(), QString("-12.5"));
        QCOMPARE(call->args[3].value().toDouble(), -12.5);
        QCOMPARE(call->args[4].value(), QVariant(qlonglong(3)));
        QCOMPARE(call->args[5].asText(), QString(".5"));
        QCOMPARE(call->args[6].asText(), QString("1000"));
        QCOMPARE(call->args[7].kind, ProcArg::Kind::Bind);
        QCOMPARE(call->args[7].text, QString("SVRDATE"));
        QCOMPARE(call->args[8].text, QString("a,b)"));
        QVERIFY(!call->args[1].value().isValid());
    }

    void acceptsLayouts_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("args");
        QTest::newRow("package and binds") << "Begin TJ_SORT.GetBulkData( :STRSQL,:ARRAYSIZE,:RESULT); End;"
                                           << "TJ_SORT.GetBulkData" << 3;
        QTest::newRow("lower case, spread out") << "  begin\n  lib . xt_log_detl ( '1' ,\t'2' )  ;\n END ; "
                                                << "lib.xt_log_detl" << 2;
        QTest::newRow("no argument list") << "BEGIN SYS_Refresh; END;"
                                          << "SYS_Refresh" << 0;
        QTest::newRow("empty argument list") << "Begin p(); end;"
                                             << "p" << 0;
        QTest::newRow("comments") << "Begin /* why */ p('x' -- note\n); end; -- done"
                                  << "p" << 1;
        QTest::newRow("quoted name") << "Begin \"Pkg\".\"Do\"\"It\"(1); end;"
                                     << "\"Pkg\".\"Do\"\"It\"" << 1;
        QTest::newRow("chinese text") << "Begin xt_log_detl('密码输入错误,登录失败'); end;"
                                      << "xt_log_detl" << 1;
    }
    void acceptsLayouts()
    {
        QFETCH(QString, sql);
        QFETCH(QString, name);
        QFETCH(int, args);
        QString error;
        const auto call = parseProcBlock(sql, &error);
        QVERIFY2(call, qPrintable(error));
        QCOMPARE(call->name, name);
        QCOMPARE(call->args.size(), args);
    }

    void refusesWithClearText_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("message");
        QTest::newRow("unterminated literal") << "Begin p('abc); end;"
                                              << "ORA-01756";
        QTest::newRow("unterminated after doubling") << "Begin p('it''s); end;"
                                                     << "ORA-01756";
        QTest::newRow("missing parenthesis") << "Begin p('a', 'b'; end;"
                                             << "missing ')' after the argument list";
        QTest::newRow("missing parenthesis at end") << "Begin p('a'"
                                                    << "missing ')'";
        QTest::newRow("garbage after the call") << "Begin p('a') x; end;"
                                                << "expected ';' after the call; found \"x\"";
        QTest::newRow("garbage after the block") << "Begin p('a'); end; drop table t"
                                                 << "unexpected text after the block";
        QTest::newRow("second statement") << "Begin p(1); q(2); end;"
                                          << "expected End";
        QTest::newRow("expression argument") << "Begin p(sysdate); end;"
                                             << "argument 1 must be";
        QTest::newRow("concatenated argument") << "Begin p('a' || 'b'); end;"
                                               << "expected ',' or ')' after argument 1";
        QTest::newRow("named argument") << "Begin p(a => 1); end;"
                                        << "argument 1 must be";
        QTest::newRow("trailing comma") << "Begin p(1,); end;"
                                        << "argument 2 must be";
        QTest::newRow("not a block") << "SELECT 1 FROM dual"
                                     << "does not start with Begin";
        QTest::newRow("empty") << ""
                               << "does not start with Begin";
        QTest::newRow("no name") << "Begin (1); end;"
                                 << "expected a procedure name";
        QTest::newRow("missing end") << "Begin p(1);"
                                     << "expected End";
        QTest::newRow("unterminated name") << "Begin \"p(1); end;"
                                           << "ORA-01740";
    }
    void refusesWithClearText()
    {
        QFETCH(QString, sql);
        QFETCH(QString, message);
        QString error;
        QVERIFY(!parseProcBlock(sql, &error));
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY2(error.startsWith(u"ORA-"), qPrintable(error));
    }

    void errorNamesThePlace()
    {
        QString error;
        QVERIFY(!parseProcBlock("Begin\n  p('a',\n    x); end;", &error));
        QVERIFY2(error.contains(u"line 3, column 5"), qPrintable(error));
    }

    void callProcRewrite()
    {
        QCOMPARE(procCallBlock("update_copies '0001234'"), QString("Begin update_copies('0001234'); end;"));
        QCOMPARE(procCallBlock("  XT_wkr_job_qty '101','W1',1,2,3.5  "),
                 QString("Begin XT_wkr_job_qty('101','W1',1,2,3.5); end;"));
        QCOMPARE(procCallBlock("SYS_Refresh"), QString("Begin SYS_Refresh(); end;"));
        QCOMPARE(procCallBlock("p\t'a', ''", true), QString("Begin p('a', ' '); end;"));
        QCOMPARE(procCallBlock("p 'O''Brien', ''''", true), QString("Begin p('O''Brien', ''''); end;"));
        // What the rewrite builds, the parser reads back.
        QString error;
        const auto call = parseProcBlock(procCallBlock("LT_deal_log 'L1','B''1',NULL,'',5"), &error);
        QVERIFY2(call, qPrintable(error));
        QCOMPARE(call->args.size(), 5);
        QCOMPARE(call->args[1].text, QString("B'1"));
    }

    void emptyToSpaceOnlyTouchesEmptyLiterals_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("values") << "INSERT INTO t VALUES('', 'a', '')"
                                << "INSERT INTO t VALUES(' ', 'a', ' ')";
        QTest::newRow("doubled apostrophe inside") << "UPDATE t SET n = 'O''Brien'"
                                                   << "UPDATE t SET n = 'O''Brien'";
        QTest::newRow("one apostrophe") << "SELECT '''' FROM t"
                                        << "SELECT '''' FROM t";
        QTest::newRow("apostrophes at the ends") << "SELECT '''a''', 'b''''' FROM t"
                                                 << "SELECT '''a''', 'b''''' FROM t";
        QTest::newRow("adjacent empties") << "SELECT '','' FROM t"
                                          << "SELECT ' ',' ' FROM t";
        QTest::newRow("comment and name") << "SELECT \"''\" -- ''\nFROM t /* '' */"
                                          << "SELECT \"''\" -- ''\nFROM t /* '' */";
        QTest::newRow("unterminated") << "SELECT '' || 'abc"
                                      << "SELECT ' ' || 'abc";
    }
    void emptyToSpaceOnlyTouchesEmptyLiterals()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(emptyLiteralsToSpace(in), out);
    }
};

KESTRA_TEST(ProcCallParserTest)
#include "ProcCallParserTest.moc"
