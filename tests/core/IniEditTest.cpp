// writeProfileString, as `kestra-admin scramble` uses it on a workstation's
// kestra.ini: it must change one key and leave everything else alone.

#include "core/IniEdit.h"
#include "core/IniFile.h"
#include "support/TestContext.h"
#include "support/TestRunner.h"

#include <QTest>

using namespace kestra;
using namespace Qt::StringLiterals;
using kestra::test::gbk;

class IniEditTest : public QObject {
    Q_OBJECT

private:
    test::TestContext tc_;

    QString path() const { return tc_.root() + u"/edit.ini"_s; }
    bool write(const QString &section, const QString &key, const QString &value, const QString &cp = u"GBK"_s)
    {
        QString error;
        const bool ok = writeProfileString(path(), section, key, value, cp, &error);
        if (!ok)
            qWarning("%s", qUtf8Printable(error));
        return ok;
    }

private Q_SLOTS:
    void replacesInPlaceKeepingEverythingElse()
    {
        tc_.writeText(u"edit.ini"_s, u"; 工作站配置\r\n"
                                     u"[LIB-DATA]\r\n"
                                     u"LIB_SERVER=MAIN\r\n"
                                     u"\r\n"
                                     u"[main]\r\n"
                                     u";PWD=commented out\r\n"
                                     u"  pwd = old\r\n"
                                     u"UID=kestra\r\n"
                                     u"[MAIN]\r\n"
                                     u"PWD=second section\r\n"_s);
        QVERIFY(write(u"Main"_s, u"PWD"_s, u"~ABCD"_s));
        QCOMPARE(QString::fromUtf8(tc_.readFile(u"edit.ini"_s)), u"; 工作站配置\r\n"
                                                                 u"[LIB-DATA]\r\n"
                                                                 u"LIB_SERVER=MAIN\r\n"
                                                                 u"\r\n"
                                                                 u"[main]\r\n"
                                                                 u";PWD=commented out\r\n"
                                                                 u"PWD=~ABCD\r\n"
                                                                 u"UID=kestra\r\n"
                                                                 u"[MAIN]\r\n"
                                                                 u"PWD=second section\r\n"_s);
    }

    void addsKeysAndSections()
    {
        tc_.writeText(u"edit.ini"_s, u"[A]\nx=1\n\n[B]\ny=2\n"_s);
        QVERIFY(write(u"a"_s, u"NEW"_s, u"v"_s));   // at the end of its section, before the blank line
        QVERIFY(write(u"C"_s, u"PWD"_s, u"~00"_s)); // a new section at the end
        QCOMPARE(QString::fromUtf8(tc_.readFile(u"edit.ini"_s)), u"[A]\nx=1\nNEW=v\n\n[B]\ny=2\n\n[C]\nPWD=~00\n"_s);

        QFile::remove(path());
        QVERIFY(write(u"KESTRA"_s, u"PWD"_s, u"~01"_s));
        const IniFile ini = IniFile::load(path(), CodePage());
        QCOMPARE(ini.value(u"kestra"_s, u"pwd"_s), u"~01"_s);
    }

    // A workstation's GBK file stays GBK, a UTF-8 file keeps its mark.
    void keepsTheFileEncoding()
    {
        const QString before = u"[读者]\nR000=教师\n[KESTRA]\nPWD=\n"_s;
        tc_.writeFile(u"edit.ini"_s, gbk(before));
        QVERIFY(write(u"kestra"_s, u"PWD"_s, u"~AB"_s));
        QCOMPARE(tc_.readFile(u"edit.ini"_s), gbk(u"[读者]\nR000=教师\n[KESTRA]\nPWD=~AB\n"_s));

        tc_.writeFile(u"edit.ini"_s, "\xEF\xBB\xBF" + before.toUtf8());
        QVERIFY(write(u"读者"_s, u"R001"_s, u"学生"_s));
        QCOMPARE(tc_.readFile(u"edit.ini"_s),
                 QByteArray("\xEF\xBB\xBF" + u"[读者]\nR000=教师\nR001=学生\n[KESTRA]\nPWD=\n"_s.toUtf8()));
    }

    void unwritableFails()
    {
        QFile::remove(path());
        QVERIFY(QDir(tc_.root()).mkdir(u"edit.ini"_s));
        QString error;
        QVERIFY(!writeProfileString(path(), u"A"_s, u"B"_s, u"C"_s, u"GBK"_s, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(path()).isDir());
    }
};

KESTRA_TEST(IniEditTest)
#include "IniEditTest.moc"
