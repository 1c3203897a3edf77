#include "db/SqliteBackend.h"

#include "db/DdlScan.h"
#include "db/OraError.h"
#include "db/SqliteRegistration.h"
#include "db/SqliteStmtHold.h"
#include "db/sql/SqlTokenizer.h"

#include <QSet>
#include <sqlite3.h>

namespace kestra {

namespace {

// Finalizes a statement when it goes out of scope.
struct StmtGuard {
    sqlite3_stmt *stmt = nullptr;
    ~StmtGuard() { sqlite3_finalize(stmt); }
};

// The procedures and the transaction commands use a few dozen texts, each
// again and again; beyond this many the kept statements are dropped.
constexpr qsizetype kMaxKeptStatements = 128;

// One transaction-control statement: BEGIN, COMMIT, ROLLBACK [TO], SAVEPOINT,
// RELEASE.
bool isTransactionCommand(const QString &sql)
{
    if (sql.contains(u';'))
        return false;
    for (const char *verb : {"BEGIN", "COMMIT", "ROLLBACK", "SAVEPOINT", "RELEASE"}) {
        if (sql.startsWith(QLatin1String(verb), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QueryResult::ColumnType typeFromDecl(const char *decl)
{
    if (decl == nullptr)
        return QueryResult::Other; // decided from the values
    const QByteArray d = QByteArray(decl).toUpper();
    if (d.contains("INT"))
        return QueryResult::Long;
    if (d.contains("CHAR") || d.contains("TEXT") || d.contains("CLOB"))
        return QueryResult::Text;
    if (d.contains("REAL") || d.contains("FLOA") || d.contains("DOUB") || d.contains("NUM") || d.contains("DEC"))
        return QueryResult::Double;
    return QueryResult::Text;
}

// The declared size of a column: the n of "VARCHAR(n)".
int sizeFromDecl(const char *decl)
{
    if (decl == nullptr)
        return -1;
    const QByteArray d(decl);
    const qsizetype open = d.indexOf('(');
    if (open < 0)
        return -1;
    bool ok = false;
    const int size = d.mid(open + 1, d.indexOf(')', open) - open - 1).split(',').front().trimmed().toInt(&ok);
    return ok ? size : -1;
}

QVariant cellValue(sqlite3_stmt *stmt, int col)
{
    switch (sqlite3_column_type(stmt, col)) {
    case SQLITE_INTEGER:
        return static_cast<qlonglong>(sqlite3_column_int64(stmt, col));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt, col);
    case SQLITE_TEXT: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, col));
        return QString::fromUtf8(text, sqlite3_column_bytes(stmt, col));
    }
    case SQLITE_BLOB: {
        const auto *blob = static_cast<const char *>(sqlite3_column_blob(stmt, col));
        return QByteArray(blob, sqlite3_column_bytes(stmt, col));
    }
    default:
        return {};
    }
}

// For each item of the first select list: whether it is a sum, an average
// or a count. Such an item is a number even where every row gives NULL
// (SQLite then knows no type for it). Empty when the list cannot be told.
QList<bool> countingItems(const QString &sql)
{
    const std::vector<SqlToken> tokens = tokenizeSql(sql);
    std::size_t i = 0;
    while (i < tokens.size() && !tokens[i].is(sql, QLatin1StringView("SELECT")))
        ++i;
    ++i;
    if (i < tokens.size() &&
        (tokens[i].is(sql, QLatin1StringView("DISTINCT")) || tokens[i].is(sql, QLatin1StringView("ALL"))))
        ++i;
    QList<bool> items;
    bool itemStart = true;
    int depth = 0;
    for (; i < tokens.size(); ++i) {
        const SqlToken &t = tokens[i];
        if (t.kind == SqlToken::End || (depth == 0 && t.is(sql, QLatin1StringView("FROM"))))
            break;
        if (t.kind == SqlToken::LParen)
            ++depth;
        else if (t.kind == SqlToken::RParen)
            --depth;
        if (depth == 0 && t.kind == SqlToken::Comma) {
            itemStart = true;
            continue;
        }
        if (!itemStart)
            continue;
        itemStart = false;
        const bool call = i + 1 < tokens.size() && tokens[i + 1].kind == SqlToken::LParen;
        items.append(call && (t.is(sql, QLatin1StringView("SUM")) || t.is(sql, QLatin1StringView("AVG")) ||
                              t.is(sql, QLatin1StringView("COUNT")) || t.is(sql, QLatin1StringView("TOTAL"))));
    }
    return items;
}

} // namespace

SqliteBackend::SqliteBackend() = default;

SqliteBackend::~SqliteBackend()
{
    close();
}

bool SqliteBackend::open(const BackendTarget &target, DbError &error)
{
    close();
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (target.createIfMissing)
        flags |= SQLITE_OPEN_CREATE;
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(target.path.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        error =
            ora::make(12154, QStringLiteral("cannot open the database %1: %2")
                                 .arg(target.path, QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc))));
        sqlite3_close(db);
        return false;
    }
    db_ = db;
    sqlite3_extended_result_codes(db_, 1);
    setBusyTimeout(target.lockTimeoutMs);
    // An empty or foreign file opens without complaint; the first real
    // statement tells. journal_mode answers "wal" when it took.
    if (!requireWal(target.path, error) || !command(QStringLiteral("PRAGMA synchronous=FULL"), error) ||
        !command(QStringLiteral("PRAGMA foreign_keys=ON"), error) ||
        // The whole-location writes touch a few hundred thousand rows and
        // their indexes on a library of a million copies: with SQLite's
        // default 2 MB cache they read the same index pages again and again.
        !command(QStringLiteral("PRAGMA cache_size=-131072"), error) || // 128 MiB
        // Oracle's LIKE is case-sensitive, and only then can SQLite use the
        // prefix indexes for "LIKE 'key%'".
        !command(QStringLiteral("PRAGMA case_sensitive_like=ON"), error)) {
        close();
        return false;
    }
    if (!registerSqliteFunctions(db_)) {
        error = ora::make(ora::UserDefined, QStringLiteral("cannot register the SQL functions on the connection"));
        close();
        return false;
    }
    if (!installLengthChecks(error) || !installRowFunction(error)) {
        close();
        return false;
    }
    setInTransaction(false);
    return true;
}

