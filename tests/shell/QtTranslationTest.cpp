// Qt's own texts in Chinese: the catalogue found in the first folder that
// holds a good copy, a damaged copy passed over, none found without harm,
// and the dialogs' texts translated once it is installed.

#include "shell/QtTranslation.h"
#include "support/TestRunner.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

using namespace kestra;

class QtTranslationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadsFromTheFirstGoodCopy()
    {
        // Debian's catalogue, which the setup installs.
        const QStringList defaults = qtTranslationFolders(QStringLiteral("/opt/kestra/BIN"));
        QCOMPARE(defaults.at(0), QStringLiteral("/opt/kestra/BIN/translations"));
        const QString system = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_zh_CN.qm");
        QVERIFY2(QFile::exists(system), "qtbase_zh_CN.qm is missing: scripts/setup installs qt6-translations-l10n");
        {
            QTranslator translator;
            QCOMPARE(loadQtChinese(translator, defaults), system);
        }

        // Nothing beside the program, a damaged copy, a good one: the good
        // one is taken; with none at all nothing is loaded.
        QTemporaryDir empty, damaged, good;
        QFile bad(damaged.filePath(QStringLiteral("qtbase_zh_CN.qm")));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("not a catalogue") > 0);
        bad.close();
        const QString copy = good.filePath(QStringLiteral("qtbase_zh_CN.qm"));
        QVERIFY(QFile::copy(system, copy));
        QTranslator translator;
        QCOMPARE(loadQtChinese(translator, {empty.path(), damaged.path(), good.path(), defaults.at(1)}), copy);
        QTranslator none;
        QCOMPARE(loadQtChinese(none, {empty.path(), damaged.path()}), QString());
        QVERIFY(none.isEmpty());

        // Installed, the file dialog and the standard buttons speak Chinese.
        const QString lookIn = QCoreApplication::translate("QFileDialog", "Look in:");
        QVERIFY(QCoreApplication::installTranslator(&translator));
        const QString translated = QCoreApplication::translate("QFileDialog", "Look in:");
        const QString save = QCoreApplication::translate("QPlatformTheme", "Save");
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(lookIn, QStringLiteral("Look in:"));
        QVERIFY2(translated != lookIn && !translated.isEmpty(), qPrintable(translated));
        QVERIFY2(save != QStringLiteral("Save"), qPrintable(save));
    }
};

KESTRA_TEST(QtTranslationTest)
#include "QtTranslationTest.moc"
