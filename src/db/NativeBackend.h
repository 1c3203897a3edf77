#pragma once

#include "db/Backend.h"
#include "db/Dialect.h"
#include "db/procs/ProcHost.h"
#include "db/sql/OracleSql.h"

#include <memory>

namespace kestra {

class ProcArgs;
struct ProcedureDef;

// The first word of a statement, upper-cased ("DELETE").
QString statementVerb(const QString &sql);
// The table a DELETE, UPDATE or INSERT statement writes; empty for others.
QString writtenTable(const QString &sql);
// For a broken foreign key: true when the statement would leave child rows
// without their parent (2292), false when it names a parent that does not
// exist (2291). keyTable is the table that holds the key, the child's. Only
// an update of a table that refers to itself stays ambiguous; it counts as
// a missing parent.
bool foreignKeyChildFound(const QString &sql, const QString &keyTable);

// What SQLite and PostgreSQL share: Oracle SQL is translated before it
// runs, procedure blocks run the suite's procedures in C++, and the
// transaction state is tracked here so that each statement and each
// procedure is atomic inside the caller's transaction, as on Oracle.
class NativeBackend : public Backend, public ProcHost {
public:
    BackendTarget::Kind kind() const override = 0;

    bool query(const QString &sql, QueryResult &result, DbError &error) override;
    bool queryBound(const QString &sql, const QVariantList &params, QueryResult &result, DbError &error) override;
    bool queryMany(const QStringList &sqls, QList<QueryResult> &results, DbError &error) override;
    bool execute(const QString &sql, DbError &error) override;
    bool executeBound(const QString &block, QList<BoundParam> &params, DbError &error) override;

    bool begin(DbError &error) override;
    bool commit(DbError &error) override;
    bool savepoint(const QString &name, DbError &error) override;
    bool rollbackToSavepoint(const QString &name, DbError &error) override;
    bool releaseSavepoint(const QString &name, DbError &error) override;
    bool rollback(DbError &error) override;
    QString failedStatement() const override { return failedStatement_; }

protected:
    // The client's statement being run (for naming a queued write that
    // fails later) and the one whose queued write failed.
    const QString &clientStatement() const { return clientStatement_; }
    void setFailedStatement(const QString &statement) { failedStatement_ = statement; }
    // Every call of the client starts here.
    void starting(const QString &statement)
    {
        clientStatement_ = statement;
        failedStatement_.clear();
    }

    // Runs native SQL. A statement inside a transaction must leave the
    // transaction usable when it fails.
    virtual bool nativeQuery(const QString &sql, QueryResult &result, DbError &error) = 0;
    // The same with "?" values (Backend::queryBound); by default they go
    // into the text.
    virtual bool nativeQueryBound(const QString &sql, const QVariantList &params, QueryResult &result, DbError &error)
    {
        return nativeQuery(inlineParams(sql, params), result, error);
    }
    virtual bool nativeExec(const QString &sql, DbError &error) = 0;
    // Several native selects; one after the other unless the backend can
    // send them together.
    virtual bool nativeQueryMany(const QStringList &sqls, QList<QueryResult> &results, DbError &error);
    // Plain commands without statement protection (BEGIN, COMMIT, SAVEPOINT ...).
    virtual bool command(const QString &sql, DbError &error) = 0;

    // The savepoint (or transaction) that makes one procedure call atomic.
    virtual bool beginProcedure(bool ownTransaction, DbError &error);
    // False when the procedure's work did not stay: a failed undo, or a
    // commit of its own transaction that failed (and was undone).
    virtual bool endProcedure(bool ownTransaction, bool succeeded, DbError &error);
    // COMMIT, and ROLLBACK when the COMMIT fails.
    bool commitOrUndo(DbError &error);

    bool inTransaction() const { return inTransaction_; }
    void setInTransaction(bool on) { inTransaction_ = on; }

private:
    bool runCall(const ProcCall &call, QList<BoundParam> *params, DbError &error);
    QString native(const QString &oracleSql);

    bool inTransaction_ = false;
    std::unique_ptr<SqlTranslator> translator_;
    QString clientStatement_;
    QString failedStatement_;
};

} // namespace kestra
