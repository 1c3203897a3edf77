// What the suite procedures share for values and SQL they are handed.

#include "db/OraError.h"
#include "db/procs/Procedures.h"
#include "db/sql/OracleSql.h"
#include "db/sql/SqlTokenizer.h"

namespace kestra {

QStringList ProcArgs::list(int i) const
{
    const QVariant v = value(i);
    if (v.isNull() || !v.isValid())
        return {};
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList();
    if (v.typeId() == QMetaType::QVariantList) {
        QStringList out;
        for (const QVariant &e : v.toList())
            out << e.toString();
        return out;
    }
    return {text(i)};
}

QVariant boundArgument(const QVariant &bound)
{
    if (bound.typeId() == QMetaType::QStringList || bound.typeId() == QMetaType::QVariantList)
        return bound;
    return bound.isValid() && !bound.toString().isEmpty() ? bound : QVariant();
}

bool translateOracleQuery(const ProcHost &host, const QString &oracleSql, QString &sql, DbError &error)
{
    const std::vector<SqlToken> tokens = tokenizeSql(oracleSql);
    const SqlToken &first = tokens.front();
    if (!first.is(oracleSql, QLatin1StringView("SELECT")) && !first.is(oracleSql, QLatin1StringView("WITH")) &&
        first.kind != SqlToken::LParen) {
        error = ora::make(928, QStringLiteral("missing SELECT keyword"));
        return false;
    }
    // Comments go: a "?" in one would read as a placeholder. One statement
    // only, as a cursor takes.
    sql.clear();
    sql.reserve(oracleSql.size());
    for (const SqlToken &t : tokens) {
        if (t.kind == SqlToken::Semicolon) {
            error = ora::make(911, QStringLiteral("invalid character (one query, without \";\")"));
            return false;
        }
        if (t.triviaStart < t.start)
            sql += u' ';
        sql += t.text(oracleSql);
    }
    if (host.kind() != BackendTarget::Kind::Oracle)
        sql = translateOracleSql(sql, host.kind() == BackendTarget::Kind::Postgres ? SqlDialect::Postgres
                                                                                   : SqlDialect::Sqlite);
    return true;
}

bool selectOracle(ProcHost &host, const QString &oracleSql, QList<Row> &rows, DbError &error)
{
    QString sql;
    return translateOracleQuery(host, oracleSql, sql, error) && host.select(sql, {}, rows, error);
}

bool forEachOracleRow(ProcHost &host, const QString &oracleSql, const RowSink &each, DbError &error)
{
    QString sql;
    return translateOracleQuery(host, oracleSql, sql, error) && host.forEachRow(sql, {}, each, error);
}

} // namespace kestra
