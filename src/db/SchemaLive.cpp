#include "db/SchemaLive.h"

#include "db/SchemaInstaller.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace kestra {

namespace {

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString lowerJoined(const QStringList &names)
{
    QStringList l;
    for (const QString &n : names)
        l.append(n.toLower());
    return l.join(u", ");
}

bool run(QSqlQuery &q, const QString &sql, QString *error)
{
    if (q.exec(sql))
        return true;
    *error = q.lastError().text() + QStringLiteral(" in: ") + sql;
    return false;
}

// PostgreSQL's information_schema types, written the way the DDL files
// write them.
QString pgType(const QString &dataType, const QVariant &length, const QVariant &precision, const QVariant &scale)
{
    if (dataType == u"character varying")
        return length.isNull() ? QStringLiteral("VARCHAR") : QStringLiteral("VARCHAR(%1)").arg(length.toInt());
    if (dataType == u"character")
        return QStringLiteral("CHAR(%1)").arg(length.toInt());
    if (dataType == u"numeric")
        return precision.isNull() ? QStringLiteral("NUMERIC")
                                  : QStringLiteral("NUMERIC(%1,%2)").arg(precision.toInt()).arg(scale.toInt());
    return dataType.toUpper();
}

QString sqliteType(const QString &declared)
{
    QString t = declared.toUpper();
    t.remove(u' ');
    return t;
}

// "CREATE UNIQUE INDEX x ON public.t USING btree (a, b varchar_pattern_ops)"
void parsePgIndexDef(const QString &def, IndexDef *index)
{
    index->unique = def.startsWith(QStringLiteral("CREATE UNIQUE"), Qt::CaseInsensitive);
    const qsizetype using_ = def.indexOf(QStringLiteral(" USING "), 0, Qt::CaseInsensitive);
    const qsizetype open = def.indexOf(u'(', using_ < 0 ? 0 : using_);
    const qsizetype close = def.lastIndexOf(u')');
    if (open < 0 || close < open)
        return;
    const QStringList parts = def.mid(open + 1, close - open - 1).split(u',');
    for (QString part : parts) {
        part = part.simplified();
        QString column = part.section(u' ', 0, 0);
        column.remove(u'"');
        index->columns.append(column);
        index->columnDefs.append(part);
    }
}

bool readSqlite(QSqlDatabase &db, LiveSchema *live, QString *error)
{
    QSqlQuery q(db);
    if (!run(q,
             QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'table' "
                            "AND name NOT LIKE 'sqlite_%' ORDER BY name"),
             error))
        return false;
    QList<QPair<QString, QString>> tables;
    while (q.next())
        tables.append({q.value(0).toString(), q.value(1).toString()});
    for (const auto &[table, sql] : std::as_const(tables)) {
        live->tables.append(table);
        QSqlQuery c(db);
        if (!run(c, QStringLiteral("PRAGMA table_info(\"%1\")").arg(table), error))
            return false;
        QList<LiveColumn> &cols = live->columns[table.toLower()];
        while (c.next())
            cols.append({c.value(1).toString(), sqliteType(c.value(2).toString()), c.value(3).toInt() != 0});

        QSqlQuery il(db);
        if (!run(il, QStringLiteral("PRAGMA index_list(\"%1\")").arg(table), error))
            return false;
        while (il.next()) {
            IndexDef index;
            index.name = il.value(1).toString();
            index.table = table;
            index.unique = il.value(2).toInt() != 0;
            QSqlQuery ii(db);
            if (!run(ii, QStringLiteral("PRAGMA index_info(\"%1\")").arg(index.name), error))
                return false;
            while (ii.next()) {
                index.columns.append(ii.value(2).toString());
                index.columnDefs.append(ii.value(2).toString());
            }
            live->indexes.append(index);
        }

        QList<KeyDef> keys;
        QString why;
        if (!sqliteTableKeys(sql, &keys, &why)) {
            live->problems.append(QStringLiteral("cannot read the keys of table %1: %2").arg(table, why));
            continue;
        }
        for (const KeyDef &k : std::as_const(keys))
            if (k.kind == KeyDef::Foreign)
                live->keys.append(k);
    }
    if (live->tables.contains(QStringLiteral("kestra_sequence"), Qt::CaseInsensitive)) {
        if (!run(q, QStringLiteral("SELECT seq_name FROM kestra_sequence ORDER BY seq_name"), error))
            return false;
        while (q.next())
            live->sequences.append(q.value(0).toString());
    }
    return true;
}

