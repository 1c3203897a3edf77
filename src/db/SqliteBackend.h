#pragma once

#include "db/NativeBackend.h"

#include <QHash>

struct sqlite3;
struct sqlite3_stmt;

namespace kestra {

struct SqliteStmtHold;

// The embedded database: one SQLite file, reached through the sqlite3 C
// library. WAL journal with synchronous=FULL (a committed change survives a
// power cut), foreign keys on, a busy timeout after which a lock held by
// another connection is "resource busy" (54).
class SqliteBackend final : public NativeBackend {
public:
    SqliteBackend();
    ~SqliteBackend() override;
    SqliteBackend(const SqliteBackend &) = delete;
    SqliteBackend &operator=(const SqliteBackend &) = delete;

    BackendTarget::Kind kind() const override { return BackendTarget::Kind::Sqlite; }
    bool open(const BackendTarget &target, DbError &error) override;
    void close() override;
    bool isOpen() const override { return db_ != nullptr; }
    int serverMajorVersion() override;

    // ProcHost
    bool exec(const QString &sql, const QVariantList &params, DbError &error, qint64 *changed = nullptr) override;
    bool select(const QString &sql, const QVariantList &params, QList<Row> &rows, DbError &error) override;
    bool forEachRow(const QString &sql, const QVariantList &params, const RowSink &each, DbError &error) override;
    QString serverNow() override;
    bool nextValue(const QString &sequence, qint64 &value, DbError &error) override;
    QString clockSql() const override;
    QString nextValueSql(const QString &sequence) const override;

    sqlite3 *handle() const { return db_; }
    void setBusyTimeout(int ms);

protected:
    bool nativeQuery(const QString &sql, QueryResult &result, DbError &error) override;
    // Kept prepared, as the procedures' statements are.
    bool nativeQueryBound(const QString &sql, const QVariantList &params, QueryResult &result, DbError &error) override;
    bool nativeExec(const QString &sql, DbError &error) override;
    bool command(const QString &sql, DbError &error) override;

private:
    bool requireWal(const QString &path, DbError &error);
    bool installLengthChecks(DbError &error);
    bool installRowFunction(DbError &error);
    bool prepare(const QString &sql, sqlite3_stmt **stmt, DbError &error);
    bool acquire(const QString &sql, bool keep, SqliteStmtHold &hold, DbError &error);
    void dropKeptStatements();
    bool run(const QString &sql, const QVariantList &params, bool keep, DbError &error, qint64 *changed);
    bool bind(sqlite3_stmt *stmt, const QVariantList &params, DbError &error);
    // The end of a select's steps: its error when it did not run to the end.
    bool finishSteps(int rc, SqliteStmtHold &guard, const QString &sql, const QVariantList &params, DbError &error);
    // The rows of a prepared select, stepped to its end.
    bool readResult(sqlite3_stmt *stmt, const QString &sql, QueryResult &result, DbError &error);
    DbError lastError(int rc, const QString &sql);
    DbError mapError(int extended, const QString &message, const QString &sql, const QVariantList &params);
    QString uniqueConstraintName(const QString &message);
    QString foreignKeyName(const QString &sql, const QVariantList &params, bool *childFound);
    QString constraintFromTableSql(const QString &table, const QString &kind, const QStringList &columns,
                                   const QString &parent = QString());

    sqlite3 *db_ = nullptr;
    QHash<QString, QString> constraintCache_;
    // Prepared statements of the procedures and commands, by text.
    QHash<QString, sqlite3_stmt *> kept_;
    // The sink of the forEachRow in progress, read by kestra_each.
    const RowSink *eachSink_ = nullptr;
};

} // namespace kestra
