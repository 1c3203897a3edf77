// The single-copy status change of bench-scan, done twice: through the
// client's session, written as the status-change form writes it, and as a C
// program issuing the same native statements, prepared once.

#include "ScanBench.h"

#include "core/AppContext.h"
#include "core/Session.h"
#include "core/WorkLog.h"
#include "db/Backends.h"
#include "db/SqliteBackend.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QUrl>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace scanbench {

const char *stepName(int step)
{
    static const char *const names[] = {
        "lookup",         "item count",  "begin", "update00_indi_acct", "update01_item", "update_lendable_copies",
        "XT_wkr_job_qty", "xt_log_detl", "commit"};
    return step >= 0 && step < StepCount ? names[step] : "?";
}

QString statusName(const QString &code)
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("17"), QStringLiteral("典藏处理")}, {QStringLiteral("33"), QStringLiteral("书刊修补")},
        {QStringLiteral("38"), QStringLiteral("丢失")},     {QStringLiteral("3B"), QStringLiteral("声明丢失")},
        {QStringLiteral("3C"), QStringLiteral("停借")},     {QStringLiteral("41"), QStringLiteral("可借")},
        {QStringLiteral("42"), QStringLiteral("非可借")},   {QStringLiteral("43"), QStringLiteral("阅览")},
        {QStringLiteral("44"), QStringLiteral("业务用书")}, {QStringLiteral("45"), QStringLiteral("保留本")},
        {QStringLiteral("46"), QStringLiteral("分馆藏书")},
    };
    return names.value(code);
}

namespace {

// The lookup row of the status-change form: the copy with its title, the
// public-catalogue flag in place of the last two columns.
const char kLookupColumns[] =
    "SELECT indi_acct.prop_no,indi_acct.marc_rec_no,indi_acct.dis_location,indi_acct.call_no,indi_acct.bar_code,"
    "indi_acct.book_stat_code,indi_acct.rec_flag_upt_date,indi_acct.price,indi_acct.in_date,indi_acct.attachment,"
    "marc.m_title,marc.m_author,marc.m_publisher,indi_acct.indi_opac_flag FROM indi_acct,marc ";

// Marks the end of each step.
class StepClock {
public:
    explicit StepClock(StepTimes &times) : times_(times) { timer_.start(); }
    void mark(Step step)
    {
        const qint64 now = timer_.nsecsElapsed();
        times_[step] += now - last_;
        last_ = now;
    }
    qint64 elapsed() const { return timer_.nsecsElapsed(); }

private:
    StepTimes &times_;
    QElapsedTimer timer_;
    qint64 last_ = 0;
};

// ---------------------------------------------------------------------------
// Through the session.

class SessionRunner final : public Runner {
public:
    explicit SessionRunner(const Operator &op) : op_(op) {}

    bool open(const QString &sqlitePath, const QString &pgUri, QString *error)
    {
        kestra::InstallFolders(dir_.path()).createAll();
        context_ = std::make_unique<kestra::AppContext>(dir_.path(), kestra::AppServices{prompter_, sounds_, clock_});
        kestra::SessionValues &values = context_->session();
        values.operatorNo = op_.number;
        values.workstation = op_.workstation;
        values.currentLocation = op_.location;
        kestra::QueryResult locations({{QStringLiteral("location"), kestra::QueryResult::Text},
                                       {QStringLiteral("name"), kestra::QueryResult::Text}});
        locations.appendRow({op_.location, op_.locationName});
        context_->setAllLocations(locations);

        kestra::BackendTarget target;
        if (!sqlitePath.isEmpty()) {
            target.kind = kestra::BackendTarget::Kind::Sqlite;
            target.path = sqlitePath;
        } else {
            const QUrl url(pgUri);
            target.kind = kestra::BackendTarget::Kind::Postgres;
            target.host = url.host();
            target.port = url.port(5432);
            target.user = url.userName();
            target.password = url.password();
            target.database = url.path().mid(1);
        }
        kestra::Session &db = context_->db();
        if (db.connectTo(kestra::createBackend(target.kind), target) < 0) {
            *error = context_->errors().text;
            return false;
        }
        return true;
    }

