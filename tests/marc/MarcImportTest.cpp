// Storing records in the suite database and the marc-import / marc-export
// commands, over the schema and reference data kestra-admin installs.

#include "marc/MarcImport.h"
#include "MarcTestData.h"
#include "db/Backends.h"
#include "db/SchemaInstaller.h"
#include "marc/BibStore.h"
#include "marc/BibWriter.h"
#include "support/TestContext.h"
#include "support/TestDatabase.h"
#include "support/TestRunner.h"

#include <QFile>
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

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray drain(std::FILE *f)
{
    std::rewind(f);
    QByteArray bytes;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        bytes.append(buf, qsizetype(n));
    std::fclose(f);
    return bytes;
}

struct Suite {
    TestContext tc;
    std::unique_ptr<TestDatabase> db;

    QString open(int backend)
    {
        QString skip;
        db = TestDatabase::create(static_cast<TestDatabase::Kind>(backend), &skip);
        if (!db)
            return skip;
        const QString name = QStringLiteral("marc-import-install");
        QString why;
        bool ok = false;
        {
            const BackendTarget t = db->target();
            const bool sqlite = db->kind() == TestDatabase::Kind::Sqlite;
            QSqlDatabase sql =
                QSqlDatabase::addDatabase(sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), name);
            sql.setDatabaseName(sqlite ? t.path : t.database);
            sql.setHostName(t.host);
            sql.setPort(t.port);
            sql.setUserName(t.user);
            ok = sql.open() && installSchema(sql, sqlite ? SchemaDialect::Sqlite : SchemaDialect::Postgres, &why);
            if (!ok && why.isEmpty())
                why = sql.lastError().text();
            sql.close();
        }
        QSqlDatabase::removeDatabase(name);
        if (!ok)
            return QStringLiteral("cannot install the schema: ") + why;
        tc.writeText(QStringLiteral("kestra.ini"),
                     QStringLiteral("[LIB-DATA]\nLIB_SERVER=T\n[T]\nDSN=%1\nUID=\nPWD=\n").arg(db->dsn()));
        if (tc.context().loadIniSettings() < 0 || tc.context().db().connect() < 0)
            return QStringLiteral("cannot connect");
        return QString();
    }

    Session &session() { return tc.context().db(); }

    QString one(const QString &sql)
    {
        QueryResult r;
        if (session().query(sql, r) < 0 || r.rowCount() == 0)
            return QStringLiteral("<none>");
        return r.text(0, 0);
    }

    int run(int (*command)(const QStringList &, std::FILE *, std::FILE *), QStringList args, QByteArray *out = nullptr,
            QByteArray *err = nullptr)
    {
        std::FILE *o = std::tmpfile();
        std::FILE *e = std::tmpfile();
        args.prepend(tc.root());
        args.prepend(QStringLiteral("--root"));
        const int status = command(args, o, e);
        const QByteArray outText = drain(o);
        const QByteArray errText = drain(e);
        if (out)
            *out = outText;
        if (err)
            *err = errText;
        return status;
    }
};

} // namespace

class MarcImportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void chunksKeepTheirBlanksAndCharacters()
    {
        const QString text = QStringLiteral("ab  ") + u("书名") + QStringLiteral("    cd");
        // Code-page bytes: a chunk never ends inside 书 nor with a blank.
        const QStringList ansi = bibChunks(text, 5, false, CodePage());
        QCOMPARE(ansi.join(QString()), text);
        for (const QString &c : ansi.first(ansi.size() - 1)) {
            QVERIFY(MarcCodec().encode(c).size() <= 5);
            QVERIFY(!c.endsWith(QLatin1Char(' ')));
        }
        QCOMPARE(bibChunks(text, 4, true, CodePage()).join(QString()), text);
        QCOMPARE(bibChunks(QString(), 4, true, CodePage()), QStringList());
    }

    void storesAndReplacesRecords_data() { addBackendRows(); }
    void storesAndReplacesRecords()
    {
        QFETCH(int, backend);
        Suite s;
        if (const QString skip = s.open(backend); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        BibParams params;
        QCOMPARE(loadBibParams(s.session(), s.tc.context().folders(), CodePage(), params), 0);
        BibRecord rec = BibRecord::fromBytes(chineseUnimarc(), MarcCodec());
        rec.summary.marcRecNo = QStringLiteral("M1");
        rec.summary.marcType = QStringLiteral("C");
        QCOMPARE(rec.addField(MarcField{QStringLiteral("905"), QStringLiteral("  "),
                                        QStringLiteral("\x1f"
                                                       "dI242.4\x1f"
                                                       "e12")}),
                 0);
        StoreNotes notes;
        QCOMPARE(storeBibRecord(s.session(), rec, params, CodePage(), QStringLiteral("2026-03-14"), &notes), 0);
        QCOMPARE(s.one(QStringLiteral("SELECT m_title FROM marc WHERE marc_rec_no='M1'")), u("红楼梦:校注本"));
        QCOMPARE(s.one(QStringLiteral("SELECT m_call_no FROM marc WHERE marc_rec_no='M1'")),
                 QStringLiteral("I242.4/12"));
        QCOMPARE(s.one(QStringLiteral("SELECT create_date FROM marc WHERE marc_rec_no='M1'")),
                 QStringLiteral("2026-03-14"));
        QCOMPARE(s.one(QStringLiteral("SELECT m_info1 FROM marc WHERE marc_rec_no='M1'")),
                 QStringLiteral("978-7-02-012345-6"));
        QCOMPARE(s.one(QStringLiteral("SELECT marc_rec_no FROM call_no_lst WHERE call_no='I242.4/12'")),
                 QStringLiteral("M1"));
        // The title group uses stop words: the key is normalised.
        QCOMPARE(s.one(QStringLiteral("SELECT count(*) FROM marc_idx WHERE marc_rec_no='M1' AND marc_idx_grp='01' "
                                      "AND marc_idx_cont=") +
                       sqlQuote(u("红楼梦"))),
                 QStringLiteral("1"));
        QCOMPARE(readBibRecord(s.session(), QStringLiteral("M1"), MarcCodec()).serialize(), rec.serialize());

        // A new version replaces data and keys; copies stay.
        QVERIFY(s.session().execute(QStringLiteral("UPDATE marc SET copies=3 WHERE marc_rec_no='M1'")) == 0);
        QCOMPARE(rec.setSubfield(u"200a", u("石头记")), 0);
        QCOMPARE(storeBibRecord(s.session(), rec, params, CodePage(), QStringLiteral("2026-03-15")), 0);
        QCOMPARE(s.one(QStringLiteral("SELECT m_title FROM marc WHERE marc_rec_no='M1'")), u("石头记:校注本"));
        QCOMPARE(s.one(QStringLiteral("SELECT copies FROM marc WHERE marc_rec_no='M1'")), QStringLiteral("3"));
        QCOMPARE(s.one(QStringLiteral("SELECT count(*) FROM marc_idx WHERE marc_idx_cont=") + sqlQuote(u("红楼梦"))),
                 QStringLiteral("0"));
        QCOMPARE(readBibRecord(s.session(), QStringLiteral("M1"), MarcCodec()).serialize(), rec.serialize());

        // Another record with the same call number keeps it with the first.
        rec.summary.marcRecNo = QStringLiteral("M2");
        QCOMPARE(storeBibRecord(s.session(), rec, params, CodePage(), QStringLiteral("2026-03-15"), &notes), 0);
        QCOMPARE(notes.callNumbersSkipped, QStringList{QStringLiteral("I242.4/12")});
        QCOMPARE(storeBibRecord(s.session(), BibRecord(), params, CodePage(), QString()), -1);

        // Unicode storage mode: written through unistr, read through dump.
        s.session().setUnicodeMode(true);
        rec.summary.marcRecNo = QStringLiteral("M3");
        QCOMPARE(storeBibRecord(s.session(), rec, params, CodePage(), QStringLiteral("2026-03-16")), 0);
        QCOMPARE(readBibRecord(s.session(), QStringLiteral("M3"), MarcCodec()).serialize(), rec.serialize());
        QCOMPARE(s.one(QStringLiteral("SELECT count(*) FROM marc_idx WHERE marc_rec_no='M3' AND marc_idx_cont=") +
                       sqlQuote(u("石头记"))),
                 QStringLiteral("1"));
        s.session().setUnicodeMode(false);
    }

    void importThenExportGivesTheSameBytes_data() { addBackendRows(); }
    void importThenExportGivesTheSameBytes()
    {
        QFETCH(int, backend);
        Suite s;
        if (const QString skip = s.open(backend); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        for (const char *name : {"demo-unimarc-gb18030", "demo-marc21-utf8"}) {
            const QString file = QFINDTESTDATA(QStringLiteral("data/%1.mrc").arg(QLatin1String(name)));
            QByteArray out;
            QByteArray err;
            QCOMPARE(s.run(runMarcImport, {file}, &out, &err), 0);
            QVERIFY2(out.startsWith("12 records read, 12 stored, 0 refused"), out.constData());
            // The second file holds the same record numbers: it replaces.
            const QString exported = s.tc.root() + QStringLiteral("/out.mrc");
            QCOMPARE(s.run(runMarcExport, {QStringLiteral("--out"), exported, QStringLiteral("--all")}, &out), 0);
            QCOMPARE(readAll(exported), readAll(file));
        }
        QCOMPARE(s.one(QStringLiteral("SELECT marc_type FROM marc WHERE marc_rec_no='KS0000000001'")),
                 QStringLiteral("U"));
        QCOMPARE(s.one(QStringLiteral("SELECT lang_code FROM marc WHERE marc_rec_no='KS0000000001'")),
                 QStringLiteral("chi"));
        const QString one = s.tc.root() + QStringLiteral("/one.mrc");
        QCOMPARE(s.run(runMarcExport, {QStringLiteral("--out"), one, QStringLiteral("--encoding"),
                                       QStringLiteral("gbk"), QStringLiteral("KS0000000002")}),
                 0);
        const BibRecord back = BibRecord::fromBytes(readAll(one), MarcCodec());
        QCOMPARE(back.leader()[9], ' ');
        QVERIFY(back.decode(back.data()).contains(u("出版社")));
    }

    void importReportsBadRecordsAndGoesOn_data() { addBackendRows(); }
    void importReportsBadRecordsAndGoesOn()
    {
        QFETCH(int, backend);
        Suite s;
        if (const QString skip = s.open(backend); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        const QByteArray good = chineseUnimarc();
        QByteArray noNumber = isoRecord({{"200", "1 " + sf('a', "无号")}});
        QByteArray damaged = good;
        damaged.replace(24 + 12 + 3, 4, "00x9");
        const QString path = s.tc.root() + QStringLiteral("/bad.mrc");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(noNumber + damaged + good + good.left(60));
        f.close();
        QByteArray out;
        QByteArray err;
        QCOMPARE(s.run(runMarcImport, {path}, &out, &err), 3);
        QVERIFY2(out.startsWith("4 records read, 1 stored, 3 refused"), out.constData());
        QVERIFY2(err.contains("record 1 at byte 0 refused: no record number in field 001"), err.constData());
        const QByteArray second = "record 2 at byte " + QByteArray::number(noNumber.size()) + " refused";
        QVERIFY2(err.contains(second), err.constData());
        QVERIFY2(err.contains("the file ends inside this record"), err.constData());
        QCOMPARE(s.one(QStringLiteral("SELECT count(*) FROM marc")), QStringLiteral("1"));
        QCOMPARE(s.run(runMarcImport, {}), 2);
        QCOMPARE(s.run(runMarcExport, {QStringLiteral("--all")}), 2);
    }
};

KESTRA_TEST(MarcImportTest)
#include "MarcImportTest.moc"
