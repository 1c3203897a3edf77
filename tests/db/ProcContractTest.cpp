// The copy, circulation, processing-log and batch procedures as the forms
// call them through the session, on SQLite and PostgreSQL: what each changes,
// what NULL leaves alone, what each refuses and with which Oracle number.

#include "core/Session.h"
#include "db/Backends.h"
#include "db/SchemaInstaller.h"
#include "support/ProcCalls.h"
#include "support/TestContext.h"
#include "support/TestDatabase.h"
#include "support/TestRunner.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

const char *const kSeed[] = {
    "INSERT INTO reader(cert_id,name) VALUES('R1','读者一')",
    "INSERT INTO marc(marc_rec_no,m_title) VALUES('M1','书名一')",
    "INSERT INTO marc(marc_rec_no,m_title) VALUES('M2','书名二')",
    "INSERT INTO indi_acct(prop_no,marc_rec_no,price,location,call_no,remark,bar_code,in_date,book_stat_code,"
    "rec_flag_upt_date,resp_wkr,dis_location,move_batch) VALUES('P1','M1',20.5,'L1','TP312/1','旧说明','B1',"
    "'2025-01-02','41','2025-01-02','W00','L1','MB1')",
    "INSERT INTO indi_acct(prop_no,marc_rec_no,location,bar_code,book_stat_code,dis_location,move_batch) "
    "VALUES('P2','M1','L1','B2','16','L1','MB1')",
    "INSERT INTO item(prop_no,marc_rec_no,call_no,location,bar_code,book_stat_code,book_lend_flag,price,"
    "total_circ_times,resp_wkr) VALUES('P1','M1','TP312/1','L1','B1','41','2',20.5,3,'W00')",
};

QString q(const QString &text)
{
    return sqlQuote(text);
}

// A 22-position call: the key first, the given 1-based positions quoted,
// NULL everywhere else.
QString call22(const char *proc, const QString &key, std::initializer_list<std::pair<int, QString>> given)
{
    return copyProcCall(proc, key, given);
}

QString call(const char *proc, const QStringList &literals)
{
    return QString::fromLatin1(proc) + u' ' + literals.join(u',');
}

struct Fixture {
    TestContext tc;
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<Session> session;

    bool open(int backend, QString *skip)
    {
        db = TestDatabase::create(static_cast<TestDatabase::Kind>(backend), skip);
        if (!db)
            return false;
        QString why;
        if (!installSuite(&why)) {
            qWarning("schema: %s", qPrintable(why));
            return false;
        }
        DbError error;
        auto seeder = createBackend(db->target().kind);
        if (!seeder->open(db->target(), error))
            return false;
        for (const char *statement : kSeed) {
            if (!seeder->execute(QString::fromUtf8(statement), error)) {
                qWarning("%s: %s", statement, qPrintable(error.text));
                return false;
            }
        }
        seeder->close();
        tc.writeText(QStringLiteral("kestra.ini"),
                     QStringLiteral("[LIB-DATA]\nLIB_SERVER=T\n[T]\nDSN=%1\nUID=\nPWD=\n").arg(db->dsn()));
        if (tc.context().loadIniSettings() < 0)
            return false;
        session = std::make_unique<Session>(tc.context());
        session->setLockTimeout(300);
        return session->connect() == 0;
    }

    // The suite's schema and reference data, as kestra-admin installs them.
    bool installSuite(QString *why)
    {
        const QString name = QStringLiteral("proc-contract-install");
        bool ok = false;
        {
            const BackendTarget t = db->target();
            const bool sqlite = db->kind() == TestDatabase::Kind::Sqlite;
            QSqlDatabase sql =
                QSqlDatabase::addDatabase(sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), name);
            if (sqlite) {
                sql.setDatabaseName(t.path);
            } else {
                sql.setHostName(t.host);
                sql.setPort(t.port);
                sql.setUserName(t.user);
                sql.setDatabaseName(t.database);
            }
            if (!sql.open())
                *why = sql.lastError().text();
            else
                ok = installSchema(sql, sqlite ? SchemaDialect::Sqlite : SchemaDialect::Postgres, why);
            sql.close();
        }
        QSqlDatabase::removeDatabase(name);
        return ok;
    }

    int run(const QString &callText) { return session->callProc(callText); }

    // The cells of the first row, NULL shown as "<null>".
    QStringList row(const QString &sql)
    {
        QueryResult r;
        if (session->query(sql, r) < 0 || r.rowCount() == 0)
            return {QStringLiteral("<no row>")};
        QStringList cells;
        for (int c = 0; c < r.columnCount(); ++c) {
            const QVariant v = r.value(0, c);
            const bool null = v.typeId() == QMetaType::QString && v.toString().isNull();
            cells.append(null ? QStringLiteral("<null>") : r.text(0, c));
        }
        return cells;
    }
    QString one(const QString &sql) { return row(sql).value(0); }
    int count(const QString &sql) { return one(QStringLiteral("SELECT COUNT(*) FROM ") + sql).toInt(); }

    const ErrorRecord &error() { return session->error(); }
};

