#pragma once

#include <QCache>
#include <QString>

namespace kestra {

// The native dialects the client's Oracle SQL is translated to.
enum class SqlDialect { Sqlite, Postgres };

// Rewrites one statement of the suite's Oracle SQL for the target backend
// (docs/sql-dialect.md lists every construct and what each backend
// receives). Identifiers, literals, whitespace and comments are kept as
// written; constructs the translator does not know pass through unchanged.
// PL/SQL blocks ("Begin ...; end;", "Declare ...") are returned unchanged:
// the session runs them itself.
//
// On SQLite the result needs the functions of registerOracleFunctions();
// on PostgreSQL those of postgresSupportStatements().
QString translateOracleSql(const QString &sql, SqlDialect target);

// The translator with a small cache of recent statements, for callers that
// send the same text again and again (a scanning form). Not thread-safe;
// one per connection.
class SqlTranslator {
public:
    explicit SqlTranslator(SqlDialect target, int cacheEntries = 128);

    SqlDialect dialect() const { return target_; }
    QString translate(const QString &sql);
    void clearCache() { cache_.clear(); }

private:
    SqlDialect target_;
    QCache<QString, QString> cache_;
};

// The "empty to space" option of DbExecute and DbCallProc: every empty
// literal '' that stands alone becomes ' '. Doubled quotes inside a longer
// literal ('O''Brien', '''') are left alone, and so are comments and
// quoted names.
QString emptyLiteralsToSpace(const QString &sql);

} // namespace kestra