// Without WAL a reader holds off a writer's COMMIT, which then fails with
// "database is locked" after the busy timeout: several workstations on one
// file would lose saves now and then. A database that will not switch (in
// memory, on a file system without shared memory) is refused with the
// reason rather than run that way.
bool SqliteBackend::requireWal(const QString &path, DbError &error)
{
    StmtGuard guard;
    if (!prepare(QStringLiteral("PRAGMA journal_mode=WAL"), &guard.stmt, error))
        return false;
    const int rc = sqlite3_step(guard.stmt);
    if (rc != SQLITE_ROW) {
        error = lastError(rc, QStringLiteral("PRAGMA journal_mode=WAL"));
        return false;
    }
    const QString mode = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(guard.stmt, 0)));
    if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
        return true;
    error = ora::make(ora::UserDefined, QStringLiteral("the database %1 refuses the WAL journal (its journal mode "
                                                       "stays \"%2\"); without it a save can be lost to another "
                                                       "workstation's lock: keep the file on a local disk")
                                            .arg(path, mode));
    return false;
}

// SQLite stores text of any length whatever the declared size. Oracle and
// PostgreSQL refuse it with ORA-12899, so that is checked here, by
// temporary triggers built from the declared sizes when the connection
// opens: they cost the file nothing and follow its schema. The size counts
// characters, as PostgreSQL's varchar does, so that a value fits on both
// backends or on neither. Tables created later on the same connection are
// checked from the next connection on.
bool SqliteBackend::installLengthChecks(DbError &error)
{
    QList<Row> tables;
    if (!select(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%'"), {},
                tables, error))
        return false;
    QString script;
    for (const Row &table : std::as_const(tables)) {
        const QString name = table.value(0).toString();
        QList<Row> columns;
        if (!select(QStringLiteral("SELECT name, type FROM pragma_table_info(?)"), {name}, columns, error))
            return false;
        QStringList tests;
        QStringList names;
        QString raises;
        for (const Row &column : std::as_const(columns)) {
            const QByteArray decl = column.value(1).toString().toUtf8();
            const int size = sizeFromDecl(decl.constData());
            if (size <= 0 || typeFromDecl(decl.constData()) != QueryResult::Text)
                continue;
            const QString col = u'"' + column.value(0).toString() + u'"';
            const QString test = QStringLiteral("length(NEW.%1)>%2").arg(col).arg(size);
            const QString message = QStringLiteral("ORA-12899: value too large for column \"KESTRA\".\"%1\".\"%2\" "
                                                   "(maximum: %3)")
                                        .arg(name.toUpper(), column.value(0).toString().toUpper())
                                        .arg(size);
            tests.append(test);
            names.append(col);
            raises += QStringLiteral("SELECT RAISE(ABORT,%1) WHERE %2;").arg(sqlStandardLiteral(message), test);
        }
        if (tests.isEmpty())
            continue;
        const QString when = tests.join(QStringLiteral(" OR "));
        const QString quoted = u'"' + name + u'"';
        script += QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS \"kestra_len_i_%1\" BEFORE INSERT ON main.%2 "
                                 "WHEN %3 BEGIN %4 END;")
                      .arg(name, quoted, when, raises);
        script += QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS \"kestra_len_u_%1\" BEFORE UPDATE OF %2 ON "
                                 "main.%3 WHEN %4 BEGIN %5 END;")
                      .arg(name, names.join(u','), quoted, when, raises);
    }
    return script.isEmpty() || command(script, error);
}

