#pragma once

#include "db/Backend.h"
#include "db/procs/ProcHost.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <initializer_list>
#include <vector>

namespace kestra {

// Rows of one table waiting to be written, flat: columns() values per row.
class DemoTable {
public:
    DemoTable(QString name, QStringList columns) : name_(std::move(name)), columns_(std::move(columns)) {}

    const QString &name() const { return name_; }
    const QStringList &columns() const { return columns_; }
    // One row, the values in column order; a null QVariant is NULL.
    void add(std::initializer_list<QVariant> values);
    void addRow(const QVariantList &values);
    qsizetype pending() const { return values_.size() / columns_.size(); }
    qint64 written() const { return written_; }

private:
    friend class DemoWriter;
    QString name_;
    QStringList columns_;
    QVariantList values_;
    qint64 written_ = 0;
};

// Loads generated rows in bulk: many rows per INSERT with bound values, the
// tables flushed parents first (the foreign keys are checked per statement
// on both backends), one transaction per about 50,000 rows.
class DemoWriter {
public:
    DemoWriter(ProcHost &host, Backend &backend);
    DemoWriter(const DemoWriter &) = delete;
    DemoWriter &operator=(const DemoWriter &) = delete;

    // Tables are flushed in the order they were declared: declare parents
    // before their children.
    DemoTable &declare(const QString &name, const QStringList &columns);
    DemoTable &operator[](const QString &name);

    bool begin();
    // Writes every pending row; commits when enough rows went since the
    // last commit. False with error() set on failure.
    bool flush();
    // Flushes when many rows are pending (call it between units of work).
    bool flushIfFull();
    bool commit();
    void rollback();

    // A statement outside the bulk tables (set-based updates and the like),
    // run in the current transaction after flushing.
    bool exec(const QString &sql, const QVariantList &params = {});
    bool select(const QString &sql, const QVariantList &params, QList<Row> *rows);
    bool selectInt(const QString &sql, const QVariantList &params, qint64 *value);

    ProcHost &host() { return host_; }
    BackendTarget::Kind kind() const { return host_.kind(); }
    const QString &error() const { return error_; }
    qint64 totalWritten() const { return totalWritten_; }
    int commits() const { return commits_; }
    // Time spent in the database (inserts, statements, commits), for the
    // report of where a run's time goes.
    qint64 databaseMs() const { return databaseNs_ / 1000000; }

private:
    bool writeTable(DemoTable &table);
    bool fail(const QString &what, const DbError &error);

    ProcHost &host_;
    Backend &backend_;
    std::vector<std::unique_ptr<DemoTable>> tables_;
    QHash<QString, DemoTable *> byName_;
    QHash<QString, QString> statements_; // "table/rows" -> SQL
    qint64 sinceCommit_ = 0;
    qint64 totalWritten_ = 0;
    qint64 databaseNs_ = 0;
    int commits_ = 0;
    bool inTransaction_ = false;
    QString error_;
};

} // namespace kestra
