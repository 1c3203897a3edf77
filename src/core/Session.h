#pragma once

#include "core/Clock.h"
#include "db/Backend.h"
#include "db/ErrorRecord.h"
#include "db/QueryResult.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

namespace kestra {

class AppContext;

// The client's one database session: DbConnect, DbQuery, DbExecute,
// DbCallProc, the transactions and ShowDbError. Every operation returns 0
// (or more) on success and -1 on failure, with the details in the context's
// error record; none shows anything by itself except showDbError().
//
// SQL is the suite's Oracle SQL whichever backend is connected.
class Session final : public ServerClock {
public:
    explicit Session(AppContext &context);
    ~Session() override;
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // DbConnect: opens the database named by kestra.ini (the context's
    // connection settings), then runs the probes that follow a connection.
    int connect();
    // Hooks run after every successful connection (the bibliographic
    // start-up probes); a failing hook fails the connection.
    void addConnectProbe(std::function<int(Session &)> probe);
    // Closes the connection; -1 with location 1002 on failure.
    int close();
    bool isOpen() const;

    int query(const QString &sql, QueryResult &result); // DbQuery
    // A select sent again and again with other values: a "?" for each of
    // `params` (text, or null), bound in their order; kept prepared where
    // the backend can (SQLite).
    int queryBound(const QString &sql, const QVariantList &params, QueryResult &result);
    // Selects that do not depend on one another, in one round trip where
    // the server is across a network (see Backend::queryMany).
    int queryMany(const QStringList &sqls, QList<QueryResult> &results);
    int queryDecoded(const QString &sql, QueryResult &result); // DbQueryDecoded
    int querySummary(const QString &sql, QueryResult &result); // DbQuerySummary
    // querySummary, with plain selects that do not depend on it answered in
    // the same round trip (`answers`, in their order).
    int querySummaryAlong(const QString &sql, const QStringList &others, QueryResult &result,
                          QList<QueryResult> &answers);
    int execute(const QString &sql, bool emptyToSpace = false);   // DbExecute
    int callProc(const QString &call, bool emptyToSpace = false); // DbCallProc
    int executeBound(const QString &block, QList<BoundParam> &params);

    // Transactions nest: the outermost scope opens and commits the
    // database's transaction; an inner begin and commit only count. An
    // inner rollback undoes nothing by itself but dooms the whole
    // transaction: the outer commit then rolls back and fails with
    // ORA-02091, so that no part of an operation is saved without the rest.
    //
    // DbBeginTrans: 0, or -1 when the database refused (the error then
    // waits for the commit, and writes are refused until the scope ends:
    // they would otherwise run outside any transaction).
    int beginTrans();
    // The same for a transaction whose writes may be queued and sent
    // together, with the next read or with the commit, in one round trip
    // (PostgreSQL; elsewhere they run at once). A queued write that fails
    // is reported by the read or the commit that sent it, names its own
    // statement, and dooms the transaction: callers roll back on any
    // failure, as the per-copy transactions do. An inner scope joins the
    // outer one as it is.
    int beginQueuedTrans();
    // DbCommitTrans. Unlike the begin and the rollback, a failing commit is
    // reported (-1, error record set): the change it carried is lost. An
    // inner commit fails too once the transaction is doomed.
    int commitTrans();
    void rollback(); // DbRollback
    bool inTransaction() const { return depth_ > 0; }

    // A savepoint in the open transaction, so that one part of a long
    // transaction can fail alone: rollbackToSavepoint undoes what was
    // written after it, including what an inner scope that rolled back
    // would otherwise have doomed the whole transaction for, and leaves
    // the transaction going; releaseSavepoint keeps it. One at a time, set
    // and ended with no inner scope open. 0, or -1 with the error record set
    // (then the transaction is doomed: its commit fails).
    int savepoint();
    int releaseSavepoint();
    int rollbackToSavepoint();
    bool hasSavepoint() const { return savepointDepth_ > 0; }
    int transactionDepth() const { return depth_; }

    // The keep-alive query: touches neither the error record nor the
    // current statement (a failure waiting for ShowDbError keeps both).
    int keepAlive();

    // ShowDbError: the message for the last failure, and its log lines.
    void showDbError();

    // GetServerDate: "yyyy-mm-ddhh:mm:ss" from SYS_GetServerDate.
    QString serverDate() override;

    // UpdateLendableByProp: recounts the lendable copies of the record
    // that holds the copy with this accession number.
    int updateLendableByProp(const QString &propNo);

    // The statement last handed to the database (written to the log with
    // a failure).
    const QString &currentSql() const { return currentSql_; }
    // The statement of the last failure (a queued write's own, when it
    // failed with a later read or the commit), as the log names it.
    const QString &failedSql() const { return failedSql_; }

    // The bibliographic storage flag (true: Unicode mode), set by the
    // bibliographic start-up probe.
    bool unicodeMode() const { return unicodeMode_; }
    void setUnicodeMode(bool on) { unicodeMode_ = on; }
    // The decoder of dump(x,16) cells used in Unicode mode (DecodeDump); the
    // bibliographic layer installs it with its start-up probe.
    void setDumpDecoder(std::function<QString(QStringView)> decoder) { dumpDecoder_ = std::move(decoder); }
    int serverMajorVersion() const { return serverMajorVersion_; }

    ErrorRecord &error();
    AppContext &context() { return context_; }
    Backend *backend() { return backend_.get(); }

    // How long a lock held by another session is waited for before the
    // statement fails with "resource busy".
    void setLockTimeout(int ms) { lockTimeoutMs_ = ms; }
    int lockTimeout() const { return lockTimeoutMs_; }

    // Connects to a given target (kestra-admin and tests).
    int connectTo(std::unique_ptr<Backend> backend, const BackendTarget &target);

    // The block DbCallProc runs for "name args".
    static QString procBlock(const QString &call, bool emptyToSpace);

private:
    int fail(int location, const QString &proc, const DbError &error);
    int openTransaction(bool queued);
    // -1 with the reason when a write must not run now.
    int refuseWrite(const QString &proc);
    void endTransactionScope();
    void decodeDumpCells(QueryResult &result) const;

    AppContext &context_;
    std::unique_ptr<Backend> backend_;
    std::vector<std::function<int(Session &)>> probes_;
    QString currentSql_;
    // The statement of the last failure, kept with the error record for
    // ShowDbError's log line.
    QString failedSql_;
    int depth_ = 0;
    bool doomed_ = false;    // an inner scope rolled back
    int savepointDepth_ = 0; // the scope depth the savepoint was set at; 0: none
    bool broken_ = false;    // no database transaction behind the scope
    DbError brokenBy_;       // why (the begin's error, a lost connection)
    bool unicodeMode_ = false;
    std::function<QString(QStringView)> dumpDecoder_;
    int serverMajorVersion_ = 0;
    int lockTimeoutMs_ = 5000;
};

// SqlQuote: the complete SQL literal of a value; NULL (an invalid variant)
// gives ''.
QString sqlQuote(const QString &value);
QString sqlQuote(const QVariant &value);

// Every write sequence goes through one of these: it begins a transaction
// and rolls it back when it goes out of scope uncommitted.
class Transaction {
public:
    // Queued: the writes may wait and go out together (Session::beginQueuedTrans).
    enum class Writes { AtOnce, Queued };
    explicit Transaction(Session &session, Writes writes = Writes::AtOnce);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // Commits; the status of the commit.
    int commit();
    // Rolls back now (a "no" on the way).
    void rollback();
    bool done() const { return done_; }

private:
    Session &session_;
    bool done_ = false;
};

} // namespace kestra
