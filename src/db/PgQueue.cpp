// Queued transactions on PostgreSQL: BEGIN and the writes of a transaction
// wait on the client and go out together, in one pipeline, with the next
// read or with COMMIT. Over a WAN each awaited statement costs a round trip
// (20 ms and more); a per-copy change of a dozen statements then costs two.
// What a write needs from the server (the clock, a sequence value, whether a
// row was there to change) is computed inside the statement, so that no
// write waits for an earlier one's answer.

#include "db/OraError.h"
#include "db/PgBackend.h"

#include <libpq-fe.h>

#include <algorithm>
#include <utility>

namespace kestra {

QString numberedPlaceholders(const QString &sql)
{
    QString out;
    out.reserve(sql.size() + 8);
    int n = 0;
    bool quoted = false;
    for (const QChar c : sql) {
        if (c == u'\'')
            quoted = !quoted;
        if (c == u'?' && !quoted) {
            out += u'$' + QString::number(++n);
            continue;
        }
        out += c;
    }
    return out;
}

QList<const char *> pgParamValues(const QVariantList &params, QList<QByteArray> &storage)
{
    storage.clear();
    storage.reserve(params.size());
    QList<const char *> values;
    values.reserve(params.size());
    for (const QVariant &v : params) {
        bool isNull = false;
        storage.append(pgParamText(v, isNull));
        values.append(isNull ? nullptr : storage.last().constData());
    }
    return values;
}

QByteArray pgParamText(const QVariant &value, bool &isNull)
{
    isNull = value.isNull();
    if (isNull)
        return {};
    if (value.typeId() == QMetaType::Double) {
        const double d = value.toDouble();
        return d == static_cast<double>(static_cast<long long>(d)) ? QByteArray::number(static_cast<long long>(d))
                                                                   : QByteArray::number(d, 'g', 17);
    }
    return value.toString().toUtf8();
}

QString PgBackend::clockSql() const
{
    return QStringLiteral("to_char(clock_timestamp(), 'YYYY-MM-DD HH24:MI:SS')");
}

QString PgBackend::nextValueSql(const QString &sequence) const
{
    return QStringLiteral("nextval('%1')").arg(sequence.toLower());
}

bool PgBackend::beginQueued(DbError &error)
{
    if (conn_ == nullptr) {
        error = ora::notConnected();
        return false;
    }
    if (inTransaction()) {
        error = ora::make(ora::UserDefined, QStringLiteral("a transaction is already open on this connection"));
        return false;
    }
    dropQueue();
    queueing_ = true;
    beginOwed_ = true;
    statementSavepoint_ = false;
    setInTransaction(true);
    return true;
}

void PgBackend::dropQueue()
{
    queue_.clear();
    queueing_ = false;
    beginOwed_ = false;
    procedureMark_ = 0;
    procedureSent_ = false;
}

PgBackend::Queued PgBackend::queued(const QString &sql, const QVariantList &params, bool prepare) const
{
    Queued q;
    q.text = numberedPlaceholders(sql).toUtf8();
    q.values.reserve(params.size());
    q.nulls.reserve(params.size());
    for (const QVariant &v : params) {
        bool isNull = false;
        q.values.append(pgParamText(v, isNull));
        q.nulls.append(isNull);
    }
    if (prepare)
        q.key = sql;
    q.running = sql;
    q.statement = clientStatement();
    return q;
}

void PgBackend::enqueue(const QString &sql, const QVariantList &params, bool prepare)
{
    queue_.append(queued(sql, params, prepare));
}

// The row check goes into the statement: a write that changes nothing
// fails on the server with the procedure's own error, and the pipeline
// stops there as a failing statement would.
bool PgBackend::execChanging(const QString &sql, const QVariantList &params, const DbError &none, DbError &error)
{
    if (!queueing_)
        return ProcHost::execChanging(sql, params, none, error);
    QVariantList withMessage = params;
    withMessage.append(none.text); // "ORA-n: ...", read back as that error
    enqueue(QStringLiteral("WITH kestra_w AS (%1 RETURNING 1) SELECT kestra_refuse(?) "
                           "FROM (SELECT count(*) AS n FROM kestra_w) kestra_c WHERE n = 0")
                .arg(sql),
            withMessage, true);
    return true;
}

PGresult *PgBackend::behindQueue(const Queued &last, DbError &error)
{
    QList<PGresult *> results;
    if (!sendQueue({&last}, results, error))
        return nullptr;
    return results.front();
}

bool PgBackend::sendQueue(const QList<const Queued *> &lasts, QList<PGresult *> &results, DbError &error)
{
    results = QList<PGresult *>(lasts.size(), nullptr);
    if (conn_ == nullptr) {
        error = ora::notConnected();
        return false;
    }
    procedureSent_ = true;
    static const Queued kBegin{"BEGIN", {}, {}, {}, QStringLiteral("BEGIN"), {}};
    // The queue is emptied whatever happens; its entries stay alive here
    // until the results are read.
    const QList<Queued> pending = std::exchange(queue_, {});
    QList<const Queued *> order;
    if (beginOwed_)
        order.append(&kBegin);
    for (const Queued &q : pending)
        order.append(&q);
    order.append(lasts);

    // What went out, in order: each statement, and the prepare before it
    // when its text is new to the connection.
    struct Sent {
        const Queued *entry;
        QByteArray preparedAs; // a prepare of the entry's text under this name
    };
    QList<Sent> sent;
    bool ok = PQenterPipelineMode(conn_) == 1;
    qsizetype preparing = 0;
    for (const Queued *q : order) {
        if (!ok)
            break;
        QList<const char *> values;
        for (qsizetype i = 0; i < q->values.size(); ++i)
            values.append(q->nulls.at(i) ? nullptr : q->values.at(i).constData());
        const int count = static_cast<int>(values.size());
        QByteArray name = q->key.isEmpty() ? QByteArray() : prepared_.value(q->key);
        if (name.isEmpty() && !q->key.isEmpty() && prepared_.size() + preparing < kMaxPreparedStatements) {
            name = "kestra_p" + QByteArray::number(++preparedCount_);
            ok = PQsendPrepare(conn_, name.constData(), q->text.constData(), 0, nullptr) == 1;
            sent.append(Sent{q, name});
            ++preparing;
        }
        ok = ok && (name.isEmpty() ? PQsendQueryParams(conn_, q->text.constData(), count, nullptr, values.constData(),
                                                       nullptr, nullptr, 0)
                                   : PQsendQueryPrepared(conn_, name.constData(), count, values.constData(), nullptr,
                                                         nullptr, 0)) == 1;
        if (ok)
            sent.append(Sent{q, QByteArray()});
    }
    ok = ok && PQpipelineSync(conn_) == 1;
    beginOwed_ = false;

    // Each statement's results end with a null; a failed statement makes
    // the server skip the rest ("aborted") up to the sync.
    bool failed = false;
    DbError first;
    const Queued *failedEntry = nullptr;
    for (const Sent &s : sent) {
        const qsizetype answer = s.preparedAs.isEmpty() ? lasts.indexOf(s.entry) : -1;
        while (PGresult *r = PQgetResult(conn_)) {
            const ExecStatusType status = PQresultStatus(r);
            const bool good = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_EMPTY_QUERY;
            if (good && !s.preparedAs.isEmpty())
                prepared_.insert(s.entry->key, s.preparedAs);
            if (!good && status != PGRES_PIPELINE_ABORTED && !failed) {
                failed = true;
                failedEntry = s.entry;
                running_ = s.entry->running;
                first = errorOf(r);
            }
            if (good && answer >= 0 && results.at(answer) == nullptr)
                results[answer] = r;
            else
                PQclear(r);
        }
        if (PQstatus(conn_) != CONNECTION_OK)
            break;
    }
    int nulls = 0;
    while (PQstatus(conn_) == CONNECTION_OK && PQpipelineStatus(conn_) != PQ_PIPELINE_OFF) {
        PGresult *r = PQgetResult(conn_);
        if (r == nullptr) {
            if (++nulls > 2)
                break;
            continue;
        }
        const bool sync = PQresultStatus(r) == PGRES_PIPELINE_SYNC;
        PQclear(r);
        if (sync)
            break;
    }
    if (PQexitPipelineMode(conn_) != 1) {
        while (PGresult *r = PQgetResult(conn_))
            PQclear(r);
        PQexitPipelineMode(conn_);
    }
    if (ok && !failed && !results.contains(nullptr))
        return true;
    for (PGresult *&r : results)
        PQclear(std::exchange(r, nullptr));
    if (failed) {
        error = first;
        // A queued write failed: the client's statement it belonged to is
        // named, not the read or the commit that sent it.
        if (!lasts.contains(failedEntry) && failedEntry != &kBegin)
            setFailedStatement(failedEntry->statement);
    } else if (PQstatus(conn_) != CONNECTION_OK) {
        error = errorOf(nullptr);
    } else {
        error = ora::make(ora::UserDefined,
                          QStringLiteral("PostgreSQL: ") + QString::fromUtf8(PQerrorMessage(conn_)).trimmed());
    }
    return false;
}

bool PgBackend::commit(DbError &error)
{
    if (!queueing_)
        return NativeBackend::commit(error);
    starting(QStringLiteral("COMMIT"));
    const bool nothingSent = beginOwed_;
    if (nothingSent && queue_.isEmpty()) {
        // Nothing was written, nothing was begun on the server.
        dropQueue();
        setInTransaction(false);
        return true;
    }
    const Queued commitEntry = queued(QStringLiteral("COMMIT"), {}, false);
    QList<PGresult *> answers;
    bool committed = sendQueue({&commitEntry}, answers, error);
    PGresult *answer = answers.value(0);
    // A transaction that failed on the server answers COMMIT with ROLLBACK.
    if (committed && qstrcmp(PQcmdStatus(answer), "ROLLBACK") == 0) {
        error = ora::rolledBack(QStringLiteral("the server answered COMMIT with ROLLBACK"));
        committed = false;
    }
    PQclear(answer);
    dropQueue();
    if (!committed && conn_ != nullptr && PQstatus(conn_) == CONNECTION_OK &&
        PQtransactionStatus(conn_) != PQTRANS_IDLE) {
        DbError ignored;
        command(QStringLiteral("ROLLBACK"), ignored);
    }
    setInTransaction(false);
    return committed;
}

bool PgBackend::rollback(DbError &error)
{
    if (!queueing_)
        return NativeBackend::rollback(error);
    const bool begun = !beginOwed_;
    dropQueue();
    if (!begun) {
        setInTransaction(false);
        return true;
    }
    return NativeBackend::rollback(error);
}

} // namespace kestra