void SqliteBackend::close()
{
    dropKeptStatements();
    if (db_ != nullptr) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    setInTransaction(false);
    constraintCache_.clear();
}

void SqliteBackend::setBusyTimeout(int ms)
{
    if (db_ != nullptr)
        sqlite3_busy_timeout(db_, ms);
}

int SqliteBackend::serverMajorVersion()
{
    return sqlite3_libversion_number() / 1000000;
}

bool SqliteBackend::prepare(const QString &sql, sqlite3_stmt **stmt, DbError &error)
{
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(db_, utf8.constData(), static_cast<int>(utf8.size()), stmt, nullptr);
    if (rc != SQLITE_OK) {
        error = lastError(rc, sql);
        return false;
    }
    if (*stmt == nullptr) {
        error = ora::make(ora::InvalidSql, QStringLiteral("invalid SQL statement (empty)"));
        return false;
    }
    return true;
}

// Preparing costs more than running a key lookup or a one-row update, and
// the procedures' statements differ only in their bound values: those are
// prepared once per connection. The client's own SQL, with its literals,
// is not kept.
bool SqliteBackend::acquire(const QString &sql, bool keep, SqliteStmtHold &hold, DbError &error)
{
    if (!keep) {
        hold.kept = false;
        return prepare(sql, &hold.stmt, error);
    }
    if (sqlite3_stmt *stmt = kept_.value(sql)) {
        hold.stmt = stmt;
        hold.kept = true;
        return true;
    }
    if (kept_.size() >= kMaxKeptStatements)
        dropKeptStatements();
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *stmt = nullptr;
    const int rc = sqlite3_prepare_v3(db_, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_PREPARE_PERSISTENT,
                                      &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        error = lastError(rc, sql);
        return false;
    }
    if (stmt == nullptr) {
        error = ora::make(ora::InvalidSql, QStringLiteral("invalid SQL statement (empty)"));
        return false;
    }
    kept_.insert(sql, stmt);
    hold.stmt = stmt;
    hold.kept = true;
    return true;
}

