#include "SchemaTestDb.h"
#include "db/SchemaLive.h"
#include "support/TestRunner.h"

#include <QMap>
#include <QObject>
#include <QSet>
#include <QTest>

using namespace kestra;
using kestra::test::ScratchDb;

namespace {

// The keys whose names the duplicate-key messages name, and the keys behind
// "at most once" rules of the business forms.
const char *const kNamedKeys[] = {
    "INDI_BARCODE_IDX",
    "PK_INDI_ACCT",
    "PK_CALL_NO_LST",
    "PK_WORKSPACE",
    "PK_MAX_CLASS_SERIAL",
    "PK_ORDER",
    "PK_ASORD_CATA_DETL",
    "PK_ASORD_CATA",
    "PK_INPUT_BATCH",
    "PK_CHECK_ACCT",
    "PK_RECYCLE_SEC",
    "PK_ORDER_CHECK",
    "PK_INVO",
    "PK_READER_CERT",
    "PK_READER",
    "PK_LOCATION_FUND_DETL",
    "UK_DEAL_LOG",
    "PK_WAIT_COUNT_LST",
    "PK_WKR_JOB_QTY",
    "PK_VIRTUAL_SHELF_BOOK",
    "PK_COUNT_LOST_COPY",
    "PK_DEAL_BATCH_LST",
};

// A literal of the column's type; salt makes values differ between rows.
QString literal(const ColumnDef &c, int salt)
{
    if (c.type.startsWith(u"INTEGER") || c.type.startsWith(u"NUMERIC"))
        return QString::number(salt);
    int width = 30;
    if (c.type.startsWith(u"VARCHAR("))
        width = c.type.mid(8).chopped(1).toInt();
    const QString v =
        width == 1 ? QString::number(salt % 10) : QString(QStringLiteral("K") + QString::number(salt)).right(width);
    return u'\'' + v + u'\'';
}

using Values = QMap<QString, QString>; // lower-case column -> literal

// Inserts a row: the given columns, a filler for every other NOT NULL
// column, and first the parent rows that its filled foreign keys need.
QString insertRow(ScratchDb &s, const SchemaModel &m, const QString &table, Values values, int salt)
{
    const TableDef *t = m.table(table);
    if (!t)
        return QStringLiteral("no table ") + table;
    for (const ColumnDef &c : t->columns)
        if (c.notNull && !values.contains(c.name.toLower()))
            values.insert(c.name.toLower(), literal(c, salt));
    for (const KeyDef &k : t->keys) {
        if (k.kind != KeyDef::Foreign)
            continue;
        Values parent;
        QStringList where;
        for (qsizetype i = 0; i < k.columns.size(); ++i) {
            const QString v = values.value(k.columns.at(i).toLower());
            if (v.isEmpty())
                break;
            parent.insert(k.refColumns.at(i).toLower(), v);
            where.append(k.refColumns.at(i) + QStringLiteral(" = ") + v);
        }
        if (parent.size() != k.columns.size())
            continue;
        const int have = s.value(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2")
                                     .arg(k.refTable, where.join(QStringLiteral(" AND "))))
                             .toInt();
        if (have == 0) {
            const QString why = insertRow(s, m, k.refTable, parent, salt + 100);
            if (!why.isEmpty())
                return why;
        }
    }
    return s.exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(table, values.keys().join(u", "), values.values().join(u", ")));
}

// The unique index that SQLite reports for "UNIQUE constraint failed: t.a, t.b".
QString sqliteIndexFor(ScratchDb &s, const QString &message)
{
    const QString detail = message.section(u':', 1).section(QStringLiteral(" Unable"), 0, 0).trimmed();
    QString table;
    QSet<QString> columns;
    for (const QString &part : detail.split(u',')) {
        table = part.trimmed().section(u'.', 0, 0);
        columns.insert(part.trimmed().section(u'.', 1).toLower());
    }
    QSqlQuery list(s.db());
    list.exec(QStringLiteral("PRAGMA index_list(\"%1\")").arg(table));
    while (list.next()) {
        if (list.value(2).toInt() != 1)
            continue;
        QSqlQuery info(s.db());
        info.exec(QStringLiteral("PRAGMA index_info(\"%1\")").arg(list.value(1).toString()));
        QSet<QString> have;
        while (info.next())
            have.insert(info.value(2).toString().toLower());
        if (have == columns)
            return list.value(1).toString();
    }
    return {};
}

// The word of the child-record message for a constraint name, by the rule of
// the error mapping: the first "_RE", then the words ITEM, CALL, MARC, READER
// after it, tried in that order (byOrder) or by where they stand.
QString messageWord(const QString &constraint, bool byOrder)
{
    const QString text = QStringLiteral("ORA-02292: INTEGRITY CONSTRAINT (KESTRA.%1) VIOLATED - CHILD RECORD FOUND")
                             .arg(constraint.toUpper());
    const qsizetype re = text.indexOf(QStringLiteral("_RE"));
    const qsizetype after = re < 0 ? 0 : re + 1;
    QString best;
    qsizetype bestAt = -1;
    for (const char *w : {"ITEM", "CALL", "MARC", "READER"}) {
        const qsizetype at = text.indexOf(QLatin1String(w), after);
        if (at < 0)
            continue;
        if (byOrder)
            return QLatin1String(w);
        if (bestAt < 0 || at < bestAt) {
            best = QLatin1String(w);
            bestAt = at;
        }
    }
    return best;
}

} // namespace

class SchemaConstraintTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void duplicatesNameTheirKey_data() { test::addDialectRows(); }
    void duplicatesNameTheirKey()
    {
        KESTRA_SCRATCH_DB(s);
        QString error;
        QVERIFY2(installSchema(s.db(), s.dialect(), &error), qPrintable(error));
        SchemaModel m;
        QVERIFY(expectedSchema(s.dialect(), &m, &error));
        int salt = 1000;
        for (const char *name : kNamedKeys) {
            salt += 10; // parents made for one key must not collide with the next
            const QString keyName = QLatin1String(name);
            const KeyDef *key = m.key(keyName);
            QVERIFY2(key && key->kind != KeyDef::Foreign, name);
            const TableDef *table = m.table(key->table);
            Values dup;
            for (const QString &c : key->columns)
                dup.insert(c.toLower(), literal(*table->column(c), salt));
            QCOMPARE(insertRow(s, m, key->table, dup, salt + 1), QString());
            const QString failure = insertRow(s, m, key->table, dup, salt + 2);
            QVERIFY2(!failure.isEmpty(), name);
            if (s.dialect() == SchemaDialect::Postgres)
                QVERIFY2(failure.contains(u'"' + keyName.toLower() + u'"'), qPrintable(failure));
            else
                QCOMPARE(sqliteIndexFor(s, failure), keyName);
        }
    }

    // Every foreign key really blocks the delete of a parent that still has
    // a child, and reports its own name.
    void foreignKeysBlockDeletes_data() { test::addDialectRows(); }
    void foreignKeysBlockDeletes()
    {
        KESTRA_SCRATCH_DB(s);
        QString error;
        QVERIFY2(installSchema(s.db(), s.dialect(), &error), qPrintable(error));
        SchemaModel m;
        QVERIFY(expectedSchema(s.dialect(), &m, &error));
        int salt = 10;
        int count = 0;
        for (const KeyDef &k : m.keys()) {
            if (k.kind != KeyDef::Foreign)
                continue;
            ++count;
            salt += 10;
            const TableDef *parent = m.table(k.refTable);
            QVERIFY2(parent, qPrintable(k.name));
            Values child;
            QStringList where;
            for (qsizetype i = 0; i < k.columns.size(); ++i) {
                const QString v = literal(*parent->column(k.refColumns.at(i)), salt);
                child.insert(k.columns.at(i).toLower(), v);
                where.append(k.refColumns.at(i) + QStringLiteral(" = ") + v);
            }
            QCOMPARE(insertRow(s, m, k.table, child, salt), QString());
            const QString failure =
                s.exec(QStringLiteral("DELETE FROM %1 WHERE %2").arg(k.refTable, where.join(QStringLiteral(" AND "))));
            QVERIFY2(!failure.isEmpty(), qPrintable(k.name));
            if (s.dialect() == SchemaDialect::Postgres) {
                QVERIFY2(failure.contains(u'"' + k.name.toLower() + u'"'), qPrintable(failure));
            } else {
                QVERIFY2(failure.contains(QStringLiteral("FOREIGN KEY constraint failed")), qPrintable(failure));
                const QString sql =
                    s.value(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = '%1'").arg(k.table)).toString();
                QList<KeyDef> keys;
                QVERIFY(sqliteTableKeys(sql, &keys, &error));
                bool named = false;
                for (const KeyDef &have : std::as_const(keys))
                    named = named || have.name == k.name;
                QVERIFY2(named, qPrintable(k.name));
            }
        }
        QVERIFY(count >= 30);
    }

    // The child-record message names what is referenced: a copy, a call
    // number, a record or a reader. Each foreign key's name must lead the
    // mapping to its parent's word, whichever way the words are searched.
    void foreignKeyNamesChooseTheirMessage()
    {
        SchemaModel m;
        QString error;
        QVERIFY2(expectedSchema(SchemaDialect::Postgres, &m, &error), qPrintable(error));
        const QMap<QString, QString> subject = {
            {QStringLiteral("indi_acct"), QStringLiteral("ITEM")},   {QStringLiteral("item"), QStringLiteral("ITEM")},
            {QStringLiteral("call_no_lst"), QStringLiteral("CALL")}, {QStringLiteral("marc"), QStringLiteral("MARC")},
            {QStringLiteral("reader"), QStringLiteral("READER")},
        };
        for (const KeyDef &k : m.keys()) {
            if (k.kind != KeyDef::Foreign)
                continue;
            QVERIFY2(k.name.startsWith(QStringLiteral("FK_")) && k.name.contains(QStringLiteral("_REFERENCE_")),
                     qPrintable(k.name));
            const QString want = subject.value(k.refTable.toLower());
            QCOMPARE(messageWord(k.name, true), want);
            QCOMPARE(messageWord(k.name, false), want);
        }
    }

    // Names are matched as whole names by the duplicate-key messages, so no
    // other key may carry one of theirs, and each name exists once.
    void keyNamesAreDistinct()
    {
        SchemaModel m;
        QString error;
        QVERIFY(expectedSchema(SchemaDialect::Sqlite, &m, &error));
        QSet<QString> seen;
        for (const KeyDef &k : m.keys()) {
            QVERIFY2(!seen.contains(k.name.toUpper()), qPrintable(k.name));
            seen.insert(k.name.toUpper());
        }
        for (const IndexDef &i : m.indexes) {
            QVERIFY2(!seen.contains(i.name.toUpper()), qPrintable(i.name));
            seen.insert(i.name.toUpper());
        }
        for (const char *name : kNamedKeys)
            QVERIFY2(seen.contains(QLatin1String(name)), name);
    }
};

KESTRA_TEST(SchemaConstraintTest)
#include "SchemaConstraintTest.moc"