    QString name() const override { return QStringLiteral("session"); }
    sqlite3 *sqliteHandle() override
    {
        kestra::Backend *backend = context_->db().backend();
        return backend && backend->kind() == kestra::BackendTarget::Kind::Sqlite
                   ? static_cast<kestra::SqliteBackend *>(backend)->handle()
                   : nullptr;
    }

    qint64 run(const QList<Change> &changes, StepTimes &times, QString *error) override
    {
        using kestra::sqlQuote;
        kestra::Session &db = context_->db();
        const QString null = QStringLiteral("NULL");
        const QString day = sqlQuote(op_.day);
        const QString worker = sqlQuote(op_.number);
        auto failed = [&] {
            *error = context_->errors().text + QStringLiteral(" [") + db.currentSql().left(300) + u']';
            return -1;
        };
        StepClock clock(times);
        for (const Change &change : changes) {
            kestra::QueryResult found;
            if (db.query(QLatin1String(kLookupColumns) + QStringLiteral(" WHERE indi_acct.bar_code=") +
                             sqlQuote(change.barcode) + QStringLiteral(" AND indi_acct.marc_rec_no=marc.marc_rec_no "),
                         found) < 0)
                return failed();
            if (found.rowCount() != 1) {
                *error = QStringLiteral("barcode %1 not found").arg(change.barcode);
                return -1;
            }
            const QString propNo = found.text(0, 0);
            const QString marcNo = found.text(0, 1);
            const QString oldStatus = found.text(0, 5);
            clock.mark(Lookup);

            kestra::QueryResult items;
            if (db.query(QStringLiteral("SELECT COUNT(*) FROM ITEM WHERE prop_no=") + sqlQuote(propNo), items) < 0)
                return failed();
            clock.mark(Count);

            kestra::Transaction tx(db);
            clock.mark(Begin);
            QStringList copyArgs(22, null);
            copyArgs[0] = sqlQuote(propNo);
            copyArgs[14] = sqlQuote(change.newStatus);
            copyArgs[15] = day;
            copyArgs[18] = worker;
            if (db.callProc(QStringLiteral("update00_indi_acct ") + copyArgs.join(u',')) < 0)
                return failed();
            clock.mark(CopyUpdate);
            if (items.number(0, 0) > 0) {
                QStringList itemArgs(22, null);
                itemArgs[0] = sqlQuote(propNo);
                itemArgs[6] = sqlQuote(change.newStatus);
                itemArgs[16] = day;
                itemArgs[21] = worker;
                if (db.callProc(QStringLiteral("update01_item ") + itemArgs.join(u',')) < 0)
                    return failed();
            }
            clock.mark(ItemUpdate);
            if (db.callProc(QStringLiteral("update_lendable_copies ") + sqlQuote(marcNo)) < 0)
                return failed();
            clock.mark(Lendable);
            if (kestra::logWorkQty(*context_, QStringLiteral("310"), 1, 1, 0) < 0)
                return failed();
            clock.mark(WorkQty);
            if (kestra::logOperation(*context_, QStringLiteral("30019"), marcNo, propNo, statusName(oldStatus),
                                     statusName(change.newStatus)) < 0)
                return failed();
            clock.mark(LogLine);
            if (tx.commit() < 0)
                return failed();
            clock.mark(Commit);
        }
        return clock.elapsed();
    }

private:
    Operator op_;
    QTemporaryDir dir_;
    kestra::SilentPrompter prompter_;
    kestra::NoSound sounds_;
    kestra::SystemClock clock_;
    std::unique_ptr<kestra::AppContext> context_;
};

// ---------------------------------------------------------------------------
// sqlite3, prepared once.

class SqliteDirect final : public Runner {
public:
    explicit SqliteDirect(const Operator &op) : op_(op) {}
    ~SqliteDirect() override
    {
        for (sqlite3_stmt *s :
             {lookup_, count_, begin_, commit_, copy_, item_, lendable_, qtyUpdate_, qtyInsert_, log_})
            sqlite3_finalize(s);
        sqlite3_close_v2(db_);
    }
    SqliteDirect(const SqliteDirect &) = delete;
    SqliteDirect &operator=(const SqliteDirect &) = delete;

