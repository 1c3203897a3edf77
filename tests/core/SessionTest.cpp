// The session on real databases: query results, quoting, Oracle error
// numbers and their messages, statement atomicity, procedures, reconnection.

#include "core/Session.h"
#include "db/Backends.h"
#include "db/PgBackend.h"
#include "db/SqliteBackend.h"
#include "marc/MarcText.h"
#include "support/TestContext.h"
#include "support/TestDatabase.h"
#include "support/TestRunner.h"

#include <QRegularExpression>
#include <QTest>
#include <sqlite3.h>

using namespace kestra;
using namespace kestra::test;

namespace {

const char *const kSchema[] = {
    "CREATE TABLE marc (marc_rec_no VARCHAR(20) NOT NULL, m_title VARCHAR(200), copies INTEGER DEFAULT 0, "
    "lendable_copies INTEGER DEFAULT 0, CONSTRAINT PK_MARC PRIMARY KEY (marc_rec_no))",
    "CREATE TABLE indi_acct (prop_no VARCHAR(20) NOT NULL, barcode VARCHAR(20), marc_rec_no VARCHAR(20), "
    "book_stat_code VARCHAR(2), price NUMERIC(10,2), remark VARCHAR(4000), "
    "CONSTRAINT PK_INDI_ACCT PRIMARY KEY (prop_no), "
    "CONSTRAINT FK_INDI_ACC_REFERENCE_MARC FOREIGN KEY (marc_rec_no) REFERENCES marc (marc_rec_no))",
    "CREATE UNIQUE INDEX INDI_BARCODE_IDX ON indi_acct (barcode)",
    "CREATE TABLE log_detl (log_type VARCHAR(5), log_date VARCHAR(10), log_time VARCHAR(8), wkr_no VARCHAR(20), "
    "computer VARCHAR(60), location_name VARCHAR(60), marc_rec_no VARCHAR(20), prop_no VARCHAR(20), "
    "cert_id VARCHAR(30), data1 VARCHAR(200), data2 VARCHAR(200), data3 VARCHAR(200))",
    "CREATE TABLE wkr_job_qty (wkr_no_f VARCHAR(20), job_type VARCHAR(3), oper_date VARCHAR(10), kind NUMERIC(12), "
    "volume NUMERIC(12), amount NUMERIC(14,2), PRIMARY KEY (wkr_no_f, job_type, oper_date))",
};

// An installation whose kestra.ini names a fresh database with a small
// schema, and a session connected to it.
struct Fixture {
    TestContext tc;
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<Session> session;

    // messages: the server's message language (PostgreSQL), empty for its own.
    bool open(int backend, QString *skip, const QString &messages = QString())
    {
        db = TestDatabase::create(static_cast<TestDatabase::Kind>(backend), skip);
        if (!db)
            return false;
        if (!messages.isEmpty() &&
            !db->adminExec(QStringLiteral("DO $$ BEGIN EXECUTE format('ALTER DATABASE %I SET lc_messages = %L', "
                                          "current_database(), '%1'); END $$")
                               .arg(messages),
                           skip)) {
            skip->prepend(QStringLiteral("no server messages in %1 (make the locale with localedef): ").arg(messages));
            return false;
        }
        // SQLite: the file must exist before the client opens it.
        DbError error;
        auto creator = createBackend(db->target().kind);
        if (!creator->open(db->target(), error))
            return false;
        for (const char *ddl : kSchema) {
            if (!creator->execute(QString::fromUtf8(ddl), error)) {
                qWarning("%s", qPrintable(error.text));
                return false;
            }
        }
        creator->close();
        tc.writeText(QStringLiteral("kestra.ini"),
                     QStringLiteral("[LIB-DATA]\nLIB_SERVER=T\n[T]\nDSN=%1\nUID=\nPWD=\n").arg(db->dsn()));
        if (tc.context().loadIniSettings() < 0)
            return false;
        session = std::make_unique<Session>(tc.context());
        session->setLockTimeout(300);
        return session->connect() == 0;
    }

    QString logText() const { return QString::fromUtf8(tc.readFile(QStringLiteral("LOG/2026-03-14_Log.log"))); }

    QString one(const QString &sql)
    {
        QueryResult r;
        if (session->query(sql, r) < 0 || r.rowCount() == 0)
            return QStringLiteral("<none>");
        return r.text(0, 0);
    }
};

} // namespace