void SqliteBackend::dropKeptStatements()
{
    for (sqlite3_stmt *stmt : std::as_const(kept_))
        sqlite3_finalize(stmt);
    kept_.clear();
}

bool SqliteBackend::bind(sqlite3_stmt *stmt, const QVariantList &params, DbError &error)
{
    for (int i = 0; i < params.size(); ++i) {
        const QVariant &v = params.at(i);
        int rc = SQLITE_OK;
        if (v.isNull()) {
            rc = sqlite3_bind_null(stmt, i + 1);
        } else {
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::ULongLong:
                rc = sqlite3_bind_int64(stmt, i + 1, v.toLongLong());
                break;
            case QMetaType::Double:
                rc = sqlite3_bind_double(stmt, i + 1, v.toDouble());
                break;
            default: {
                const QByteArray text = v.toString().toUtf8();
                rc = sqlite3_bind_text64(stmt, i + 1, text.constData(), static_cast<sqlite3_uint64>(text.size()),
                                         SQLITE_TRANSIENT, SQLITE_UTF8);
                break;
            }
            }
        }
        if (rc != SQLITE_OK) {
            error = ora::make(ora::UserDefined, QString::fromUtf8(sqlite3_errmsg(db_)));
            return false;
        }
    }
    return true;
}

bool SqliteBackend::nativeQuery(const QString &sql, QueryResult &result, DbError &error)
{
    StmtGuard guard;
    if (!prepare(sql, &guard.stmt, error))
        return false;
    return readResult(guard.stmt, sql, result, error);
}

bool SqliteBackend::nativeQueryBound(const QString &sql, const QVariantList &params, QueryResult &result,
                                     DbError &error)
{
    SqliteStmtHold hold;
    if (!acquire(sql, true, hold, error) || !bind(hold.stmt, params, error))
        return false;
    return readResult(hold.stmt, sql, result, error);
}

bool SqliteBackend::readResult(sqlite3_stmt *stmt, const QString &sql, QueryResult &result, DbError &error)
{
    const int columns = sqlite3_column_count(stmt);
    QList<QueryResult::Column> cols;
    cols.reserve(columns);
    for (int c = 0; c < columns; ++c) {
        const char *decl = sqlite3_column_decltype(stmt, c);
        cols.append({QString::fromUtf8(sqlite3_column_name(stmt, c)), typeFromDecl(decl), sizeFromDecl(decl)});
    }

    QList<QList<QVariant>> rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QList<QVariant> row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row.append(cellValue(stmt, c));
        rows.append(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        error = lastError(rc, sql);
        return false;
    }
    // Expressions carry no declared type: the first value decides, and a
    // sum or count without any value is a number all the same (its NULL
    // reads 0, as on the other backends).
    QList<bool> counting;
    bool countingRead = false;
    for (int c = 0; c < columns; ++c) {
        if (cols[c].type != QueryResult::Other)
            continue;
        bool valued = false;
        cols[c].type = QueryResult::Text;
        for (const QList<QVariant> &row : rows) {
            const QVariant &v = row.at(c);
            if (v.isNull())
                continue;
            valued = true;
            if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Double)
                cols[c].type = QueryResult::Double;
            break;
        }
        if (valued)
            continue;
        if (!countingRead) {
            counting = countingItems(sql);
            countingRead = true;
        }
        if (counting.size() == columns && counting.at(c))
            cols[c].type = QueryResult::Double;
    }
    result = QueryResult(cols);
    for (const QList<QVariant> &row : rows)
        result.appendRow(row);
    return true;
}

bool SqliteBackend::nativeExec(const QString &sql, DbError &error)
{
    return run(sql, {}, false, error, nullptr);
}