    bool open(const QString &path, QString *error)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
            SQLITE_OK)
            return fail(error);
        // The same durability and checks as the client's connection.
        sqlite3_busy_timeout(db_, 5000);
        if (sqlite3_exec(db_, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON", nullptr,
                         nullptr, nullptr) != SQLITE_OK)
            return fail(error);
        const QByteArray lookup =
            QByteArray(kLookupColumns) + "WHERE indi_acct.bar_code=? AND indi_acct.marc_rec_no=marc.marc_rec_no";
        return prepare(lookup.constData(), &lookup_, error) &&
               prepare("SELECT COUNT(*) FROM item WHERE prop_no=?", &count_, error) &&
               prepare("BEGIN", &begin_, error) && prepare("COMMIT", &commit_, error) &&
               prepare("UPDATE indi_acct SET book_stat_code=?,rec_flag_upt_date=?,resp_wkr=? WHERE prop_no=?", &copy_,
                       error) &&
               prepare("UPDATE item SET book_stat_code=?,rec_flag_upt_date=?,resp_wkr=? WHERE prop_no=?", &item_,
                       error) &&
               prepare("UPDATE marc SET lendable_copies=(SELECT COUNT(*) FROM indi_acct WHERE marc_rec_no=?1 AND "
                       "book_stat_code='41') WHERE marc_rec_no=?1",
                       &lendable_, error) &&
               prepare("UPDATE wkr_job_qty SET kind=kind+?,volume=volume+?,amount=amount+? "
                       "WHERE wkr_no_f=? AND job_type=? AND oper_date=date('now','localtime')",
                       &qtyUpdate_, error) &&
               prepare("INSERT INTO wkr_job_qty(wkr_no_f,job_type,oper_date,kind,volume,amount) "
                       "VALUES(?,?,date('now','localtime'),?,?,?)",
                       &qtyInsert_, error) &&
               prepare("INSERT INTO log_detl(log_type,log_date,log_time,wkr_no,computer,location_name,marc_rec_no,"
                       "prop_no,data1,data2,data3,cert_id) "
                       "VALUES(?,date('now','localtime'),time('now','localtime'),?,?,?,?,?,?,?,NULL,NULL)",
                       &log_, error);
    }

    QString name() const override { return QStringLiteral("sqlite3"); }
    sqlite3 *sqliteHandle() override { return db_; }

    qint64 run(const QList<Change> &changes, StepTimes &times, QString *error) override
    {
        const QByteArray worker = op_.number.toUtf8();
        const QByteArray day = op_.day.toUtf8();
        const QByteArray workstation = op_.workstation.toUtf8();
        const QByteArray locationName = op_.locationName.toUtf8();
        StepClock clock(times);
        for (const Change &change : changes) {
            const QByteArray barcode = change.barcode.toUtf8();
            const QByteArray status = change.newStatus.toUtf8();
            text(lookup_, 1, barcode);
            if (sqlite3_step(lookup_) != SQLITE_ROW) {
                *error = QStringLiteral("barcode %1 not found").arg(change.barcode);
                return -1;
            }
            QByteArray row[14];
            for (int c = 0; c < 14; ++c)
                row[c] = QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(lookup_, c)),
                                    sqlite3_column_bytes(lookup_, c));
            sqlite3_reset(lookup_);
            const QByteArray &propNo = row[0];
            const QByteArray &marcNo = row[1];
            clock.mark(Lookup);

            text(count_, 1, propNo);
            if (sqlite3_step(count_) != SQLITE_ROW)
                return fail(error);
            const qint64 items = sqlite3_column_int64(count_, 0);
            sqlite3_reset(count_);
            clock.mark(Count);

            if (!done(begin_, error))
                return -1;
            clock.mark(Begin);
            text(copy_, 1, status);
            text(copy_, 2, day);
            text(copy_, 3, worker);
            text(copy_, 4, propNo);
            if (!done(copy_, error))
                return -1;
            clock.mark(CopyUpdate);
            if (items > 0) {
                text(item_, 1, status);
                text(item_, 2, day);
                text(item_, 3, worker);
                text(item_, 4, propNo);
                if (!done(item_, error))
                    return -1;
            }
            clock.mark(ItemUpdate);
            text(lendable_, 1, marcNo);
            if (!done(lendable_, error))
                return -1;
            clock.mark(Lendable);
            sqlite3_bind_int(qtyUpdate_, 1, 1);
            sqlite3_bind_int(qtyUpdate_, 2, 1);
            sqlite3_bind_int(qtyUpdate_, 3, 0);
            text(qtyUpdate_, 4, worker);
            sqlite3_bind_text(qtyUpdate_, 5, "310", 3, SQLITE_STATIC);
            if (!done(qtyUpdate_, error))
                return -1;
            if (sqlite3_changes(db_) == 0) {
                text(qtyInsert_, 1, worker);
                sqlite3_bind_text(qtyInsert_, 2, "310", 3, SQLITE_STATIC);
                sqlite3_bind_int(qtyInsert_, 3, 1);
                sqlite3_bind_int(qtyInsert_, 4, 1);
                sqlite3_bind_int(qtyInsert_, 5, 0);
                if (!done(qtyInsert_, error))
                    return -1;
            }
            clock.mark(WorkQty);
            const QByteArray oldName = statusName(QString::fromUtf8(row[5])).toUtf8();
            const QByteArray newName = statusName(change.newStatus).toUtf8();
            sqlite3_bind_text(log_, 1, "30019", 5, SQLITE_STATIC);
            text(log_, 2, worker);
            text(log_, 3, workstation);
            text(log_, 4, locationName);
            text(log_, 5, marcNo);
            text(log_, 6, propNo);
            text(log_, 7, oldName);
            text(log_, 8, newName);
            if (!done(log_, error))
                return -1;
            clock.mark(LogLine);
            if (!done(commit_, error))
                return -1;
            clock.mark(Commit);
        }
        return clock.elapsed();
    }