#define OPEN_FIXTURE(f)                                                                                                \
    QFETCH(int, backend);                                                                                              \
    Fixture f;                                                                                                         \
    {                                                                                                                  \
        QString skip;                                                                                                  \
        if (!f.open(backend, &skip) && !skip.isEmpty())                                                                \
            QSKIP(qPrintable(skip));                                                                                   \
        QVERIFY2(f.session &&f.session->isOpen(), "the test database could not be set up");                            \
    }

#define EXPECT_ORA(f, code, fragment)                                                                                  \
    do {                                                                                                               \
        QCOMPARE(f.error().oraCode, code);                                                                             \
        QVERIFY2(f.error().text.contains(fragment), qPrintable(f.error().text));                                       \
    } while (false)

const QString kCopyCols = QStringLiteral("SELECT book_stat_code,rec_flag_upt_date,resp_wkr,dis_location,bar_code,"
                                         "remark,call_no,in_date,location FROM indi_acct WHERE prop_no=");

} // namespace

class ProcContractTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void update00IndiAcct_data() { addBackendRows(); }
    void update00IndiAcct()
    {
        OPEN_FIXTURE(f);
        const QStringList before = f.row(kCopyCols + q("P1"));

        // A transfer: status, date, operator and location; nothing else moves.
        QCOMPARE(f.run(call22("update00_indi_acct", "P1", {{15, "42"}, {16, "2026-03-14"}, {19, "W01"}, {22, "L2"}})),
                 0);
        QStringList expected = before;
        expected[0] = "42", expected[1] = "2026-03-14", expected[2] = "W01", expected[3] = "L2";
        QCOMPARE(f.row(kCopyCols + q("P1")), expected);

        // Texts arrive exactly: apostrophes, Chinese, leading blanks; a
        // quoted price is a number.
        const QString remark = QStringLiteral("  O'Brien 赠 ''书'' 《中文》");
        QCOMPARE(f.run(call22("update00_indi_acct", "P1", {{11, remark}, {5, "12.50"}})), 0);
        QCOMPARE(f.one(QStringLiteral("SELECT remark FROM indi_acct WHERE prop_no='P1'")), remark);
        QCOMPARE(f.one(QStringLiteral("SELECT price FROM indi_acct WHERE prop_no='P1'")).toDouble(), 12.5);

        // Only the key: nothing changes, and it is no error.
        const QStringList now = f.row(kCopyCols + q("P1"));
        QCOMPARE(f.run(call22("update00_indi_acct", "P1", {})), 0);
        QCOMPARE(f.row(kCopyCols + q("P1")), now);

        // Refusals leave the row as it was.
        QCOMPARE(f.run(call22("update00_indi_acct", "P9", {{15, "33"}})), -1);
        EXPECT_ORA(f, 20001, QStringLiteral("prop_no='P9'"));
        QCOMPARE(f.run(call22("update00_indi_acct", "P9", {})), -1);
        EXPECT_ORA(f, 20001, QStringLiteral("UPDATE00_INDI_ACCT"));
        QCOMPARE(f.run(call22("update00_indi_acct", "P1", {{13, "B2"}, {15, "33"}})), -1);
        EXPECT_ORA(f, 1, QStringLiteral("INDI_BARCODE_IDX"));
        QCOMPARE(f.run(call22("update00_indi_acct", "P1", {{5, "十元"}, {15, "33"}})), -1);
        EXPECT_ORA(f, 1722, QStringLiteral("argument 5"));
        QCOMPARE(f.run(call22("update00_indi_acct", "P1", {{5, "12345678901"}})), -1); // NUMERIC(12,2)
        EXPECT_ORA(f, 1438, QStringLiteral("price"));
        QCOMPARE(f.one(QStringLiteral("SELECT price FROM indi_acct WHERE prop_no='P1'")).toDouble(), 12.5);
        QCOMPARE(f.row(kCopyCols + q("P1")), now);

        // 21 arguments: refused before anything runs.
        QStringList short21(21, QStringLiteral("NULL"));
        short21[0] = q("P1");
        QCOMPARE(f.run(call("update00_indi_acct", short21)), -1);
        EXPECT_ORA(f, 6550, QStringLiteral("UPDATE00_INDI_ACCT' (21 given, 22 expected)"));
    }

    void update10IndiAcct_data() { addBackendRows(); }
    void update10IndiAcct()
    {
        OPEN_FIXTURE(f);
        // The scanned assignment's call, as written there.
        QStringList args = {q("P2")};
        for (int i = 0; i < 11; ++i)
            args.append(QStringLiteral("NULL"));
        args << q("A0100") << q("2026-03-14") << q("41") << q("2026-03-15") << "NULL"
             << "NULL" << q("W07") << "NULL"
             << "NULL" << q("L3");
        QCOMPARE(args.size(), 22);
        QCOMPARE(f.run(call("update10_indi_acct", args)), 0);
        QCOMPARE(f.row(kCopyCols + q("P2")),
                 QStringList({"41", "2026-03-15", "W07", "L3", "A0100", "<null>", "<null>", "2026-03-14", "L1"}));

        // The grid's columns in between reach their own columns.
        QCOMPARE(f.run(call22("update10_indi_acct", "P2",
                              {{7, "L9"}, {10, "I247/2"}, {18, "第3卷"}, {20, "2025"}, {21, "光盘1张"}})),
                 0);
        QCOMPARE(f.row(QStringLiteral("SELECT location,call_no,vol_peri,year,attachment,dis_location FROM indi_acct "
                                      "WHERE prop_no='P2'")),
                 QStringList({"L9", "I247/2", "第3卷", "2025", "光盘1张", "L3"}));
        QCOMPARE(f.run(call22("update10_indi_acct", "P2", {{13, "B1"}})), -1);
        EXPECT_ORA(f, 1, QStringLiteral("INDI_BARCODE_IDX"));
    }

    void update01Item_data() { addBackendRows(); }
    void update01Item()
    {
        OPEN_FIXTURE(f);
        const QString cols = QStringLiteral("SELECT location,book_stat_code,book_lend_flag,rec_flag_upt_date,resp_wkr,"
                                            "bar_code,call_no,total_circ_times FROM item WHERE prop_no='P1'");
        // A transfer of a copy whose reservation was dropped: flag 0.
        QCOMPARE(
            f.run(call22("update01_item", "P1", {{4, "L2"}, {7, "43"}, {8, "0"}, {17, "2026-03-14"}, {22, "W01"}})), 0);
        QCOMPARE(f.row(cols), QStringList({"L2", "43", "0", "2026-03-14", "W01", "B1", "TP312/1", "3"}));
        // A blank flag is passed as NULL and keeps the flag.
        QCOMPARE(f.run(call22("update01_item", "P1", {{7, "3B"}, {8, ""}})), 0);
        QCOMPARE(f.row(cols).mid(1, 2), QStringList({"3B", "0"}));

        QCOMPARE(f.run(call22("update01_item", "P2", {{7, "41"}})), -1);
        EXPECT_ORA(f, 20001, QStringLiteral("item"));
        QCOMPARE(f.run(call22("update01_item", "P1", {{15, "many"}})), -1);
        EXPECT_ORA(f, 1722, QStringLiteral("total_circ_times"));
    }

    void insertAndDeleteItem_data() { addBackendRows(); }
    void insertAndDeleteItem()
    {
        OPEN_FIXTURE(f);
        // Releasing a copy: its values, flag "0", counts 0 as bare numbers.
        QStringList args(22, QStringLiteral("NULL"));
        args[0] = q("P2"), args[1] = q("M1"), args[2] = q("I247/2"), args[3] = q("L3"), args[4] = q("A0100");
        args[6] = q("41"), args[7] = q("0"), args[10] = q("35.8"), args[12] = q("2026-03-14");
        args[13] = QStringLiteral("0"), args[14] = QStringLiteral("0"), args[21] = q("W07");
        QCOMPARE(f.run(call("insert_item", args)), 0);
        QCOMPARE(f.row(QStringLiteral("SELECT marc_rec_no,call_no,location,bar_code,book_stat_code,book_lend_flag,"
                                      "in_date,year_circ_times,total_circ_times,resp_wkr,remark FROM item "
                                      "WHERE prop_no='P2'")),
                 QStringList({"M1", "I247/2", "L3", "A0100", "41", "0", "2026-03-14", "0", "0", "W07", "<null>"}));
        QCOMPARE(f.one(QStringLiteral("SELECT price FROM item WHERE prop_no='P2'")).toDouble(), 35.8);

        // Counts left NULL take the table's defaults.
        QCOMPARE(f.run(QStringLiteral("delete01_item 'P2'")), 0);
        QCOMPARE(f.run(call22("insert_item", "P2", {{7, "41"}})), 0);
        QCOMPARE(f.row(QStringLiteral("SELECT year_circ_times,total_circ_times FROM item WHERE prop_no='P2'")),
                 QStringList({"0", "0"}));

        QCOMPARE(f.run(call22("insert_item", "P1", {{7, "41"}})), -1);
        EXPECT_ORA(f, 1, QStringLiteral("PK_ITEM"));
        QCOMPARE(f.run(call22("insert_item", "P9", {{7, "41"}})), -1);
        EXPECT_ORA(f, 2291, QStringLiteral("FK_ITEM_REFERENCE_ITEM"));

        // Removing: the copy itself stays; a copy without a row is no error.
        QCOMPARE(f.run(QStringLiteral("delete01_item 'P2'")), 0);
        QCOMPARE(f.run(QStringLiteral("delete01_item 'P2'")), 0);
        QCOMPARE(f.count(QStringLiteral("item WHERE prop_no='P2'")), 0);
        QCOMPARE(f.count(QStringLiteral("indi_acct WHERE prop_no='P2'")), 1);
        // An arrived reservation holds the circulation row.
        QVERIFY(f.session->execute(QStringLiteral("INSERT INTO preg_arri_lst(prop_no,cert_id,location_f) "
                                                  "VALUES('P1','R1','L1')")) == 0);
        QCOMPARE(f.run(QStringLiteral("delete01_item 'P1'")), -1);
        EXPECT_ORA(f, 2292, QStringLiteral("FK_PREG_ARRI_LST_REFERENCE_ITEM"));
        QCOMPARE(f.count(QStringLiteral("item WHERE prop_no='P1'")), 1);
        QCOMPARE(f.run(QStringLiteral("delete01_item 'P1','P2'")), -1);
        EXPECT_ORA(f, 6550, QStringLiteral("(2 given, 1 expected)"));
    }

    void update02TransferDoc_data() { addBackendRows(); }
    void update02TransferDoc()
    {
        OPEN_FIXTURE(f);
        for (const char *values : {"'MB1','C1','M1'", "'MB1','C2','M1'", "'MB1','C1','M2'", "'MB2','C1','M1'"}) {
            QCOMPARE(f.session->execute(QStringLiteral("INSERT INTO transfer_doc(move_batch,chk_batch_no,marc_rec_no,"
                                                       "store_flag) VALUES(%1,'0')")
                                            .arg(QLatin1String(values))),
                     0);
        }
        const QString flags = QStringLiteral("SELECT move_batch||'/'||chk_batch_no||'/'||marc_rec_no||'='||store_flag||"
                                             "COALESCE(store_wkr,'-') FROM transfer_doc ORDER BY 1");
        QCOMPARE(f.run(QStringLiteral("update02_transfer_doc 'M1','MB1','1','W07'")), 0);
        QueryResult r;
        QCOMPARE(f.session->query(flags, r), 0);
        QStringList got;
        for (int i = 0; i < r.rowCount(); ++i)
            got.append(r.text(i, 0));
        QCOMPARE(got, QStringList({"MB1/C1/M1=1W07", "MB1/C1/M2=0-", "MB1/C2/M1=1W07", "MB2/C1/M1=0-"}));
        // A copy found by a search may have no handover batch: nothing to mark.
        QCOMPARE(f.run(QStringLiteral("update02_transfer_doc 'M1',NULL,'1','W07'")), 0);
        QCOMPARE(f.run(QStringLiteral("update02_transfer_doc 'M1','MB9','1','W07'")), 0);
        QCOMPARE(f.count(QStringLiteral("transfer_doc WHERE store_flag='1'")), 2);
    }

    void dealLog_data() { addBackendRows(); }
    void dealLog()
    {
        OPEN_FIXTURE(f);
        const QString target = QStringLiteral("修补厂 'O''K'");
        // Repair with a fee, then weeding with none.
        QCOMPARE(f.run(call("LT_deal_log", {q("L1"), q("R01"), q("01"), q("P1"), q("2026-03-14"), "12.5", q(target),
                                            q("41"), q("W01"), q("封面破损")})),
                 0);
        QCOMPARE(f.run(call("LT_deal_log", {q("L1"), q("T01"), q("03"), q("P1"), q("2026-03-14"), "NULL", "NULL",
                                            q("33"), q("W01"), "NULL"})),
                 0);
        const QString repair = QStringLiteral(" FROM deal_log WHERE deal_type_code='01' AND prop_no='P1'");
        QCOMPARE(
            f.row(QStringLiteral("SELECT location,deal_batch_no,log_date,book_target,source_state,resp_wkr,remark") +
                  repair),
            QStringList({"L1", "R01", "2026-03-14", target, "41", "W01", "封面破损"}));
        QCOMPARE(f.one(QStringLiteral("SELECT fee") + repair).toDouble(), 12.5);
        QCOMPARE(f.count(QStringLiteral("deal_log WHERE deal_type_code='03' AND fee IS NULL")), 1);
        // Numbered in order, so the newest sorts first.
        QVERIFY(f.one(QStringLiteral("SELECT deal_no FROM deal_log WHERE deal_type_code='03'")).toInt() >
                f.one(QStringLiteral("SELECT deal_no") + repair).toInt());

        // The same copy in the same batch again; a copy that does not exist; a bad fee.
        QCOMPARE(f.run(call("LT_deal_log", {q("L1"), q("R01"), q("01"), q("P1"), q("2026-03-15"), "0", "NULL", q("41"),
                                            q("W02"), "NULL"})),
                 -1);
        EXPECT_ORA(f, 1, QStringLiteral("UK_DEAL_LOG"));
        QCOMPARE(f.run(call("LT_deal_log", {q("L1"), q("R01"), q("01"), q("P9"), q("2026-03-15"), "0", "NULL", q("41"),
                                            q("W02"), "NULL"})),
                 -1);
        EXPECT_ORA(f, 2291, QStringLiteral("FK_DEAL_LOG_REFERENCE_ITEM"));
        QCOMPARE(f.run(call("LT_deal_log", {q("L1"), q("R02"), q("01"), q("P1"), q("2026-03-15"), q("一元"), "NULL",
                                            q("41"), q("W02"), "NULL"})),
                 -1);
        EXPECT_ORA(f, 1722, QStringLiteral("fee"));
        QCOMPARE(f.count(QStringLiteral("deal_log")), 2);

        // Amending: the source status (NULL) and a NULL fee stay.
        QCOMPARE(f.run(call("LT_UPD_deal_log", {q("L1"), q("R01"), q("01"), q("P1"), q("2026-03-16"), "NULL",
                                                q("装订组"), "NULL", q("W03"), q("改：书脊")})),
                 0);
        QCOMPARE(f.row(QStringLiteral("SELECT log_date,book_target,source_state,resp_wkr,remark") + repair),
                 QStringList({"2026-03-16", "装订组", "41", "W03", "改：书脊"}));
        QCOMPARE(f.one(QStringLiteral("SELECT fee") + repair).toDouble(), 12.5);
        QCOMPARE(f.run(call("LT_UPD_deal_log", {q("L2"), q("R01"), q("01"), q("P1"), q("2026-03-16"), "NULL", "NULL",
                                                "NULL", q("W03"), "NULL"})),
                 -1);
        EXPECT_ORA(f, 20001, QStringLiteral("location='L2'"));

        // Removing the copy from one batch leaves its other rows.
        QCOMPARE(f.run(QStringLiteral("LT_DEL_deal_log 'L1','R01','01','P1'")), 0);
        QCOMPARE(f.run(QStringLiteral("LT_DEL_deal_log 'L1','R01','01','P1'")), 0);
        QCOMPARE(f.count(QStringLiteral("deal_log WHERE prop_no='P1'")), 1);
        QCOMPARE(f.count(QStringLiteral("deal_log WHERE deal_type_code='03'")), 1);
    }

    void dealBatch_data() { addBackendRows(); }
    void dealBatch()
    {
        OPEN_FIXTURE(f);
        const QString cols =
            QStringLiteral("SELECT location,deal_bgn_date,deal_end_date,deal_stat_flag,resp_wkr,remark "
                           "FROM deal_batch_lst WHERE deal_batch_no='R01' AND deal_type_code='01'");
        QCOMPARE(f.run(QStringLiteral("LT_deal_batch_lst 'L1','R01','01','2026-03-01',NULL,'0','W01','春季''修补'''")),
                 0);
        QCOMPARE(f.row(cols), QStringList({"L1", "2026-03-01", "<null>", "0", "W01", "春季'修补'"}));
        // A number is unique within its type at every location.
        QCOMPARE(f.run(QStringLiteral("LT_deal_batch_lst 'L2','R01','01','2026-03-02',NULL,'0','W02',NULL")), -1);
        EXPECT_ORA(f, 1, QStringLiteral("PK_DEAL_BATCH_LST"));

        // Finishing: end date and flag; begin date and remark stay.
        QCOMPARE(f.run(QStringLiteral("LT_UPD_deal_batch_lst 'L1','R01','01',NULL,'2026-03-14','1','W02',NULL")), 0);
        QCOMPARE(
            f.run(QStringLiteral("LT_deal_batch_lst 'L1','R01','02','2026-03-14',NULL,'0','W02','修补回验用批次'")), 0);
        QCOMPARE(f.row(cols), QStringList({"L1", "2026-03-01", "2026-03-14", "1", "W02", "春季'修补'"}));
        // Amending: operator and remark only.
        QCOMPARE(f.run(QStringLiteral("LT_UPD_deal_batch_lst 'L1','R01','01',NULL,NULL,NULL,'W03','新说明'")), 0);
        QCOMPARE(f.row(cols), QStringList({"L1", "2026-03-01", "2026-03-14", "1", "W03", "新说明"}));
        // Reopening passes an empty end date: the batch is open again, without one.
        QCOMPARE(f.run(QStringLiteral("LT_UPD_deal_batch_lst 'L1','R01','01',NULL,'','0','W04',NULL")), 0);
        QCOMPARE(f.run(QStringLiteral("LT_DEL_deal_batch_lst 'L1','R01','02'")), 0);
        QCOMPARE(f.row(cols), QStringList({"L1", "2026-03-01", "<null>", "0", "W04", "新说明"}));
        QCOMPARE(f.count(QStringLiteral("deal_batch_lst")), 1);

        // Another location's batch is not this one.
        QCOMPARE(f.run(QStringLiteral("LT_UPD_deal_batch_lst 'L2','R01','01',NULL,NULL,'1','W04',NULL")), -1);
        EXPECT_ORA(f, 20001, QStringLiteral("DEAL_BATCH_LST"));
        QCOMPARE(f.run(QStringLiteral("LT_DEL_deal_batch_lst 'L2','R01','01'")), 0);
        QCOMPARE(f.count(QStringLiteral("deal_batch_lst")), 1);
        // Reopening a weeding batch drops a check-back batch it never had.
        QCOMPARE(f.run(QStringLiteral("LT_DEL_deal_batch_lst 'L1','T01','02'")), 0);
        QCOMPARE(f.run(QStringLiteral("LT_DEL_deal_batch_lst 'L1','R01','01'")), 0);
        QCOMPARE(f.count(QStringLiteral("deal_batch_lst")), 0);
    }

    void readerRows_data() { addBackendRows(); }
    void readerRows()
    {
        OPEN_FIXTURE(f);
        QCOMPARE(f.session->execute(QStringLiteral(
                     "INSERT INTO reader_cert(redr_cert_id,cert_id,cert_type,issue_date,valid_date,deposit,cert_flag,"
                     "oper_date,resp_wkr,remark) VALUES('C1','R1','01','2024-01-01','2027-01-01',50,'1',"
                     "'2024-01-01','W00','新证')")),
                 0);
        const QString card = QStringLiteral("SELECT cert_id,cert_type,valid_date,deposit,cert_flag,resp_wkr,remark "
                                            "FROM reader_cert WHERE redr_cert_id='C1'");
        // The card's own columns again, the seventh "0" and the last NULL:
        // only the flag changes.
        QCOMPARE(f.run(QStringLiteral("LT_UPD_reader_cert 'C1','R1','01','2024-01-01','2027-01-01','50','0',"
                                      "'2024-01-01','W00',NULL")),
                 0);
        QStringList expected = {"R1", "01", "2027-01-01", "50", "0", "W00", "新证"};
        QStringList got = f.row(card);
        got[3] = QString::number(got[3].toDouble());
        QCOMPARE(got, expected);

        // The reader row: 25 the reason, 27 the day, 29 the flag.
        QStringList args(31, QStringLiteral("NULL"));
        args[0] = q("R1"), args[24] = q("丢失图书 O'Brien"), args[26] = q("2026-03-14"), args[28] = q("0");
        QCOMPARE(f.run(call("LT_UPD_reader_new", args)), 0);
        QCOMPARE(f.row(QStringLiteral("SELECT name,redr_del_reason,redr_del_day,redr_flag FROM reader")),
                 QStringList({"读者一", "丢失图书 O'Brien", "2026-03-14", "0"}));

        // A card or reader that does not exist, a bad deposit, a short call.
        QCOMPARE(f.run(QStringLiteral("LT_UPD_reader_cert 'C9',NULL,NULL,NULL,NULL,NULL,'0',NULL,NULL,NULL")), -1);
        EXPECT_ORA(f, 20001, QStringLiteral("redr_cert_id='C9'"));
        args[0] = q("R9");
        QCOMPARE(f.run(call("LT_UPD_reader_new", args)), -1);
        EXPECT_ORA(f, 20001, QStringLiteral("cert_id='R9'"));
        QCOMPARE(f.run(QStringLiteral("LT_UPD_reader_cert 'C1',NULL,NULL,NULL,NULL,'五十','0',NULL,NULL,NULL")), -1);
        EXPECT_ORA(f, 1722, QStringLiteral("argument 6"));
        QCOMPARE(f.run(QStringLiteral("LT_UPD_reader_cert 'C1','R1'")), -1);
        QCOMPARE(f.one(QStringLiteral("SELECT cert_flag FROM reader_cert")), QStringLiteral("0"));
    }

    void dropArrivedReservation_data() { addBackendRows(); }
    void dropArrivedReservation()
    {
        OPEN_FIXTURE(f);
        QVERIFY(f.session->execute(QStringLiteral("INSERT INTO item(prop_no,book_lend_flag) VALUES('P2','2')")) == 0);
        for (const char *prop : {"P1", "P2"}) {
            QCOMPARE(f.session->execute(QStringLiteral("INSERT INTO preg_arri_lst(prop_no,cert_id,location_f) "
                                                       "VALUES('%1','R1','L1')")
                                            .arg(QLatin1String(prop))),
                     0);
        }
        QCOMPARE(f.run(QStringLiteral("LT_DEL_preg_arri_lst 'P1'")), 0);
        QCOMPARE(f.count(QStringLiteral("preg_arri_lst WHERE prop_no='P1'")), 0);
        QCOMPARE(f.count(QStringLiteral("preg_arri_lst WHERE prop_no='P2'")), 1);
        // Gone already: the state asked for holds.
        QCOMPARE(f.run(QStringLiteral("LT_DEL_preg_arri_lst 'P1'")), 0);
    }

    // A failing procedure inside the caller's transaction takes back only
    // itself: the caller's earlier work stays and the transaction goes on.
    void failureInsideTransaction_data() { addBackendRows(); }
    void failureInsideTransaction()
    {
        OPEN_FIXTURE(f);
        Session &s = *f.session;
        s.beginTrans();
        QCOMPARE(s.execute(QStringLiteral("UPDATE marc SET m_title='改过' WHERE marc_rec_no='M2'")), 0);
        const QString log = QStringLiteral("LT_deal_log 'L1','R01','01','P1','2026-03-14',0,NULL,'41','W01',NULL");
        QCOMPARE(f.run(log), 0);
        const QString sequence = f.one(QStringLiteral("SELECT MAX(deal_no) FROM deal_log"));
        QCOMPARE(f.run(log), -1); // takes a number, then meets the key
        EXPECT_ORA(f, 1, QStringLiteral("UK_DEAL_LOG"));
        QCOMPARE(f.run(call22("update00_indi_acct", "P1", {{13, "B2"}})), -1);
        QCOMPARE(f.run(call22("update00_indi_acct", "P1", {{15, "33"}})), 0);
        QCOMPARE(s.commitTrans(), 0);

        QCOMPARE(f.one(QStringLiteral("SELECT m_title FROM marc WHERE marc_rec_no='M2'")), QStringLiteral("改过"));
        QCOMPARE(f.count(QStringLiteral("deal_log")), 1);
        QCOMPARE(f.one(QStringLiteral("SELECT deal_no FROM deal_log")), sequence);
        QCOMPARE(f.row(QStringLiteral("SELECT bar_code,book_stat_code FROM indi_acct WHERE prop_no='P1'")),
                 QStringList({"B1", "33"}));
        if (f.db->kind() == TestDatabase::Kind::Sqlite) // the counter row went back with the failed insert
            QCOMPARE(f.one(QStringLiteral("SELECT last_value FROM kestra_sequence")), sequence);
    }

    // The whole write of a repair, all or nothing: a rollback leaves no
    // trace, a commit keeps every part.
    void repairWriteIsOneTransaction_data() { addBackendRows(); }
    void repairWriteIsOneTransaction()
    {
        OPEN_FIXTURE(f);
        Session &s = *f.session;
        const auto writeRepair = [&] {
            s.beginTrans();
            return f.run(call("LT_deal_log", {q("L1"), q("R01"), q("01"), q("P1"), q("2026-03-14"), "8", q("装订组"),
                                              q("41"), q("W01"), "NULL"})) == 0 &&
                   f.run(call22("update00_indi_acct", "P1", {{15, "33"}, {16, "2026-03-14"}})) == 0 &&
                   f.count(QStringLiteral("ITEM WHERE prop_no='P1'")) == 1 &&
                   f.run(call22("update01_item", "P1", {{7, "33"}, {17, "2026-03-14"}, {22, "W01"}})) == 0 &&
                   f.run(QStringLiteral("update_lendable_copies 'M1'")) == 0 &&
                   f.run(QStringLiteral("XT_wkr_job_qty '302','W01',1,1,0")) == 0;
        };
        QVERIFY(writeRepair());
        s.rollback();
        QCOMPARE(f.count(QStringLiteral("deal_log")), 0);
        QCOMPARE(f.one(QStringLiteral("SELECT book_stat_code FROM indi_acct WHERE prop_no='P1'")),
                 QStringLiteral("41"));
        QCOMPARE(f.one(QStringLiteral("SELECT book_stat_code FROM item WHERE prop_no='P1'")), QStringLiteral("41"));
        QCOMPARE(f.count(QStringLiteral("wkr_job_qty")), 0);

        QVERIFY(writeRepair());
        QCOMPARE(s.commitTrans(), 0);
        QCOMPARE(f.count(QStringLiteral("deal_log WHERE source_state='41'")), 1);
        QCOMPARE(f.one(QStringLiteral("SELECT book_stat_code FROM indi_acct WHERE prop_no='P1'")),
                 QStringLiteral("33"));
        QCOMPARE(f.one(QStringLiteral("SELECT book_stat_code FROM item WHERE prop_no='P1'")), QStringLiteral("33"));
        QCOMPARE(f.one(QStringLiteral("SELECT lendable_copies FROM marc WHERE marc_rec_no='M1'")), QStringLiteral("0"));
        QCOMPARE(f.count(QStringLiteral("wkr_job_qty WHERE job_type='302'")), 1);
    }
};

KESTRA_TEST(ProcContractTest)
#include "ProcContractTest.moc"
