#pragma once

#include "db/SchemaDdl.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

namespace kestra {

// The suite database that the client needs, created on SQLite or PostgreSQL
// from the DDL built into the program (db/schema/): the base schema
// (version 1: schema.sql, the dialect's sqlite.sql or postgres.sql, and the
// reference data reference.sql), then the numbered upgrade steps
// upgrades/NNNN_name.sql, each of which raises the version to NNNN.
inline constexpr int kSchemaBaseVersion = 1;

// One upgrade step: the portable file and the optional dialect files of the
// same number (NNNN_name.sql, NNNN_name.sqlite.sql, NNNN_name.postgres.sql),
// run in that order.
struct SchemaUpgrade {
    int version = 0;
    QString name;
    QString portableSql;
    QString sqliteSql;
    QString postgresSql;
};

struct SchemaInstallOptions {
    // Replace a database that already holds the suite's tables: they are
    // dropped (with their data) inside the same transaction.
    bool force = false;
    // Where the upgrade steps are read; empty means those built into the
    // program.
    QString upgradesDir;
};

// The built-in DDL files, by name ("schema.sql", "sqlite.sql", ...); empty
// text when there is no such file.
QString schemaFile(const QString &name);

// The upgrade steps of a folder (default: the built-in ones), by version.
bool schemaUpgrades(QList<SchemaUpgrade> *upgrades, QString *error, const QString &upgradesDir = {});

// The version a fully installed or upgraded database carries.
int latestSchemaVersion(const QString &upgradesDir = {});

// The schema a database of this dialect must hold: the base files and every
// upgrade step applied to the model.
bool expectedSchema(SchemaDialect dialect, SchemaModel *model, QString *error, const QString &upgradesDir = {});

// Which dialect a connection speaks (by its Qt driver), if any of ours.
std::optional<SchemaDialect> schemaDialectOf(const QSqlDatabase &db);

// Creates the schema, the reference data and the upgrades in one
// transaction. A database that already holds suite tables is refused unless
// options.force is set. On failure nothing is changed and *error says which
// file and statement failed.
bool installSchema(QSqlDatabase &db, SchemaDialect dialect, QString *error, const SchemaInstallOptions &options = {});

// Applies the upgrade steps that a database does not have yet, in one
// transaction.
bool upgradeSchema(QSqlDatabase &db, SchemaDialect dialect, QString *error, const QString &upgradesDir = {});

// The version recorded in kestra_schema_version; -1 when there is none.
int installedSchemaVersion(QSqlDatabase &db);

// Compares the live database with the expected schema: tables, columns with
// their types and NOT NULL, indexes, named keys, foreign keys, sequences and
// the recorded version. One line per difference; empty when they match.
QStringList checkSchema(QSqlDatabase &db, SchemaDialect dialect, const QString &upgradesDir = {});

} // namespace kestra