bool readPostgres(QSqlDatabase &db, LiveSchema *live, QString *error)
{
    QSqlQuery q(db);
    if (!liveTableNames(db, SchemaDialect::Postgres, &live->tables, error))
        return false;
    if (!run(q,
             QStringLiteral("SELECT table_name, column_name, data_type, character_maximum_length, "
                            "numeric_precision, numeric_scale, is_nullable FROM information_schema.columns "
                            "WHERE table_schema = current_schema() ORDER BY table_name, ordinal_position"),
             error))
        return false;
    while (q.next())
        live->columns[q.value(0).toString().toLower()].append(
            {q.value(1).toString(), pgType(q.value(2).toString(), q.value(3), q.value(4), q.value(5)),
             q.value(6).toString() == u"NO"});

    if (!run(q,
             QStringLiteral("SELECT indexname, tablename, indexdef FROM pg_indexes "
                            "WHERE schemaname = current_schema() ORDER BY indexname"),
             error))
        return false;
    while (q.next()) {
        IndexDef index;
        index.name = q.value(0).toString();
        index.table = q.value(1).toString();
        parsePgIndexDef(q.value(2).toString(), &index);
        live->indexes.append(index);
    }

    const QString keysSql = QStringLiteral(
        "SELECT c.conname, c.contype::text, t.relname, r.relname, "
        " (SELECT string_agg(a.attname, ',' ORDER BY k.ord) FROM unnest(c.conkey) WITH ORDINALITY AS k(attnum, ord) "
        "   JOIN pg_attribute a ON a.attrelid = c.conrelid AND a.attnum = k.attnum), "
        " (SELECT string_agg(a.attname, ',' ORDER BY k.ord) FROM unnest(c.confkey) WITH ORDINALITY AS k(attnum, ord) "
        "   JOIN pg_attribute a ON a.attrelid = c.confrelid AND a.attnum = k.attnum) "
        "FROM pg_constraint c JOIN pg_class t ON t.oid = c.conrelid "
        "JOIN pg_namespace n ON n.oid = t.relnamespace LEFT JOIN pg_class r ON r.oid = c.confrelid "
        "WHERE n.nspname = current_schema() AND c.contype IN ('p', 'u', 'f') ORDER BY c.conname");
    if (!run(q, keysSql, error))
        return false;
    while (q.next()) {
        KeyDef k;
        k.name = q.value(0).toString();
        const QString type = q.value(1).toString();
        k.kind = type == u"p" ? KeyDef::Primary : type == u"u" ? KeyDef::Unique : KeyDef::Foreign;
        k.table = q.value(2).toString();
        k.refTable = q.value(3).toString();
        k.columns = q.value(4).toString().split(u',', Qt::SkipEmptyParts);
        k.refColumns = q.value(5).toString().split(u',', Qt::SkipEmptyParts);
        live->keys.append(k);
    }

    if (!run(q,
             QStringLiteral("SELECT sequence_name FROM information_schema.sequences "
                            "WHERE sequence_schema = current_schema() ORDER BY sequence_name"),
             error))
        return false;
    while (q.next())
        live->sequences.append(q.value(0).toString());
    return true;
}

const char *kindName(KeyDef::Kind kind)
{
    switch (kind) {
    case KeyDef::Primary:
        return "primary key";
    case KeyDef::Unique:
        return "unique key";
    case KeyDef::Foreign:
        return "foreign key";
    }
    return "key";
}

void compareColumns(const TableDef &table, const QList<LiveColumn> &live, QStringList *out)
{
    for (const ColumnDef &c : table.columns) {
        const LiveColumn *found = nullptr;
        for (const LiveColumn &l : live)
            if (sameName(l.name, c.name))
                found = &l;
        if (!found) {
            out->append(QStringLiteral("missing column %1.%2").arg(table.name, c.name));
            continue;
        }
        if (found->type.compare(c.type, Qt::CaseInsensitive) != 0)
            out->append(QStringLiteral("column %1.%2 is %3, expected %4").arg(table.name, c.name, found->type, c.type));
        if (found->notNull != c.notNull)
            out->append(QStringLiteral("column %1.%2 %3, expected %4")
                            .arg(table.name, c.name,
                                 found->notNull ? QStringLiteral("is NOT NULL") : QStringLiteral("allows NULL"),
                                 c.notNull ? QStringLiteral("NOT NULL") : QStringLiteral("NULL allowed")));
    }
    for (const LiveColumn &l : live)
        if (!table.column(l.name))
            out->append(QStringLiteral("unexpected column %1.%2").arg(table.name, l.name));
}

