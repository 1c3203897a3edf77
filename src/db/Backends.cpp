#include "db/Backends.h"

#include "db/OracleBackend.h"
#include "db/PgBackend.h"
#include "db/SqliteBackend.h"
#include "db/sql/SqlTokenizer.h"

namespace kestra {

std::unique_ptr<Backend> createBackend(BackendTarget::Kind kind)
{
    switch (kind) {
    case BackendTarget::Kind::Sqlite:
        return std::make_unique<SqliteBackend>();
    case BackendTarget::Kind::Postgres:
        return std::make_unique<PgBackend>();
    case BackendTarget::Kind::Oracle:
        break;
    }
    return std::make_unique<OracleBackend>();
}

QString inlineParams(const QString &sql, const QVariantList &params)
{
    QString out;
    out.reserve(sql.size() + 16 * params.size());
    qsizetype next = 0;
    QChar quote;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?' && next < params.size()) {
            const QVariant &value = params.at(next++);
            if (value.isNull()) {
                out += QStringLiteral("NULL");
                continue;
            }
            out += u'\'';
            for (const QChar v : value.toString()) {
                out += v;
                if (v == u'\'')
                    out += u'\'';
            }
            out += u'\'';
            continue;
        }
        out += c;
    }
    return out;
}

namespace {

bool isBlock(QStringView sql, const std::vector<SqlToken> &tokens)
{
    return !tokens.empty() &&
           (tokens.front().is(sql, QLatin1StringView("BEGIN")) || tokens.front().is(sql, QLatin1StringView("DECLARE")));
}

} // namespace

bool holdsSeveralStatements(const QString &sql)
{
    // Cheap for the common text without any semicolon.
    if (!sql.contains(u';'))
        return false;
    const std::vector<SqlToken> tokens = tokenizeSql(sql);
    if (isBlock(sql, tokens))
        return false;
    bool ended = false;
    for (const SqlToken &t : tokens) {
        if (t.kind == SqlToken::Semicolon)
            ended = true;
        else if (t.kind != SqlToken::End && ended)
            return true;
    }
    return false;
}

QString withoutTrailingSemicolon(const QString &sql)
{
    if (!sql.contains(u';'))
        return sql;
    const std::vector<SqlToken> tokens = tokenizeSql(sql);
    if (isBlock(sql, tokens) || tokens.size() < 2)
        return sql;
    const SqlToken &last = tokens.at(tokens.size() - 2);
    if (last.kind != SqlToken::Semicolon)
        return sql;
    return sql.left(last.start) + sql.mid(last.end());
}

} // namespace kestra
