// Reading profile files the way the suite's Windows workstations read them.

#include "core/IniFile.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace Qt::StringLiterals;
using kestra::test::gbk;

namespace {

// Duplicate sections and keys, quotes, comments, blanks and a Chinese section.
const char16_t kProfile[] = u"; written by hand\n"
                            u"[Lib-Data]\n"
                            u"LIB_SERVER = Main\n"
                            u"lib_server=Second\n"
                            u";Commented=1\n"
                            u"Quoted=\"  spaced  \"\n"
                            u"Single='x'\n"
                            u"Unbalanced=\"abc\n"
                            u"Empty=\n"
                            u"   Indented   =   yes   \n"
                            u"NoEquals\n"
                            u"=orphan value\n"
                            u"\n"
                            u"[MAIN]\n"
                            u"DSN=postgresql://h/db?sslmode=require\n"
                            u"[lib-data]\n"
                            u"LIB_SERVER=FromDuplicateSection\n"
                            u"Other=only in the duplicate\n"
                            u"[ 读者 ]\n"
                            u"R000=教师\n";

} // namespace

class IniFileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void profileSemantics_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("defaultValue");
        QTest::addColumn<QString>("expected");
        QTest::newRow("names ignore case") << u"LIB-DATA"_s << u"Lib_Server"_s << u"d"_s << u"Main"_s;
        QTest::newRow("first key wins") << u"lib-data"_s << u"LIB_SERVER"_s << u""_s << u"Main"_s;
        QTest::newRow("only the first section counts") << u"LIB-DATA"_s << u"Other"_s << u"dflt"_s << u"dflt"_s;
        QTest::newRow("comment is no key") << u"LIB-DATA"_s << u";Commented"_s << u"d"_s << u"d"_s;
        QTest::newRow("double quotes dropped") << u"LIB-DATA"_s << u"Quoted"_s << u""_s << u"  spaced  "_s;
        QTest::newRow("single quotes dropped") << u"LIB-DATA"_s << u"Single"_s << u""_s << u"x"_s;
        QTest::newRow("unbalanced quote kept") << u"LIB-DATA"_s << u"Unbalanced"_s << u""_s << u"\"abc"_s;
        QTest::newRow("empty value beats the default") << u"LIB-DATA"_s << u"Empty"_s << u"d"_s << u""_s;
        QTest::newRow("blanks around key and value") << u"lib-data"_s << u"INDENTED"_s << u""_s << u"yes"_s;
        QTest::newRow("line without =") << u"LIB-DATA"_s << u"NoEquals"_s << u"d"_s << u"d"_s;
        QTest::newRow("value holding =") << u"main"_s << u"dsn"_s << u""_s << u"postgresql://h/db?sslmode=require"_s;
        QTest::newRow("missing section") << u"NOWHERE"_s << u"DSN"_s << u"fallback"_s << u"fallback"_s;
        QTest::newRow("missing key") << u"MAIN"_s << u"UID"_s << u""_s << u""_s;
        QTest::newRow("chinese section") << u"读者"_s << u"r000"_s << u""_s << u"教师"_s;
    }
    void profileSemantics()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, defaultValue);
        QFETCH(QString, expected);
        const QString lf = QString::fromUtf16(kProfile);
        QString crlf = lf;
        crlf.replace(u'\n', QStringLiteral("\r\n"));
        QCOMPARE(IniFile(lf, CodePage()).value(section, key, defaultValue), expected);
        QCOMPARE(IniFile(crlf, CodePage()).value(section, key, defaultValue), expected);
    }

    // The profile call's 256-byte buffer: at most 255 bytes of the code page,
    // and never half of a double-byte character.
    void valuesCutTo255CodePageBytes_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        const QString zh = QStringLiteral("中");
        QTest::newRow("ascii") << QString(300, u'a') << QString(255, u'a');
        QTest::newRow("exactly 255") << QString(255, u'b') << QString(255, u'b');
        QTest::newRow("odd prefix fills 255") << QString(u'a' + zh.repeated(200)) << QString(u'a' + zh.repeated(127));
        QTest::newRow("even prefix stops at 254")
            << QString(QStringLiteral("ab") + zh.repeated(200)) << QString(QStringLiteral("ab") + zh.repeated(126));
        QTest::newRow("short chinese untouched") << zh.repeated(127) << zh.repeated(127);
    }
    void valuesCutTo255CodePageBytes()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        const CodePage cp;
        const QString text = QStringLiteral("[S]\nK=") + value + u'\n';

        // Bytes are counted in the code page whatever the file's encoding.
        for (const QByteArray &bytes : {gbk(text), text.toUtf8()}) {
            test::TestContext tc;
            tc.writeFile(QStringLiteral("x.ini"), bytes);
            const QString got = IniFile::load(tc.root() + QStringLiteral("/x.ini"), cp).value(u"s"_s, u"k"_s);
            QCOMPARE(got, expected);
            QVERIFY(cp.byteLength(got) <= IniFile::MaxValueBytes);
        }
        // The default is cut like a value.
        QCOMPARE(IniFile(QString(), cp).value(u"S"_s, u"K"_s, value), expected);
    }

    void fileEncodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QString text = QStringLiteral("[读者证件]\r\nR000=身份证\r\n[BOOK-CONFIG]\r\nBAR_PREFIX=图书\r\n");
        QTest::newRow("gbk") << gbk(text);
        QTest::newRow("utf-8") << text.toUtf8();
        // The mark must not glue itself to the first section name.
        QTest::newRow("utf-8 with bom") << QByteArray("\xEF\xBB\xBF" + text.toUtf8());
    }
    void fileEncodings()
    {
        QFETCH(QByteArray, bytes);
        test::TestContext tc;
        tc.writeFile(QStringLiteral("r.ini"), bytes);
        bool exists = false;
        const IniFile ini = IniFile::load(tc.root() + QStringLiteral("/r.ini"), CodePage(), &exists);
        QVERIFY(exists);
        QCOMPARE(ini.value(QStringLiteral("读者证件"), u"R000"_s), QStringLiteral("身份证"));
        QCOMPARE(ini.value(u"book-config"_s, u"bar_prefix"_s), QStringLiteral("图书"));
    }
};

KESTRA_TEST(IniFileTest)
#include "IniFileTest.moc"
