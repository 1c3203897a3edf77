// What storing a record keeps, moves and refuses, over the suite database
// kestra-admin installs, on every backend.

#include "marc/BibWriter.h"
#include "CatalogueSuite.h"
#include "MarcTestData.h"
#include "marc/BibExtract.h"
#include "marc/BibStore.h"
#include "marc/FieldReader.h"
#include "marc/MarcText.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

struct Store {
    Suite s;
    BibParams params;

    QString open(int backend)
    {
        if (const QString skip = s.open(backend); !skip.isEmpty())
            return skip;
        if (loadBibParams(s.session(), s.tc.context().folders(), CodePage(), params) < 0)
            return QStringLiteral("cannot load the parameters");
        return QString();
    }

    int store(const BibRecord &rec, StoreNotes *notes = nullptr)
    {
        return storeBibRecord(s.session(), rec, params, CodePage(), QStringLiteral("2026-03-14"), notes);
    }

    QString one(const QString &sql) { return s.one(sql); }
};

BibRecord unimarc(const QString &no, const QByteArray &callNo = "\x1f"
                                                                "dI242.4\x1f"
                                                                "e12")
{
    BibRecord rec = BibRecord::fromBytes(chineseUnimarc(), MarcCodec());
    rec.summary.marcRecNo = no;
    rec.summary.marcType = QStringLiteral("C");
    rec.addField(MarcField{QStringLiteral("905"), QStringLiteral("  "), MarcCodec().decode(callNo)});
    return rec;
}

} // namespace

class BibWriterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A chunk that would end in an ideographic space (two bytes in GBK) is
    // cut before it: the reader trims every whitespace character and can
    // put back only blanks.
    void chunksNeverEndInWhitespace_data() { addBackendRows(); }
    void chunksNeverEndInWhitespace()
    {
        QFETCH(int, backend);
        Store t;
        if (const QString skip = t.open(backend); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        BibRecord rec = unimarc(QStringLiteral("W1"));
        // The summary starts 15 bytes on (an entry moves the record
        // terminator; indicators, delimiter and code) and is filled so that
        // bytes 1999-2000 hold an indenting "　" (two bytes in GBK).
        const int fill = 1998 - int(MarcCodec().encode(rec.serializeText()).size()) - 15;
        QVERIFY(fill > 10);
        const QString summary = QString(fill % 2, QLatin1Char('x')) + QString(fill / 2, QChar(0x4E66)) +
                                QString(3, QChar(0x3000)) + u("第二段");
        QCOMPARE(rec.addField(
                     MarcField{QStringLiteral("330"), QStringLiteral("  "), QStringLiteral("\x1f") + u("a") + summary}),
                 0);
        const QString whole = rec.serializeText();
        QCOMPARE(MarcCodec().encode(whole.left(whole.indexOf(QChar(0x3000)))).size(), 1998);
        const QStringList chunks = bibChunks(rec.serializeText(), 2000, false, CodePage());
        QVERIFY(!chunks.first().back().isSpace());
        QCOMPARE(t.store(rec), 0);
        ParseReport report;
        const BibRecord back = readBibRecord(t.s.session(), QStringLiteral("W1"), MarcCodec(), &report);
        QCOMPARE(report.outcome, ParseOutcome::Clean);
        QCOMPARE(back.serialize(), rec.serialize());

        // Stored by a writer that ended the chunk with it: the session keeps
        // trailing whitespace other than ASCII blanks, so the record comes
        // back whole rather than a byte short.
        const QString text = rec.serializeText();
        const qsizetype cut = text.indexOf(QChar(0x3000)) + 1;
        QVERIFY(t.s.session().execute(QStringLiteral("UPDATE marc_data SET marc01=") + sqlQuote(text.left(cut)) +
                                      QStringLiteral(",marc02=") + sqlQuote(text.mid(cut)) +
                                      QStringLiteral(",marc03=NULL WHERE marc_rec_no='W1'")) == 0);
        const BibRecord old = readBibRecord(t.s.session(), QStringLiteral("W1"), MarcCodec(), &report);
        QCOMPARE(report.outcome, ParseOutcome::Clean);
        QCOMPARE(old.serialize(), rec.serialize());
    }

    // A second import of a record keeps what the cataloguers set, fills the
    // document type and the classification scheme, and moves the call number.
    void reimportKeepsControlColumnsAndMovesCallNumbers_data() { addBackendRows(); }
    void reimportKeepsControlColumnsAndMovesCallNumbers()
    {
        QFETCH(int, backend);
        Store t;
        if (const QString skip = t.open(backend); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        BibRecord rec = unimarc(QStringLiteral("K1"));
        rec.summary.langCode = QStringLiteral("chi");
        QCOMPARE(t.store(rec), 0);
        QCOMPARE(t.one(QStringLiteral("SELECT doc_type_code FROM marc WHERE marc_rec_no='K1'")), QStringLiteral("01"));
        QCOMPARE(t.one(QStringLiteral("SELECT cls_id FROM call_no_lst WHERE call_no='I242.4/12'")),
                 QStringLiteral("1"));
        QVERIFY(t.s.session().execute(QStringLiteral(
                    "UPDATE marc SET doc_type_code='05',marc_use_flag='1',opac_flag='1',cata_oper='BM01',"
                    "catalog_level='2',lang_code='eng' WHERE marc_rec_no='K1'")) == 0);
        QVERIFY(t.s.session().execute(
                    QStringLiteral("UPDATE call_no_lst SET total_circ_times=7 WHERE call_no='I242.4/12'")) == 0);

        // Site separator "_" (a blank); the new version has another book number.
        QVERIFY(t.s.session().execute(QStringLiteral("UPDATE sys_comm_para SET sys_para_value='_' WHERE "
                                                     "sys_para_code='20'")) == 0);
        QCOMPARE(loadBibParams(t.s.session(), t.s.tc.context().folders(), CodePage(), t.params), 0);
        BibRecord again = unimarc(QStringLiteral("K1"), "\x1f"
                                                        "dI242.4\x1f"
                                                        "e13");
        QCOMPARE(t.store(again), 0);
        const QString control = QStringLiteral("SELECT doc_type_code||marc_use_flag||opac_flag||cata_oper||"
                                               "catalog_level||lang_code FROM marc WHERE marc_rec_no='K1'");
        QCOMPARE(t.one(control), QStringLiteral("0511BM012eng"));
        QCOMPARE(t.one(QStringLiteral("SELECT m_call_no FROM marc WHERE marc_rec_no='K1'")),
                 QStringLiteral("I242.4 13"));
        QCOMPARE(t.one(QStringLiteral("SELECT count(*) FROM call_no_lst WHERE marc_rec_no='K1'")), QStringLiteral("1"));
        QCOMPARE(t.one(QStringLiteral("SELECT total_circ_times FROM call_no_lst WHERE call_no='I242.4 13'")),
                 QStringLiteral("7"));

        // A call number reservations still name stays with the record.
        QVERIFY(t.s.session().execute(
                    QStringLiteral("INSERT INTO preg_lst (preg_no,call_no) VALUES ('P1','I242.4 13')")) == 0);
        StoreNotes notes;
        QCOMPARE(t.store(unimarc(QStringLiteral("K1"), "\x1f"
                                                       "dI242.4\x1f"
                                                       "e14"),
                         &notes),
                 0);
        QCOMPARE(notes.callNumbersKept, QStringList{QStringLiteral("I242.4 13")});
        QCOMPARE(t.one(QStringLiteral("SELECT count(*) FROM call_no_lst WHERE marc_rec_no='K1'")), QStringLiteral("2"));
    }

    // Unicode storage mode: no literal passes Oracle's 4,000 characters,
    // and a record of several thousand characters comes back whole.
    void longRecordsInUnicodeMode_data() { addBackendRows(); }
    void longRecordsInUnicodeMode()
    {
        QFETCH(int, backend);
        Store t;
        if (const QString skip = t.open(backend); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        t.s.session().setUnicodeMode(true);
        t.s.session().setDumpDecoder([](QStringView cell) { return decodeDump(cell); });
        BibRecord rec = unimarc(QStringLiteral("L1"));
        QCOMPARE(rec.addField(MarcField{QStringLiteral("330"), QStringLiteral("  "),
                                        QStringLiteral("\x1f") + u("a") + QString(2600, QChar(0x4E66)) + u("终'")}),
                 0);
        QCOMPARE(t.store(rec), 0);
        QCOMPARE(readBibRecord(t.s.session(), QStringLiteral("L1"), MarcCodec()).serialize(), rec.serialize());
        QCOMPARE(t.one(QStringLiteral("SELECT count(*) FROM marc_data WHERE marc_rec_no='L1'")), QStringLiteral("1"));

        // The summary rows come through the Unicode read path, and a list
        // of 2,500 numbers is cut into IN lists of at most 1,000.
        QStringList numbers;
        for (int i = 0; i < 2500; ++i)
            numbers.append(QStringLiteral("N%1").arg(i));
        numbers.append(QStringLiteral("L1"));
        QueryResult rows;
        QCOMPARE(loadSummaryRows(t.s.session(), numbers, false, rows), 0);
        QCOMPARE(rows.rowCount(), 1);
        QCOMPARE(rows.text(0, 6), u("红楼梦:校注本")); // M_TITLE
        QVERIFY(t.s.session().currentSql().contains(QLatin1String("dump(")));
        const QString sql = summaryRowsSql(numbers, false);
        QCOMPARE(sql.count(QLatin1String(" in (")), 3);
        for (const QString &list : sql.split(QLatin1String(" in (")).mid(1))
            QVERIFY(list.left(list.indexOf(QLatin1Char(')'))).count(QLatin1Char(',')) < 1000);
        t.s.session().setUnicodeMode(false);
    }

    // New numbers follow the catalogue's own; the record carries its number.
    // A change of marc_data alone leaves the index keys.
    void numbersNewRecordsAndRewritesDataAlone_data() { addBackendRows(); }
    void numbersNewRecordsAndRewritesDataAlone()
    {
        QFETCH(int, backend);
        Store t;
        if (const QString skip = t.open(backend); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        QString no;
        QCOMPARE(nextRecordNumber(t.s.session(), no), 0);
        QCOMPARE(no, QStringLiteral("0000000001"));
        for (const char *taken : {"0000000005", "0000000041", "00000000A9", "ocm1234567", "12345678901234"})
            QCOMPARE(t.store(unimarc(QString::fromLatin1(taken), QByteArray())), 0);
        BibRecord fresh = BibRecord::fromBytes(isoRecord({{"200", "1 " + sf('a', "无号")}}), MarcCodec());
        fresh.summary.marcType = QStringLiteral("C");
        QCOMPARE(storeNewBibRecord(t.s.session(), fresh, t.params, CodePage(), QStringLiteral("2026-03-14")), 0);
        QCOMPARE(fresh.summary.marcRecNo, QStringLiteral("0000000042"));
        const BibRecord back = readBibRecord(t.s.session(), QStringLiteral("0000000042"), MarcCodec());
        QCOMPARE(back.entry(0).tagText(), QStringLiteral("001"));
        QCOMPARE(back.fieldText(0), QStringLiteral("0000000042"));

        BibRecord longer = unimarc(QStringLiteral("123456789012345678901"));
        QCOMPARE(t.store(longer), -1);
        QVERIFY(t.s.session().error().text.contains(QLatin1String("longer than 20")));

        BibRecord note = unimarc(QStringLiteral("0000000005"), QByteArray());
        const QString keys = QStringLiteral("SELECT count(*) FROM marc_idx WHERE marc_rec_no='0000000005'");
        const QString before = t.one(keys);
        QCOMPARE(note.setSubfield(u"200a", u("新题名")), 0);
        QCOMPARE(storeBibData(t.s.session(), note, CodePage()), 0);
        QCOMPARE(t.one(keys), before);
        QCOMPARE(t.one(QStringLiteral("SELECT m_title FROM marc WHERE marc_rec_no='0000000005'")), u("红楼梦:校注本"));
        QCOMPARE(readBibRecord(t.s.session(), QStringLiteral("0000000005"), MarcCodec()).serialize(), note.serialize());
        QCOMPARE(storeBibData(t.s.session(), unimarc(QStringLiteral("NONE")), CodePage()), -1);
    }

    // Index keys and search terms normalise alike, and an ISBN typed in
    // one form finds the record that holds the other.
    void keysAndSearchesMeet_data() { addBackendRows(); }
    void keysAndSearchesMeet()
    {
        QFETCH(int, backend);
        Store t;
        if (const QString skip = t.open(backend); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        // Stop strings in lower case, and no stop characters that would take
        // the apostrophe first.
        t.params.stopWords[1] = QStringLiteral("l',d'");
        t.params.stopWords[2].clear();
        t.params.stopWords[3].clear();
        BibRecord rec = BibRecord::fromBytes(
            isoRecord(
                {{"001", "F1"}, {"010", "  " + sf('a', "978-7-5600-1234-9")}, {"200", "1 " + sf('a', "l'étranger")}}),
            MarcCodec());
        rec.summary.marcRecNo = QStringLiteral("F1");
        rec.summary.marcType = QStringLiteral("C");
        QCOMPARE(t.store(rec), 0);
        // The searches upper-case what was typed, then normalise it.
        const QString typed = normaliseSearchKey(u("l'étranger").toUpper(), t.params.stopWords);
        QCOMPARE(typed, u("ÉTRANGER"));
        QCOMPARE(t.one(QStringLiteral("SELECT marc_rec_no FROM marc_idx WHERE marc_idx_grp='01' AND marc_idx_cont=") +
                       sqlQuote(typed)),
                 QStringLiteral("F1"));
        for (const char *isbn : {"7-5600-1234-5", "978-7-5600-1234-9"}) {
            QCOMPARE(t.one(QStringLiteral("SELECT distinct marc_rec_no FROM marc_idx WHERE marc_idx_grp='05' AND ") +
                           isbnCondition(QStringLiteral("marc_idx_cont"), QString::fromLatin1(isbn), false)),
                     QStringLiteral("F1"));
        }
    }
};

KESTRA_TEST(BibWriterTest)
#include "BibWriterTest.moc"
