#pragma once

#include "db/Backend.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace kestra {

using Row = QList<QVariant>;

// What a suite procedure may do on the connection it runs on. SQL here is
// the portable subset both SQLite and PostgreSQL accept, with "?" for each
// bound value; a null QVariant binds NULL. The procedure runs inside the
// caller's transaction, under a savepoint that the backend rolls back when
// the procedure fails.
class ProcHost {
public:
    virtual ~ProcHost() = default;

    virtual BackendTarget::Kind kind() const = 0;
    virtual bool exec(const QString &sql, const QVariantList &params, DbError &error, qint64 *changed = nullptr) = 0;
    virtual bool select(const QString &sql, const QVariantList &params, QList<Row> &rows, DbError &error) = 0;
    // The server's clock, "yyyy-mm-dd hh:mm:ss".
    virtual QString serverNow() = 0;
    // The next value of a sequence.
    virtual bool nextValue(const QString &sequence, qint64 &value, DbError &error) = 0;
};

} // namespace kestra
