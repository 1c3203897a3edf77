// The transaction control of a PostgreSQL session: the procedures' own
// transactions and the savepoints that give each statement Oracle's
// atomicity.

#include "db/PgBackend.h"

#include "db/OraError.h"
#include "db/PgResultGuard.h"

#include <libpq-fe.h>

namespace kestra {

bool PgBackend::beginProcedure(bool ownTransaction, DbError &error)
{
    if (queueing_) {
        procedureMark_ = queue_.size();
        procedureSent_ = false;
        return true;
    }
    if (ownTransaction)
        return command(QStringLiteral("BEGIN"), error);
    // The statement savepoint serves the procedure too. It is re-set in the
    // same round trip as the procedure's first statement (and the next
    // statement releases it); a procedure that sends nothing needs none.
    owedSavepoint_ = statementSavepoint_ ? QList<QByteArray>{"RELEASE SAVEPOINT kestra_stmt", "SAVEPOINT kestra_stmt"}
                                         : QList<QByteArray>{"SAVEPOINT kestra_stmt"};
    return true;
}

bool PgBackend::endProcedure(bool ownTransaction, bool succeeded, DbError &error)
{
    if (queueing_) {
        // What it queued and nothing has sent yet is taken back. A part
        // that went out with a read cannot be: the commit then fails.
        if (!succeeded && !procedureSent_)
            queue_.resize(std::min(procedureMark_, queue_.size()));
        else if (!succeeded)
            enqueue(QStringLiteral("SELECT kestra_refuse(?)"),
                    {QStringLiteral("ORA-02091: transaction rolled back (a procedure failed after part of it was "
                                    "sent)")},
                    false);
        return true;
    }
    if (ownTransaction)
        return succeeded ? commitOrUndo(error) : command(QStringLiteral("ROLLBACK"), error);
    if (!owedSavepoint_.isEmpty()) {
        owedSavepoint_.clear(); // nothing was sent, nothing to undo
        return true;
    }
    if (!succeeded && conn_ != nullptr && PQstatus(conn_) == CONNECTION_OK)
        return command(QStringLiteral("ROLLBACK TO SAVEPOINT kestra_stmt"), error);
    return true;
}

bool PgBackend::savepoint(const QString &name, DbError &error)
{
    if (queueing_ || !inTransaction()) {
        error = ora::make(ora::UserDefined, QStringLiteral("a savepoint needs an open transaction that sends at once"));
        return false;
    }
    const QString text = (statementSavepoint_ ? QStringLiteral("RELEASE SAVEPOINT kestra_stmt; ") : QString()) +
                         QStringLiteral("SAVEPOINT ") + name;
    if (!command(text, error))
        return false;
    statementSavepoint_ = false;
    return true;
}

bool PgBackend::rollbackToSavepoint(const QString &name, DbError &error)
{
    const bool undone =
        command(QStringLiteral("ROLLBACK TO SAVEPOINT ") + name + QStringLiteral("; RELEASE SAVEPOINT ") + name, error);
    statementSavepoint_ = false;
    return undone;
}

bool PgBackend::releaseSavepoint(const QString &name, DbError &error)
{
    const bool released = command(QStringLiteral("RELEASE SAVEPOINT ") + name, error);
    statementSavepoint_ = false;
    return released;
}

bool PgBackend::settleSavepoint(DbError &error)
{
    if (owedSavepoint_.isEmpty())
        return true;
    const QByteArray text = owedSavepoint_.join("; ");
    owedSavepoint_.clear();
    PgResultGuard guard{PQexec(conn_, text.constData())};
    if (!checkResult(guard.result, error))
        return false;
    statementSavepoint_ = true;
    return true;
}

} // namespace kestra
