// kestra-admin sql: one statement of the suite's Oracle SQL through the
// client's session, on both backends, as the people who run the database
// see it.

#include "admin/SqlCommand.h"
#include "admin/AdminMain.h"
#include "support/SuiteFixture.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

} // namespace

class SqlCommandTest : public QObject {
    Q_OBJECT

    static Run sql(SuiteFixture &fx, const QString &statement)
    {
        DatabaseTarget target;
        QString error;
        Run run;
        if (!resolveDatabaseTarget({}, fx.tc.root(), &target, &error)) {
            run.err = error;
            return run;
        }
        QTextStream out(&run.out);
        QTextStream err(&run.err);
        run.status = runSqlStatement(target, fx.tc.root(), statement, out, err);
        return run;
    }

private Q_SLOTS:
    void runsOneStatement_data() { addBackendRows(); }
    void runsOneStatement()
    {
        QFETCH(int, backend);
        SuiteFixture fx;
        KESTRA_OPEN_SUITE(fx, backend);

        Run r = sql(fx, "INSERT INTO virtual_shelf_class(class_id, class_name, class_order) "
                        "VALUES('001', '新书  ', 1);");
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QString("1 row changed\n"));
        sql(fx, "INSERT INTO virtual_shelf_class(class_id, class_name, class_order) VALUES('002', 'a\tb', 2)");
        r = sql(fx, "UPDATE virtual_shelf_class SET class_order = class_order + 10");
        QCOMPARE(r.out, QString("2 rows changed\n"));

        // The rows as the client reads them: text right-trimmed, NULL empty.
        r = sql(fx,
                "SELECT class_id, class_name, class_remark, class_order FROM virtual_shelf_class ORDER BY class_id");
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.split(u'\n'), QStringList({"class_id\tclass_name\tclass_remark\tclass_order", "001\t新书\t\t11",
                                                  "002\ta b\t\t12", ""}));

        // A failure: its Oracle number and the client's message; nothing kept.
        r = sql(fx, "INSERT INTO virtual_shelf_class(class_id, class_name) VALUES('001', 'again')");
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.startsWith(QStringLiteral("ORA-00001: ")), qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("PK_VIRTUAL_SHELF_CLASS")), qPrintable(r.err));
        r = sql(fx, "SELECT nosuch FROM virtual_shelf_class");
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.startsWith(QStringLiteral("ORA-00904: ")), qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("message: ECM012")), qPrintable(r.err));

        // A procedure block runs the suite procedure; a failing one leaves nothing.
        QVERIFY(fx.exec("INSERT INTO marc(marc_rec_no, copies) VALUES('M1', 9)"));
        r = sql(fx, "Begin update_copies('M1'); end;");
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QString("PL/SQL procedure successfully completed.\n"));
        QCOMPARE(fx.one("SELECT copies FROM marc WHERE marc_rec_no = 'M1'"), QString("0"));
        r = sql(fx, "Begin update_copies('M1', 'extra'); end;");
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("PLS-00306")), qPrintable(r.err));

        // Two statements are refused before anything runs.
        r = sql(fx, "DELETE FROM virtual_shelf_class; DELETE FROM marc");
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.startsWith(QStringLiteral("ORA-00933")), qPrintable(r.err));
        QCOMPARE(fx.one("SELECT count(*) FROM virtual_shelf_class"), QString("2"));
    }

    void helpNamesEveryCommand()
    {
        const QString usage = adminUsage();
        for (const char *command :
             {"install", "scramble", "init", "check", "demo", "sql", "marc-dump", "marc-import", "marc-export"})
            QVERIFY2(usage.contains(QStringLiteral("  %1 ").arg(QLatin1StringView(command))), command);
        QCOMPARE(adminMain({"kestra-admin", "help"}), 0);
    }
};

KESTRA_TEST(SqlCommandTest)
#include "SqlCommandTest.moc"
