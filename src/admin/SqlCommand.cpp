#include "admin/SqlCommand.h"

#include "core/AppContext.h"
#include "core/DbErrorReport.h"
#include "core/Session.h"
#include "db/Backends.h"
#include "db/procs/ProcHost.h"
#include "db/sql/OracleSql.h"
#include "db/sql/SqlTokenizer.h"

namespace kestra {

namespace {

enum class StatementKind { Query, Block, Change };

// The statement without one trailing ";" (as typed at a prompt); false when
// the text holds more than one statement, which Oracle refuses.
bool singleStatement(const QString &text, QString *statement, StatementKind *kind)
{
    const std::vector<SqlToken> tokens = tokenizeSql(text);
    const SqlToken &first = tokens.front();
    if (first.is(text, QLatin1StringView("BEGIN")) || first.is(text, QLatin1StringView("DECLARE"))) {
        *kind = StatementKind::Block;
        *statement = text.trimmed();
        return true;
    }
    int end = static_cast<int>(tokens.size()) - 1; // the End token
    if (end > 0 && tokens[end - 1].kind == SqlToken::Semicolon)
        --end;
    for (int k = 0; k < end; ++k) {
        if (tokens[k].kind == SqlToken::Semicolon)
            return false;
    }
    *statement = text.left(end > 0 ? tokens[end - 1].end() : 0).trimmed();
    const bool query = first.is(text, QLatin1StringView("SELECT")) || first.is(text, QLatin1StringView("WITH")) ||
                       first.kind == SqlToken::LParen;
    *kind = query ? StatementKind::Query : StatementKind::Change;
    return true;
}

// One cell as a line of tab-separated text can hold it.
QString cellText(const QueryResult &result, int row, int col)
{
    QString text = result.text(row, col);
    text.replace(u'\t', u' ').replace(u'\n', u' ').replace(u'\r', u' ');
    return text;
}

int reportFailure(Session &session, QTextStream &err)
{
    const ErrorRecord &record = session.error();
    QString text = record.text;
    if (record.oraCode != 0 && !text.startsWith(QStringLiteral("ORA-")))
        text = QStringLiteral("ORA-%1: ").arg(record.oraCode, 5, 10, QLatin1Char('0')) + text;
    err << text << '\n';
    const DbErrorAction action = chooseDbErrorAction(record);
    if (action.kind == DbErrorAction::Kind::Message && !action.message.isEmpty())
        err << "message: " << action.message << '\n';
    err.flush();
    return 1;
}

// A change on SQLite or PostgreSQL: the same translation the session
// applies, run where the number of rows it touched can be read.
bool runChange(Session &session, const QString &statement, qint64 *changed)
{
    auto *host = dynamic_cast<ProcHost *>(session.backend());
    if (host == nullptr || host->kind() == BackendTarget::Kind::Oracle)
        return session.execute(statement) >= 0;
    const SqlDialect dialect =
        host->kind() == BackendTarget::Kind::Postgres ? SqlDialect::Postgres : SqlDialect::Sqlite;
    DbError error;
    if (host->exec(translateOracleSql(statement, dialect), {}, error, changed))
        return true;
    session.error().set(ErrorRecord::Execute, error.oraCode, error.text, QStringLiteral("LIB_DB_Execute"));
    return false;
}

} // namespace

int runSqlStatement(const DatabaseTarget &target, const QString &root, const QString &statement, QTextStream &out,
                    QTextStream &err)
{
    QString sql;
    StatementKind kind = StatementKind::Query;
    if (statement.trimmed().isEmpty()) {
        err << "kestra-admin sql: give one statement\n";
        return 2;
    }
    if (!singleStatement(statement, &sql, &kind)) {
        err << "ORA-00933: SQL command not properly ended (give one statement)\n";
        return 1;
    }

    SilentPrompter prompter;
    NoSound sounds;
    SystemClock clock;
    AppContext context(root, AppServices{prompter, sounds, clock});
    Session &session = context.db();
    const BackendTarget backend = backendTargetOf(target);
    if (session.connectTo(createBackend(backend.kind), backend) < 0) {
        err << "kestra-admin sql: cannot open " << target.dsn.describe() << '\n';
        return reportFailure(session, err);
    }

    if (kind == StatementKind::Query) {
        QueryResult result;
        if (session.query(sql, result) < 0)
            return reportFailure(session, err);
        QStringList header;
        for (int c = 0; c < result.columnCount(); ++c)
            header << result.columnName(c);
        out << header.join(u'\t') << '\n';
        for (int r = 0; r < result.rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < result.columnCount(); ++c)
                cells << cellText(result, r, c);
            out << cells.join(u'\t') << '\n';
        }
        out.flush();
        return 0;
    }

    Transaction transaction(session);
    qint64 changed = -1;
    const bool ok = kind == StatementKind::Block ? session.execute(sql) >= 0 : runChange(session, sql, &changed);
    if (!ok)
        return reportFailure(session, err); // the transaction rolls back
    if (transaction.commit() < 0)
        return reportFailure(session, err);
    if (kind == StatementKind::Block)
        out << "PL/SQL procedure successfully completed.\n";
    else if (changed < 0)
        out << "statement executed\n";
    else
        out << changed << (changed == 1 ? " row changed\n" : " rows changed\n");
    out.flush();
    return 0;
}

int runSqlCommand(const DatabaseTarget &target, const QString &root, const QStringList &words)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runSqlStatement(target, root, words.join(u' '), out, err);
}

} // namespace kestra
