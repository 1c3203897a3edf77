// Large selects read one row at a time, for the suite's procedures.

#include "db/PgBackend.h"

#include "db/PgOids.h"
#include "db/PgResultGuard.h"

#include <libpq-fe.h>

#include <charconv>

namespace kestra {

namespace {

// A row of a result, read in place: whole and binary numbers from their
// text, a NUMERIC as its text (its decimal places kept).
class PgRowView final : public RowView {
public:
    explicit PgRowView(PGresult *res) : res_(res)
    {
        for (int c = 0; c < PQnfields(res); ++c) {
            const unsigned oid = PQftype(res, c);
            types_.append(oid == Int2Oid || oid == Int4Oid || oid == Int8Oid || oid == OidOid ? Integer
                          : oid == Float4Oid || oid == Float8Oid                              ? Real
                          : oid == NumericOid                                                 ? Decimal
                                                                                              : Text);
        }
    }
    void setRow(int row) { row_ = row; }
    int size() const override { return int(types_.size()); }
    Type type(int column) const override { return PQgetisnull(res_, row_, column) ? Null : types_.at(column); }
    qint64 integer(int column) const override
    {
        const QByteArrayView t = text(column);
        qint64 v = 0;
        std::from_chars(t.data(), t.data() + t.size(), v);
        return v;
    }
    double real(int column) const override
    {
        const QByteArrayView t = text(column);
        double v = 0;
        std::from_chars(t.data(), t.data() + t.size(), v);
        return v;
    }
    QByteArrayView text(int column) const override
    {
        return QByteArrayView(PQgetvalue(res_, row_, column), PQgetlength(res_, row_, column));
    }

private:
    PGresult *res_;
    int row_ = 0;
    QList<Type> types_;
};

// Hands over a result's rows; false when `each` stopped.
bool pgEachRow(PGresult *res, const RowSink &each)
{
    PgRowView view(res);
    for (int r = 0; r < PQntuples(res); ++r) {
        view.setRow(r);
        if (!each(view))
            return false;
    }
    return true;
}

} // namespace

// In single-row mode: the server sends the rows as it makes them (with a
// parallel plan where it has one), and each is handed over as it arrives,
// so that neither libpq nor the procedure holds them all. Behind queued
// writes the select is read whole, after them.
bool PgBackend::forEachRow(const QString &sql, const QVariantList &params, const RowSink &each, DbError &error)
{
    if (queueing_ || conn_ == nullptr) {
        PgResultGuard whole{execParams(sql, params, error, false)};
        if (whole.result == nullptr)
            return false;
        pgEachRow(whole.result, each);
        return true;
    }
    running_ = sql;
    if (!settleSavepoint(error))
        return false;
    QList<QByteArray> storage;
    const QList<const char *> values = pgParamValues(params, storage);
    const QByteArray text = numberedPlaceholders(sql).toUtf8();
    if (PQsendQueryParams(conn_, text.constData(), int(values.size()), nullptr, values.constData(), nullptr, nullptr,
                          0) != 1 ||
        PQsetSingleRowMode(conn_) != 1) {
        error = errorOf(nullptr);
        while (PGresult *r = PQgetResult(conn_))
            PQclear(r);
        return false;
    }
    // Every result is read to the end, even after the sink has stopped:
    // the connection is free only then.
    bool going = true;
    bool failed = false;
    while (PGresult *r = PQgetResult(conn_)) {
        const ExecStatusType status = PQresultStatus(r);
        if (status == PGRES_SINGLE_TUPLE && going && !failed)
            going = pgEachRow(r, each);
        else if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK && !failed) {
            failed = true;
            error = errorOf(r);
        }
        PQclear(r);
    }
    return !failed;
}

} // namespace kestra
