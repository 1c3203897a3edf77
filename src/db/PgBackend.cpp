#include "db/PgBackend.h"

#include "db/OraError.h"
#include "db/PgOids.h"
#include "db/PgResultGuard.h"

#include <libpq-fe.h>

#include <algorithm>

namespace kestra {

namespace {

QueryResult::ColumnType columnType(unsigned oid)
{
    switch (oid) {
    case Int2Oid:
    case Int4Oid:
    case Int8Oid:
    case OidOid:
        return QueryResult::Long;
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        return QueryResult::Double;
    default:
        return QueryResult::Text;
    }
}

// The statement's time, as Oracle's sysdate: localtimestamp and now() stand
// still for a whole transaction.
const char kClockSql[] = "SELECT to_char(clock_timestamp(), 'YYYY-MM-DD HH24:MI:SS')";

// A dead link (a cable pulled, a router gone) sends no reset: without TCP
// keepalives and a user timeout a statement waits for the kernel's default
// of about 15 minutes. Data not acknowledged within the link timeout ends
// the connection; a connection waiting for an answer is probed after a third
// of it, then every sixth, and given up after 3 unanswered probes (30 s:
// probes after 10 s, every 5 s). libpq counts probes in whole seconds.
struct LinkSettings {
    QByteArray idle, interval, userTimeout;
};

LinkSettings linkSettings(int timeoutMs)
{
    const int ms = std::max(timeoutMs, 1000);
    return {QByteArray::number(std::max(ms / 3000, 1)), QByteArray::number(std::max(ms / 6000, 1)),
            QByteArray::number(ms)};
}

QString textOf(const char *s)
{
    return s == nullptr ? QString() : QString::fromUtf8(s);
}

} // namespace

PgBackend::PgBackend() = default;

PgBackend::~PgBackend()
{
    close();
}

bool PgBackend::open(const BackendTarget &target, DbError &error)
{
    close();
    const QByteArray host = target.host.toUtf8();
    const QByteArray port = target.ports.isEmpty() ? QByteArray::number(target.port) : target.ports.toUtf8();
    const QByteArray db = target.database.toUtf8();
    const QByteArray user = target.user.toUtf8();
    const QByteArray password = target.password.toUtf8();
    const QByteArray options = target.options.toUtf8();
    QList<const char *> keys = {"host", "port", "dbname", "application_name", "client_encoding", "connect_timeout"};
    QList<const char *> values = {host.constData(), port.constData(), db.constData(), "kestra", "UTF8", "10"};
    const LinkSettings link = linkSettings(target.linkTimeoutMs);
    keys << "keepalives"
         << "keepalives_idle"
         << "keepalives_interval"
         << "keepalives_count"
         << "tcp_user_timeout";
    values << "1" << link.idle.constData() << link.interval.constData() << "3" << link.userTimeout.constData();
    // A library's catalogue is read from memory or solid-state disks, where a
    // random read costs little more than a sequential one. At the default
    // cost of 4 the planner answers a title search of a common prefix by
    // scanning every copy (five times slower on a million copies) instead of
    // following the record index. A DSN's own "options" replaces this.
    keys << "options";
    values << "-c random_page_cost=1.1";
    if (!user.isEmpty()) {
        keys.append("user");
        values.append(user.constData());
    }
    if (!password.isEmpty()) {
        keys.append("password");
        values.append(password.constData());
    }
    // Further libpq settings from the DSN's query part (sslmode=require ...).
    QList<QByteArray> extra;
    for (const QByteArray &pair : options.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        if (eq <= 0)
            continue;
        extra.append(pair.left(eq));
        extra.append(QByteArray::fromPercentEncoding(pair.mid(eq + 1)));
    }
    for (qsizetype i = 0; i + 1 < extra.size(); i += 2) {
        keys.append(extra.at(i).constData());
        values.append(extra.at(i + 1).constData());
    }
    keys.append(nullptr);
    values.append(nullptr);
    PGconn *conn = PQconnectdbParams(keys.constData(), values.constData(), 0);
    if (PQstatus(conn) != CONNECTION_OK) {
        error = ora::make(12154, QStringLiteral("cannot connect to PostgreSQL %1:%2/%3: %4")
                                     .arg(target.host, QString::fromUtf8(port))
                                     .arg(target.database, textOf(PQerrorMessage(conn)).trimmed()));
        PQfinish(conn);
        return false;
    }
    conn_ = conn;
    lost_ = false;
    statementSavepoint_ = false;
    setInTransaction(false);
    const QString setup = QStringLiteral("SET lock_timeout = %1; SET standard_conforming_strings = on; "
                                         "SET DateStyle = 'ISO, YMD'; SET client_min_messages = warning")
                              .arg(target.lockTimeoutMs);
    if (!command(setup, error)) {
        close();
        return false;
    }
    return true;
}

void PgBackend::close()
{
    if (conn_ != nullptr) {
        PQfinish(conn_);
        conn_ = nullptr;
    }
    setInTransaction(false);
    statementSavepoint_ = false;
    prepared_.clear();
    dropQueue();
}

int PgBackend::serverMajorVersion()
{
    return conn_ != nullptr ? PQserverVersion(conn_) / 10000 : 0;
}

QString PgBackend::linkSecurity() const
{
    if (conn_ == nullptr || PQsslInUse(conn_) != 1)
        return {};
    const auto attribute = [this](const char *name) { return QString::fromUtf8(PQsslAttribute(conn_, name)); };
    return attribute("protocol") + u' ' + attribute("cipher");
}

int PgBackend::backendPid() const
{
    return conn_ != nullptr ? PQbackendPID(conn_) : 0;
}

DbError PgBackend::errorOf(PGresult *result)
{
    if (conn_ == nullptr)
        return ora::notConnected();
    if (PQstatus(conn_) != CONNECTION_OK) {
        // The first statement to meet a dead connection sees the channel
        // close; every later one finds no connection.
        const DbError lostError =
            lost_ ? ora::notConnected() : ora::endOfChannel(textOf(PQerrorMessage(conn_)).trimmed());
        lost_ = true;
        setInTransaction(false);
        statementSavepoint_ = false;
        return lostError;
    }
    const QString state = textOf(PQresultErrorField(result, PG_DIAG_SQLSTATE));
    const QString constraint = textOf(PQresultErrorField(result, PG_DIAG_CONSTRAINT_NAME));
    const QString primary = textOf(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
    const QString message = primary.isEmpty() ? textOf(PQresultErrorMessage(result)).trimmed() : primary;
    if (state == QLatin1String("23505"))
        return ora::uniqueViolated(constraint);
    if (state == QLatin1String("23503")) {
        // The message is in the server's language: the direction comes from
        // the statement and the table the error names (the key's own).
        const QString keyTable = textOf(PQresultErrorField(result, PG_DIAG_TABLE_NAME));
        if (foreignKeyChildFound(running_, keyTable))
            return ora::childRecordFound(constraint);
        return ora::parentKeyNotFound(constraint);
    }
    if (state == QLatin1String("23502"))
        return ora::make(ora::CannotInsertNull, QStringLiteral("cannot insert NULL into (%1)").arg(message));
    if (state == QLatin1String("55P03") || state == QLatin1String("40P01"))
        return ora::resourceBusy();
    if (state == QLatin1String("42P01"))
        return ora::make(ora::TableMissing, QStringLiteral("table or view does not exist (%1)").arg(message));
    if (state == QLatin1String("42703"))
        return ora::make(ora::InvalidIdentifier, QStringLiteral("invalid identifier (%1)").arg(message));
    if (state == QLatin1String("42601"))
        return ora::make(ora::InvalidSql, QStringLiteral("invalid SQL statement (%1)").arg(message));
    if (state == QLatin1String("22001"))
        return ora::make(ora::ValueTooLarge, QStringLiteral("value too large for column (%1)").arg(message));
    if (state == QLatin1String("22P02"))
        return ora::make(ora::InvalidNumber, QStringLiteral("invalid number (%1)").arg(message));
    if (state.startsWith(QLatin1String("57P")) || state.startsWith(QLatin1String("08"))) {
        lost_ = true;
        return ora::endOfChannel(message);
    }
    if (state == QLatin1String("P0001")) {
        if (const std::optional<DbError> raised = ora::raisedError(message))
            return *raised; // RAISE in a support function
    }
    return ora::make(ora::UserDefined, QStringLiteral("PostgreSQL %1: %2").arg(state, message));
}

bool PgBackend::checkResult(PGresult *result, DbError &error)
{
    const ExecStatusType status = result != nullptr ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_EMPTY_QUERY)
        return true;
    error = errorOf(result);
    return false;
}

bool PgBackend::command(const QString &sql, DbError &error)
{
    if (conn_ == nullptr) {
        error = ora::notConnected();
        return false;
    }
    // A procedure opens and closes transactions through here too.
    const QString verb = sql.left(8).toUpper();
    const bool begins = verb.startsWith(QLatin1String("BEGIN"));
    const bool commits = verb.startsWith(QLatin1String("COMMIT"));
    // The undo after a failed COMMIT finds the transaction over already.
    if (sql == QLatin1String("ROLLBACK") && PQtransactionStatus(conn_) == PQTRANS_IDLE)
        return true;
    running_ = sql;
    PgResultGuard guard{PQexec(conn_, sql.toUtf8().constData())};
    if (!checkResult(guard.result, error))
        return false;
    if (begins)
        statementSavepoint_ = false;
    // A transaction that failed on the server answers COMMIT with ROLLBACK:
    // nothing was saved.
    if (commits && qstrcmp(PQcmdStatus(guard.result), "ROLLBACK") == 0) {
        error = ora::rolledBack(QStringLiteral("the server answered COMMIT with ROLLBACK"));
        return false;
    }
    return true;
}

// The owed savepoint and the statement in one round trip; the connection is
// in pipeline mode already.
PGresult *PgBackend::pipelined(const QByteArray &name, const QByteArray &text, const QList<const char *> &values,
                               DbError &error)
{
    const QList<QByteArray> savepoint = owedSavepoint_;
    owedSavepoint_.clear();
    bool sent = true;
    for (const QByteArray &command : savepoint)
        sent = sent && PQsendQueryParams(conn_, command.constData(), 0, nullptr, nullptr, nullptr, nullptr, 0) == 1;
    const int count = static_cast<int>(values.size());
    sent = sent &&
           (name.isEmpty()
                ? PQsendQueryParams(conn_, text.constData(), count, nullptr, values.constData(), nullptr, nullptr, 0)
                : PQsendQueryPrepared(conn_, name.constData(), count, values.constData(), nullptr, nullptr, 0)) == 1;
    sent = PQpipelineSync(conn_) == 1 && sent;

    // Each query's results end with a null; the sync comes last.
    const int saves = static_cast<int>(savepoint.size());
    int query = 0;
    int nulls = 0;
    bool savepointSet = false;
    bool failed = false;
    DbError first;
    PGresult *statement = nullptr;
    while (PQstatus(conn_) == CONNECTION_OK) {
        PGresult *r = PQgetResult(conn_);
        if (r == nullptr) {
            ++query;
            if (++nulls > saves + 2)
                break; // nothing more is coming
            continue;
        }
        nulls = 0;
        const ExecStatusType status = PQresultStatus(r);
        if (status == PGRES_PIPELINE_SYNC) {
            PQclear(r);
            break;
        }
        const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_EMPTY_QUERY;
        if (!ok && !failed) {
            failed = true;
            first = errorOf(r);
        }
        if (query < saves) {
            savepointSet = ok && query == saves - 1 && !failed;
            PQclear(r);
        } else if (query == saves && ok && statement == nullptr) {
            statement = r;
        } else {
            PQclear(r);
        }
    }
    if (PQexitPipelineMode(conn_) != 1) {
        while (PGresult *r = PQgetResult(conn_))
            PQclear(r);
        PQexitPipelineMode(conn_);
    }
    // A statement that failed after the savepoint leaves it for the
    // procedure's undo.
    if (savepointSet)
        statementSavepoint_ = true;
    if (sent && !failed && statement != nullptr)
        return statement;
    PQclear(statement);
    if (failed)
        error = first;
    else if (PQstatus(conn_) != CONNECTION_OK)
        error = errorOf(nullptr);
    else
        error = ora::make(ora::UserDefined, QStringLiteral("PostgreSQL: ") + textOf(PQerrorMessage(conn_)).trimmed());
    return nullptr;
}

PGresult *PgBackend::protectedExec(const QString &sql, DbError &error)
{
    if (conn_ == nullptr) {
        error = ora::notConnected();
        return nullptr;
    }
    running_ = sql;
    if (!settleSavepoint(error))
        return nullptr;
    if (!inTransaction()) {
        PGresult *result = PQexec(conn_, sql.toUtf8().constData());
        if (!checkResult(result, error)) {
            PQclear(result);
            return nullptr;
        }
        return result;
    }
    // One round trip: the savepoint of the previous statement is released
    // and a new one set before this statement runs.
    const QString text = (statementSavepoint_ ? QStringLiteral("RELEASE SAVEPOINT kestra_stmt; ") : QString()) +
                         QStringLiteral("SAVEPOINT kestra_stmt; ") + sql;
    statementSavepoint_ = true;
    PGresult *result = PQexec(conn_, text.toUtf8().constData());
    if (!checkResult(result, error)) {
        PQclear(result);
        if (PQstatus(conn_) == CONNECTION_OK) {
            PGresult *undo = PQexec(conn_, "ROLLBACK TO SAVEPOINT kestra_stmt");
            PQclear(undo);
        }
        return nullptr;
    }
    return result;
}

// The rows of a select's answer, converted as QueryResult describes.
static QueryResult pgQueryResult(PGresult *res)
{
    const int columns = PQnfields(res);
    const int rows = PQntuples(res);
    QList<QueryResult::Column> cols;
    cols.reserve(columns);
    for (int c = 0; c < columns; ++c) {
        // varchar and char carry their declared size plus a 4-byte header.
        const int mod = PQfmod(res, c);
        cols.append({textOf(PQfname(res, c)), columnType(PQftype(res, c)), mod > 4 ? mod - 4 : -1});
    }
    QueryResult result(cols);
    QList<QVariant> row(columns);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(res, r, c)) {
                row[c] = QVariant();
                continue;
            }
            const char *value = PQgetvalue(res, r, c);
            if (cols.at(c).type == QueryResult::Text)
                row[c] = QString::fromUtf8(value, PQgetlength(res, r, c));
            else
                row[c] = QByteArray::fromRawData(value, PQgetlength(res, r, c)).toDouble();
        }
        result.appendRow(row);
    }
    return result;
}

