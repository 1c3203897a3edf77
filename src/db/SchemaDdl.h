#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kestra {

enum class SchemaDialect { Sqlite, Postgres };

// The schema as the DDL files declare it: what the installer creates and what
// the checker expects to find. Names are kept as written in the files; every
// comparison with a live database ignores case.
struct ColumnDef {
    QString name;
    QString type; // normalised: "VARCHAR(20)", "NUMERIC(12,2)", "INTEGER", "TEXT"
    bool notNull = false;
    QString defaultValue; // as written, empty when none
};

struct KeyDef {
    enum Kind { Primary, Unique, Foreign };
    Kind kind = Primary;
    QString name;
    QString table;
    QStringList columns;
    QString refTable;       // Foreign only
    QStringList refColumns; // Foreign only
    QString actions;        // Foreign only: "ON DELETE ..." as written
};

struct IndexDef {
    QString name;
    QString table;
    bool unique = false;
    QStringList columns;    // bare column names
    QStringList columnDefs; // as written, with operator classes ("x varchar_pattern_ops")
};

struct TableDef {
    QString name;
    QList<ColumnDef> columns;
    QList<KeyDef> keys;

    const ColumnDef *column(const QString &name) const;
};

struct SequenceDef {
    QString name;
    qint64 start = 1;
};

struct SchemaModel {
    QList<TableDef> tables; // in creation order: parents first
    QList<IndexDef> indexes;
    QList<SequenceDef> sequences;

    const TableDef *table(const QString &name) const;
    TableDef *table(const QString &name);
    const IndexDef *index(const QString &name) const;
    // Every named key (primary, unique, foreign) of every table.
    QList<KeyDef> keys() const;
    const KeyDef *key(const QString &name) const;
};

// One statement of a DDL file, classified.
struct DdlStatement {
    enum Kind {
        CreateTable,
        CreateIndex,
        CreateSequence,
        AlterAddColumn,
        AlterAddKey,
        DropTable,
        DropIndex,
        DropSequence,
        Other // data statements and anything else: run as written
    };
    Kind kind = Other;
    QString text;         // the statement as written, without the ';'
    TableDef table;       // CreateTable
    IndexDef index;       // CreateIndex
    SequenceDef sequence; // CreateSequence
    ColumnDef column;     // AlterAddColumn
    KeyDef key;           // AlterAddKey
    QString target;       // table of Alter*; object of Drop*
};

// Splits SQL text at the ';' that stand outside quotes and comments. Comments
// are removed, each statement is trimmed, empty statements are dropped. A
// quote or block comment left open is an error.
bool splitSqlStatements(const QString &sql, QStringList *statements, QString *error);

// Classifies and parses one statement. Keys must be named table constraints
// ("CONSTRAINT name PRIMARY KEY (...)"); an unnamed or inline key is refused,
// because the error messages depend on the names.
bool parseDdlStatement(const QString &statement, DdlStatement *out, QString *error);

// Applies a parsed statement to the model (Other statements change nothing).
bool applyDdlStatement(SchemaModel &model, const DdlStatement &statement, QString *error);

// The statements that carry out a parsed statement on a dialect. PostgreSQL
// takes every statement as written. SQLite keeps no constraint names, so there
// a named primary or unique key becomes a named unique index, and a sequence
// becomes a row of kestra_sequence.
QStringList dialectStatements(const DdlStatement &statement, SchemaDialect dialect);

// The counter row that stands for a sequence on SQLite.
QString sqliteSequenceRow(const SequenceDef &sequence);

} // namespace kestra