private:
    bool prepare(const char *sql, sqlite3_stmt **stmt, QString *error)
    {
        return sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, stmt, nullptr) == SQLITE_OK || fail(error);
    }
    static void text(sqlite3_stmt *stmt, int i, const QByteArray &value)
    {
        if (value.isEmpty())
            sqlite3_bind_null(stmt, i);
        else
            sqlite3_bind_text(stmt, i, value.constData(), static_cast<int>(value.size()), SQLITE_STATIC);
    }
    bool done(sqlite3_stmt *stmt, QString *error)
    {
        const int rc = sqlite3_step(stmt);
        sqlite3_reset(stmt);
        if (rc == SQLITE_DONE)
            return true;
        fail(error);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    bool fail(QString *error)
    {
        *error = QString::fromUtf8(sqlite3_errmsg(db_));
        return false;
    }

    Operator op_;
    sqlite3 *db_ = nullptr;
    sqlite3_stmt *lookup_ = nullptr, *count_ = nullptr, *begin_ = nullptr, *commit_ = nullptr, *copy_ = nullptr,
                 *item_ = nullptr, *lendable_ = nullptr, *qtyUpdate_ = nullptr, *qtyInsert_ = nullptr, *log_ = nullptr;
};

// ---------------------------------------------------------------------------
// libpq, prepared once.