bool PgBackend::nativeQuery(const QString &sql, QueryResult &result, DbError &error)
{
    PgResultGuard guard{queueing_ ? behindQueue(queued(sql, {}, false), error) : protectedExec(sql, error)};
    if (guard.result == nullptr)
        return false;
    result = pgQueryResult(guard.result);
    return true;
}

bool PgBackend::nativeQueryMany(const QStringList &sqls, QList<QueryResult> &results, DbError &error)
{
    // In a transaction that is not queued each statement runs under its
    // savepoint, one at a time.
    if (!queueing_ && inTransaction())
        return NativeBackend::nativeQueryMany(sqls, results, error);
    QList<Queued> entries;
    entries.reserve(sqls.size());
    for (const QString &sql : sqls)
        entries.append(queued(sql, {}, false));
    QList<const Queued *> lasts;
    for (const Queued &q : entries)
        lasts.append(&q);
    QList<PGresult *> answers;
    if (!sendQueue(lasts, answers, error))
        return false;
    results.clear();
    for (PGresult *r : answers) {
        results.append(pgQueryResult(r));
        PQclear(r);
    }
    return true;
}

bool PgBackend::nativeExec(const QString &sql, DbError &error)
{
    if (queueing_) {
        enqueue(sql, {}, false);
        return true;
    }
    PgResultGuard guard{protectedExec(sql, error)};
    return guard.result != nullptr;
}

