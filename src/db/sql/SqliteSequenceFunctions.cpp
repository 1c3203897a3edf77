// nextval and currval over the kestra_sequence table: a sequence drawn
// inside the caller's transaction, busy when another connection writes.

#include "db/sql/SqliteFunctionArgs.h"

namespace kestra::sqlite_fn {

void fnNextval(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (!argCount(ctx, argc, 1, 1, "NEXTVAL"))
        return;
    auto *state = static_cast<SequenceState *>(sqlite3_user_data(ctx));
    const QByteArray name = textBytes(argv[0]);
    sqlite3 *db = sqlite3_context_db_handle(ctx);
    sqlite3_stmt *stmt = nullptr;
    // A nested statement on the same connection: the step belongs to the
    // caller's transaction.
    int rc = sqlite3_prepare_v2(db,
                                "UPDATE kestra_sequence SET last_value = last_value + 1 "
                                "WHERE seq_name = ?1 COLLATE NOCASE RETURNING last_value",
                                -1, &stmt, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_bind_text(stmt, 1, name.constData(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    qint64 value = 0;
    bool found = false;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            value = sqlite3_column_int64(stmt, 0);
            found = true;
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            }
        }
    }
    const QString detail = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED) {
        resultError(ctx,
                    QStringLiteral("ORA-00054: resource busy and acquire with NOWAIT specified or timeout expired"));
        return;
    }
    if (rc != SQLITE_DONE && rc != SQLITE_OK) {
        resultError(ctx, QStringLiteral("ORA-02289: sequence does not exist (%1)").arg(detail));
        return;
    }
    if (!found) {
        resultError(ctx, QStringLiteral("ORA-02289: sequence %1 does not exist").arg(QString::fromUtf8(name)));
        return;
    }
    state->last.insert(QString::fromUtf8(name).toUpper(), value);
    sqlite3_result_int64(ctx, value);
}

void fnCurrval(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (!argCount(ctx, argc, 1, 1, "CURRVAL"))
        return;
    const auto *state = static_cast<const SequenceState *>(sqlite3_user_data(ctx));
    const QString name = textArg(argv[0]);
    const auto it = state->last.constFind(name.toUpper());
    if (it == state->last.constEnd()) {
        resultError(ctx, QStringLiteral("ORA-08002: sequence %1.CURRVAL is not yet defined in this session").arg(name));
        return;
    }
    sqlite3_result_int64(ctx, *it);
}

void destroySequenceState(void *p)
{
    delete static_cast<SequenceState *>(p);
}

} // namespace kestra::sqlite_fn