void compareIndex(const IndexDef &want, const IndexDef &have, SchemaDialect dialect, QStringList *out)
{
    if (!sameName(want.table, have.table)) {
        out->append(QStringLiteral("index %1 is on table %2, expected %3").arg(want.name, have.table, want.table));
        return;
    }
    if (want.unique != have.unique)
        out->append(QStringLiteral("index %1 on %2 is %3, expected %4")
                        .arg(want.name, want.table,
                             have.unique ? QStringLiteral("unique") : QStringLiteral("not unique"),
                             want.unique ? QStringLiteral("unique") : QStringLiteral("not unique")));
    // PostgreSQL shows operator classes; compare them there too.
    const QStringList &w = dialect == SchemaDialect::Postgres ? want.columnDefs : want.columns;
    const QStringList &h = dialect == SchemaDialect::Postgres ? have.columnDefs : have.columns;
    QStringList ws;
    for (const QString &s : w)
        ws.append(s.simplified());
    if (lowerJoined(ws) != lowerJoined(h))
        out->append(QStringLiteral("index %1 on %2 has (%3), expected (%4)")
                        .arg(want.name, want.table, lowerJoined(h), lowerJoined(ws)));
}

void compareKey(const KeyDef &want, const KeyDef &have, QStringList *out)
{
    if (want.kind != have.kind || !sameName(want.table, have.table)) {
        out->append(QStringLiteral("constraint %1 is a %2 on %3, expected a %4 on %5")
                        .arg(want.name, QLatin1String(kindName(have.kind)), have.table,
                             QLatin1String(kindName(want.kind)), want.table));
        return;
    }
    if (lowerJoined(want.columns) != lowerJoined(have.columns))
        out->append(QStringLiteral("%1 %2 on %3 has (%4), expected (%5)")
                        .arg(QLatin1String(kindName(want.kind)), want.name, want.table, lowerJoined(have.columns),
                             lowerJoined(want.columns)));
    if (want.kind == KeyDef::Foreign &&
        (!sameName(want.refTable, have.refTable) || lowerJoined(want.refColumns) != lowerJoined(have.refColumns)))
        out->append(QStringLiteral("foreign key %1 on %2 references %3 (%4), expected %5 (%6)")
                        .arg(want.name, want.table, have.refTable, lowerJoined(have.refColumns), want.refTable,
                             lowerJoined(want.refColumns)));
}

} // namespace

bool sqliteTableKeys(const QString &createTableSql, QList<KeyDef> *keys, QString *error)
{
    DdlStatement st;
    if (!parseDdlStatement(createTableSql, &st, error))
        return false;
    if (st.kind != DdlStatement::CreateTable) {
        if (error)
            *error = QStringLiteral("not a CREATE TABLE statement");
        return false;
    }
    *keys = st.table.keys;
    return true;
}

bool liveTableNames(QSqlDatabase &db, SchemaDialect dialect, QStringList *tables, QString *error)
{
    QSqlQuery q(db);
    const QString sql = dialect == SchemaDialect::Sqlite
                            ? QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                             "AND name NOT LIKE 'sqlite_%' ORDER BY name")
                            : QStringLiteral("SELECT table_name FROM information_schema.tables "
                                             "WHERE table_schema = current_schema() AND table_type = 'BASE TABLE' "
                                             "ORDER BY table_name");
    if (!run(q, sql, error))
        return false;
    tables->clear();
    while (q.next())
        tables->append(q.value(0).toString());
    return true;
}

bool readLiveSchema(QSqlDatabase &db, SchemaDialect dialect, LiveSchema *live, QString *error)
{
    *live = LiveSchema();
    return dialect == SchemaDialect::Sqlite ? readSqlite(db, live, error) : readPostgres(db, live, error);
}