PGresult *PgBackend::execParams(const QString &sql, const QVariantList &params, DbError &error, bool prepare)
{
    if (conn_ == nullptr) {
        error = ora::notConnected();
        return nullptr;
    }
    if (queueing_)
        return behindQueue(queued(sql, params, true), error);
    running_ = sql;
    QList<QByteArray> storage;
    const QList<const char *> values = pgParamValues(params, storage);
    // Parsing and planning cost the server more than running one of these
    // key lookups: each text is prepared once per connection. A prepare
    // that fails must find the procedure's savepoint set.
    QByteArray name = prepared_.value(sql);
    if (name.isEmpty() && prepare && prepared_.size() < kMaxPreparedStatements) {
        if (!settleSavepoint(error))
            return nullptr;
        const QByteArray candidate = "kestra_p" + QByteArray::number(++preparedCount_);
        PGresult *made =
            PQprepare(conn_, candidate.constData(), numberedPlaceholders(sql).toUtf8().constData(), 0, nullptr);
        if (!checkResult(made, error)) {
            PQclear(made);
            return nullptr;
        }
        PQclear(made);
        prepared_.insert(sql, candidate);
        name = candidate;
    }
    const QByteArray text = name.isEmpty() ? numberedPlaceholders(sql).toUtf8() : QByteArray();
    if (!owedSavepoint_.isEmpty()) {
        if (PQenterPipelineMode(conn_) == 1)
            return pipelined(name, text, values, error);
        if (!settleSavepoint(error))
            return nullptr;
    }
    PGresult *result = name.isEmpty() ? PQexecParams(conn_, text.constData(), static_cast<int>(values.size()), nullptr,
                                                     values.constData(), nullptr, nullptr, 0)
                                      : PQexecPrepared(conn_, name.constData(), static_cast<int>(values.size()),
                                                       values.constData(), nullptr, nullptr, 0);
    if (!checkResult(result, error)) {
        PQclear(result);
        return nullptr;
    }
    return result;
}