class PgDirect final : public Runner {
public:
    explicit PgDirect(const Operator &op) : op_(op) {}
    ~PgDirect() override { PQfinish(conn_); }
    PgDirect(const PgDirect &) = delete;
    PgDirect &operator=(const PgDirect &) = delete;

    bool open(const QString &uri, QString *error)
    {
        conn_ = PQconnectdb(uri.toUtf8().constData());
        if (PQstatus(conn_) != CONNECTION_OK) {
            *error = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
            return false;
        }
        const QByteArray lookup =
            QByteArray(kLookupColumns) + "WHERE indi_acct.bar_code=$1 AND indi_acct.marc_rec_no=marc.marc_rec_no";
        return prepare("lookup", lookup.constData(), 1, error) &&
               prepare("count", "SELECT COUNT(*) FROM item WHERE prop_no=$1", 1, error) &&
               prepare("copy",
                       "UPDATE indi_acct SET book_stat_code=$1,rec_flag_upt_date=$2,resp_wkr=$3 WHERE prop_no=$4", 4,
                       error) &&
               prepare("item", "UPDATE item SET book_stat_code=$1,rec_flag_upt_date=$2,resp_wkr=$3 WHERE prop_no=$4", 4,
                       error) &&
               prepare("lendable",
                       "UPDATE marc SET lendable_copies=(SELECT COUNT(*) FROM indi_acct WHERE marc_rec_no=$1 AND "
                       "book_stat_code='41') WHERE marc_rec_no=$1",
                       1, error) &&
               prepare("qty_update",
                       "UPDATE wkr_job_qty SET kind=kind+$1,volume=volume+$2,amount=amount+$3 WHERE wkr_no_f=$4 AND "
                       "job_type=$5 AND oper_date=to_char(localtimestamp,'YYYY-MM-DD')",
                       5, error) &&
               prepare("qty_insert",
                       "INSERT INTO wkr_job_qty(wkr_no_f,job_type,oper_date,kind,volume,amount) "
                       "VALUES($1,$2,to_char(localtimestamp,'YYYY-MM-DD'),$3,$4,$5)",
                       5, error) &&
               prepare("log",
                       "INSERT INTO log_detl(log_type,log_date,log_time,wkr_no,computer,location_name,marc_rec_no,"
                       "prop_no,data1,data2,data3,cert_id) VALUES($1,to_char(localtimestamp,'YYYY-MM-DD'),"
                       "to_char(localtimestamp,'HH24:MI:SS'),$2,$3,$4,$5,$6,$7,$8,NULL,NULL)",
                       8, error);
    }

    QString name() const override { return QStringLiteral("libpq"); }

