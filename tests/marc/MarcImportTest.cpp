// Storing records in the suite database and the marc-import / marc-export
// commands, over the schema and reference data kestra-admin installs.

#include "marc/MarcImport.h"
#include "CatalogueSuite.h"
#include "MarcTestData.h"
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
            const QString file = marcTestFile(QStringLiteral("%1.mrc").arg(QLatin1String(name)));
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

    // Records in several scripts: a GBK catalogue refuses, naming the
    // character, what GBK cannot hold; a GB18030 one keeps every record, and
    // the export gives back the file.
    void foreignScriptsAreKeptOrRefusedNeverReplaced_data() { addBackendRows(); }
    void foreignScriptsAreKeptOrRefusedNeverReplaced()
    {
        QFETCH(int, backend);
        const char *const titles[] = {"følgesvenn", // precomposed letter outside GBK
                                      "Bu\xcc\x88"
                                      "chner",       // combining diaeresis
                                      "Война и мир", // Cyrillic
                                      "Ιλιαδα",      // Greek
                                      "红楼梦",      // CJK
                                      "\xf0\xa0\x80\x80"
                                      "字"}; // outside the BMP
        QList<QByteArray> records;
        for (int i = 0; i < 6; ++i) {
            records += isoRecord({{"001", "U" + QByteArray::number(i)},
                                  {"008", QByteArray(35, ' ') + "eng  "},
                                  {"245", "10\x1f"
                                          "a" +
                                              QByteArray(titles[i])}},
                                 "00000nam a2200000 a 4500");
        }
        const QByteArray file = records.join();
        for (const char *page : {"GBK", "GB18030"}) {
            Suite s;
            if (const QString skip = s.open(backend, QString::fromLatin1(page)); !skip.isEmpty())
                QSKIP(qPrintable(skip));
            const QString path = s.tc.root() + QStringLiteral("/scripts.mrc");
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(file);
            f.close();
            QByteArray out;
            QByteArray err;
            const int status = s.run(runMarcImport, {path}, &out, &err);
            const QString exported = s.tc.root() + QStringLiteral("/out.mrc");
            QCOMPARE(s.run(runMarcExport, {QStringLiteral("--out"), exported, QStringLiteral("--all")}), 0);
            if (qstrcmp(page, "GBK") == 0) {
                QCOMPARE(status, 3);
                QVERIFY2(out.startsWith("6 records read, 3 stored, 3 refused"), out.constData());
                for (const char *named : {"U+00F8 ø in field 245", "U+0308", "U+20000 \xf0\xa0\x80\x80 in field 245"})
                    QVERIFY2(err.contains(named), err.constData());
                QCOMPARE(readAll(exported), records[2] + records[3] + records[4]);
                QCOMPARE(s.one(QStringLiteral("SELECT m_title FROM marc WHERE marc_rec_no='U2'")), u("Война и мир"));
                QCOMPARE(s.one(QStringLiteral("SELECT count(*) FROM marc WHERE marc_rec_no IN ('U0','U1','U5')")),
                         QStringLiteral("0"));
            } else {
                QCOMPARE(status, 0);
                QVERIFY2(out.startsWith("6 records read, 6 stored, 0 refused"), out.constData());
                QCOMPARE(readAll(exported), file);
            }
        }
    }

    // Records without 001: refused, unless numbered on request.
    void numbersRecordsWithoutNumberOnRequest_data() { addBackendRows(); }
    void numbersRecordsWithoutNumberOnRequest()
    {
        QFETCH(int, backend);
        Suite s;
        if (const QString skip = s.open(backend); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        const QByteArray none = isoRecord({{"200", "1 " + sf('a', "无号")}});
        const QByteArray numbered = isoRecord({{"001", "0000000007"}, {"200", "1 " + sf('a', "有号")}});
        const QByteArray tooLong = isoRecord({{"001", "123456789012345678901"}, {"200", "1 " + sf('a', "长号")}});
        const QString path = s.tc.root() + QStringLiteral("/numbers.mrc");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(numbered + none + tooLong + none);
        f.close();
        QByteArray out;
        QByteArray err;
        QCOMPARE(s.run(runMarcImport, {path}, &out, &err), 3);
        QVERIFY2(out.startsWith("4 records read, 1 stored, 3 refused"), out.constData());
        QVERIFY2(err.contains("record number 123456789012345678901 in field 001 is longer than 20"), err.constData());
        QCOMPARE(s.run(runMarcImport, {path, QStringLiteral("--number-missing")}, &out, &err), 3);
        QVERIFY2(out.startsWith("4 records read, 3 stored, 1 refused"), out.constData());
        QVERIFY2(out.contains("2 records without field 001 numbered:\n"), out.constData());
        const QByteArray second = "record 2 at byte " + QByteArray::number(numbered.size()) + ": 0000000008";
        QVERIFY2(out.contains(second), out.constData());
        QVERIFY2(out.contains(": 0000000009"), out.constData());
        QCOMPARE(s.one(QStringLiteral("SELECT m_title FROM marc WHERE marc_rec_no='0000000009'")), u("无号"));
        QCOMPARE(s.one(QStringLiteral("SELECT count(*) FROM marc")), QStringLiteral("3"));
    }

    // Export names a record that reads damaged instead of passing it as whole.
    void exportReportsDamagedRecords_data() { addBackendRows(); }
    void exportReportsDamagedRecords()
    {
        QFETCH(int, backend);
        Suite s;
        if (const QString skip = s.open(backend); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        BibParams params;
        QCOMPARE(loadBibParams(s.session(), s.tc.context().folders(), CodePage(), params), 0);
        BibRecord rec = BibRecord::fromBytes(chineseUnimarc(), MarcCodec());
        rec.summary.marcRecNo = QStringLiteral("D1");
        rec.summary.marcType = QStringLiteral("C");
        QCOMPARE(storeBibRecord(s.session(), rec, params, CodePage(), QStringLiteral("2026-03-14")), 0);
        // A directory entry whose length is no number: that field is lost.
        QString text = rec.serializeText();
        text.replace(24 + 12 + 3, 4, QStringLiteral("00x9"));
        QVERIFY(s.session().execute(QStringLiteral("UPDATE marc_data SET marc01=") + sqlQuote(text) +
                                    QStringLiteral(" WHERE marc_rec_no='D1'")) == 0);
        ParseReport report;
        QVERIFY(!readBibRecord(s.session(), QStringLiteral("D1"), MarcCodec(), &report).isBlank());
        QCOMPARE(report.outcome, ParseOutcome::Damaged);
        QByteArray out;
        QByteArray err;
        const QString exported = s.tc.root() + QStringLiteral("/d.mrc");
        QCOMPARE(s.run(runMarcExport, {QStringLiteral("--out"), exported, QStringLiteral("D1")}, &out, &err), 3);
        QVERIFY2(err.contains("record D1 is damaged, written as read"), err.constData());
        QVERIFY2(out.contains("1 records written"), out.constData());
    }
};

KESTRA_TEST(MarcImportTest)
#include "MarcImportTest.moc"