bool PgBackend::exec(const QString &sql, const QVariantList &params, DbError &error, qint64 *changed)
{
    // A write whose count nobody asks for waits in the queue.
    if (queueing_ && changed == nullptr) {
        enqueue(sql, params, true);
        return true;
    }
    PgResultGuard guard{execParams(sql, params, error)};
    if (guard.result == nullptr)
        return false;
    if (changed != nullptr)
        *changed = QByteArray(PQcmdTuples(guard.result)).toLongLong();
    return true;
}

bool PgBackend::select(const QString &sql, const QVariantList &params, QList<Row> &rows, DbError &error)
{
    PgResultGuard guard{execParams(sql, params, error)};
    if (guard.result == nullptr)
        return false;
    PGresult *res = guard.result;
    const int columns = PQnfields(res);
    rows.clear();
    for (int r = 0; r < PQntuples(res); ++r) {
        Row row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(res, r, c)) {
                row.append(QVariant());
                continue;
            }
            const QByteArray raw(PQgetvalue(res, r, c), PQgetlength(res, r, c));
            switch (columnType(PQftype(res, c))) {
            case QueryResult::Long:
                row.append(raw.toLongLong());
                break;
            case QueryResult::Double:
                row.append(raw.toDouble());
                break;
            default:
                row.append(QString::fromUtf8(raw));
                break;
            }
        }
        rows.append(std::move(row));
    }
    return true;
}

QString PgBackend::serverNow()
{
    QList<Row> rows;
    DbError ignored;
    if (!select(QString::fromLatin1(kClockSql), {}, rows, ignored) || rows.isEmpty())
        return {};
    return rows.front().value(0).toString();
}

bool PgBackend::nextValue(const QString &sequence, qint64 &value, DbError &error)
{
    QList<Row> rows;
    if (!select(QStringLiteral("SELECT nextval(?)"), {sequence.toLower()}, rows, error))
        return false;
    value = rows.value(0).value(0).toLongLong();
    return true;
}

} // namespace kestra
