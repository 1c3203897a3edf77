// The main of a test program: "program [TestClass [QTest options]]" runs one
// class, or every class when none is named.

#include "support/TestRunner.h"

#ifdef KESTRA_GUI_TESTS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif
#include <QTest>
#include <memory>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    QStringList args = TestApplication::arguments();
    QString only;
    if (args.size() > 1 && !args.at(1).startsWith(u'-')) {
        only = args.at(1);
        args.removeAt(1);
    }
    int failures = 0;
    bool found = false;
    for (const kestra::test::TestEntry &entry : kestra::test::allTests()) {
        if (!only.isEmpty() && only != QLatin1String(entry.name))
            continue;
        found = true;
        std::unique_ptr<QObject> test(entry.make());
        failures += QTest::qExec(test.get(), args);
    }
    if (!found) {
        qWarning("no test class named %s", qPrintable(only));
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
