#include "db/NativeBackend.h"

#include "db/OraError.h"
#include "db/procs/Procedures.h"

namespace kestra {

bool NativeBackend::query(const QString &sql, QueryResult &result, DbError &error)
{
    if (!isOpen()) {
        error = ora::notConnected();
        return false;
    }
    return nativeQuery(native(sql), result, error);
}

bool NativeBackend::execute(const QString &sql, DbError &error)
{
    if (!isOpen()) {
        error = ora::notConnected();
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
    endProcedure(own, true, error);
    if (error.oraCode != 0)
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

void NativeBackend::endProcedure(bool ownTransaction, bool succeeded, DbError &error)
{
    if (succeeded) {
        command(ownTransaction ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE SAVEPOINT kestra_proc"), error);
        return;
    }
    command(ownTransaction ? QStringLiteral("ROLLBACK") : QStringLiteral("ROLLBACK TO SAVEPOINT kestra_proc"), error);
    if (!ownTransaction)
        command(QStringLiteral("RELEASE SAVEPOINT kestra_proc"), error);
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
    if (inTransaction_)
        return true;
    if (!command(QStringLiteral("BEGIN"), error))
        return false;
    inTransaction_ = true;
    return true;
}

bool NativeBackend::commit(DbError &error)
{
    if (!inTransaction_)
        return true;
    inTransaction_ = false;
    return command(QStringLiteral("COMMIT"), error);
}

bool NativeBackend::rollback(DbError &error)
{
    if (!inTransaction_)
        return true;
    inTransaction_ = false;
    return command(QStringLiteral("ROLLBACK"), error);
}

} // namespace kestra
