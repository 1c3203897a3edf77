// The demo library on both backends: reproducible, complete enough to show
// every part of the client, consistent with the schema, and logged into the
// way the login checks passwords.

#include "admin/DemoData.h"
#include "admin/DemoWriter.h"
#include "core/Session.h"
#include "db/SchemaInstaller.h"
#include "marc/BibStore.h"
#include "marc/BibWriter.h"
#include "marc/FieldReader.h"
#include "shell/Login.h"
#include "support/SuiteFixture.h"
#include "support/TestRunner.h"

#include <QCryptographicHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

const QDate kToday(2026, 3, 14);

DemoOptions options(int scale, quint64 seed)
{
    DemoOptions o;
    o.scale = scale;
    o.seed = seed;
    o.today = kToday;
    o.workstation = QStringLiteral("demo-pc");
    return o;
}

// The password as the login compares it when digests are on and a rule is
// set: MD5 of the GBK bytes, 32 upper-case hexadecimal digits.
QString digest(const QString &password)
{
    QStringEncoder gbk("GBK");
    const QByteArray bytes = gbk.encode(password);
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toUpper());
}

// Every row of a query as text, one line per row.
QString rows(SuiteFixture &f, const QString &sql)
{
    QueryResult r;
    if (f.db().query(sql, r) < 0)
        return QStringLiteral("<error> ") + f.context().errors().text;
    QString out;
    for (int i = 0; i < r.rowCount(); ++i) {
        QStringList cells;
        for (int c = 0; c < r.columnCount(); ++c)
            cells.append(r.text(i, c));
        out += cells.join(QLatin1Char('|')) + QLatin1Char('\n');
    }
    return out;
}

// The row count of every library table and a sample of the rows that the
// generator decides one by one.
QString snapshot(SuiteFixture &f)
{
    QString out;
    for (const QString &table : demoTables())
        out += table + QLatin1Char('=') + f.one(QStringLiteral("SELECT COUNT(*) FROM ") + table) + QLatin1Char('\n');
    out += rows(f, QStringLiteral("SELECT * FROM indi_acct WHERE prop_no IN ('00000001','00000077','00000140') "
                                  "ORDER BY prop_no"));
    out += rows(f, QStringLiteral("SELECT marc_rec_no, marc_type, m_title, m_author, m_call_no FROM marc "
                                  "WHERE marc_rec_no IN ('0000000001','0000000033') ORDER BY marc_rec_no"));
    out += rows(f, QStringLiteral("SELECT * FROM reader WHERE cert_id IN ('R0000001','R0000050') ORDER BY cert_id"));
    out += rows(f, QStringLiteral("SELECT wkr_no, password, modi_pwd_date FROM lib_worker ORDER BY wkr_no"));
    out += rows(f, QStringLiteral("SELECT * FROM lend_lst ORDER BY prop_no"));
    // deal_no goes on from the sequence, run after run.
    out +=
        rows(f, QStringLiteral("SELECT location, deal_batch_no, deal_type_code, prop_no, log_date, fee, book_target, "
                               "source_state, resp_wkr FROM deal_log ORDER BY prop_no, deal_type_code"));
    out += rows(f, QStringLiteral("SELECT * FROM login_log"));
    return out;
}

bool generate(SuiteFixture &f, const DemoOptions &o, QString *error)
{
    DemoReport report;
    return generateDemoLibrary(f.db(), o, &report, error) == 0;
}

QStringList column(SuiteFixture &f, const QString &sql)
{
    QueryResult r;
    QStringList out;
    if (f.db().query(sql, r) < 0)
        return {QStringLiteral("<error>")};
    for (int i = 0; i < r.rowCount(); ++i)
        out.append(r.text(i, 0));
    return out;
}

