#pragma once

#include "db/NativeBackend.h"

#include <QHash>

typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;

namespace kestra {

// A PostgreSQL server shared by several workstations, reached through
// libpq. Inside a transaction each statement runs under a savepoint sent in
// the same round trip (a procedure's in the round trip of its first
// statement), so that a failed statement undoes only itself and
// the transaction stays usable, as on Oracle. A lock held by another
// session is waited for lock_timeout, then "resource busy" (54).
class PgBackend final : public NativeBackend {
public:
    PgBackend();
    ~PgBackend() override;
    PgBackend(const PgBackend &) = delete;
    PgBackend &operator=(const PgBackend &) = delete;

    BackendTarget::Kind kind() const override { return BackendTarget::Kind::Postgres; }
    bool open(const BackendTarget &target, DbError &error) override;
    void close() override;
    bool isOpen() const override { return conn_ != nullptr; }
    int serverMajorVersion() override;

    bool exec(const QString &sql, const QVariantList &params, DbError &error, qint64 *changed = nullptr) override;
    bool select(const QString &sql, const QVariantList &params, QList<Row> &rows, DbError &error) override;
    bool forEachRow(const QString &sql, const QVariantList &params, const RowSink &each, DbError &error) override;
    bool execChanging(const QString &sql, const QVariantList &params, const DbError &none, DbError &error) override;
    QString serverNow() override;
    bool nextValue(const QString &sequence, qint64 &value, DbError &error) override;
    QString clockSql() const override;
    QString nextValueSql(const QString &sequence) const override;

    // Queued transactions (PgQueue.cpp): BEGIN and the writes wait and go
    // out in one pipeline with the next read, or with COMMIT.
    bool beginQueued(DbError &error) override;
    bool queueing() const override { return queueing_; }
    bool commit(DbError &error) override;
    bool rollback(DbError &error) override;
    // The statement savepoint is released before the caller's is set (a
    // later release of it would take the caller's along) and is gone with
    // the caller's.
    bool savepoint(const QString &name, DbError &error) override;
    bool rollbackToSavepoint(const QString &name, DbError &error) override;
    bool releaseSavepoint(const QString &name, DbError &error) override;

    QString linkSecurity() const override;
    // The backend process id of this session (for tests that end it).
    int backendPid() const;

protected:
    bool nativeQuery(const QString &sql, QueryResult &result, DbError &error) override;
    bool nativeExec(const QString &sql, DbError &error) override;
    // Outside a transaction, or in a queued one: in one pipeline.
    bool nativeQueryMany(const QStringList &sqls, QList<QueryResult> &results, DbError &error) override;
    bool command(const QString &sql, DbError &error) override;
    bool beginProcedure(bool ownTransaction, DbError &error) override;
    bool endProcedure(bool ownTransaction, bool succeeded, DbError &error) override;

private:
    // A statement waiting in the queue, or the one sent behind it.
    struct Queued {
        QByteArray text; // "$n" placeholders
        QList<QByteArray> values;
        QList<bool> nulls;
        QString key;       // the procedure's text, under which it is prepared; empty: never prepared
        QString running;   // for deciding what an error means
        QString statement; // the client's statement it belongs to
    };
    Queued queued(const QString &sql, const QVariantList &params, bool prepare) const;
    void enqueue(const QString &sql, const QVariantList &params, bool prepare);
    // Sends the owed BEGIN, the queued writes and `lasts` in one pipeline;
    // the results of `lasts` are handed over in `results`, in their order
    // (all of them, or none with the first failure in `error`).
    bool sendQueue(const QList<const Queued *> &lasts, QList<PGresult *> &results, DbError &error);
    // `last` sent behind the queue; its result or nullptr with the error.
    PGresult *behindQueue(const Queued &last, DbError &error);
    void dropQueue();

    // Runs a statement under the statement savepoint when in a transaction.
    PGresult *protectedExec(const QString &sql, DbError &error);
    // `prepare`: kept prepared under the text (the procedures' statements);
    // false for a text that runs once.
    PGresult *execParams(const QString &sql, const QVariantList &params, DbError &error, bool prepare = true);
    // Sends the savepoint a procedure owes, if any, on its own.
    bool settleSavepoint(DbError &error);
    PGresult *pipelined(const QByteArray &name, const QByteArray &text, const QList<const char *> &values,
                        DbError &error);
    DbError errorOf(PGresult *result);
    bool checkResult(PGresult *result, DbError &error);

    PGconn *conn_ = nullptr;
    bool statementSavepoint_ = false;
    bool lost_ = false;
    // The statement being run, for deciding what an error means.
    QString running_;
    // The savepoint commands a running procedure owes before its first
    // statement.
    QList<QByteArray> owedSavepoint_;
    // Procedures' statements kept prepared per connection, at most this
    // many; any further ones run unprepared.
    static constexpr qsizetype kMaxPreparedStatements = 128;
    // The procedures' statements, prepared once per connection: text -> name.
    QHash<QString, QByteArray> prepared_;
    int preparedCount_ = 0;

    bool queueing_ = false;
    bool beginOwed_ = false; // BEGIN waits in front of the queue
    QList<Queued> queue_;
    // Where the running procedure's statements start in the queue, and
    // whether any of them went out since: a failing procedure takes back
    // what it queued, as its savepoint would.
    qsizetype procedureMark_ = 0;
    bool procedureSent_ = false;
};

// A parameter as libpq takes it: text, or null.
QByteArray pgParamText(const QVariant &value, bool &isNull);
// The parameters as libpq's value array, their texts kept in `storage`
// (reserved first: the pointers point into it).
QList<const char *> pgParamValues(const QVariantList &params, QList<QByteArray> &storage);

// "?" placeholders outside quotes -> "$1", "$2", ...
QString numberedPlaceholders(const QString &sql);

} // namespace kestra
