#include "db/SchemaDdl.h"
#include "db/SchemaInstaller.h"
#include "support/TestRunner.h"

#include <QObject>
#include <QTest>

using namespace kestra;

namespace {

DdlStatement parsed(const QString &sql)
{
    DdlStatement st;
    QString error;
    if (!parseDdlStatement(sql, &st, &error))
        qWarning("%s", qPrintable(error));
    return st;
}

} // namespace

class SchemaDdlTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitterRespectsQuotesAndComments()
    {
        QStringList out;
        QString error;
        QVERIFY(splitSqlStatements(QStringLiteral("INSERT INTO t VALUES ('a;b', 'it''s -- no comment');\n"
                                                  "-- a comment; with a semicolon\n"
                                                  "/* block; comment */ SELECT 1 ;;\n"
                                                  "SELECT \"odd;name\" FROM t"),
                                   &out, &error));
        QCOMPARE(out.size(), 3);
        QCOMPARE(out.at(0), QStringLiteral("INSERT INTO t VALUES ('a;b', 'it''s -- no comment')"));
        QCOMPARE(out.at(1), QStringLiteral("SELECT 1"));
        QCOMPARE(out.at(2), QStringLiteral("SELECT \"odd;name\" FROM t"));

        out.clear();
        QVERIFY(!splitSqlStatements(QStringLiteral("INSERT INTO t VALUES ('open;"), &out, &error));
        QVERIFY(error.contains(QStringLiteral("unterminated")));
        QVERIFY(!splitSqlStatements(QStringLiteral("SELECT 1; /* open"), &out, &error));
    }

    void createTableIsModelled()
    {
        const DdlStatement st = parsed(QStringLiteral(
            "CREATE TABLE child (id varchar ( 20 ) NOT NULL, n numeric(12, 2) DEFAULT -1 NOT NULL, note VARCHAR(5) "
            "DEFAULT 'a,b', p VARCHAR(20), CONSTRAINT PK_CHILD PRIMARY KEY (id), CONSTRAINT UK_CHILD UNIQUE (note, p), "
            "CONSTRAINT FK_CHILD_REFERENCE_MARC FOREIGN KEY (p) REFERENCES marc (marc_rec_no) ON DELETE CASCADE)"));
        QCOMPARE(st.kind, DdlStatement::CreateTable);
        QCOMPARE(st.table.columns.size(), 4);
        QCOMPARE(st.table.columns.at(0).type, QStringLiteral("VARCHAR(20)"));
        QVERIFY(st.table.columns.at(0).notNull);
        QCOMPARE(st.table.columns.at(1).type, QStringLiteral("NUMERIC(12,2)"));
        QCOMPARE(st.table.columns.at(1).defaultValue, QStringLiteral("-1"));
        QVERIFY(st.table.columns.at(1).notNull);
        QCOMPARE(st.table.columns.at(2).defaultValue, QStringLiteral("'a,b'"));
        QCOMPARE(st.table.keys.size(), 3);
        QCOMPARE(st.table.keys.at(1).columns, (QStringList{QStringLiteral("note"), QStringLiteral("p")}));
        QCOMPARE(st.table.keys.at(2).refTable, QStringLiteral("marc"));

        // PostgreSQL runs it as written; SQLite would forget the key names,
        // so they become unique indexes, while the foreign key keeps its
        // name and its action.
        QCOMPARE(dialectStatements(st, SchemaDialect::Postgres), QStringList{st.text});
        const QStringList lite = dialectStatements(st, SchemaDialect::Sqlite);
        QCOMPARE(lite.size(), 3);
        QVERIFY(!lite.at(0).contains(QStringLiteral("PK_CHILD")));
        QVERIFY(lite.at(0).contains(QStringLiteral("n NUMERIC(12,2) NOT NULL DEFAULT -1")));
        QVERIFY(lite.at(0).contains(QStringLiteral(
            "CONSTRAINT FK_CHILD_REFERENCE_MARC FOREIGN KEY (p) REFERENCES marc (marc_rec_no) ON DELETE CASCADE")));
        QCOMPARE(lite.at(1), QStringLiteral("CREATE UNIQUE INDEX PK_CHILD ON child (id)"));
        QCOMPARE(lite.at(2), QStringLiteral("CREATE UNIQUE INDEX UK_CHILD ON child (note, p)"));
        // What SQLite keeps can be read back for the key names.
        const DdlStatement back = parsed(lite.at(0));
        QCOMPARE(back.table.keys.size(), 1);
        QCOMPARE(back.table.keys.at(0).name, QStringLiteral("FK_CHILD_REFERENCE_MARC"));
    }

    void unnamedKeysAreRefused_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("inline primary key") << QStringLiteral("CREATE TABLE t (a INTEGER PRIMARY KEY)");
        QTest::newRow("inline unique") << QStringLiteral("CREATE TABLE t (a INTEGER UNIQUE)");
        QTest::newRow("inline reference") << QStringLiteral("CREATE TABLE t (a INTEGER REFERENCES marc (x))");
        QTest::newRow("unnamed table key") << QStringLiteral("CREATE TABLE t (a INTEGER, PRIMARY KEY (a))");
        QTest::newRow("sequence option") << QStringLiteral("CREATE SEQUENCE s INCREMENT BY 2");
        QTest::newRow("other alter") << QStringLiteral("ALTER TABLE t RENAME TO u");
        QTest::newRow("fk column count") << QStringLiteral(
            "CREATE TABLE t (a INTEGER, CONSTRAINT FK_T FOREIGN KEY (a) REFERENCES u (x, y))");
    }
    void unnamedKeysAreRefused()
    {
        QFETCH(QString, sql);
        DdlStatement st;
        QString error;
        QVERIFY(!parseDdlStatement(sql, &st, &error));
        QVERIFY(!error.isEmpty());
    }

    void otherStatementsPassThrough()
    {
        const DdlStatement insert = parsed(QStringLiteral("INSERT INTO msg_mst (msg_id) VALUES ('X')"));
        QCOMPARE(insert.kind, DdlStatement::Other);
        QCOMPARE(dialectStatements(insert, SchemaDialect::Sqlite), QStringList{insert.text});

        const DdlStatement seq = parsed(QStringLiteral("CREATE SEQUENCE S_Next START WITH 100"));
        QCOMPARE(seq.kind, DdlStatement::CreateSequence);
        QCOMPARE(
            dialectStatements(seq, SchemaDialect::Sqlite),
            QStringList{QStringLiteral("INSERT INTO kestra_sequence (seq_name, last_value) VALUES ('s_next', 99)")});
        const DdlStatement drop = parsed(QStringLiteral("DROP SEQUENCE IF EXISTS S_Next"));
        QCOMPARE(dialectStatements(drop, SchemaDialect::Sqlite),
                 QStringList{QStringLiteral("DELETE FROM kestra_sequence WHERE seq_name = 's_next'")});
        const DdlStatement index = parsed(QStringLiteral("CREATE INDEX IX ON t (a, b varchar_pattern_ops)"));
        QCOMPARE(index.index.columns, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(index.index.columnDefs.at(1), QStringLiteral("b varchar_pattern_ops"));
    }

    void modelFollowsUpgrades()
    {
        SchemaModel m;
        QString error;
        QVERIFY(applyDdlStatement(m, parsed(QStringLiteral("CREATE TABLE t (a INTEGER)")), &error));
        QVERIFY(!applyDdlStatement(m, parsed(QStringLiteral("CREATE TABLE T (b INTEGER)")), &error));
        QVERIFY(applyDdlStatement(m, parsed(QStringLiteral("ALTER TABLE t ADD COLUMN b VARCHAR(3) NOT NULL")), &error));
        QVERIFY(m.table(QStringLiteral("t"))->column(QStringLiteral("B"))->notNull);
        QVERIFY(!applyDdlStatement(m, parsed(QStringLiteral("ALTER TABLE t ADD b INTEGER")), &error));
        QVERIFY(!applyDdlStatement(m, parsed(QStringLiteral("CREATE INDEX IX ON t (nope)")), &error));
        QVERIFY(error.contains(QStringLiteral("nope")));
        QVERIFY(applyDdlStatement(m, parsed(QStringLiteral("CREATE INDEX IX ON t (b)")), &error));
        QVERIFY(applyDdlStatement(m, parsed(QStringLiteral("ALTER TABLE t ADD CONSTRAINT UK_T UNIQUE (a)")), &error));
        QVERIFY(m.key(QStringLiteral("uk_t")));
        QVERIFY(applyDdlStatement(m, parsed(QStringLiteral("DROP TABLE t")), &error));
        QVERIFY(m.tables.isEmpty() && m.indexes.isEmpty());
    }

    // The shipped files parse for both dialects into the same tables.
    void shippedSchemaParses()
    {
        SchemaModel lite;
        SchemaModel pg;
        QString error;
        QVERIFY2(expectedSchema(SchemaDialect::Sqlite, &lite, &error), qPrintable(error));
        QVERIFY2(expectedSchema(SchemaDialect::Postgres, &pg, &error), qPrintable(error));
        QCOMPARE(lite.tables.size(), pg.tables.size() + 1); // kestra_sequence
        QVERIFY(lite.table(QStringLiteral("kestra_sequence")));
        // PostgreSQL's own prefix indexes: call numbers, barcodes, accession
        // numbers, reader names (SQLite's plain indexes serve those).
        QCOMPARE(lite.indexes.size() + 4, pg.indexes.size());
        QVERIFY(pg.index(QStringLiteral("IDX_MARC_IDX_GRP_CONT"))->columnDefs.at(1).contains(u"pattern_ops"));
        QCOMPARE(pg.sequences.size(), 1);
        QVERIFY(pg.table(QStringLiteral("indi_acct"))->column(QStringLiteral("shelf_no")));
    }

    // The positional procedures take their argument positions from the column
    // order; the callers fix some of them.
    void columnOrderKeepsProcedurePositions()
    {
        SchemaModel m;
        QString error;
        QVERIFY(expectedSchema(SchemaDialect::Sqlite, &m, &error));
        auto position = [&m](const char *table, const char *column) {
            const QList<ColumnDef> &cols = m.table(QLatin1String(table))->columns;
            for (qsizetype i = 0; i < cols.size(); ++i)
                if (cols.at(i).name == QLatin1String(column))
                    return int(i) + 1;
            return 0;
        };
        QCOMPARE(position("indi_acct", "prop_no"), 1);
        QCOMPARE(position("indi_acct", "bar_code"), 13);
        QCOMPARE(position("indi_acct", "in_date"), 14);
        QCOMPARE(position("indi_acct", "book_stat_code"), 15);
        QCOMPARE(position("indi_acct", "rec_flag_upt_date"), 16);
        QCOMPARE(position("indi_acct", "resp_wkr"), 19);
        QCOMPARE(position("indi_acct", "dis_location"), 22);
        QCOMPARE(position("item", "prop_no"), 1);
        QCOMPARE(position("item", "location"), 4);
        QCOMPARE(position("item", "book_stat_code"), 7);
        QCOMPARE(position("item", "book_lend_flag"), 8);
        QCOMPARE(position("item", "rec_flag_upt_date"), 17);
        QCOMPARE(position("item", "resp_wkr"), 22);
        QCOMPARE(m.table(QStringLiteral("item"))->columns.size(), 22);
        // The reader procedures: the card flag is 7th and the remark last;
        // the cancellation reason, day and reader flag are 25th, 27th, 29th.
        QCOMPARE(position("reader_cert", "cert_flag"), 7);
        QCOMPARE(position("reader_cert", "remark"), int(m.table(QStringLiteral("reader_cert"))->columns.size()));
        QCOMPARE(position("reader", "redr_del_reason"), 25);
        QCOMPARE(position("reader", "redr_del_day"), 27);
        QCOMPARE(position("reader", "redr_flag"), 29);
    }
};

KESTRA_TEST(SchemaDdlTest)
#include "SchemaDdlTest.moc"
