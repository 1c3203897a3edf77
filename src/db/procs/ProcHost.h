#pragma once

#include "db/Backend.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>

namespace kestra {

using Row = QList<QVariant>;
// One row of a select as the backend holds it, for a procedure that reads
// many: each cell NULL, a whole number, a binary number, a decimal number
// as its text (PostgreSQL's NUMERIC, with its places) or UTF-8 text, valid
// until the next row.
class RowView {
public:
    enum Type { Null, Integer, Real, Decimal, Text };
    virtual ~RowView() = default;
    virtual int size() const = 0;
    virtual Type type(int column) const = 0;
    virtual qint64 integer(int column) const = 0;
    virtual double real(int column) const = 0;
    virtual QByteArrayView text(int column) const = 0;
};
// Takes one row; false stops the reading (not a failure).
using RowSink = std::function<bool(const RowView &)>;

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
    // The rows of a select handed over one at a time as they are read, for
    // a procedure that reads more rows than it should hold at once.
    virtual bool forEachRow(const QString &sql, const QVariantList &params, const RowSink &each, DbError &error) = 0;
    // A write that must change at least one row: `none` is its failure when
    // it changes none. Where writes are queued (a PostgreSQL transaction
    // sent as one pipeline) the check runs on the server, inside the
    // statement, so that nothing waits for the count.
    virtual bool execChanging(const QString &sql, const QVariantList &params, const DbError &none, DbError &error);
    // The server's clock, "yyyy-mm-dd hh:mm:ss".
    virtual QString serverNow() = 0;
    // The next value of a sequence.
    virtual bool nextValue(const QString &sequence, qint64 &value, DbError &error) = 0;

    // What a write takes from the server goes into the statement itself
    // rather than being read first, so that writes need no earlier answer:
    // the statement's own time as text "yyyy-mm-dd hh:mm:ss" (Oracle's
    // sysdate: the time of the statement, not of the transaction) and the
    // next value of a sequence.
    virtual QString clockSql() const = 0;
    virtual QString nextValueSql(const QString &sequence) const = 0;
};

} // namespace kestra