bool SqliteBackend::command(const QString &sql, DbError &error)
{
    if (db_ == nullptr) {
        error = ora::notConnected();
        return false;
    }
    // BEGIN, COMMIT and the procedures' savepoints come again and again: kept.
    // (Not PRAGMAs: some take effect when prepared, not when run.)
    if (isTransactionCommand(sql)) {
        SqliteStmtHold hold;
        if (!acquire(sql, true, hold, error))
            return false;
        int rc;
        while ((rc = sqlite3_step(hold.stmt)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) {
            // Naming a broken key runs statements: this one goes back first.
            const int extended = sqlite3_extended_errcode(db_);
            const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
            hold.release();
            error = mapError(extended != 0 ? extended : rc, message, sql, {});
            return false;
        }
        return true;
    }
    char *message = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK) {
        error = lastError(rc, sql);
        return false;
    }
    return true;
}

bool SqliteBackend::exec(const QString &sql, const QVariantList &params, DbError &error, qint64 *changed)
{
    return run(sql, params, true, error, changed);
}

bool SqliteBackend::run(const QString &sql, const QVariantList &params, bool keep, DbError &error, qint64 *changed)
{
    SqliteStmtHold hold;
    if (!acquire(sql, keep, hold, error) || !bind(hold.stmt, params, error))
        return false;
    int rc;
    while ((rc = sqlite3_step(hold.stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
        // Capture the error first: the key probe below runs statements of
        // its own, and the failed one must be done with before it does.
        const int extended = sqlite3_extended_errcode(db_);
        const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
        hold.release();
        error = mapError(extended != 0 ? extended : rc, message, sql, params);
        return false;
    }
    if (changed != nullptr)
        *changed = sqlite3_changes64(db_);
    return true;
}

bool SqliteBackend::select(const QString &sql, const QVariantList &params, QList<Row> &rows, DbError &error)
{
    SqliteStmtHold guard;
    if (!acquire(sql, true, guard, error) || !bind(guard.stmt, params, error))
        return false;
    const int columns = sqlite3_column_count(guard.stmt);
    int rc;
    rows.clear();
    while ((rc = sqlite3_step(guard.stmt)) == SQLITE_ROW) {
        Row row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c)
            row.append(cellValue(guard.stmt, c));
        rows.append(std::move(row));
    }
    return finishSteps(rc, guard, sql, params, error);
}

bool SqliteBackend::finishSteps(int rc, SqliteStmtHold &guard, const QString &sql, const QVariantList &params,
                                DbError &error)
{
    if (rc == SQLITE_DONE)
        return true;
    const int extended = sqlite3_extended_errcode(db_);
    const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
    guard.release();
    error = mapError(extended != 0 ? extended : rc, message, sql, params);
    return false;
}

QString SqliteBackend::serverNow()
{
    QList<Row> rows;
    DbError ignored;
    if (!select(QStringLiteral("SELECT strftime('%Y-%m-%d %H:%M:%S','now','localtime')"), {}, rows, ignored) ||
        rows.isEmpty())
        return {};
    return rows.front().value(0).toString();
}

// 'now' stands still for the whole of one statement, as one reading of the
// clock.
QString SqliteBackend::clockSql() const
{
    return QStringLiteral("strftime('%Y-%m-%d %H:%M:%S','now','localtime')");
}

QString SqliteBackend::nextValueSql(const QString &sequence) const
{
    return QStringLiteral("kestra_nextval('%1')").arg(sequence.toLower());
}

bool SqliteBackend::nextValue(const QString &sequence, qint64 &value, DbError &error)
{
    qint64 changed = 0;
    if (!exec(QStringLiteral("UPDATE kestra_sequence SET last_value=last_value+1 WHERE seq_name=lower(?)"), {sequence},
              error, &changed))
        return false;
    if (changed == 0) {
        error = ora::make(2289, QStringLiteral("sequence does not exist (%1)").arg(sequence.toUpper()));
        return false;
    }
    QList<Row> rows;
    if (!select(QStringLiteral("SELECT last_value FROM kestra_sequence WHERE seq_name=lower(?)"), {sequence}, rows,
                error))
        return false;
    value = rows.value(0).value(0).toLongLong();
    return true;
}

} // namespace kestra
