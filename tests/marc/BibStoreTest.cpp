// Records and parameters read from a real suite database (schema and
// reference data as kestra-admin installs them), in both storage modes.

#include "marc/BibStore.h"
#include "MarcTestData.h"
#include "core/Session.h"
#include "db/Backends.h"
#include "db/SchemaInstaller.h"
#include "marc/BibExtract.h"
#include "marc/FieldReader.h"
#include "support/TestContext.h"
#include "support/TestDatabase.h"
#include "support/TestRunner.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

struct SuiteDb {
    TestContext tc;
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<Backend> admin;
    std::unique_ptr<Session> session;

    // Empty on success, else why the test is skipped.
    QString open(int backend)
    {
        QString skip;
        db = TestDatabase::create(static_cast<TestDatabase::Kind>(backend), &skip);
        if (!db)
            return skip;
        if (QString why; !install(why))
            return QStringLiteral("cannot install the schema: ") + why;
        admin = createBackend(db->target().kind);
        DbError error;
        if (!admin->open(db->target(), error))
            return error.text;
        tc.writeText(QStringLiteral("kestra.ini"),
                     QStringLiteral("[LIB-DATA]\nLIB_SERVER=T\n[T]\nDSN=%1\nUID=\nPWD=\n").arg(db->dsn()));
        if (tc.context().loadIniSettings() < 0)
            return QStringLiteral("cannot read kestra.ini");
        session = std::make_unique<Session>(tc.context());
        if (session->connect() < 0)
            return QStringLiteral("cannot connect");
        return QString();
    }

    bool install(QString &why)
    {
        const QString name = QStringLiteral("marc-store-install");
        bool ok = false;
        {
            const BackendTarget t = db->target();
            const bool sqlite = db->kind() == TestDatabase::Kind::Sqlite;
            QSqlDatabase sql =
                QSqlDatabase::addDatabase(sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), name);
            if (sqlite) {
                sql.setDatabaseName(t.path);
            } else {
                sql.setHostName(t.host);
                sql.setPort(t.port);
                sql.setUserName(t.user);
                sql.setDatabaseName(t.database);
            }
            if (!sql.open())
                why = sql.lastError().text();
            else
                ok = installSchema(sql, sqlite ? SchemaDialect::Sqlite : SchemaDialect::Postgres, &why);
            sql.close();
        }
        QSqlDatabase::removeDatabase(name);
        return ok;
    }

    bool exec(const QString &sql)
    {
        DbError error;
        if (admin->execute(sql, error))
            return true;
        qWarning("%s: %s", qPrintable(sql.left(200)), qPrintable(error.text));
        return false;
    }

    // Stores a record's text cut into chunks of the given sizes, three to a
    // row, rows inserted last first.
    bool store(const QString &no, const char *type, const QString &text, const QList<int> &sizes)
    {
        if (!exec(QStringLiteral("INSERT INTO marc (marc_rec_no, marc_type, doc_type_code, lang_code, cata_date, "
                                 "m_title) VALUES (%1, '%2', '1', 'chi', '2024-05-06 10:11:12', %3)")
                      .arg(sqlQuote(no), QString::fromLatin1(type), sqlQuote(u("红楼梦")))))
            return false;
        QStringList chunks;
        qsizetype at = 0;
        for (int size : sizes) {
            chunks.append(text.mid(at, size));
            at += size;
        }
        chunks.append(text.mid(at));
        QList<QString> rows;
        for (qsizetype i = 0; i < chunks.size(); i += 3) {
            QStringList cols;
            for (qsizetype c = i; c < i + 3; ++c)
                cols.append(c < chunks.size() && !chunks[c].isEmpty() ? sqlQuote(chunks[c]) : QStringLiteral("NULL"));
            rows.prepend(QStringLiteral("INSERT INTO marc_data (marc_rec_no, data_serial, marc01, marc02, marc03) "
                                        "VALUES (%1, %2, %3)")
                             .arg(sqlQuote(no))
                             .arg(i / 3 + 1)
                             .arg(cols.join(QLatin1Char(','))));
        }
        for (const QString &sql : rows) {
            if (!exec(sql))
                return false;
        }
        return true;
    }
};

} // namespace

class BibStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsRecordsInBothStorageModes_data() { addBackendRows(); }
    void readsRecordsInBothStorageModes()
    {
        QFETCH(int, backend);
        SuiteDb s;
        if (const QString skip = s.open(backend); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        const QByteArray raw = chineseUnimarc();
        const QString text = MarcCodec().decode(raw);
        // Cut right after blanks (the indicators "1 " of the first 200):
        // a chunk that ends with blanks must keep them.
        const qsizetype blank = text.indexOf(u("1 \x1f"
                                               "a红楼梦")) +
                                2;
        QVERIFY(s.store(QStringLiteral("R1"), "C", text, {int(blank), 7, 30, 1, 40}));
        // A long record across the 500-character pieces of the dump reads.
        BibRecord big = BibRecord::fromBytes(raw, MarcCodec());
        QCOMPARE(big.addField(MarcField{QStringLiteral("330"), QStringLiteral("  "),
                                        QStringLiteral("\x1f"
                                                       "a") +
                                            QString(1300, QChar(0x4E66)) + QStringLiteral("终")}),
                 0);
        const QString bigText = big.serializeText();
        QVERIFY(s.store(QStringLiteral("R2"), "U", bigText, {1700}));

        for (const bool unicode : {false, true}) {
            s.session->setUnicodeMode(unicode);
            ParseReport report;
            const BibRecord rec = readBibRecord(*s.session, QStringLiteral("R1"), MarcCodec(), &report);
            QCOMPARE(report.outcome, ParseOutcome::Clean);
            QCOMPARE(rec.serialize(), raw);
            QCOMPARE(rec.summary.marcType, QStringLiteral("C"));
            QCOMPARE(rec.summary.docTypeCode, QStringLiteral("1 "));
            QCOMPARE(rec.summary.cataDate, QStringLiteral("2024-05-06"));
            QCOMPARE(rec.summary.marcRecNo, QStringLiteral("R1"));
            const BibRecord second = readBibRecord(*s.session, QStringLiteral("R2"), MarcCodec());
            QCOMPARE(second.serialize(), big.serialize());
            QCOMPARE(second.typeIndex(), 1);
        }
    }

    void damagedAndMissingRecords_data() { addBackendRows(); }
    void damagedAndMissingRecords()
    {
        QFETCH(int, backend);
        SuiteDb s;
        if (const QString skip = s.open(backend); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        QString text = MarcCodec().decode(chineseUnimarc());
        text.chop(1);                                        // no record terminator, as some writers store it
        text.replace(u("人民"), QStringLiteral("\r\n\r\n")); // the same four bytes
        QVERIFY(s.store(QStringLiteral("R3"), "C", text, {}));
        ParseReport report;
        const BibRecord rec = readBibRecord(*s.session, QStringLiteral("R3"), MarcCodec(), &report);
        QCOMPARE(report.outcome, ParseOutcome::Repaired);
        QCOMPARE(FieldReader(rec).firstFieldValue(u"210c"), u("    文学出版社"));

        QVERIFY(readBibRecord(*s.session, QStringLiteral("NONE"), MarcCodec()).isBlank());
        QVERIFY(s.exec(QStringLiteral("INSERT INTO marc (marc_rec_no, marc_type) VALUES ('R4', 'C')")));
        const BibRecord noData = readBibRecord(*s.session, QStringLiteral("R4"), MarcCodec());
        QVERIFY(noData.isBlank());
        QVERIFY(noData.summary.marcType.isEmpty());
    }

    void parametersFromTheReferenceData_data() { addBackendRows(); }
    void parametersFromTheReferenceData()
    {
        QFETCH(int, backend);
        SuiteDb s;
        if (const QString skip = s.open(backend); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        QVERIFY(s.exec(QStringLiteral("INSERT INTO marc_idx_para (marc_type_id, use_type, marc_idx_grp, marc_field) "
                                      "VALUES (0, 2, '03', '690a')")));
        s.tc.writeFile(QStringLiteral("CFG/BM/BaseParam/MarcInfo.ini"),
                       gbkBytes("[CN]\r\n001=题名|200{a}{:e}}\r\n002=出版|210acd,;\r\n"));
        BibParams p;
        p.indexWidth = 60; // as the probe after the connection leaves it
        QCOMPARE(loadBibParams(*s.session, s.tc.context().folders(), CodePage(), p), 0);
        QCOMPARE(p.indexWidth, 60);
        QCOMPARE(p.titleFields[0], (QStringList{QStringLiteral("200a"), QStringLiteral("200e"), QStringLiteral("200h"),
                                                QStringLiteral("200i")}));
        QCOMPARE(p.titleFields[1].size(), 4);
        QVERIFY(p.displayItems.cell(2, 0));
        QCOMPARE(p.displayItems.cell(2, 0)->marcField, QStringLiteral("701a,711a,721a,200f"));
        QCOMPARE(p.displayItems.groupCount(), 11);
        QVERIFY(groupUsesStopwords(1, p));
        QVERIFY(!groupUsesStopwords(2, p));
        QVERIFY(p.stopWords[0].startsWith(QStringLiteral("THE,A,AN")));
        QVERIFY(p.stopWords[3].contains(u("《")));
        QCOMPARE(p.groupsByUse.size(), 1);
        QCOMPARE(p.groupsByUse[0].groups, QList<int>{3});
        QVERIFY(p.infoFields.size() >= 9);
        QCOMPARE(p.infoFields[1].name, u("价格"));
        QCOMPARE(p.marcInfo[0].size(), 2);
        QCOMPARE(p.fieldNames[0].value(QStringLiteral("210")), u("出版"));

        // The parameters and a stored record together.
        QVERIFY(s.store(QStringLiteral("R5"), "C", MarcCodec().decode(chineseUnimarc()), {}));
        const BibRecord rec = readBibRecord(*s.session, QStringLiteral("R5"), MarcCodec());
        QCOMPARE(getBibItem(rec, ItemTitle, p), u("红楼梦:校注本"));
        QCOMPARE(getBibItem(rec, ItemAuthor, p), u("曹雪芹"));
        QCOMPARE(getBibItem(rec, ItemGroup4First, p), QStringLiteral("978-7-02-012345-6"));
        QCOMPARE(buildInfoList(rec, p).value(1).value, u("北京,人民文学出版社,2008"));
        QCOMPARE(normaliseSearchKey(u("《红楼梦》, The Story"), p.stopWords), u("红楼梦 Story"));

        QueryResult rows;
        QCOMPARE(loadSummaryRows(*s.session, {QStringLiteral("R5"), QStringLiteral("NONE")}, false, rows), 0);
        QCOMPARE(rows.rowCount(), 1);
        QCOMPARE(rows.text(0, rows.columnIndex(QStringLiteral("M_TITLE"))), u("红楼梦"));
        QCOMPARE(loadSummaryRows(*s.session, {QStringLiteral("R5")}, true, rows), 0);
        QCOMPARE(rows.rowCount(), 0);
    }
};

KESTRA_TEST(BibStoreTest)
#include "BibStoreTest.moc"
