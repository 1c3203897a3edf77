#pragma once

#include "db/QueryResult.h"

#include <QString>
#include <QStringList>
#include <QVariant>

namespace kestra {

// A failure as the suite's database would report it: the Oracle error
// number and an Oracle-like text that names constraints in upper case.
struct DbError {
    int oraCode = 0;
    QString text;
};

// A parameter of a bound block ("Begin SYS_GetServerDate(:SVRDATE); end;").
struct BoundParam {
    QString name; // without the colon
    QVariant value;
    bool output = false;
};

// Where the connection goes: SQLite file, PostgreSQL server or Oracle.
struct BackendTarget {
    enum class Kind { Sqlite, Postgres, Oracle };
    Kind kind = Kind::Sqlite;
    QString path;     // SQLite
    QString host;     // PostgreSQL
    int port = 5432;  // PostgreSQL
    QString ports;    // PostgreSQL, several servers (host "a,b"): "5432,5433"; tried in order
    QString database; // PostgreSQL database, Oracle TNS name
    QString user;
    QString password;
    QString options;              // PostgreSQL connect options
    int lockTimeoutMs = 5000;     // how long a lock held by another session is waited for
    int linkTimeoutMs = 30000;    // PostgreSQL: how soon a dead network link is reported
    bool createIfMissing = false; // SQLite: create the file (kestra-admin init only)
};

// One connection to one database. The client hands every backend Oracle SQL;
// each makes it run with Oracle's semantics: SQLite and PostgreSQL translate
// it, run the suite's procedures themselves, and map their errors to Oracle
// numbers; Oracle passes it through.
// `sql` with each "?" outside quotes replaced by the next value of `params`
// as an SQL literal (NULL for a null value).
QString inlineParams(const QString &sql, const QVariantList &params);

class Backend {
public:
    virtual ~Backend() = default;

    virtual BackendTarget::Kind kind() const = 0;
    virtual bool open(const BackendTarget &target, DbError &error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // A select; rows converted as QueryResult describes.
    virtual bool query(const QString &sql, QueryResult &result, DbError &error) = 0;
    // Selects that do not depend on one another, answered in their order.
    // Where the server is reached over a network (PostgreSQL) they go out
    // together, in one round trip (with BEGIN and the queued writes of a
    // queued transaction); elsewhere they run one after the other. All
    // answered, or false with the first failure.
    virtual bool queryMany(const QStringList &sqls, QList<QueryResult> &results, DbError &error)
    {
        results.clear();
        for (const QString &sql : sqls) {
            QueryResult r;
            if (!query(sql, r, error))
                return false;
            results.append(std::move(r));
        }
        return true;
    }
    // A select with a "?" for each value of `params`, bound in their order
    // (text or null): the same text comes again and again with other
    // values, and a backend that can keeps it prepared. Elsewhere the values
    // go into the text as literals.
    virtual bool queryBound(const QString &sql, const QVariantList &params, QueryResult &result, DbError &error)
    {
        return query(inlineParams(sql, params), result, error);
    }
    // Any other statement, including "Begin name(args); end;" blocks.
    virtual bool execute(const QString &sql, DbError &error) = 0;
    // A block with bound parameters; output values are written back.
    virtual bool executeBound(const QString &block, QList<BoundParam> &params, DbError &error) = 0;

    virtual bool begin(DbError &error) = 0;
    virtual bool commit(DbError &error) = 0;
    virtual bool rollback(DbError &error) = 0;

    // A named point in the open transaction: rollbackToSavepoint undoes what
    // was written after it and leaves the transaction open, with what came
    // before; releaseSavepoint forgets it (both end it).
    virtual bool savepoint(const QString &name, DbError &error)
    {
        return execute(QStringLiteral("SAVEPOINT ") + name, error);
    }
    virtual bool rollbackToSavepoint(const QString &name, DbError &error)
    {
        return execute(QStringLiteral("ROLLBACK TO SAVEPOINT ") + name, error);
    }
    virtual bool releaseSavepoint(const QString &, DbError &) { return true; } // Oracle keeps none to release

    // A transaction whose writes may be queued: where the backend talks to
    // its server over a network (PostgreSQL), BEGIN and the writes wait and
    // go out together, before the next read or with COMMIT, in one round
    // trip. A failure of any queued write fails the whole transaction (the
    // server skips what follows it); the caller must roll back. Elsewhere
    // this is begin() and every write runs at once, in order.
    virtual bool beginQueued(DbError &error) { return begin(error); }
    // True while writes are being queued (a transaction from beginQueued on
    // a backend that queues).
    virtual bool queueing() const { return false; }
    // The client's statement (as it was given: a procedure block or a
    // statement) whose queued write caused the last failure; empty when the
    // failure belongs to the statement just run.
    virtual QString failedStatement() const { return {}; }

    // How the link to the server is encrypted ("TLSv1.3 TLS_AES_256_GCM_SHA384");
    // empty when it is not, or there is no link (SQLite).
    virtual QString linkSecurity() const { return {}; }

    // The server's major version (Oracle: NLS_RDBMS_VERSION; others: their own).
    virtual int serverMajorVersion() = 0;
};

} // namespace kestra
