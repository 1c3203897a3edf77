#include "marc/MarcFile.h"
#include "MarcTestData.h"
#include "marc/MarcDump.h"
#include "support/CommandOutput.h"
#include "support/TestRunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kestra;
using namespace kestra::test;

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

CommandRun dump(const QStringList &args)
{
    return runCommand(&runMarcDump, args);
}

struct ReadBack {
    QList<BibRecord> records;
    QList<ParseOutcome> outcomes;
    QList<qint64> offsets;
    QList<SliceFault> faults;
};

ReadBack readFile(const QString &path, const MarcEncodingChoice &encoding = MarcEncodingChoice())
{
    ReadBack r;
    MarcFileReader reader;
    if (!reader.open(path, nullptr))
        return r;
    RecordSlice slice;
    SliceFault fault;
    while (reader.next(slice, fault)) {
        r.faults.append(fault);
        r.offsets.append(slice.offset);
        BibRecord rec;
        r.outcomes.append(fault == SliceFault::None ? rec.parse(slice.bytes, encoding.codecFor(slice.bytes)).outcome
                                                    : ParseOutcome::Refused);
        r.records.append(rec);
    }
    return r;
}

} // namespace

class MarcFileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The fixtures' .yaz-line files are yaz-marcdump's own output for the
    // .mrc files beside them.
    void dumpShowsWhatYazShows_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("UNIMARC in GB18030") << QStringLiteral("demo-unimarc-gb18030");
        QTest::newRow("MARC 21 in UTF-8") << QStringLiteral("demo-marc21-utf8");
    }

    void dumpShowsWhatYazShows()
    {
        QFETCH(QString, name);
        const QString mrc = marcTestFile(name + QStringLiteral(".mrc"));
        const QString line = marcTestFile(name + QStringLiteral(".yaz-line"));
        QVERIFY(!mrc.isEmpty() && !line.isEmpty());
        const QByteArray yaz = readAll(line);
        const CommandRun raw = dump({mrc, QStringLiteral("--raw")});
        QCOMPARE(raw.status, 0);
        QCOMPARE(raw.err, QByteArray());
        QCOMPARE(raw.out, yaz);
        const CommandRun text = dump({QStringLiteral("--encoding=auto"), mrc});
        QCOMPARE(text.status, 0);
        const QByteArray expected = MarcCodec(CodePage(QStringLiteral("GB18030"))).decode(yaz).toUtf8();
        QCOMPARE(text.out, name.contains(QLatin1String("utf8")) ? yaz : expected);
        QVERIFY(text.out.contains(u("出版社").toUtf8()));
    }

    void dumpReportsProblemsAndUsage()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.mrc"));
        QVERIFY(writeFile(path, chineseUnimarc() + chineseUnimarc().left(100)));
        const CommandRun r = dump({path});
        QCOMPARE(r.status, 3);
        const QByteArray refusal = "record 2 at byte " + QByteArray::number(chineseUnimarc().size()) + " refused";
        QVERIFY2(r.err.contains(refusal), r.err.constData());
        QCOMPARE(r.out.count(u("红楼梦").toUtf8()), 1);
        QCOMPARE(dump({dir.filePath(QStringLiteral("missing.mrc"))}).status, 1);
        QCOMPARE(dump({path, QStringLiteral("--encoding"), QStringLiteral("klingon")}).status, 2);
        QCOMPARE(dump({}).status, 2);
        QCOMPARE(dump({path, path}).status, 2);
        // GBK read as GBK, and the same bytes forced through UTF-8.
        const QString one = dir.filePath(QStringLiteral("one.mrc"));
        QVERIFY(writeFile(one, chineseUnimarc()));
        QVERIFY(dump({one, QStringLiteral("--encoding"), QStringLiteral("gbk")})
                    .out.contains(u("人民文学出版社").toUtf8()));
        QVERIFY(!dump({one, QStringLiteral("--encoding"), QStringLiteral("utf-8")}).out.contains(u("人民").toUtf8()));
    }

    void readsAFileWithFaultsBetweenGoodRecords()
    {
        const QByteArray a = chineseUnimarc();
        const QByteArray b =
            BibRecord::fromBytes(chineseMarc21(), MarcCodec()).reencoded(MarcCodec::utf8()).serialize();
        QByteArray wrongLength = a;
        wrongLength.replace(0, 5, "00100");
        QByteArray noTerminator = a.chopped(1);
        QByteArray garbage(MaxGarbage, 'x');
        QByteArray file =
            a + "\r\n" + b + wrongLength + noTerminator + b + garbage + char(0x1D) + a + "\x1A" + b.left(300);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("mixed.mrc"));
        QVERIFY(writeFile(path, file));

        const ReadBack r = readFile(path);
        QCOMPARE(r.records.size(), 8);
        QCOMPARE(r.outcomes, (QList<ParseOutcome>{ParseOutcome::Clean, ParseOutcome::Clean, ParseOutcome::Repaired,
                                                  ParseOutcome::Repaired, ParseOutcome::Clean, ParseOutcome::Refused,
                                                  ParseOutcome::Clean, ParseOutcome::Refused}));
        QCOMPARE(r.faults[5], SliceFault::NoTerminator);
        QCOMPARE(r.faults[7], SliceFault::EndsInsideRecord);
        QCOMPARE(r.offsets[1], a.size() + 2);
        // Each record decoded in its own encoding: GBK, then UTF-8 by its leader.
        QCOMPARE(r.records[0].codec(), MarcCodec(CodePage(QStringLiteral("GB18030"))));
        QCOMPARE(r.records[1].codec(), MarcCodec::utf8());
        QCOMPARE(r.records[1].fieldText(r.records[1].findField("880")), u("1 \x1f"
                                                                          "6100-01/$1\x1f"
                                                                          "a曹雪芹."));
        for (int i : {0, 2, 3, 6})
            QCOMPARE(r.records[i].serialize(), a);
        QCOMPARE(r.records[4].serialize(), b);
    }

    void writingInTheEncodingReadGivesTheSameBytes()
    {
        QTemporaryDir dir;
        for (const char *name : {"demo-unimarc-gb18030", "demo-marc21-utf8"}) {
            const QString source = marcTestFile(QStringLiteral("%1.mrc").arg(QLatin1String(name)));
            const QByteArray original = readAll(source);
            const bool isUnimarc = QByteArray(name).contains("unimarc");
            const MarcCodec own = isUnimarc ? MarcCodec(CodePage(QStringLiteral("GB18030"))) : MarcCodec::utf8();
            const MarcCodec other = isUnimarc ? MarcCodec::utf8() : MarcCodec();
            // UNIMARC has no leader mark for UTF-8, so its reader is told.
            MarcEncodingChoice readOther;
            readOther.codePage = other;
            readOther.fixed = isUnimarc;

            // Same encoding: byte for byte.
            const ReadBack first = readFile(source);
            QCOMPARE(first.records.size(), 12);
            const QString same = dir.filePath(QStringLiteral("same.mrc"));
            MarcFileWriter writer(own);
            QVERIFY(writer.open(same, nullptr));
            for (const BibRecord &rec : first.records)
                QVERIFY(writer.write(rec));
            QVERIFY(writer.close());
            QCOMPARE(readAll(same), original);

            // Through the other encoding and back.
            const QString converted = dir.filePath(QStringLiteral("other.mrc"));
            MarcFileWriter toOther(other);
            QVERIFY(toOther.open(converted, nullptr));
            for (const BibRecord &rec : first.records)
                QVERIFY(toOther.write(rec));
            QVERIFY(toOther.close());
            QVERIFY(readAll(converted) != original);
            const ReadBack second = readFile(converted, readOther);
            QByteArray back;
            for (const BibRecord &rec : second.records) {
                QCOMPARE(rec.codec(), other);
                QVERIFY(rec.writeTo(back, own));
            }
            QCOMPARE(back, original);
        }
    }

    void writerRefusesWhatCannotBeWritten()
    {
        QTemporaryDir dir;
        MarcFileWriter writer(MarcCodec::utf8());
        QVERIFY(writer.open(dir.filePath(QStringLiteral("out.mrc")), nullptr));
        QVERIFY(!writer.write(BibRecord()));
        // 45000 Chinese characters: 90000 bytes in GBK, 135000 in UTF-8.
        BibRecord big = BibRecord::create("00000nam  2200000   4500", MarcCodec());
        QCOMPARE(big.addField(MarcField{QStringLiteral("520"), QStringLiteral("  "), QString(45000, QChar(0x4E66))}),
                 0);
        QVERIFY(!writer.write(big));
        QVERIFY(writer.close());
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("out.mrc"))).size(), 0);
    }

private:
    static constexpr int MaxGarbage = 100100;
};

KESTRA_TEST(MarcFileTest)
#include "MarcFileTest.moc"
