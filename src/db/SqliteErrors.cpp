// How the SQLite backend reports a failure: Oracle's number for SQLite's
// extended result code, and the constraint's name, which SQLite's messages
// leave out for unique keys and foreign keys.

#include "db/SqliteBackend.h"

#include "db/DdlScan.h"
#include "db/OraError.h"
#include "db/sql/SqlTokenizer.h"

#include <QSet>
#include <sqlite3.h>

namespace kestra {

DbError SqliteBackend::lastError(int rc, const QString &sql)
{
    const int extended = sqlite3_extended_errcode(db_);
    return mapError(extended != 0 ? extended : rc, QString::fromUtf8(sqlite3_errmsg(db_)), sql, {});
}

DbError SqliteBackend::mapError(int extended, const QString &message, const QString &sql, const QVariantList &params)
{
    switch (extended) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
        return ora::uniqueViolated(uniqueConstraintName(message));
    case SQLITE_CONSTRAINT_FOREIGNKEY: {
        bool child = false;
        const QString name = foreignKeyName(sql, params, &child);
        return child ? ora::childRecordFound(name) : ora::parentKeyNotFound(name);
    }
    case SQLITE_CONSTRAINT_NOTNULL:
        return ora::make(ora::CannotInsertNull, QStringLiteral("cannot insert NULL into (%1)")
                                                    .arg(message.mid(message.indexOf(u':') + 1).trimmed().toUpper()));
    default:
        break;
    }
    // The length checks (and the SQL helper functions) raise Oracle's own
    // number with its text.
    if (message.startsWith(QLatin1String("ORA-"))) {
        if (const int code = ora::codeFromText(message); code != 0)
            return DbError{code, message};
    }
    const int primary = extended & 0xFF;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return ora::resourceBusy();
    if (message.contains(QStringLiteral("no such table")))
        return ora::make(ora::TableMissing, QStringLiteral("table or view does not exist (%1)").arg(message));
    if (message.contains(QStringLiteral("no such column")))
        return ora::make(ora::InvalidIdentifier, QStringLiteral("invalid identifier (%1)").arg(message));
    if (message.contains(QStringLiteral("syntax error")))
        return ora::make(ora::InvalidSql, QStringLiteral("invalid SQL statement (%1)").arg(message));
    if (const std::optional<DbError> raised = ora::raisedError(message))
        return *raised; // from the Oracle functions (kestra_nextval's ORA-00054 ...)
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
        return ora::make(ora::UserDefined,
                         QStringLiteral("the database file is damaged or not a database (%1)").arg(message));
    return ora::make(ora::UserDefined, QStringLiteral("SQLite: ") + message);
}

QString SqliteBackend::uniqueConstraintName(const QString &message)
{
    // "UNIQUE constraint failed: indi_acct.barcode, indi_acct.x"
    const qsizetype colon = message.indexOf(u':');
    QString table;
    QStringList columns;
    for (const QString &part : message.mid(colon + 1).split(u',')) {
        const QString item = part.trimmed();
        const qsizetype dot = item.indexOf(u'.');
        table = item.left(dot);
        columns.append(item.mid(dot + 1));
    }
    const QString key = table.toLower() + u'|' + columns.join(u',').toLower();
    if (const auto it = constraintCache_.constFind(key); it != constraintCache_.constEnd())
        return it.value();

    QString name;
    QList<Row> indexes;
    DbError ignored;
    select(QStringLiteral("SELECT name, \"unique\", origin FROM pragma_index_list(?)"), {table}, indexes, ignored);
    QSet<QString> wanted;
    for (const QString &c : columns)
        wanted.insert(c.toLower());
    for (const Row &index : indexes) {
        if (index.value(1).toInt() != 1)
            continue;
        QList<Row> info;
        select(QStringLiteral("SELECT name FROM pragma_index_info(?)"), {index.value(0)}, info, ignored);
        QSet<QString> have;
        for (const Row &r : info)
            have.insert(r.value(0).toString().toLower());
        if (have != wanted)
            continue;
        const QString indexName = index.value(0).toString();
        if (!indexName.startsWith(QStringLiteral("sqlite_autoindex_"))) {
            name = indexName;
        } else {
            const QString kind = index.value(2).toString() == QLatin1String("pk") ? QStringLiteral("PRIMARY KEY")
                                                                                  : QStringLiteral("UNIQUE");
            name = constraintFromTableSql(table, kind, columns);
        }
        break;
    }
    if (name.isEmpty()) // an INTEGER PRIMARY KEY has no index of its own
        name = constraintFromTableSql(table, QStringLiteral("PRIMARY KEY"), columns);
    if (name.isEmpty())
        name = QStringLiteral("UK_") + table + u'_' + columns.join(u'_');
    name = name.toUpper();
    constraintCache_.insert(key, name);
    return name;
}