// A fixture over a fresh database, or the test is skipped when the backend
// is not available here.
#define OPEN_FIXTURE(f, backend)                                                                                       \
    Fixture f;                                                                                                         \
    do {                                                                                                               \
        QString skip_;                                                                                                 \
        if (!(f).open((backend), &skip_))                                                                              \
            QSKIP(qPrintable(skip_.isEmpty() ? QStringLiteral("cannot open the database") : skip_));                   \
    } while (false)

class SessionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void queryResultShape_data() { addBackendRows(); }
    void queryResultShape()
    {
        QFETCH(int, backend);
        OPEN_FIXTURE(f, backend);
        Session &s = *f.session;
        QVERIFY(s.execute(QStringLiteral("insert into marc(marc_rec_no,m_title,copies) values('1','书名  ',3)")) == 0);
        QVERIFY(s.execute(QStringLiteral("insert into marc(marc_rec_no,m_title,copies) values('2',NULL,NULL)")) == 0);

        QueryResult r;
        QCOMPARE(s.query(QStringLiteral("select marc_rec_no, m_title, copies from marc order by marc_rec_no"), r), 0);
        QVERIFY(!r.isNull());
        QCOMPARE(r.rowCount(), 2);
        QCOMPARE(r.columnCount(), 3);
        QCOMPARE(r.columnName(1).toLower(), QStringLiteral("m_title"));
        QCOMPARE(r.columnType(1), QueryResult::Text);
        QVERIFY(r.columnType(2) == QueryResult::Long || r.columnType(2) == QueryResult::Double);
        QCOMPARE(r.text(0, 1), QStringLiteral("书名")); // right-trimmed
        QCOMPARE(r.number(0, 2), 3.0);
        QCOMPARE(r.text(1, 1), QString()); // NULL text reads empty
        QCOMPARE(r.number(1, 2), 0.0);     // NULL number reads 0

        QueryResult none;
        QCOMPARE(s.query(QStringLiteral("select marc_rec_no from marc where 1=0"), none), 0);
        QCOMPARE(none.rowCount(), 0);
        QCOMPARE(none.columnCount(), 1);
        QVERIFY(!none.isNull());

        QCOMPARE(f.one(QStringLiteral("select count(*) from marc")), QStringLiteral("2"));
    }

    void hostileValuesRoundTrip_data() { addBackendRows(); }
    void hostileValuesRoundTrip()
    {
        QFETCH(int, backend);
        OPEN_FIXTURE(f, backend);
        const QStringList values = {
            QStringLiteral("O'Brien"),
            QStringLiteral("'; DROP TABLE indi_acct; --"),
            QStringLiteral("back\\slash \\' and \\\\"),
            QStringLiteral("100% _wild_"),
            QStringLiteral("中文「引号」'书'"),
            QStringLiteral("tab\there\nnew line\r\x01\x1f"),
            QStringLiteral("''"),
            QString(3000, u'长'),
        };
        int n = 0;
        for (const QString &v : values) {
            const QString prop = QStringLiteral("P%1").arg(++n);
            QCOMPARE(f.session->execute(QStringLiteral("insert into indi_acct(prop_no,remark) values(") +
                                        sqlQuote(prop) + u',' + sqlQuote(v) + u')'),
                     0);
            QCOMPARE(f.one(QStringLiteral("select remark from indi_acct where prop_no=") + sqlQuote(prop)), v);
        }
        QCOMPARE(f.one(QStringLiteral("select count(*) from indi_acct")), QString::number(values.size()));
        QCOMPARE(sqlQuote(QVariant()), QStringLiteral("''"));
    }

    void emptyToSpaceKeepsDoubledQuotes_data() { addBackendRows(); }
    void emptyToSpaceKeepsDoubledQuotes()
    {
        QFETCH(int, backend);
        OPEN_FIXTURE(f, backend);
        QCOMPARE(f.session->execute(QStringLiteral("insert into indi_acct(prop_no,barcode,remark) "
                                                   "values('X1','','O''Brien')"),
                                    true),
                 0);
        QCOMPARE(f.one(QStringLiteral("select remark from indi_acct where prop_no='X1'")), QStringLiteral("O'Brien"));
        QCOMPARE(f.one(QStringLiteral("select count(*) from indi_acct where barcode=' '")), QStringLiteral("1"));
    }

    // Also on a PostgreSQL server that answers in Chinese: the direction of
    // a broken foreign key must not be read from English message text.
    void uniqueAndChildViolationsShowTheirMessages_data()
    {
        addBackendRows();
        QTest::newRow("postgres-zh") << static_cast<int>(TestDatabase::Kind::Postgres);
    }
    void uniqueAndChildViolationsShowTheirMessages()
    {
        QFETCH(int, backend);
        const bool chinese = QTest::currentDataTag() == QLatin1String("postgres-zh");
        Fixture f;
        if (QString skip; !f.open(backend, &skip, chinese ? QStringLiteral("zh_CN.UTF-8") : QString()))
            QSKIP(qPrintable(skip.isEmpty() ? QStringLiteral("cannot open the database") : skip));
        Session &s = *f.session;
        if (chinese) {
            QCOMPARE(s.execute(QStringLiteral("insert into no_such_table values(1)")), -1);
            QVERIFY2(s.error().text.contains(QStringLiteral("不存在")), qPrintable(s.error().text));
        }
        QCOMPARE(s.execute(QStringLiteral("insert into marc(marc_rec_no) values('M1')")), 0);
        QCOMPARE(s.execute(QStringLiteral("insert into indi_acct(prop_no,barcode,marc_rec_no) values('A1','B1','M1')")),
                 0);

        QCOMPARE(s.execute(QStringLiteral("insert into indi_acct(prop_no,barcode) values('A2','B1')")), -1);
        QCOMPARE(s.error().oraCode, 1);
        QCOMPARE(s.error().location, int(ErrorRecord::Execute));
        QCOMPARE(s.error().proc, QStringLiteral("LIB_DB_Execute"));
        QVERIFY2(s.error().text.contains(QStringLiteral("INDI_BARCODE_IDX")), qPrintable(s.error().text));
        s.showDbError();
        QCOMPARE(f.tc.prompter().lastText(), QStringLiteral("条码号重复!"));

        QCOMPARE(s.execute(QStringLiteral("insert into indi_acct(prop_no,barcode) values('A1','B9')")), -1);
        QVERIFY2(s.error().text.contains(QStringLiteral("PK_INDI_ACCT")), qPrintable(s.error().text));
        s.showDbError();
        QCOMPARE(f.tc.prompter().lastText(), QStringLiteral("财产号重复!"));

        QCOMPARE(s.execute(QStringLiteral("delete from marc where marc_rec_no='M1'")), -1);
        QCOMPARE(s.error().oraCode, 2292);
        QVERIFY2(s.error().text.contains(QStringLiteral("FK_INDI_ACC_REFERENCE_MARC")), qPrintable(s.error().text));
        s.showDbError();
        QCOMPARE(f.tc.prompter().lastText(), QStringLiteral("该MARC已经被相关记录引用!"));
        // An update that points a copy at a record that does not exist is a
        // missing parent, not a child left behind.
        QCOMPARE(s.execute(QStringLiteral("update indi_acct set marc_rec_no='NONE' where prop_no='A1'")), -1);
        QCOMPARE(s.error().oraCode, 2291);
        QVERIFY2(s.error().text.contains(QStringLiteral("FK_INDI_ACC_REFERENCE_MARC")), qPrintable(s.error().text));
        QCOMPARE(s.execute(QStringLiteral("insert into indi_acct(prop_no,marc_rec_no) values('A3','NONE')")), -1);
        QCOMPARE(s.error().oraCode, 2291);
        // Renumbering the record leaves its copies behind.
        QCOMPARE(s.execute(QStringLiteral("update marc set marc_rec_no='M2' where marc_rec_no='M1'")), -1);
        QCOMPARE(s.error().oraCode, 2292);
        // The refused delete changed nothing.
        QCOMPARE(f.one(QStringLiteral("select count(*) from marc")), QStringLiteral("1"));

        // The failing statement and the error text are in the day's log.
        const QString log = QString::fromUtf8(f.tc.readFile(QStringLiteral("LOG/2026-03-14_Log.log")));
        QVERIFY(log.contains(QStringLiteral("delete from marc where marc_rec_no='M1'")));
    }

    void failedStatementLeavesTransactionUsable_data() { addBackendRows(); }
    void failedStatementLeavesTransactionUsable()
    {
        QFETCH(int, backend);
        OPEN_FIXTURE(f, backend);
        Session &s = *f.session;
        {
            Transaction tx(s);
            QCOMPARE(s.execute(QStringLiteral("insert into indi_acct(prop_no) values('T1')")), 0);
            QCOMPARE(s.execute(QStringLiteral("insert into indi_acct(prop_no) values('T1')")), -1);
            QCOMPARE(s.execute(QStringLiteral("insert into no_such_table values(1)")), -1);
            QCOMPARE(s.error().oraCode, 942);
            QCOMPARE(s.execute(QStringLiteral("insert into indi_acct(prop_no) values('T2')")), 0);
            QCOMPARE(tx.commit(), 0);
        }
        QCOMPARE(f.one(QStringLiteral("select count(*) from indi_acct")), QStringLiteral("2"));
        {
            Transaction tx(s);
            QCOMPARE(s.execute(QStringLiteral("insert into indi_acct(prop_no) values('T3')")), 0);
            QCOMPARE(s.callProc(QStringLiteral("update_lendable_copies 'none'")), 0);
            // No commit: the guard rolls everything back.
        }
        QCOMPARE(f.one(QStringLiteral("select count(*) from indi_acct")), QStringLiteral("2"));
    }

    void lockHeldElsewhereIsResourceBusy_data() { addBackendRows(); }
    void lockHeldElsewhereIsResourceBusy()
    {
        QFETCH(int, backend);
        OPEN_FIXTURE(f, backend);
        Session &s = *f.session;
        QCOMPARE(s.execute(QStringLiteral("insert into indi_acct(prop_no,book_stat_code) values('L1','41')")), 0);

        Session other(f.tc.context());
        other.setLockTimeout(300);
        QCOMPARE(other.connect(), 0);
        f.tc.context().setServerClock(f.session.get());
        other.beginTrans();
        QCOMPARE(other.execute(QStringLiteral("update indi_acct set book_stat_code='42' where prop_no='L1'")), 0);

        s.beginTrans();
        QCOMPARE(s.execute(QStringLiteral("update indi_acct set book_stat_code='43' where prop_no='L1'")), -1);
        QCOMPARE(s.error().oraCode, 54);
        s.showDbError();
        QCOMPARE(f.tc.prompter().lastText(), QStringLiteral("该记录已经被锁定!"));
        s.rollback();
        other.rollback();
        QCOMPARE(f.one(QStringLiteral("select book_stat_code from indi_acct where prop_no='L1'")),
                 QStringLiteral("41"));
    }

    void procedures_data() { addBackendRows(); }
    void procedures()
    {
        QFETCH(int, backend);
        OPEN_FIXTURE(f, backend);
        Session &s = *f.session;
        AppContext &ctx = f.tc.context();

        const QString now = s.serverDate();
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d\\d\\d:\\d\\d:\\d\\d$")).match(now).hasMatch(),
                 qPrintable(now));
        QCOMPARE(ctx.getEnv(1).toString(), now.left(10));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(ctx.getEnv(9).toString())
                    .hasMatch());

        QCOMPARE(s.execute(QStringLiteral("insert into marc(marc_rec_no) values('M7')")), 0);
        for (const char *p : {"A", "B", "C"})
            QCOMPARE(s.execute(QStringLiteral("insert into indi_acct(prop_no,marc_rec_no,book_stat_code) "
                                              "values('%1','M7','%2')")
                                   .arg(QLatin1String(p), QLatin1String(*p == 'C' ? "33" : "41"))),
                     0);
        QCOMPARE(s.callProc(QStringLiteral("update_copies 'M7'")), 0);
        QCOMPARE(s.updateLendableByProp(QStringLiteral("A")), 0);
        QCOMPARE(f.one(QStringLiteral("select copies from marc where marc_rec_no='M7'")), QStringLiteral("3"));
        QCOMPARE(f.one(QStringLiteral("select lendable_copies from marc where marc_rec_no='M7'")), QStringLiteral("2"));

        QCOMPARE(s.callProc(QStringLiteral("XT_wkr_job_qty '310','W1',1,1,0")), 0);
        QCOMPARE(s.callProc(QStringLiteral("XT_wkr_job_qty '310','W1',2,5,12.5")), 0);
        QCOMPARE(f.one(QStringLiteral("select kind||'/'||volume from wkr_job_qty where wkr_no_f='W1'")).remove(u' '),
                 QStringLiteral("3/6"));

        QCOMPARE(s.callProc(QStringLiteral("xt_log_detl '30019','W1','PC1','总馆','M7','A','旧','新','O''Brien',NULL")),
                 0);
        QCOMPARE(f.one(QStringLiteral("select data3 from log_detl where prop_no='A'")), QStringLiteral("O'Brien"));

        // Bad blocks are errors with a clear text and change nothing.
        QCOMPARE(s.callProc(QStringLiteral("no_such_proc '1'")), -1);
        QVERIFY(s.error().text.contains(QStringLiteral("NO_SUCH_PROC")));
        QCOMPARE(s.error().proc, QStringLiteral("LIB_DB_CallProc"));
        QCOMPARE(s.callProc(QStringLiteral("update_copies 'M7','extra'")), -1);
        QVERIFY(s.error().text.contains(QStringLiteral("wrong number")));
        QCOMPARE(s.execute(QStringLiteral("Begin update_copies('M7); end;")), -1);
        QVERIFY2(s.error().text.contains(QStringLiteral("not properly terminated")), qPrintable(s.error().text));
        QCOMPARE(Session::procBlock(QStringLiteral("  update_copies '12' "), false),
                 QStringLiteral("Begin update_copies('12'); end;"));
    }

    void unicodeModeReadsSummaryColumnsThroughDump_data() { addBackendRows(); }
    void unicodeModeReadsSummaryColumnsThroughDump()
    {
        QFETCH(int, backend);
        OPEN_FIXTURE(f, backend);
        Session &s = *f.session;
        QCOMPARE(s.execute(QStringLiteral("insert into marc(marc_rec_no,m_title) values('U1','红楼梦 O''Neil')")), 0);
        QCOMPARE(s.execute(QStringLiteral("insert into marc(marc_rec_no,m_title) values('U2',NULL)")), 0);
        s.setUnicodeMode(true);
        s.setDumpDecoder([](QStringView cell) { return decodeDump(cell); });
        QueryResult r;
        QCOMPARE(s.querySummary(QStringLiteral("select marc_rec_no, m_title from marc order by marc_rec_no"), r), 0);
        QVERIFY2(s.currentSql().contains(QStringLiteral("dump(")), qPrintable(s.currentSql()));
        QCOMPARE(r.rowCount(), 2);
        QCOMPARE(r.text(0, 1), QStringLiteral("红楼梦 O'Neil"));
        QCOMPARE(r.text(1, 1), QString());
        // The columns keep the names the statement gives them (list columns
        // are labelled and found by them), not the names of the dump calls.
        QCOMPARE(s.querySummary(QStringLiteral("SELECT marc.marc_rec_no, marc.M_TITLE, m_title AS 题名, "
                                               "nvl(m_title, '-') FROM marc WHERE marc_rec_no = 'U2'"),
                                r),
                 0);
        QCOMPARE(r.text(0, 3), QStringLiteral("-"));
        QStringList names;
        for (int c = 0; c < r.columnCount(); ++c)
            names << r.columnName(c).toLower();
        QCOMPARE(names, QStringList({"marc_rec_no", "m_title", "题名", "nvl(m_title, '-')"}));
        // In ANSI mode the same statement runs unchanged.
        s.setUnicodeMode(false);
        QCOMPARE(s.querySummary(QStringLiteral("select m_title from marc where marc_rec_no='U1'"), r), 0);
        QCOMPARE(s.currentSql(), QStringLiteral("select m_title from marc where marc_rec_no='U1'"));
        QCOMPARE(r.text(0, 0), QStringLiteral("红楼梦 O'Neil"));
    }

    void lostPostgresSessionReconnects()
    {
        OPEN_FIXTURE(f, int(TestDatabase::Kind::Postgres));
        Session &s = *f.session;
        // The probes that follow a connection run statements of their own.
        s.addConnectProbe([](Session &db) {
            QueryResult r;
            return db.query(QStringLiteral("select count(*) from marc where 'probe'='probe'"), r);
        });
        const QString pid = f.one(QStringLiteral("select pg_backend_pid()"));
        QVERIFY(f.db->adminExec(QStringLiteral("select pg_terminate_backend(%1)").arg(pid)));

        // Cancel: no reconnection, and the next action fails again.
        QueryResult ignored;
        QCOMPARE(s.query(QStringLiteral("select 1 from dual where 'lost'='lost'"), ignored), -1);
        QVERIFY(s.error().oraCode == 3113 || s.error().oraCode == 3114);
        f.tc.prompter().answer(AnswerCancel);
        s.showDbError();
        QCOMPARE(f.tc.prompter().lastText(), QStringLiteral("网络非正常中断，重新连接数据库？"));
        QueryResult r;
        QCOMPARE(s.query(QStringLiteral("select 1"), r), -1);
        QCOMPARE(s.error().oraCode, 3114);

        // OK: reconnected, and the session works again.
        f.tc.prompter().answer(AnswerOk);
        s.showDbError();
        QCOMPARE(f.tc.prompter().lastText(), QStringLiteral("数据库连接成功！"));
        // The log names the statement that failed, not the probe's.
        QVERIFY2(f.logText().trimmed().endsWith(QStringLiteral("select 1")), qPrintable(f.logText()));
        QCOMPARE(f.one(QStringLiteral("select count(*) from marc")), QStringLiteral("0"));
        QVERIFY(f.tc.prompter().done());
    }

    // An inner scope neither commits nor undoes the outer one; its rollback
    // dooms the whole, and the outer commit says so.
    void nestedTransactions_data() { addBackendRows(); }
    void nestedTransactions()
    {
        QFETCH(int, backend);
        OPEN_FIXTURE(f, backend);
        Session &s = *f.session;
        Session other(f.tc.context());
        QCOMPARE(other.connect(), 0);
        f.tc.context().setServerClock(&s);
        const auto seenElsewhere = [&] {
            QueryResult r;
            return other.query(QStringLiteral("select count(*) from marc"), r) < 0 ? -1 : int(r.number(0, 0));
        };
        const auto insert = [&](const char *no) {
            return s.execute(QStringLiteral("insert into marc(marc_rec_no) values('%1')").arg(QLatin1String(no)));
        };
        {
            Transaction outer(s);
            QCOMPARE(insert("A"), 0);
            {
                Transaction inner(s);
                QCOMPARE(s.transactionDepth(), 2);
                QCOMPARE(insert("B"), 0);
                QCOMPARE(inner.commit(), 0);
            }
            QCOMPARE(seenElsewhere(), 0); // the inner commit saved nothing yet
            QCOMPARE(insert("C"), 0);
            // No commit: all three go.
        }
        QCOMPARE(f.one(QStringLiteral("select count(*) from marc")), QStringLiteral("0"));
        {
            Transaction outer(s);
            QCOMPARE(insert("D"), 0);
            {
                Transaction inner(s);
                QCOMPARE(insert("E"), 0);
                inner.rollback(); // a "no" inside the inner scope
            }
            QCOMPARE(insert("F"), 0);
            QCOMPARE(outer.commit(), -1);
            QCOMPARE(s.error().oraCode, 2091);
            QVERIFY2(s.error().text.contains(QStringLiteral("none of it was saved")), qPrintable(s.error().text));
        }
        QVERIFY(!s.inTransaction());
        QCOMPARE(seenElsewhere(), 0);
        {
            Transaction tx(s);
            QCOMPARE(insert("G"), 0);
            QCOMPARE(tx.commit(), 0);
        }
        QCOMPARE(seenElsewhere(), 1);
    }

    // A savepoint lets one part of a long transaction fail alone: what came
    // after it is undone (a procedure's and a failed statement's included,
    // and an inner scope's rollback no longer dooms the whole), what came
    // before stays, and the transaction goes on to commit.
    void savepointUndoesOnePart_data() { addBackendRows(); }
    void savepointUndoesOnePart()
    {
        QFETCH(int, backend);
        OPEN_FIXTURE(f, backend);
        Session &s = *f.session;
        f.tc.context().setServerClock(&s);
        const auto insert = [&](const char *no) {
            return s.execute(QStringLiteral("insert into marc(marc_rec_no) values('%1')").arg(QLatin1String(no)));
        };
        QCOMPARE(s.savepoint(), -1); // no transaction
        {
            Transaction tx(s);
            QCOMPARE(insert("A"), 0);
            QCOMPARE(s.savepoint(), 0);
            QCOMPARE(insert("B"), 0);
            {
                Transaction inner(s);
                QCOMPARE(insert("C"), 0);
                inner.rollback();
            }
            QCOMPARE(insert("A"), -1); // a statement failing inside the part
            QCOMPARE(s.rollbackToSavepoint(), 0);
            QCOMPARE(s.savepoint(), 0);
            QCOMPARE(insert("D"), 0);
            QCOMPARE(s.releaseSavepoint(), 0);
            QCOMPARE(s.savepoint(), 0);
            QCOMPARE(insert("E"), 0);
            QCOMPARE(s.rollbackToSavepoint(), 0);
            QCOMPARE(insert("F"), 0);
            QCOMPARE(tx.commit(), 0);
        }
        QCOMPARE(f.one(QStringLiteral("select count(*) from marc")), QStringLiteral("3"));
        QCOMPARE(f.one(QStringLiteral("select min(marc_rec_no)||max(marc_rec_no) from marc")), QStringLiteral("AF"));
        QCOMPARE(f.one(QStringLiteral("select count(*) from marc where marc_rec_no='D'")), QStringLiteral("1"));
        {
            // Ending it inside an inner scope would cut that scope in two:
            // refused, and nothing of the transaction is saved.
            Transaction tx(s);
            QCOMPARE(s.savepoint(), 0);
            QCOMPARE(insert("G"), 0);
            {
                Transaction inner(s);
                QCOMPARE(s.rollbackToSavepoint(), -1);
            }
            QCOMPARE(tx.commit(), -1);
        }
        QCOMPARE(f.one(QStringLiteral("select count(*) from marc")), QStringLiteral("3"));
    }

    // A COMMIT that fails is undone, so the next operation starts clean and
    // its commit means what it says. SQLite: a reader holds the file while
    // the journal is not WAL. PostgreSQL: a transaction the server failed
    // answers COMMIT with ROLLBACK.
    void failedCommitIsUndone_data() { addBackendRows(); }
    void failedCommitIsUndone()
    {
        QFETCH(int, backend);
        OPEN_FIXTURE(f, backend);
        Session &s = *f.session;
        const bool sqlite = backend == int(TestDatabase::Kind::Sqlite);
        sqlite3 *reader = nullptr;
        const auto readerCount = [&] {
            sqlite3_stmt *stmt = nullptr;
            sqlite3_prepare_v2(reader, "select count(*) from marc", -1, &stmt, nullptr);
            const int n = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : -1;
            sqlite3_finalize(stmt);
            return n;
        };
        if (sqlite) {
            sqlite3 *own = static_cast<SqliteBackend *>(s.backend())->handle();
            QCOMPARE(sqlite3_exec(own, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr), SQLITE_OK);
            QCOMPARE(sqlite3_open_v2(qPrintable(f.db->target().path), &reader, SQLITE_OPEN_READWRITE, nullptr),
                     SQLITE_OK);
            QCOMPARE(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM marc", nullptr, nullptr, nullptr), SQLITE_OK);
        }
        {
            Transaction tx(s);
            QCOMPARE(s.execute(QStringLiteral("insert into marc(marc_rec_no) values('LOST')")), 0);
            if (!sqlite) {
                DbError error;
                QVERIFY(!static_cast<PgBackend *>(s.backend())->exec(QStringLiteral("SELECT 1/0"), {}, error));
            }
            QCOMPARE(tx.commit(), -1);
            QCOMPARE(s.error().oraCode, sqlite ? 54 : 2091);
        }
        if (sqlite) {
            // The own transaction of a procedure fails the same way.
            QCOMPARE(s.callProc(QStringLiteral("update_copies 'LOST'")), -1);
            QCOMPARE(sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        }
        {
            Transaction tx(s);
            QCOMPARE(s.execute(QStringLiteral("insert into marc(marc_rec_no) values('KEPT')")), 0);
            QCOMPARE(tx.commit(), 0);
        }
        QCOMPARE(s.callProc(QStringLiteral("update_copies 'KEPT'")), 0);
        QCOMPARE(f.one(QStringLiteral("select count(*) from marc where marc_rec_no='LOST'")), QStringLiteral("0"));
        if (sqlite) {
            QCOMPARE(readerCount(), 1); // saved in the file, not in a stale transaction
            sqlite3_close(reader);
        } else {
            QCOMPARE(f.one(QStringLiteral("select count(*) from marc")), QStringLiteral("1"));
        }
    }

    // A database that will not keep a WAL journal is refused with the
    // reason, rather than run where a reader can make a commit fail.
    void databaseWithoutWalIsRefused()
    {
        TestContext tc;
        Session s(tc.context());
        BackendTarget target;
        target.path = QStringLiteral(":memory:");
        target.createIfMissing = true;
        QCOMPARE(s.connectTo(createBackend(BackendTarget::Kind::Sqlite), target), -1);
        QVERIFY2(s.error().text.contains(QStringLiteral("WAL")), qPrintable(s.error().text));
        QCOMPARE(s.error().location, int(ErrorRecord::Connect));
    }

    // One text, one statement, on every backend; a semicolon in a literal
    // or a comment, a trailing one and a procedure block stay allowed.
    void twoStatementsAreRefused_data() { addBackendRows(); }
    void twoStatementsAreRefused()
    {
        QFETCH(int, backend);
        OPEN_FIXTURE(f, backend);
        Session &s = *f.session;
        QCOMPARE(s.execute(QStringLiteral("insert into marc(marc_rec_no) values('A'); "
                                          "insert into marc(marc_rec_no) values('B')")),
                 -1);
        QCOMPARE(s.error().oraCode, 911);
        QueryResult r;
        QCOMPARE(s.query(QStringLiteral("select count(*) from marc; delete from marc"), r), -1);
        QCOMPARE(s.error().oraCode, 911);
        QCOMPARE(f.one(QStringLiteral("select count(*) from marc")), QStringLiteral("0"));

        QCOMPARE(s.execute(QStringLiteral("insert into marc(marc_rec_no,m_title) values('C','a;'' b') ; -- done")), 0);
        QCOMPARE(f.one(QStringLiteral("select m_title from marc /* ; */ where marc_rec_no='C' -- ;")),
                 QStringLiteral("a;' b"));
        QCOMPARE(s.execute(QStringLiteral("Begin update_copies('C'); end;")), 0);
    }

    // Values come back as stored except for trailing blanks, text longer
    // than its column is refused as on Oracle, and a sum of nothing is 0.
    void valuesKeepTheirShape_data() { addBackendRows(); }
    void valuesKeepTheirShape()
    {
        QFETCH(int, backend);
        OPEN_FIXTURE(f, backend);
        Session &s = *f.session;
        const QStringList kept = {QStringLiteral("tab\t"), QStringLiteral("line\n"), QStringLiteral("全角\u3000")};
        for (int i = 0; i < kept.size(); ++i) {
            QCOMPARE(s.execute(QStringLiteral("insert into indi_acct(prop_no,remark) values('K%1',%2)")
                                   .arg(i)
                                   .arg(sqlQuote(kept.at(i)))),
                     0);
            QCOMPARE(f.one(QStringLiteral("select remark from indi_acct where prop_no='K%1'").arg(i)), kept.at(i));
        }

        // barcode is VARCHAR(20): twenty characters fit, Chinese ones too.
        QCOMPARE(
            s.execute(
                QStringLiteral("insert into indi_acct(prop_no,barcode) values('W1','%1')").arg(QString(20, u'条'))),
            0);
        QCOMPARE(s.execute(
                     QStringLiteral("insert into indi_acct(prop_no,barcode) values('W2','%1')").arg(QString(21, u'9'))),
                 -1);
        QCOMPARE(s.error().oraCode, 12899);
        QCOMPARE(
            s.execute(QStringLiteral("update indi_acct set barcode='%1' where prop_no='W1'").arg(QString(21, u'9'))),
            -1);
        QCOMPARE(s.error().oraCode, 12899);
        QCOMPARE(f.one(QStringLiteral("select count(*) from indi_acct where prop_no like 'W%'")), QStringLiteral("1"));

        QueryResult r;
        QCOMPARE(s.query(QStringLiteral("select sum(price), count(*), max(remark) from indi_acct where 1=0"), r), 0);
        QCOMPARE(r.text(0, 0), QStringLiteral("0"));
        QCOMPARE(r.text(0, 1), QStringLiteral("0"));
        QCOMPARE(r.text(0, 2), QString());
    }

    // The log line of a failure names the failing statement even when the
    // server date was read, or the keep-alive ran, before it was shown.
    void failingStatementIsLogged_data() { addBackendRows(); }
    void failingStatementIsLogged()
    {
        QFETCH(int, backend);
        OPEN_FIXTURE(f, backend);
        Session &s = *f.session;
        const QString failing = QStringLiteral("insert into no_such_table values('logged')");
        QCOMPARE(s.execute(failing), -1);
        QVERIFY(!s.serverDate().isEmpty());
        QCOMPARE(s.keepAlive(), 0);
        QCOMPARE(s.error().oraCode, 942);
        s.showDbError();
        QVERIFY2(f.logText().trimmed().endsWith(failing), qPrintable(f.logText()));
    }
};

KESTRA_TEST(SessionTest)
#include "SessionTest.moc"
