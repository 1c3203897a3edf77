#include "SchemaTestDb.h"
#include "db/SchemaLive.h"
#include "support/TestRunner.h"

#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>

using namespace kestra;
using kestra::test::ScratchDb;

namespace {

bool writeFile(const QString &path, const QString &text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) >= 0;
}

bool anyLineContains(const QStringList &lines, const QString &part)
{
    for (const QString &l : lines)
        if (l.contains(part, Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

class SchemaInstallTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void freshInstallMatchesTheSchema_data() { test::addDialectRows(); }
    void freshInstallMatchesTheSchema()
    {
        KESTRA_SCRATCH_DB(s);
        QString error;
        QVERIFY2(installSchema(s.db(), s.dialect(), &error), qPrintable(error));
        const QStringList diff = checkSchema(s.db(), s.dialect());
        QVERIFY2(diff.isEmpty(), qPrintable(diff.join(u'\n')));
        QCOMPARE(installedSchemaVersion(s.db()), kSchemaBaseVersion);

        SchemaModel model;
        QVERIFY(expectedSchema(s.dialect(), &model, &error));
        QStringList live;
        QVERIFY(liveTableNames(s.db(), s.dialect(), &live, &error));
        QCOMPARE(live.size(), model.tables.size());

        // The processing-log sequence starts at 1 on both backends.
        if (s.dialect() == SchemaDialect::Postgres)
            QCOMPARE(s.value(QStringLiteral("SELECT nextval('s_deal_log')")).toInt(), 1);
        else
            QCOMPARE(s.value(QStringLiteral("SELECT last_value + 1 FROM kestra_sequence WHERE seq_name = 's_deal_log'"))
                         .toInt(),
                     1);
        // Chinese text arrives intact.
        QCOMPARE(s.value(QStringLiteral("SELECT msg_content FROM msg_mst WHERE msg_id = 'ECM500'")).toString(),
                 QStringLiteral("该用户不存在！"));
    }

    void checkNamesEachDifference_data() { test::addDialectRows(); }
    void checkNamesEachDifference()
    {
        KESTRA_SCRATCH_DB(s);
        QString error;
        QVERIFY2(installSchema(s.db(), s.dialect(), &error), qPrintable(error));
        QCOMPARE(s.exec(QStringLiteral("DROP INDEX IDX_INDI_ACCT_REC")), QString());
        QCOMPARE(s.exec(QStringLiteral("ALTER TABLE goto_batch DROP COLUMN remark")), QString());
        QCOMPARE(s.exec(QStringLiteral("CREATE TABLE stray_table (x INTEGER)")), QString());
        QCOMPARE(s.exec(QStringLiteral("CREATE INDEX IDX_STRAY ON marc (m_title)")), QString());
        QCOMPARE(s.exec(QStringLiteral("UPDATE kestra_schema_version SET version = 7")), QString());
        if (s.dialect() == SchemaDialect::Postgres) {
            QCOMPARE(s.exec(QStringLiteral("ALTER TABLE item DROP CONSTRAINT fk_item_reference_item")), QString());
            QCOMPARE(s.exec(QStringLiteral("ALTER TABLE marc ALTER COLUMN m_isbn TYPE VARCHAR(10)")), QString());
            QCOMPARE(s.exec(QStringLiteral("DROP INDEX IDX_MARC_IDX_GRP_CONT")), QString());
            // Without the pattern operator class LIKE 'key%' cannot use it.
            QCOMPARE(
                s.exec(QStringLiteral("CREATE INDEX IDX_MARC_IDX_GRP_CONT ON marc_idx (marc_idx_grp, marc_idx_cont)")),
                QString());
        } else {
            QCOMPARE(s.exec(QStringLiteral("DROP INDEX PK_READER")), QString());
        }
        const QStringList diff = checkSchema(s.db(), s.dialect());
        QVERIFY(anyLineContains(diff, QStringLiteral("missing index IDX_INDI_ACCT_REC on indi_acct")));
        QVERIFY(anyLineContains(diff, QStringLiteral("missing column goto_batch.remark")));
        QVERIFY(anyLineContains(diff, QStringLiteral("unexpected table stray_table")));
        QVERIFY(anyLineContains(diff, QStringLiteral("unexpected index IDX_STRAY on marc")));
        QVERIFY(anyLineContains(diff, QStringLiteral("schema version 7, expected 1")));
        if (s.dialect() == SchemaDialect::Postgres) {
            QVERIFY(anyLineContains(diff, QStringLiteral("missing foreign key FK_ITEM_REFERENCE_ITEM on item")));
            QVERIFY(anyLineContains(diff, QStringLiteral("column marc.m_isbn is VARCHAR(10), expected VARCHAR(100)")));
            QVERIFY(anyLineContains(diff, QStringLiteral("index IDX_MARC_IDX_GRP_CONT on marc_idx has")));
        } else {
            QVERIFY(anyLineContains(diff, QStringLiteral("missing index PK_READER on reader")));
        }
        QVERIFY2(diff.size() == (s.dialect() == SchemaDialect::Postgres ? 8 : 6), qPrintable(diff.join(u'\n')));
    }

    // A second install must not wipe a working library by accident; force
    // replaces it on purpose.
    void secondInstallNeedsForce_data() { test::addDialectRows(); }
    void secondInstallNeedsForce()
    {
        KESTRA_SCRATCH_DB(s);
        QString error;
        QVERIFY2(installSchema(s.db(), s.dialect(), &error), qPrintable(error));
        QCOMPARE(s.exec(QStringLiteral("INSERT INTO marc (marc_rec_no, m_title) VALUES ('0000000001', 'x')")),
                 QString());
        QCOMPARE(s.exec(QStringLiteral("INSERT INTO indi_acct (prop_no, marc_rec_no) VALUES ('P1', '0000000001')")),
                 QString());

        QVERIFY(!installSchema(s.db(), s.dialect(), &error));
        QVERIFY2(error.contains(QStringLiteral("already holds the suite schema")), qPrintable(error));
        QVERIFY(error.contains(QStringLiteral("version 1")));
        QCOMPARE(s.value(QStringLiteral("SELECT COUNT(*) FROM indi_acct")).toInt(), 1);

        SchemaInstallOptions force;
        force.force = true;
        QVERIFY2(installSchema(s.db(), s.dialect(), &error, force), qPrintable(error));
        QCOMPARE(s.value(QStringLiteral("SELECT COUNT(*) FROM indi_acct")).toInt(), 0);
        QCOMPARE(s.value(QStringLiteral("SELECT COUNT(*) FROM msg_mst")).toInt() > 0, true);
        const QStringList diff = checkSchema(s.db(), s.dialect());
        QVERIFY2(diff.isEmpty(), qPrintable(diff.join(u'\n')));
    }

    // A step that fails half-way leaves the database as it was: empty.
    void failedInstallLeavesNothing_data() { test::addDialectRows(); }
    void failedInstallLeavesNothing()
    {
        KESTRA_SCRATCH_DB(s);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("0002_broken.sql")),
                          QStringLiteral("INSERT INTO no_such_table (x) VALUES (1);\n")));
        SchemaInstallOptions options;
        options.upgradesDir = dir.path();
        QString error;
        QVERIFY(!installSchema(s.db(), s.dialect(), &error, options));
        QVERIFY2(error.contains(QStringLiteral("upgrades/0002_broken.sql, statement 1")), qPrintable(error));
        QStringList live;
        QVERIFY(liveTableNames(s.db(), s.dialect(), &live, &error));
        QVERIFY2(live.isEmpty(), qPrintable(live.join(u' ')));
        QCOMPARE(installedSchemaVersion(s.db()), -1);
    }

    void upgradesRunInOrder_data() { test::addDialectRows(); }
    void upgradesRunInOrder()
    {
        KESTRA_SCRATCH_DB(s);
        QTemporaryDir dir;
        // Written out of order on purpose; 0003 relies on 0002.
        QVERIFY(writeFile(dir.filePath(QStringLiteral("0003_note_rows.sql")),
                          QStringLiteral("CREATE TABLE kestra_note (id INTEGER NOT NULL, note VARCHAR(40), "
                                         "CONSTRAINT PK_KESTRA_NOTE PRIMARY KEY (id));\n"
                                         "INSERT INTO kestra_note (id, note) SELECT 1, remark FROM goto_batch;\n"
                                         "CREATE SEQUENCE s_note START WITH 100;\n")));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("0002_goto_note.sql")),
                          QStringLiteral("ALTER TABLE goto_batch ADD COLUMN note VARCHAR(40);\n"
                                         "CREATE INDEX IDX_GOTO_BATCH_NOTE ON goto_batch (note);\n")));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("0002_goto_note.sqlite.sql")),
                          QStringLiteral("INSERT INTO msg_mst (msg_id, msg_content) VALUES ('IDC900', 'sqlite');\n")));
        QVERIFY(
            writeFile(dir.filePath(QStringLiteral("0002_goto_note.postgres.sql")),
                      QStringLiteral("INSERT INTO msg_mst (msg_id, msg_content) VALUES ('IDC900', 'postgres');\n")));

        // An old database: the base version, then upgraded.
        QString error;
        QVERIFY2(installSchema(s.db(), s.dialect(), &error), qPrintable(error));
        QCOMPARE(s.exec(QStringLiteral("INSERT INTO goto_batch (batch_no, remark) VALUES ('B1', 'kept')")), QString());
        QVERIFY(anyLineContains(checkSchema(s.db(), s.dialect(), dir.path()),
                                QStringLiteral("schema version 1, expected 3")));
        QVERIFY2(upgradeSchema(s.db(), s.dialect(), &error, dir.path()), qPrintable(error));
        QCOMPARE(installedSchemaVersion(s.db()), 3);
        QCOMPARE(s.value(QStringLiteral("SELECT note FROM kestra_note WHERE id = 1")).toString(),
                 QStringLiteral("kept"));
        QCOMPARE(s.value(QStringLiteral("SELECT msg_content FROM msg_mst WHERE msg_id = 'IDC900'")).toString(),
                 s.dialect() == SchemaDialect::Sqlite ? QStringLiteral("sqlite") : QStringLiteral("postgres"));
        QStringList diff = checkSchema(s.db(), s.dialect(), dir.path());
        QVERIFY2(diff.isEmpty(), qPrintable(diff.join(u'\n')));
        // Checked against the program's own steps, the extra objects show.
        diff = checkSchema(s.db(), s.dialect());
        QVERIFY(anyLineContains(diff, QStringLiteral("unexpected column goto_batch.note")));
        QVERIFY(anyLineContains(diff, QStringLiteral("unexpected sequence s_note")));
        // Nothing to do a second time; a program that knows less refuses.
        QVERIFY2(upgradeSchema(s.db(), s.dialect(), &error, dir.path()), qPrintable(error));
        QVERIFY(!upgradeSchema(s.db(), s.dialect(), &error));
        QVERIFY2(error.contains(QStringLiteral("newer than this program")), qPrintable(error));

        // A new database gets every step at once.
        ScratchDb fresh(s.dialect());
        QVERIFY2(fresh.ok(), qPrintable(fresh.error()));
        SchemaInstallOptions options;
        options.upgradesDir = dir.path();
        QVERIFY2(installSchema(fresh.db(), fresh.dialect(), &error, options), qPrintable(error));
        QCOMPARE(installedSchemaVersion(fresh.db()), 3);
        diff = checkSchema(fresh.db(), fresh.dialect(), dir.path());
        QVERIFY2(diff.isEmpty(), qPrintable(diff.join(u'\n')));
    }

    void badUpgradeFolderIsRefused()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("2_no_padding.sql")), QStringLiteral("SELECT 1;")));
        QList<SchemaUpgrade> steps;
        QString error;
        QVERIFY(!schemaUpgrades(&steps, &error, dir.path()));
        QVERIFY(error.contains(QStringLiteral("2_no_padding.sql")));

        QTemporaryDir dir2;
        QVERIFY(writeFile(dir2.filePath(QStringLiteral("0001_too_low.sql")), QStringLiteral("SELECT 1;")));
        QVERIFY(!schemaUpgrades(&steps, &error, dir2.path()));
        QVERIFY(error.contains(QStringLiteral("above 1")));
    }

    void wrongDialectIsRefused()
    {
        ScratchDb s(SchemaDialect::Sqlite);
        QVERIFY(s.ok());
        QString error;
        QVERIFY(!installSchema(s.db(), SchemaDialect::Postgres, &error));
        QVERIFY(error.contains(QStringLiteral("QSQLITE")));
        QStringList live;
        QVERIFY(liveTableNames(s.db(), SchemaDialect::Sqlite, &live, &error));
        QVERIFY(live.isEmpty());
    }
};

KESTRA_TEST(SchemaInstallTest)
#include "SchemaInstallTest.moc"
