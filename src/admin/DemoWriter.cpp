#include "admin/DemoWriter.h"

#include <QElapsedTimer>
#include <memory>

namespace kestra {

namespace {

// SQLite takes 32766 bound values per statement, PostgreSQL 65535; fewer
// keeps the statement text (and its parse) small while the per-statement
// cost is still spread over hundreds of rows.
constexpr int kMaxValuesPerStatement = 12000;
constexpr int kMaxRowsPerStatement = 400;
constexpr qint64 kFlushRows = 20000;
constexpr qint64 kCommitRows = 50000;

} // namespace

void DemoTable::add(std::initializer_list<QVariant> values)
{
    Q_ASSERT(values.size() == std::size_t(columns_.size()));
    for (const QVariant &v : values)
        values_.append(v);
}

void DemoTable::addRow(const QVariantList &values)
{
    Q_ASSERT(values.size() == columns_.size());
    values_.append(values);
}

DemoWriter::DemoWriter(ProcHost &host, Backend &backend) : host_(host), backend_(backend) {}

DemoTable &DemoWriter::declare(const QString &name, const QStringList &columns)
{
    tables_.push_back(std::make_unique<DemoTable>(name, columns));
    byName_.insert(name, tables_.back().get());
    return *tables_.back();
}

DemoTable &DemoWriter::operator[](const QString &name)
{
    DemoTable *table = byName_.value(name);
    Q_ASSERT_X(table != nullptr, "DemoWriter", "table not declared");
    return *table;
}

bool DemoWriter::fail(const QString &what, const DbError &error)
{
    error_ = what + QStringLiteral(": ") + error.text;
    return false;
}

bool DemoWriter::begin()
{
    DbError error;
    if (!backend_.begin(error))
        return fail(QStringLiteral("begin"), error);
    inTransaction_ = true;
    sinceCommit_ = 0;
    return true;
}

bool DemoWriter::commit()
{
    if (!flush())
        return false;
    DbError error;
    inTransaction_ = false;
    QElapsedTimer timer;
    timer.start();
    const bool committed = backend_.commit(error);
    databaseNs_ += timer.nsecsElapsed();
    if (!committed)
        return fail(QStringLiteral("commit"), error);
    ++commits_;
    sinceCommit_ = 0;
    return true;
}

void DemoWriter::rollback()
{
    DbError ignored;
    if (inTransaction_)
        backend_.rollback(ignored);
    inTransaction_ = false;
    for (auto &table : tables_)
        table->values_.clear();
}

bool DemoWriter::writeTable(DemoTable &table)
{
    const int columns = int(table.columns_.size());
    const qsizetype rows = table.values_.size() / columns;
    if (rows == 0)
        return true;
    const int perStatement = std::max(1, std::min(kMaxRowsPerStatement, kMaxValuesPerStatement / columns));
    qsizetype done = 0;
    while (done < rows) {
        const int n = int(std::min<qsizetype>(perStatement, rows - done));
        const QString key = table.name_ + QLatin1Char('/') + QString::number(n);
        QString &sql = statements_[key];
        if (sql.isEmpty()) {
            QString one = QStringLiteral("(?");
            for (int c = 1; c < columns; ++c)
                one += QStringLiteral(",?");
            one += QLatin1Char(')');
            sql = QStringLiteral("INSERT INTO ") + table.name_ + QStringLiteral(" (") +
                  table.columns_.join(QLatin1Char(',')) + QStringLiteral(") VALUES ") + one;
            sql.reserve(sql.size() + (one.size() + 1) * n);
            for (int r = 1; r < n; ++r)
                sql += QLatin1Char(',') + one;
        }
        DbError error;
        bool ok = false;
        QElapsedTimer timer;
        timer.start();
        if (done == 0 && n == rows) {
            ok = host_.exec(sql, table.values_, error);
        } else {
            QVariantList chunk;
            chunk.reserve(qsizetype(n) * columns);
            for (qsizetype i = done * columns, end = (done + n) * columns; i < end; ++i)
                chunk.append(std::move(table.values_[i]));
            ok = host_.exec(sql, chunk, error);
        }
        databaseNs_ += timer.nsecsElapsed();
        if (!ok)
            return fail(QStringLiteral("insert into ") + table.name_, error);
        done += n;
    }
    table.values_.clear();
    table.written_ += rows;
    totalWritten_ += rows;
    sinceCommit_ += rows;
    return true;
}

bool DemoWriter::flush()
{
    for (auto &table : tables_) {
        if (!writeTable(*table))
            return false;
    }
    if (inTransaction_ && sinceCommit_ >= kCommitRows) {
        DbError error;
        inTransaction_ = false;
        QElapsedTimer timer;
        timer.start();
        const bool committed = backend_.commit(error);
        databaseNs_ += timer.nsecsElapsed();
        if (!committed)
            return fail(QStringLiteral("commit"), error);
        ++commits_;
        return begin();
    }
    return true;
}

bool DemoWriter::flushIfFull()
{
    qint64 pending = 0;
    for (const auto &table : tables_)
        pending += table->pending();
    return pending < kFlushRows || flush();
}

bool DemoWriter::exec(const QString &sql, const QVariantList &params)
{
    if (!flush())
        return false;
    DbError error;
    QElapsedTimer timer;
    timer.start();
    const bool ok = host_.exec(sql, params, error);
    databaseNs_ += timer.nsecsElapsed();
    if (!ok)
        return fail(sql.simplified().left(80), error);
    return true;
}

bool DemoWriter::select(const QString &sql, const QVariantList &params, QList<Row> *rows)
{
    if (!flush())
        return false;
    DbError error;
    if (!host_.select(sql, params, *rows, error))
        return fail(sql.simplified().left(80), error);
    return true;
}

bool DemoWriter::selectInt(const QString &sql, const QVariantList &params, qint64 *value)
{
    QList<Row> rows;
    if (!select(sql, params, &rows))
        return false;
    *value = rows.isEmpty() ? 0 : rows.front().value(0).toLongLong();
    return true;
}

} // namespace kestra