    qint64 run(const QList<Change> &changes, StepTimes &times, QString *error) override
    {
        const QByteArray worker = op_.number.toUtf8();
        const QByteArray day = op_.day.toUtf8();
        const QByteArray workstation = op_.workstation.toUtf8();
        const QByteArray locationName = op_.locationName.toUtf8();
        StepClock clock(times);
        for (const Change &change : changes) {
            const QByteArray barcode = change.barcode.toUtf8();
            const QByteArray status = change.newStatus.toUtf8();
            PGresult *res = exec("lookup", {barcode.constData()}, PGRES_TUPLES_OK, error);
            if (res == nullptr)
                return -1;
            if (PQntuples(res) != 1) {
                PQclear(res);
                *error = QStringLiteral("barcode %1 not found").arg(change.barcode);
                return -1;
            }
            QByteArray row[14];
            for (int c = 0; c < 14; ++c)
                row[c] = QByteArray(PQgetvalue(res, 0, c), PQgetlength(res, 0, c));
            PQclear(res);
            const QByteArray &propNo = row[0];
            const QByteArray &marcNo = row[1];
            clock.mark(Lookup);

            res = exec("count", {propNo.constData()}, PGRES_TUPLES_OK, error);
            if (res == nullptr)
                return -1;
            const qint64 items = QByteArray(PQgetvalue(res, 0, 0)).toLongLong();
            PQclear(res);
            clock.mark(Count);

            if (!command("BEGIN", error))
                return -1;
            clock.mark(Begin);
            if (!done("copy", {status.constData(), day.constData(), worker.constData(), propNo.constData()}, error))
                return -1;
            clock.mark(CopyUpdate);
            if (items > 0 &&
                !done("item", {status.constData(), day.constData(), worker.constData(), propNo.constData()}, error))
                return -1;
            clock.mark(ItemUpdate);
            if (!done("lendable", {marcNo.constData()}, error))
                return -1;
            clock.mark(Lendable);
            res = exec("qty_update", {"1", "1", "0", worker.constData(), "310"}, PGRES_COMMAND_OK, error);
            if (res == nullptr)
                return -1;
            const bool counted = QByteArray(PQcmdTuples(res)) != "0";
            PQclear(res);
            if (!counted && !done("qty_insert", {worker.constData(), "310", "1", "1", "0"}, error))
                return -1;
            clock.mark(WorkQty);
            const QByteArray oldName = statusName(QString::fromUtf8(row[5])).toUtf8();
            const QByteArray newName = statusName(change.newStatus).toUtf8();
            if (!done("log",
                      {"30019", worker.constData(), workstation.constData(), locationName.constData(),
                       marcNo.constData(), propNo.constData(), oldName.constData(), newName.constData()},
                      error))
                return -1;
            clock.mark(LogLine);
            if (!command("COMMIT", error))
                return -1;
            clock.mark(Commit);
        }
        return clock.elapsed();
    }

private:
    bool prepare(const char *name, const char *sql, int params, QString *error)
    {
        PGresult *res = PQprepare(conn_, name, sql, params, nullptr);
        const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
        if (!ok)
            *error = QString::fromUtf8(PQresultErrorMessage(res)).trimmed();
        PQclear(res);
        return ok;
    }
    PGresult *exec(const char *name, std::initializer_list<const char *> values, ExecStatusType want, QString *error)
    {
        const QList<const char *> list(values);
        PGresult *res =
            PQexecPrepared(conn_, name, static_cast<int>(list.size()), list.constData(), nullptr, nullptr, 0);
        if (PQresultStatus(res) == want)
            return res;
        *error = QString::fromUtf8(PQresultErrorMessage(res)).trimmed();
        PQclear(res);
        PQclear(PQexec(conn_, "ROLLBACK"));
        return nullptr;
    }
    bool done(const char *name, std::initializer_list<const char *> values, QString *error)
    {
        PGresult *res = exec(name, values, PGRES_COMMAND_OK, error);
        PQclear(res);
        return res != nullptr;
    }
    bool command(const char *sql, QString *error)
    {
        PGresult *res = PQexec(conn_, sql);
        const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
        if (!ok)
            *error = QString::fromUtf8(PQresultErrorMessage(res)).trimmed();
        PQclear(res);
        return ok;
    }

    Operator op_;
    PGconn *conn_ = nullptr;
};

} // namespace

void setSqliteSync(Runner &runner, bool full)
{
    if (sqlite3 *db = runner.sqliteHandle())
        sqlite3_exec(db, full ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
}

std::unique_ptr<Runner> sessionRunner(const QString &sqlitePath, const QString &pgUri, const Operator &op,
                                      QString *error)
{
    auto runner = std::make_unique<SessionRunner>(op);
    if (!runner->open(sqlitePath, pgUri, error))
        return nullptr;
    return runner;
}

std::unique_ptr<Runner> sqliteDirectRunner(const QString &path, const Operator &op, QString *error)
{
    auto runner = std::make_unique<SqliteDirect>(op);
    if (!runner->open(path, error))
        return nullptr;
    return runner;
}

std::unique_ptr<Runner> pgDirectRunner(const QString &uri, const Operator &op, QString *error)
{
    auto runner = std::make_unique<PgDirect>(op);
    if (!runner->open(uri, error))
        return nullptr;
    return runner;
}

} // namespace scanbench