QStringList compareSchemas(const SchemaModel &expected, const LiveSchema &live, SchemaDialect dialect)
{
    QStringList out = live.problems;

    for (const TableDef &t : expected.tables) {
        if (!live.tables.contains(t.name, Qt::CaseInsensitive))
            out.append(QStringLiteral("missing table %1").arg(t.name));
        else
            compareColumns(t, live.columns.value(t.name.toLower()), &out);
    }
    for (const QString &t : live.tables)
        if (!expected.table(t))
            out.append(QStringLiteral("unexpected table %1").arg(t));

    // Primary and unique keys are unique indexes of the same name on both
    // backends (SQLite: created so by the installer; PostgreSQL: the
    // constraint's own index).
    QList<IndexDef> wanted = expected.indexes;
    for (const KeyDef &k : expected.keys()) {
        if (k.kind == KeyDef::Foreign)
            continue;
        wanted.append({k.name, k.table, true, k.columns, k.columns});
    }
    auto findIndex = [&live](const QString &name) -> const IndexDef * {
        for (const IndexDef &i : live.indexes)
            if (sameName(i.name, name))
                return &i;
        return nullptr;
    };
    for (const IndexDef &want : std::as_const(wanted)) {
        const IndexDef *have = findIndex(want.name);
        if (!have) {
            if (live.tables.contains(want.table, Qt::CaseInsensitive))
                out.append(QStringLiteral("missing index %1 on %2").arg(want.name, want.table));
            continue;
        }
        compareIndex(want, *have, dialect, &out);
    }
    for (const IndexDef &have : live.indexes) {
        bool known = false;
        for (const IndexDef &want : std::as_const(wanted))
            known = known || sameName(want.name, have.name);
        if (!known && expected.table(have.table))
            out.append(
                QStringLiteral("unexpected index %1 on %2 (%3)").arg(have.name, have.table, lowerJoined(have.columns)));
    }

    // Named constraints: every key on PostgreSQL; the foreign keys on SQLite,
    // whose primary and unique keys are the indexes above.
    auto findKey = [&live](const QString &name) -> const KeyDef * {
        for (const KeyDef &k : live.keys)
            if (sameName(k.name, name))
                return &k;
        return nullptr;
    };
    QList<KeyDef> wantedKeys;
    for (const KeyDef &k : expected.keys())
        if (dialect == SchemaDialect::Postgres || k.kind == KeyDef::Foreign)
            wantedKeys.append(k);
    for (const KeyDef &want : std::as_const(wantedKeys)) {
        const KeyDef *have = findKey(want.name);
        if (!have) {
            if (live.tables.contains(want.table, Qt::CaseInsensitive))
                out.append(QStringLiteral("missing %1 %2 on %3")
                               .arg(QLatin1String(kindName(want.kind)), want.name, want.table));
            continue;
        }
        compareKey(want, *have, &out);
    }
    for (const KeyDef &have : live.keys) {
        bool known = false;
        for (const KeyDef &want : std::as_const(wantedKeys))
            known = known || sameName(want.name, have.name);
        if (!known && expected.table(have.table))
            out.append(QStringLiteral("unexpected %1 %2 on %3")
                           .arg(QLatin1String(kindName(have.kind)), have.name, have.table));
    }

    for (const SequenceDef &s : expected.sequences)
        if (!live.sequences.contains(s.name, Qt::CaseInsensitive))
            out.append(QStringLiteral("missing sequence %1").arg(s.name));
    for (const QString &s : live.sequences) {
        bool known = false;
        for (const SequenceDef &w : expected.sequences)
            known = known || sameName(w.name, s);
        if (!known)
            out.append(QStringLiteral("unexpected sequence %1").arg(s));
    }
    return out;
}

QStringList checkSchema(QSqlDatabase &db, SchemaDialect dialect, const QString &upgradesDir)
{
    SchemaModel expected;
    QString error;
    if (!expectedSchema(dialect, &expected, &error, upgradesDir))
        return {QStringLiteral("cannot read the expected schema: ") + error};
    if (!db.isOpen() || schemaDialectOf(db) != dialect)
        return {QStringLiteral("the connection is not an open database of the requested dialect")};
    LiveSchema live;
    if (!readLiveSchema(db, dialect, &live, &error))
        return {QStringLiteral("cannot read the database: ") + error};
    QStringList out = compareSchemas(expected, live, dialect);
    const int version = installedSchemaVersion(db);
    const int latest = latestSchemaVersion(upgradesDir);
    if (version < 0)
        out.append(QStringLiteral("no schema version recorded"));
    else if (version != latest)
        out.append(QStringLiteral("schema version %1, expected %2").arg(version).arg(latest));
    return out;
}

} // namespace kestra
