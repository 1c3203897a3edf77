// The small settings files under CFG/, as hand-edited on Windows workstations.

#include "core/SettingsFiles.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace Qt::StringLiterals;
using kestra::test::gbk;

class SettingsFilesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void assignGroups()
    {
        test::TestContext tc;
        const InstallFolders &f = tc.context().folders();
        AssignGroups g = loadAssignGroups(f, CodePage());
        QVERIFY(!g.hadLines);
        QVERIFY(g.groups.isEmpty());

        tc.writeFile(u"CFG/DC/dccfg.INI"_s, gbk(u"<孤行><*><A01>\r\n" // before any group: belongs to none
                                                u"\r\n"
                                                u"[A01]\r\n"
                                                u"<文学><I><B01>\r\n"
                                                u"\r\n"
                                                u"  <其他><*><B02><B02,B03>  \r\n"
                                                u"[]\r\n" // a group without members
                                                u"[\r\n"  // a lone bracket: empty name
                                                u"<x><*><C01>\r\n"
                                                u"[分馆]\r\n"_s));
        g = loadAssignGroups(f, CodePage());
        QVERIFY(g.hadLines);
        QCOMPARE(g.orphanLines, 1);
        QCOMPARE(g.groups.size(), 4);
        QCOMPARE(g.groups.at(0).name, u"A01"_s);
        QCOMPARE(g.groups.at(0).members, QStringList({u"<文学><I><B01>"_s, u"<其他><*><B02><B02,B03>"_s}));
        QCOMPARE(g.groups.at(1).name, QString());
        QVERIFY(g.groups.at(1).members.isEmpty());
        QCOMPARE(g.groups.at(2).name, QString());
        QCOMPARE(g.groups.at(2).members, QStringList({u"<x><*><C01>"_s}));
        QCOMPARE(g.groups.at(3).name, u"分馆"_s);
        QVERIFY(g.groups.at(3).members.isEmpty());

        // Blank lines alone are no content.
        tc.writeText(u"CFG/DC/dccfg.INI"_s, u"\r\n  \r\n"_s);
        QVERIFY(!loadAssignGroups(f, CodePage()).hadLines);
    }

    // Each entry gives copies placed in a location their status; a line that
    // names no location or no status must not hand out an empty status.
    void initialStatus()
    {
        test::TestContext tc;
        const InstallFolders &f = tc.context().folders();
        QVERIFY(!loadInitialStatus(f, CodePage()).hadLines);
        tc.writeFile(u"CFG/Dc/dccfg1.ini"_s, gbk(u"A01,41,1\r\n"
                                                 u" 分馆 , 43 , 0 \r\n"
                                                 u"A03\r\n"
                                                 u",41,1\r\n"
                                                 u"A04,,1\r\n"
                                                 u"A05,42\r\n"
                                                 u"A06,41,1,extra\r\n"_s));
        const InitialStatusTable t = loadInitialStatus(f, CodePage());
        QVERIFY(t.hadLines);
        QStringList rows;
        for (const InitialStatus &r : t.rows)
            rows.append(r.location + u'|' + r.status + u'|' + r.release);
        QCOMPARE(rows, QStringList({u"A01|41|1"_s, u"分馆|43|0"_s, u"A05|42|"_s, u"A06|41|1"_s}));

        tc.writeText(u"CFG/Dc/dccfg1.ini"_s, u"no commas at all\n"_s);
        const InitialStatusTable bad = loadInitialStatus(f, CodePage());
        QVERIFY(bad.hadLines);
        QVERIFY(bad.rows.isEmpty());
    }

    void fundTypes()
    {
        test::TestContext tc;
        const InstallFolders &f = tc.context().folders();
        QVERIFY(loadFundTypes(f, CodePage()).isEmpty());
        QString text = u"[fund_type]\n"_s;
        for (int i = 0; i < 13; ++i)
            text += u"%1=%2:经费%2\n"_s.arg(i, 3, 10, QLatin1Char('0')).arg(i + 1, 2, 10, QLatin1Char('0'));
        tc.writeFile(u"CFG/CF/CFCFG.ini"_s, gbk(text));
        QList<FundType> types = loadFundTypes(f, CodePage());
        QCOMPARE(types.size(), MaxFundTypes);
        QCOMPARE(types.first().code, u"01"_s);
        QCOMPARE(types.first().name, u"经费01"_s);
        QCOMPARE(types.last().code, u"11"_s);

        // Split at the first ":"; no ":" is a code without a name; an empty
        // value ends the list as a missing key does (the profile call cannot
        // tell them apart, and an empty code would exclude every fund source).
        tc.writeText(u"CFG/cf/cfCfg.ini"_s, u"[FUND_TYPE]\n000=01:中央:财政\n001=02\n002=\n003=04:自筹\n"_s);
        types = loadFundTypes(f, CodePage());
        QCOMPARE(types.size(), 2);
        QCOMPARE(types.at(0).code + u'|' + types.at(0).name, u"01|中央:财政"_s);
        QCOMPARE(types.at(1).code + u'|' + types.at(1).name, u"02|"_s);
    }

    void readerTexts()
    {
        test::TestContext tc;
        const InstallFolders &f = tc.context().folders();
        QString text = u"[读者]\r\n"_s;
        for (int i = 0; i < 45; ++i)
            text += u"R%1=类别%2\r\n"_s.arg(i, 3, 10, QLatin1Char('0')).arg(i);
        text += u"[读者证件]\r\nR000=身份证\r\nR001=学生证\r\nR003=after a gap\r\n"_s;
        tc.writeFile(u"CFG/lt/lt_reader.ini"_s, gbk(text));
        const ReaderTexts r = loadReaderTexts(f, CodePage());
        QCOMPARE(r.categories.size(), MaxReaderTexts);
        QCOMPARE(r.categories.first(), u"类别0"_s);
        QCOMPARE(r.categories.last(), u"类别39"_s);
        QCOMPARE(r.certificates, QStringList({u"身份证"_s, u"学生证"_s}));
    }

    void barcodeSettings()
    {
        test::TestContext tc;
        const InstallFolders &f = tc.context().folders();
        BarcodeSettings b = loadBarcodeSettings(f, CodePage());
        QVERIFY(!b.fileFound);
        QCOMPARE(b.use, 0);
        QCOMPARE(b.max, 0.0);
        QCOMPARE(b.min, 0.0);
        QVERIFY(b.prefix.isEmpty() && b.suffix.isEmpty() && b.structRule.isEmpty());
        QCOMPARE(b.structUse, 0);

        tc.writeFile(u"CFG/LT/Book_Config.INI"_s,
                     gbk(u"[Book-Config]\r\nBAR_USE= 1 \r\nBAR_MAX=99999999\r\nBAR_MIN=1000.5\r\n"
                         u"BAR_PREFIX=  TS \r\nBAR_SUFFIX=\" 馆 \"\r\nBAR_STRUCT_USE=1\r\n"
                         u"BAR_STRUCT= 1:A:2:3:B \r\n"_s));
        b = loadBarcodeSettings(f, CodePage());
        QVERIFY(b.fileFound);
        QCOMPARE(b.use, 1);
        QCOMPARE(b.max, 99999999.0);
        QCOMPARE(b.min, 1000.5);
        QCOMPARE(b.prefix, u"TS"_s);
        QCOMPARE(b.suffix, u"馆"_s);
        QCOMPARE(b.structUse, 1);
        QCOMPARE(b.structRule, u"1:A:2:3:B"_s);

        tc.writeText(u"CFG/LT/Book_Config.INI"_s, u"[BOOK-CONFIG]\nBAR_USE=yes\nBAR_MAX=lots\n"_s);
        b = loadBarcodeSettings(f, CodePage());
        QVERIFY(b.fileFound);
        QCOMPARE(b.use, 0);
        QCOMPARE(b.max, 0.0);
    }

    void soundFiles()
    {
        test::TestContext tc;
        const InstallFolders &f = tc.context().folders();
        SoundSettings s = loadSoundSettings(f, CodePage());
        QVERIFY(s.messages.isEmpty() && s.locations.isEmpty() && s.others.isEmpty());

        tc.writeFile(u"CFG/sound/snd.ini"_s,
                     gbk(u"ECM002 , 错误.wav \r\nno comma\r\n,orphan.wav\r\n\r\nIDC001,\r\n"_s));
        tc.writeFile(u"CFG/sound/SND_LOCA.ini"_s, "\xEF\xBB\xBF" + u"A01,a01.wav\nA02;a02.wav\n"_s.toUtf8());
        tc.writeText(u"CFG/sound/other_loca.ini"_s, u"one,1.wav\n\nbroken\ntwo,2.wav\nthree,3.wav\nfour,4.wav\n"_s);
        s = loadSoundSettings(f, CodePage());
        auto join = [](const QList<SoundAssignment> &list) {
            QStringList out;
            for (const SoundAssignment &a : list)
                out.append(a.key + u'=' + a.file);
            return out;
        };
        QCOMPARE(join(s.messages), QStringList({u"ECM002=错误.wav"_s, u"IDC001="_s}));
        QCOMPARE(join(s.locations), QStringList({u"A01=a01.wav"_s}));
        // At most four lines are read; the line without a comma is one of them.
        QCOMPARE(join(s.others), QStringList({u"one=1.wav"_s, u"two=2.wav"_s, u"three=3.wav"_s}));
    }
};

KESTRA_TEST(SettingsFilesTest)
#include "SettingsFilesTest.moc"
