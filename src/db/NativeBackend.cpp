#include "db/NativeBackend.h"

#include "db/Backends.h"
#include "db/OraError.h"
#include "db/procs/Procedures.h"

namespace kestra {

QString statementVerb(const QString &sql)
{
    qsizetype i = 0;
    while (i < sql.size() && !sql.at(i).isLetter())
        ++i;
    qsizetype j = i;
    while (j < sql.size() && sql.at(j).isLetter())
        ++j;
    return sql.mid(i, j - i).toUpper();
}

QString writtenTable(const QString &sql)
{
    const QStringList words = sql.simplified().split(u' ');
    const QString verb = statementVerb(sql);
    QString name;
    if (verb == QLatin1String("DELETE") || verb == QLatin1String("INSERT")) {
        const QString second = words.value(1).toUpper();
        name = second == QLatin1String("FROM") || second == QLatin1String("INTO") ? words.value(2) : words.value(1);
    } else if (verb == QLatin1String("UPDATE")) {
        name = words.value(1);
    }
    const qsizetype paren = name.indexOf(u'(');
    if (paren >= 0)
        name = name.left(paren);
    name.remove(u'"');
    return name.mid(name.lastIndexOf(u'.') + 1);
}

bool foreignKeyChildFound(const QString &sql, const QString &keyTable)
{
    const QString verb = statementVerb(sql);
    if (verb == QLatin1String("DELETE"))
        return true;
    if (verb != QLatin1String("UPDATE"))
        return false;
    return writtenTable(sql).compare(keyTable, Qt::CaseInsensitive) != 0;
}

bool NativeBackend::query(const QString &sql, QueryResult &result, DbError &error)
{
    starting(sql);
    if (!isOpen()) {
        error = ora::notConnected();
        return false;
    }
    if (holdsSeveralStatements(sql)) {
        error = ora::severalStatements();
        return false;
    }
    return nativeQuery(native(sql), result, error);
}

bool NativeBackend::queryBound(const QString &sql, const QVariantList &params, QueryResult &result, DbError &error)
{
    starting(sql);
    if (!isOpen()) {
        error = ora::notConnected();
        return false;
    }
    if (holdsSeveralStatements(sql)) {
        error = ora::severalStatements();
        return false;
    }
    return nativeQueryBound(native(sql), params, result, error);
}

bool NativeBackend::queryMany(const QStringList &sqls, QList<QueryResult> &results, DbError &error)
{
    QStringList natives;
    natives.reserve(sqls.size());
    for (const QString &sql : sqls) {
        starting(sql);
        if (!isOpen()) {
            error = ora::notConnected();
            return false;
        }
        if (holdsSeveralStatements(sql)) {
            error = ora::severalStatements();
            return false;
        }
        natives.append(native(sql));
    }
    return nativeQueryMany(natives, results, error);
}

bool NativeBackend::nativeQueryMany(const QStringList &sqls, QList<QueryResult> &results, DbError &error)
{
    results.clear();
    for (const QString &sql : sqls) {
        QueryResult r;
        if (!nativeQuery(sql, r, error))
            return false;
        results.append(std::move(r));
    }
    return true;
}

bool NativeBackend::execute(const QString &sql, DbError &error)
{
    starting(sql);
    if (!isOpen()) {
        error = ora::notConnected();
        return false;
    }
    if (holdsSeveralStatements(sql)) {
        error = ora::severalStatements();
        return false;
    }
    if (looksLikeBlock(sql)) {
        QString why;
        const std::optional<ProcCall> call = parseCallBlock(sql, &why);
        if (!call) {
            error = DbError{ora::codeFromText(why), why};
            return false;
        }
        return runCall(*call, nullptr, error);
    }
    return nativeExec(native(sql), error);
}

bool NativeBackend::executeBound(const QString &block, QList<BoundParam> &params, DbError &error)
{
    starting(block);
    if (!isOpen()) {
        error = ora::notConnected();
        return false;
    }
    QString why;
    const std::optional<ProcCall> call = parseCallBlock(block, &why);
    if (!call) {
        error = DbError{ora::codeFromText(why), why.isEmpty() ? QStringLiteral("not a procedure block") : why};
        return false;
    }
    return runCall(*call, &params, error);
}

bool NativeBackend::runCall(const ProcCall &call, QList<BoundParam> *params, DbError &error)
{
    const ProcedureDef *def = findProcedure(call.name);
    if (def == nullptr) {
        error = ora::make(ora::ProcedureMissing,
                          QStringLiteral("PLS-00201: identifier '%1' must be declared").arg(call.name.toUpper()));
        return false;
    }
    if (call.args.size() < def->minArgs || call.args.size() > def->maxArgs) {
        error = ora::make(ora::ProcedureMissing,
                          QStringLiteral("PLS-00306: wrong number or types of arguments in call to '%1' "
                                         "(%2 given, %3 expected)")
                              .arg(call.name.toUpper())
                              .arg(call.args.size())
                              .arg(def->minArgs == def->maxArgs
                                       ? QString::number(def->minArgs)
                                       : QStringLiteral("%1 to %2").arg(def->minArgs).arg(def->maxArgs)));
        return false;
    }
    QList<QVariant> values;
    values.reserve(call.args.size());
    for (const ProcArg &arg : call.args) {
        switch (arg.kind) {
        case ProcArg::Kind::Text:
            values.append(arg.text);
            break;
        case ProcArg::Kind::Number:
            values.append(arg.text.toDouble());
            break;
        case ProcArg::Kind::Null:
            values.append(QVariant());
            break;
        case ProcArg::Kind::Bind: {
            QVariant bound;
            if (params != nullptr) {
                for (const BoundParam &p : *params) {
                    if (p.name.compare(arg.text, Qt::CaseInsensitive) == 0)
                        bound = p.value;
                }
            }
            values.append(boundArgument(bound));
            break;
        }
        }
    }
    ProcArgs args(values);

    // The procedure is atomic: a savepoint inside the caller's transaction,
    // or a transaction of its own outside one.
    const bool own = !inTransaction();
    if (!beginProcedure(own, error))
        return false;
    if (!def->fn(*this, args, error)) {
        DbError ignored;
        endProcedure(own, false, ignored);
        return false;
    }
    if (!endProcedure(own, true, error))
        return false;

    if (params != nullptr) {
        for (int i = 0; i < call.args.size(); ++i) {
            if (call.args.at(i).kind != ProcArg::Kind::Bind)
                continue;
            for (BoundParam &p : *params) {
                if (p.output && p.name.compare(call.args.at(i).text, Qt::CaseInsensitive) == 0)
                    p.value = args.output(i);
            }
        }
    }
    return true;
}

bool NativeBackend::beginProcedure(bool ownTransaction, DbError &error)
{
    return command(ownTransaction ? QStringLiteral("BEGIN") : QStringLiteral("SAVEPOINT kestra_proc"), error);
}

bool NativeBackend::endProcedure(bool ownTransaction, bool succeeded, DbError &error)
{
    if (succeeded && ownTransaction)
        return commitOrUndo(error);
    if (succeeded)
        return command(QStringLiteral("RELEASE SAVEPOINT kestra_proc"), error);
    const bool undone = command(
        ownTransaction ? QStringLiteral("ROLLBACK") : QStringLiteral("ROLLBACK TO SAVEPOINT kestra_proc"), error);
    if (!ownTransaction)
        command(QStringLiteral("RELEASE SAVEPOINT kestra_proc"), error);
    return undone;
}

// A COMMIT that fails can leave the transaction open (SQLite keeps it when
// the lock for writing the file cannot be had): whatever it held is undone,
// so that the connection never carries a stale transaction into the next
// operation.
bool NativeBackend::commitOrUndo(DbError &error)
{
    if (command(QStringLiteral("COMMIT"), error))
        return true;
    DbError ignored;
    command(QStringLiteral("ROLLBACK"), ignored);
    return false;
}

QString NativeBackend::native(const QString &oracleSql)
{
    if (!translator_)
        translator_ = std::make_unique<SqlTranslator>(kind() == BackendTarget::Kind::Postgres ? SqlDialect::Postgres
                                                                                              : SqlDialect::Sqlite);
    return translator_->translate(oracleSql);
}

bool NativeBackend::begin(DbError &error)
{
    // Nesting is the session's business: a second BEGIN here would either
    // fail or, ignored, let the inner scope commit the outer one.
    if (inTransaction_) {
        error = ora::make(ora::UserDefined, QStringLiteral("a transaction is already open on this connection"));
        return false;
    }
    if (!command(QStringLiteral("BEGIN"), error))
        return false;
    inTransaction_ = true;
    return true;
}

bool NativeBackend::savepoint(const QString &name, DbError &error)
{
    if (!inTransaction_) {
        error = ora::make(ora::UserDefined, QStringLiteral("a savepoint needs an open transaction"));
        return false;
    }
    return command(QStringLiteral("SAVEPOINT ") + name, error);
}

bool NativeBackend::rollbackToSavepoint(const QString &name, DbError &error)
{
    // ROLLBACK TO keeps the savepoint: released too, as Oracle's would be
    // gone with the next one of that name.
    return command(QStringLiteral("ROLLBACK TO SAVEPOINT ") + name, error) &&
           command(QStringLiteral("RELEASE SAVEPOINT ") + name, error);
}

bool NativeBackend::releaseSavepoint(const QString &name, DbError &error)
{
    return command(QStringLiteral("RELEASE SAVEPOINT ") + name, error);
}

bool NativeBackend::commit(DbError &error)
{
    starting(QStringLiteral("COMMIT"));
    if (!inTransaction_)
        return true;
    const bool committed = commitOrUndo(error);
    inTransaction_ = false;
    return committed;
}

bool NativeBackend::rollback(DbError &error)
{
    starting(QStringLiteral("ROLLBACK"));
    if (!inTransaction_)
        return true;
    const bool undone = command(QStringLiteral("ROLLBACK"), error);
    inTransaction_ = false;
    return undone;
}

} // namespace kestra