QString SqliteBackend::constraintFromTableSql(const QString &table, const QString &kind, const QStringList &columns,
                                              const QString &parent)
{
    QList<Row> rows;
    DbError ignored;
    select(QStringLiteral("SELECT sql FROM sqlite_master WHERE type='table' AND lower(name)=lower(?)"), {table}, rows,
           ignored);
    if (rows.isEmpty())
        return {};
    return findConstraintName(rows.front().value(0).toString(), kind, columns, parent);
}

QString SqliteBackend::foreignKeyName(const QString &sql, const QVariantList &params, bool *childFound)
{
    // SQLite does not say which key failed, nor in which direction. Run the
    // statement again with the checks deferred, ask foreign_key_check which
    // rows break which key, and undo it all. A row of the written table that
    // points nowhere is a missing parent (2291); a row elsewhere that points
    // at the written table is a child left behind (2292).
    const QString table = writtenTable(sql);
    *childFound = statementVerb(sql) == QLatin1String("DELETE");
    DbError ignored;
    if (!command(QStringLiteral("SAVEPOINT kestra_fk_probe"), ignored))
        return QStringLiteral("FK_") + table.toUpper();
    command(QStringLiteral("PRAGMA defer_foreign_keys=ON"), ignored);
    QList<Row> violations;
    if (run(sql, params, false, ignored, nullptr))
        select(QStringLiteral("SELECT \"table\", parent, fkid FROM pragma_foreign_key_check"), {}, violations, ignored);
    command(QStringLiteral("ROLLBACK TO SAVEPOINT kestra_fk_probe"), ignored);
    command(QStringLiteral("RELEASE SAVEPOINT kestra_fk_probe"), ignored);
    command(QStringLiteral("PRAGMA defer_foreign_keys=OFF"), ignored);

    const Row *chosen = nullptr;
    for (const Row &v : violations) {
        if (v.value(0).toString().compare(table, Qt::CaseInsensitive) == 0) {
            chosen = &v;
            *childFound = false;
            break;
        }
    }
    if (chosen == nullptr) {
        for (const Row &v : violations) {
            if (v.value(1).toString().compare(table, Qt::CaseInsensitive) == 0) {
                chosen = &v;
                *childFound = true;
                break;
            }
        }
    }
    if (chosen == nullptr)
        return (QStringLiteral("FK_") + table).toUpper();
    const QString child = chosen->value(0).toString();
    const QString parent = chosen->value(1).toString();
    QList<Row> keys;
    select(QStringLiteral("SELECT \"from\" FROM pragma_foreign_key_list(?) WHERE id=?"), {child, chosen->value(2)},
           keys, ignored);
    QStringList columns;
    for (const Row &k : keys)
        columns.append(k.value(0).toString());
    QString name = constraintFromTableSql(child, QStringLiteral("FOREIGN KEY"), columns, parent);
    if (name.isEmpty())
        name = QStringLiteral("FK_%1_REFERENCE_%2").arg(child, parent);
    return name.toUpper();
}

} // namespace kestra
