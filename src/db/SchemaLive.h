#pragma once

#include "db/SchemaDdl.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace kestra {

// What a live database holds, read from its catalogue: SQLite through
// sqlite_master and PRAGMA table_info / index_list / index_info, PostgreSQL
// through information_schema, pg_indexes and pg_constraint (current schema).
struct LiveColumn {
    QString name;
    QString type; // normalised like ColumnDef::type
    bool notNull = false;
};

struct LiveSchema {
    QStringList tables;
    QHash<QString, QList<LiveColumn>> columns; // by lower-case table name
    QList<IndexDef> indexes;                   // every index, including those of keys
    QList<KeyDef> keys;                        // PostgreSQL: p/u/f constraints; SQLite: foreign keys
    QStringList sequences;
    QStringList problems; // what could not be read
};

bool liveTableNames(QSqlDatabase &db, SchemaDialect dialect, QStringList *tables, QString *error);
bool readLiveSchema(QSqlDatabase &db, SchemaDialect dialect, LiveSchema *live, QString *error);

// The named constraints a SQLite table declares, read from the CREATE TABLE
// text that SQLite keeps (its catalogue has no constraint names). Lets the
// error mapping name the foreign key behind "FOREIGN KEY constraint failed".
bool sqliteTableKeys(const QString &createTableSql, QList<KeyDef> *keys, QString *error);

// The differences between a model and a live schema, one line each.
QStringList compareSchemas(const SchemaModel &expected, const LiveSchema &live, SchemaDialect dialect);

} // namespace kestra
