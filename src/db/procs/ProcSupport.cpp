#include "db/procs/ProcSupport.h"

#include <vector>

#include "db/OraError.h"

#include <cmath>

namespace kestra::procs {

namespace {

QString procName(const char *proc)
{
    return QString::fromLatin1(proc).toUpper();
}

// "prop_no=?" for each key, joined by AND; the key values appended to params.
bool keyClause(const ProcArgs &args, const char *proc, std::span<const Field> keys, QString &where,
               QVariantList &params, DbError &error)
{
    for (const Field &key : keys) {
        QVariant value;
        if (!fieldValue(args, key, proc, value, error))
            return false;
        if (!where.isEmpty())
            where += QLatin1String(" AND ");
        where += QLatin1String(key.column) + QLatin1String("=?");
        params.append(value);
    }
    return true;
}

bool anyKeyNull(const ProcArgs &args, std::span<const Field> keys)
{
    for (const Field &key : keys) {
        if (args.isNull(key.position))
            return true;
    }
    return false;
}

} // namespace

bool fieldValue(const ProcArgs &args, const Field &field, const char *proc, QVariant &value, DbError &error)
{
    if (args.isNull(field.position)) {
        value = QVariant();
        return true;
    }
    if (field.kind == ArgKind::Text) {
        value = args.text(field.position);
        return true;
    }
    const QVariant given = args.value(field.position);
    // A quoted number, as SqlQuote writes every value: Oracle converts it,
    // blanks around it allowed; anything else is ORA-01722. Qt also reads
    // "inf" and "nan", which no numeric column holds.
    bool ok = given.typeId() == QMetaType::Double;
    const double number = ok ? given.toDouble() : given.toString().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number)) {
        error = ora::make(ora::InvalidNumber,
                          QStringLiteral("invalid number: argument %1 of %2 ('%3' for %4)")
                              .arg(field.position + 1)
                              .arg(procName(proc), given.toString(), QString::fromLatin1(field.column)));
        return false;
    }
    if (field.limit > 0 && std::fabs(number) >= field.limit) {
        error = ora::make(1438, QStringLiteral("value larger than specified precision allowed for this column: "
                                               "argument %1 of %2 (%3 for %4)")
                                    .arg(field.position + 1)
                                    .arg(procName(proc), given.toString(), QString::fromLatin1(field.column)));
        return false;
    }
    value = number;
    return true;
}

DbError rowMissing(const char *proc, const char *table, std::span<const Field> keys, const ProcArgs &args)
{
    QStringList named;
    for (const Field &key : keys) {
        named.append(QLatin1String(key.column) + u'=' +
                     (args.isNull(key.position) ? QStringLiteral("NULL") : u'\'' + args.text(key.position) + u'\''));
    }
    // The operator reads this in the error box; the rest is for whoever reads the log.
    return ora::make(RowMissing, QStringLiteral("要修改的记录不存在: %1 %2 (%3)")
                                     .arg(QString::fromLatin1(table), named.join(QLatin1String(", ")), procName(proc)));
}

bool updateRow(ProcHost &host, const ProcArgs &args, const char *proc, const char *table, std::span<const Field> keys,
               std::span<const Field> values, DbError &error, const QStringList &extra)
{
    if (anyKeyNull(args, keys)) {
        error = rowMissing(proc, table, keys, args);
        return false;
    }
    QString set;
    QVariantList params;
    for (const Field &field : values) {
        if (args.isNull(field.position))
            continue;
        QVariant value;
        if (!fieldValue(args, field, proc, value, error))
            return false;
        if (!set.isEmpty())
            set += u',';
        set += QLatin1String(field.column) + QLatin1String("=?");
        params.append(value);
    }
    for (const QString &assignment : extra) {
        if (!set.isEmpty())
            set += u',';
        set += assignment;
    }
    QString where;
    if (!keyClause(args, proc, keys, where, params, error))
        return false;

    if (set.isEmpty()) {
        // Nothing to change, but a call naming a missing row is still wrong.
        QList<Row> rows;
        if (!host.select(QStringLiteral("SELECT 1 FROM %1 WHERE %2").arg(QLatin1String(table), where), params, rows,
                         error))
            return false;
        if (rows.isEmpty()) {
            error = rowMissing(proc, table, keys, args);
            return false;
        }
        return true;
    }
    return host.execChanging(QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(QLatin1String(table), set, where), params,
                             rowMissing(proc, table, keys, args), error);
}

bool insertRow(ProcHost &host, const ProcArgs &args, const char *proc, const char *table, std::span<const Field> keys,
               std::span<const Field> values, DbError &error)
{
    std::vector<Field> fields(keys.begin(), keys.end());
    fields.insert(fields.end(), values.begin(), values.end());
    return insertRow(host, args, proc, table, fields, error);
}

bool insertRow(ProcHost &host, const ProcArgs &args, const char *proc, const char *table, std::span<const Field> fields,
               DbError &error, const QList<QPair<QString, QString>> &computed)
{
    QStringList columns;
    QStringList marks;
    QVariantList params;
    for (const auto &[column, expression] : computed) {
        columns.append(column);
        marks.append(expression);
    }
    for (const Field &field : fields) {
        if (args.isNull(field.position))
            continue;
        QVariant value;
        if (!fieldValue(args, field, proc, value, error))
            return false;
        columns.append(QLatin1String(field.column));
        marks.append(QStringLiteral("?"));
        params.append(value);
    }
    if (params.isEmpty()) {
        error = ora::make(ora::CannotInsertNull,
                          QStringLiteral("cannot insert NULL into (%1): every argument of %2 is NULL")
                              .arg(QString::fromLatin1(table).toUpper(), procName(proc)));
        return false;
    }
    return host.exec(
        QStringLiteral("INSERT INTO %1(%2) VALUES(%3)").arg(QLatin1String(table), columns.join(u','), marks.join(u',')),
        params, error);
}

bool deleteRows(ProcHost &host, const ProcArgs &args, const char *proc, const char *table, std::span<const Field> keys,
                DbError &error)
{
    if (anyKeyNull(args, keys))
        return true; // no row has a NULL key
    QString where;
    QVariantList params;
    if (!keyClause(args, proc, keys, where, params, error))
        return false;
    return host.exec(QStringLiteral("DELETE FROM %1 WHERE %2").arg(QLatin1String(table), where), params, error);
}

} // namespace kestra::procs

namespace kestra {

bool ProcHost::execChanging(const QString &sql, const QVariantList &params, const DbError &none, DbError &error)
{
    qint64 changed = 0;
    if (!exec(sql, params, error, &changed))
        return false;
    if (changed == 0) {
        error = none;
        return false;
    }
    return true;
}

} // namespace kestra