// Runs DDL on the test database beside the session (triggers the client's
// SQL dialect has no words for).
bool ddl(SuiteFixture &f, const QString &sqliteSql, const QString &postgresSql)
{
    if (f.database->kind() == TestDatabase::Kind::Postgres) {
        QString error;
        if (!f.database->adminExec(postgresSql, &error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        return true;
    }
    const QString name = QStringLiteral("demo-ddl");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(f.database->target().path);
        ok = db.open() && db.exec(sqliteSql).lastError().type() == QSqlError::NoError;
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

} // namespace

class DemoDataTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reproducibleAndGuarded_data() { addBackendRows(); }
    void reproducibleAndGuarded()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QString error;
        QVERIFY2(generate(f, options(60, 7), &error), qPrintable(error));
        const QString first = snapshot(f);
        QVERIFY(!first.contains(QLatin1String("<error>")));
        QVERIFY(first.contains(QLatin1String("indi_acct=")));

        // A second run is refused and changes nothing.
        QVERIFY(!generate(f, options(60, 7), &error));
        QVERIFY2(error.contains(QLatin1String("--force")), qPrintable(error));
        QCOMPARE(snapshot(f), first);

        // Forced, the same seed gives the same library again.
        DemoOptions forced = options(60, 7);
        forced.force = true;
        QVERIFY2(generate(f, forced, &error), qPrintable(error));
        QCOMPARE(snapshot(f), first);
        // The reference data survives: ROOT, location 99999, one rule of our own.
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM lib_worker WHERE wkr_no='ROOT'")), QStringLiteral("1"));
        QCOMPARE(f.one(QStringLiteral("SELECT location_name FROM location_lst WHERE location='99999'")),
                 QStringLiteral("系统管理"));
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM circ_rule")), QStringLiteral("3"));

        // Another seed, another library.
        forced.seed = 8;
        QVERIFY2(generate(f, forced, &error), qPrintable(error));
        QVERIFY(snapshot(f) != first);

        // The processing-log numbers go on from the sequence.
        const qint64 last = f.one(QStringLiteral("SELECT MAX(deal_no) FROM deal_log")).toLongLong();
        QVERIFY(last > 0);
        QCOMPARE(f.one(QStringLiteral("SELECT s_deal_log.nextval FROM dual")).toLongLong(), last + 1);
    }

    void refusals_data() { addBackendRows(); }
    void refusals()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QString error;
        QVERIFY(!generate(f, options(kMinimumDemoScale - 1, 1), &error));
        QVERIFY2(error.contains(QLatin1String("scale")), qPrintable(error));
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM indi_acct")), QStringLiteral("0"));

        // A database whose library tables are not there is not one to fill.
        QVERIFY(f.exec(QStringLiteral("DROP TABLE kestra_schema_version")));
        QVERIFY(!generate(f, options(60, 1), &error));
        QVERIFY2(error.contains(QLatin1String("kestra-admin init")), qPrintable(error));
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM location_lst")), QStringLiteral("1"));
    }

    // The bulk loader: rows split over statements at their limits, parents
    // written before children whatever the order rows came in, values kept
    // exactly, and a failing statement named and rolled back.
    void bulkLoader_data() { addBackendRows(); }
    void bulkLoader()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        auto *host = dynamic_cast<ProcHost *>(f.db().backend());
        QVERIFY(host);
        DemoWriter w(*host, *f.db().backend());
        DemoTable &readers = w.declare(QStringLiteral("reader"), {"cert_id", "name", "deposit", "birthday"});
        DemoTable &cards = w.declare(QStringLiteral("reader_cert"), {"redr_cert_id", "cert_id", "deposit"});
        QVERIFY(w.begin());
        const int n = 1001; // over two full statements and a part
        for (int i = 0; i < n; ++i) {
            const QString id = QStringLiteral("T%1").arg(i, 5, 10, QLatin1Char('0'));
            cards.add({QString(QStringLiteral("C") + id), id, 0.5 * i});
            readers.add({id, QStringLiteral("读者%1").arg(i), i % 7 == 0 ? QVariant() : QVariant(i * 1.25),
                         QStringLiteral("2000-01-01")});
        }
        QVERIFY2(w.flush(), qPrintable(w.error()));
        QVERIFY2(w.commit(), qPrintable(w.error()));
        QCOMPARE(readers.written(), qint64(n));
        QCOMPARE(cards.written(), qint64(n));
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM reader_cert")), QString::number(n));
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(DISTINCT cert_id) FROM reader")), QString::number(n));
        QCOMPARE(f.one(QStringLiteral("SELECT name FROM reader WHERE cert_id='T01000'")), QStringLiteral("读者1000"));
        QCOMPARE(f.one(QStringLiteral("SELECT deposit FROM reader WHERE cert_id='T00401'")), QStringLiteral("501.25"));
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM reader WHERE deposit IS NULL")), QString::number(143));

        QVERIFY(w.begin());
        readers.add({QStringLiteral("T99999"), QStringLiteral("新读者"), QVariant(), QVariant()});
        readers.add({QStringLiteral("T00005"), QStringLiteral("重复"), QVariant(), QVariant()});
        QVERIFY(!w.flush());
        QVERIFY2(w.error().contains(QLatin1String("reader")) && w.error().contains(QLatin1String("PK_READER")),
                 qPrintable(w.error()));
        w.rollback();
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM reader WHERE cert_id='T99999'")), QStringLiteral("0"));
        QCOMPARE(readers.pending(), 0);
    }

    // A failing run puts back what was there when it committed nothing, and
    // leaves the database as kestra-admin init made it when it had.
    void failedRunLeavesNothing_data() { addBackendRows(); }
    void failedRunLeavesNothing()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QString error;
        QVERIFY2(generate(f, options(60, 1), &error), qPrintable(error));
        const QString before = snapshot(f);
        QVERIFY(ddl(f,
                    QStringLiteral("CREATE TRIGGER demo_boom BEFORE INSERT ON virtual_shelf_book "
                                   "BEGIN SELECT RAISE(ABORT, 'boom'); END"),
                    QStringLiteral("CREATE FUNCTION demo_boom() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION 'boom'; "
                                   "END $$ LANGUAGE plpgsql; CREATE TRIGGER demo_boom BEFORE INSERT ON "
                                   "virtual_shelf_book FOR EACH ROW EXECUTE FUNCTION demo_boom()")));
        DemoOptions forced = options(80, 2);
        forced.force = true;
        QVERIFY(!generate(f, forced, &error));
        QVERIFY2(error.contains(QLatin1String("virtual_shelf_book")), qPrintable(error));
        QCOMPARE(snapshot(f), before);

        // Enough rows for a commit before the shelves are written.
        forced.scale = 3000;
        QVERIFY(!generate(f, forced, &error));
        for (const QString &table : demoTables()) {
            const QString rows = f.one(QStringLiteral("SELECT COUNT(*) FROM ") + table);
            const QString kept = table == QLatin1String("lib_worker") || table == QLatin1String("location_lst")
                                     ? QStringLiteral("1")
                                     : QStringLiteral("0");
            QVERIFY2(rows == kept, qPrintable(table + QLatin1Char('=') + rows));
        }
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM circ_rule")), QStringLiteral("1"));
    }

    void wholeLibrary_data() { addBackendRows(); }
    void wholeLibrary()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QString error;
        QVERIFY2(generate(f, options(400, 3), &error), qPrintable(error));
        // The scale counts titles; copies are about two and a half a title.
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM marc")), QStringLiteral("400"));
        const int copies = f.one(QStringLiteral("SELECT COUNT(*) FROM indi_acct")).toInt();
        QVERIFY2(copies > 900 && copies < 1100, qPrintable(QString::number(copies)));
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM reader")), QStringLiteral("200"));

        const QStringList statuses = column(f, QStringLiteral("SELECT DISTINCT book_stat_code FROM indi_acct "
                                                              "ORDER BY book_stat_code"));
        QCOMPARE(statuses, QStringList({"11", "12", "13", "14", "15", "16", "17", "33", "34", "35", "36", "37",
                                        "38", "39", "3A", "3B", "3C", "41", "42", "43", "44", "45", "46"}));
        QCOMPARE(column(f, QStringLiteral("SELECT DISTINCT book_lend_flag FROM item ORDER BY book_lend_flag")),
                 QStringList({"0", "1", "2", "3", "4", "5"}));
        // The circulation row follows its copy.
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM item, indi_acct WHERE item.prop_no=indi_acct.prop_no "
                                      "AND (item.book_stat_code<>indi_acct.book_stat_code "
                                      "OR item.location<>indi_acct.dis_location "
                                      "OR item.bar_code<>indi_acct.bar_code)")),
                 QStringLiteral("0"));
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM item WHERE book_stat_code LIKE '1%'")),
                 QStringLiteral("0"));

        // Loans: some overdue, each on a copy lent out, with its open history row.
        const QString today = kToday.toString(Qt::ISODate);
        QVERIFY(f.one(QStringLiteral("SELECT COUNT(*) FROM lend_lst WHERE norm_ret_date<'%1'").arg(today)).toInt() > 0);
        QVERIFY(f.one(QStringLiteral("SELECT COUNT(*) FROM lend_lst WHERE norm_ret_date>='%1'").arg(today)).toInt() >
                0);
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM lend_lst, item WHERE lend_lst.prop_no=item.prop_no "
                                      "AND item.book_lend_flag<>'1'")),
                 QStringLiteral("0"));
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM lend_hist WHERE ret_date IS NULL")),
                 f.one(QStringLiteral("SELECT COUNT(*) FROM lend_lst")));
        // Reservations at the desk are the copies flagged 2, on open reservations.
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM preg_arri_lst")),
                 f.one(QStringLiteral("SELECT COUNT(*) FROM item WHERE book_lend_flag='2'")));
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM preg_arri_lst a, preg_lst p WHERE a.preg_no=p.preg_no "
                                      "AND a.cert_id=p.cert_id")),
                 f.one(QStringLiteral("SELECT COUNT(*) FROM preg_arri_lst")));
        // Lost copies: declared (open claim) and paid.
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM lost_recoup_lst l, indi_acct i WHERE l.prop_no=i.prop_no "
                                      "AND NOT ((i.book_stat_code='3B' AND l.recoup_flag='0') "
                                      "OR (i.book_stat_code='39' AND l.recoup_flag='1'))")),
                 QStringLiteral("0"));

        // Handover batches wait for assignment; one is half assigned, some
        // titles of it in two acceptance batches, only one of them stored.
        QVERIFY(f.one(QStringLiteral("SELECT COUNT(*) FROM transfer_doc WHERE store_flag='0'")).toInt() > 0);
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM transfer_doc t, indi_acct i WHERE t.store_flag='0' "
                                      "AND i.move_batch=t.move_batch AND i.chk_batch_no=t.chk_batch_no "
                                      "AND i.marc_rec_no=t.marc_rec_no AND i.book_stat_code<>'17'")),
                 QStringLiteral("0"));
        QVERIFY(f.one(QStringLiteral("SELECT COUNT(DISTINCT a.move_batch) FROM transfer_doc a, transfer_doc b "
                                     "WHERE a.move_batch=b.move_batch AND a.store_flag='0' AND b.store_flag='1'"))
                    .toInt() > 0);
        QVERIFY(
            f.one(QStringLiteral("SELECT COUNT(*) FROM transfer_doc a, transfer_doc b WHERE a.move_batch=b.move_batch "
                                 "AND a.marc_rec_no=b.marc_rec_no AND a.store_flag='0' AND b.store_flag='1'"))
                .toInt() > 0);
        QVERIFY(f.one(QStringLiteral("SELECT COUNT(*) FROM call_no_lst WHERE circ_type_code='99'")).toInt() > 0);
        // Every copy count agrees with the copies.
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM marc WHERE copies<>(SELECT COUNT(*) FROM indi_acct i "
                                      "WHERE i.marc_rec_no=marc.marc_rec_no) OR lendable_copies<>(SELECT COUNT(*) "
                                      "FROM indi_acct i WHERE i.marc_rec_no=marc.marc_rec_no "
                                      "AND i.book_stat_code='41')")),
                 QStringLiteral("0"));

        // Processing batches of every type, open and finished; copies in
        // repair are in a repair batch of their own location.
        QCOMPARE(column(f, QStringLiteral("SELECT DISTINCT deal_type_code FROM deal_batch_lst ORDER BY 1")),
                 QStringList({"01", "02", "03", "04", "05"}));
        QCOMPARE(column(f, QStringLiteral("SELECT deal_type_code FROM deal_batch_lst GROUP BY deal_type_code "
                                          "HAVING COUNT(DISTINCT deal_stat_flag)=2 ORDER BY 1")),
                 QStringList({"01", "02", "03", "04", "05"}));
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM indi_acct i WHERE i.book_stat_code='33' AND NOT EXISTS "
                                      "(SELECT 1 FROM deal_log d WHERE d.prop_no=i.prop_no AND d.deal_type_code='01' "
                                      "AND d.location=i.dis_location)")),
                 QStringLiteral("0"));
        QCOMPARE(
            f.one(QStringLiteral("SELECT COUNT(*) FROM deal_log d WHERE NOT EXISTS (SELECT 1 FROM deal_batch_lst b "
                                 "WHERE b.deal_batch_no=d.deal_batch_no AND b.deal_type_code=d.deal_type_code "
                                 "AND b.location=d.location)")),
            QStringLiteral("0"));
        QCOMPARE(
            f.one(QStringLiteral("SELECT COUNT(*) FROM deal_batch_lst c WHERE c.deal_type_code='02' AND NOT EXISTS "
                                 "(SELECT 1 FROM deal_batch_lst r WHERE r.deal_type_code='01' "
                                 "AND r.deal_batch_no=c.deal_batch_no AND r.deal_stat_flag='1')")),
            QStringLiteral("0"));

        // Transfers, counts with every result, shelves, compact shelving.
        QVERIFY(f.one(QStringLiteral("SELECT COUNT(*) FROM goto_detl")).toInt() > 0);
        QCOMPARE(column(f, QStringLiteral("SELECT DISTINCT flag FROM count_lost_copy ORDER BY flag")),
                 QStringList({"0", "1", "2"}));
        QCOMPARE(column(f, QStringLiteral("SELECT DISTINCT finish_flag FROM count_data ORDER BY 1")),
                 QStringList({"0", "1"}));
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM virtual_shelf_class c WHERE book_count<>(SELECT COUNT(*) "
                                      "FROM virtual_shelf_book b WHERE b.class_id=c.class_id)")),
                 QStringLiteral("0"));
        QVERIFY(f.one(QStringLiteral("SELECT COUNT(*) FROM virtual_shelf_book")).toInt() > 0);
        QVERIFY(f.one(QStringLiteral("SELECT COUNT(DISTINCT shelf_no) FROM indi_acct")).toInt() > 10);

        // Workload and operation log of holdings work.
        QVERIFY(f.one(QStringLiteral("SELECT COUNT(DISTINCT job_type) FROM wkr_job_qty")).toInt() >= 8);
        QCOMPARE(f.one(QStringLiteral("SELECT COUNT(*) FROM log_detl WHERE log_type NOT IN "
                                      "(SELECT log_type FROM log_type)")),
                 QStringLiteral("0"));
        QVERIFY(f.one(QStringLiteral("SELECT COUNT(DISTINCT log_type) FROM log_detl")).toInt() >= 12);

        // Location lists for each operation type, and the workstations.
        QCOMPARE(column(f, QStringLiteral("SELECT DISTINCT oper_type FROM location_sort ORDER BY 1")),
                 QStringList({"0", "2", "3"}));
        QCOMPARE(f.one(QStringLiteral("SELECT location FROM loca_comp_lst WHERE comp_name='DEMO-PC'")),
                 QStringLiteral("DC"));
    }

    void schemaAndKeysHold_data() { addBackendRows(); }
    void schemaAndKeysHold()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QString error;
        QVERIFY2(generate(f, options(150, 5), &error), qPrintable(error));
        const bool sqlite = f.database->kind() == TestDatabase::Kind::Sqlite;
        const BackendTarget t = f.database->target();
        const QString name = QStringLiteral("demo-check");
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), name);
            if (sqlite) {
                db.setDatabaseName(t.path);
            } else {
                db.setHostName(t.host);
                db.setPort(t.port);
                db.setUserName(t.user);
                db.setDatabaseName(t.database);
            }
            QVERIFY2(db.open(), qPrintable(db.lastError().text()));
            QCOMPARE(checkSchema(db, sqlite ? SchemaDialect::Sqlite : SchemaDialect::Postgres), QStringList());
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
        if (sqlite)
            QCOMPARE(rows(f, QStringLiteral("PRAGMA foreign_key_check")), QString());
    }

    void operatorsLogIn_data() { addBackendRows(); }
    void operatorsLogIn()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        DemoOptions o = options(60, 2);
        o.today = QDate(); // the server's day: the password ages and the lock count from it
        QString error;
        QVERIFY2(generate(f, o, &error), qPrintable(error));
        // The stored form is what the login computes from the typed password.
        QCOMPARE(f.one(QStringLiteral("SELECT password FROM lib_worker WHERE wkr_no='DC01'")),
                 digest(QStringLiteral("super123")));
        QCOMPARE(f.one(QStringLiteral("SELECT password FROM lib_worker WHERE wkr_no='ROOT'")),
                 digest(QStringLiteral("root123")));

        auto attempt = [&f](const QString &user, const QString &password) {
            Login login(f.context());
            login.setWorkstationResolver([](bool) { return QStringLiteral("DEMO-PC"); });
            return login.attempt(user, password, false).outcome;
        };
        for (const DemoAccount &a : demoAccounts()) {
            QVERIFY2(PasswordRule::parse(QStringLiteral("01106")).accepts(a.password), qPrintable(a.wkrNo));
        }
        QCOMPARE(attempt(demoSupervisor(), QStringLiteral("super123")), Login::Outcome::Accepted);
        QStringList rights = f.context().session().rights;
        rights.sort();
        QCOMPARE(rights.size(), 23);
        QCOMPARE(rights.first(), QStringLiteral("3000"));
        QCOMPARE(rights.last(), QStringLiteral("3022"));
        QCOMPARE(attempt(QStringLiteral("root"), QStringLiteral("root123")), Login::Outcome::Accepted);
        QCOMPARE(attempt(QStringLiteral("DC02"), QStringLiteral("clerk123")), Login::Outcome::Accepted);
        QVERIFY(!f.context().session().rights.contains(QStringLiteral("3005")));
        QCOMPARE(attempt(QStringLiteral("DC05"), QStringLiteral("expired123")), Login::Outcome::ChangePassword);
        QCOMPARE(attempt(QStringLiteral("LT01"), QStringLiteral("circ123")), Login::Outcome::NoRight);
        f.prompter().clear();
        QCOMPARE(attempt(QStringLiteral("DC03"), QStringLiteral("locked123")), Login::Outcome::Refused);
        QVERIFY2(f.prompter().lastText().contains(QStringLiteral("账号被限制登录")),
                 qPrintable(f.prompter().lastText()));
        QCOMPARE(attempt(QStringLiteral("DC04"), QStringLiteral("retired123")), Login::Outcome::Refused);
    }

    void recordsReadBack_data() { addBackendRows(); }
    void recordsReadBack()
    {
        QFETCH(int, backend);
        SuiteFixture f;
        KESTRA_OPEN_SUITE(f, backend);
        QString error;
        QVERIFY2(generate(f, options(120, 4), &error), qPrintable(error));
        const MarcCodec codec;
        const QStringList types = column(f, QStringLiteral("SELECT DISTINCT marc_type FROM marc ORDER BY 1"));
        QCOMPARE(types, QStringList({"C", "U"}));
        QStringList picked;
        for (const QString &type : types) {
            const QStringList numbers = column(
                f, QStringLiteral("SELECT marc_rec_no FROM marc WHERE marc_type='%1' ORDER BY marc_rec_no").arg(type));
            QVERIFY(numbers.size() >= 3);
            picked += numbers.mid(0, 2);
            for (const QString &no : numbers.mid(0, 5)) {
                ParseReport report;
                const BibRecord record = readBibRecord(f.db(), no, codec, &report);
                QVERIFY2(report.outcome == ParseOutcome::Clean,
                         qPrintable(no + QLatin1Char(' ') + describeReport(report)));
                QCOMPARE(record.summary.marcType, type);
                FieldReader reader(record);
                const QString title = f.one(QStringLiteral("SELECT m_title FROM marc WHERE marc_rec_no='%1'").arg(no));
                if (type == QLatin1String("C")) {
                    QCOMPARE(reader.firstFieldValue(QStringLiteral("200a")), title);
                    QCOMPARE(reader.firstFieldValue(QStringLiteral("690a")),
                             f.one(QStringLiteral("SELECT m_classno FROM marc WHERE marc_rec_no='%1'").arg(no)));
                    QVERIFY(title.size() >= 2 && title.at(0).unicode() >= 0x4E00);
                } else {
                    // The summary shows the romanized title; the record keeps
                    // the Chinese one in its 880 field.
                    QVERIFY2(title.startsWith(reader.firstFieldValue(QStringLiteral("245a"))), qPrintable(no));
                    const QString original = reader.firstFieldValue(QStringLiteral("8806245a"));
                    QVERIFY2(original.size() >= 2 && original.at(0).unicode() >= 0x4E00, qPrintable(no));
                }
            }
        }

        // The demo's rows are those storeBibRecord writes: storing the
        // records again in its way changes none of them.
        BibParams params;
        QCOMPARE(loadBibParams(f.db(), f.context().folders(), f.context().codePage(), params), 0);
        params.indexWidth = indexWidthFor(params.unicodeMode, 120);
        const QString numbers = QStringLiteral("('%1')").arg(picked.join(QStringLiteral("','")));
        auto stored = [&]() -> QString {
            return rows(f, QStringLiteral("SELECT * FROM marc WHERE marc_rec_no IN %1 ORDER BY 1").arg(numbers)) +
                   rows(f,
                        QStringLiteral("SELECT * FROM marc_data WHERE marc_rec_no IN %1 ORDER BY 1,2").arg(numbers)) +
                   rows(f,
                        QStringLiteral("SELECT * FROM marc_idx WHERE marc_rec_no IN %1 ORDER BY 1,2,3").arg(numbers)) +
                   rows(f, QStringLiteral("SELECT call_no, marc_rec_no FROM call_no_lst WHERE marc_rec_no IN %1 "
                                          "ORDER BY 1")
                               .arg(numbers));
        };
        const QString before = stored();
        QVERIFY(before.count(QLatin1Char('\n')) > 20);
        QVERIFY(before.contains(QLatin1String("|U|")) && before.contains(QLatin1String("|C|")));
        for (const QString &no : picked) {
            const BibRecord record = readBibRecord(f.db(), no, codec);
            QCOMPARE(storeBibRecord(f.db(), record, params, f.context().codePage(), kToday.toString(Qt::ISODate)), 0);
        }
        QCOMPARE(stored(), before);
    }
};

KESTRA_TEST(DemoDataTest)
#include "DemoDataTest.moc"
