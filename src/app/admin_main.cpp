// kestra-admin: installation and database tool for whoever runs the client.

#include "admin/AdminMain.h"
#include "core/AppContext.h"
#include "ui/QtPagePrinter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstring>
#include <memory>

int main(int argc, char *argv[])
{
    // The print commands set text in fonts, which takes a GUI application;
    // no window is shown, so it needs no display.
    const bool prints = argc > 1 && (std::strcmp(argv[1], "labels") == 0 || std::strcmp(argv[1], "cards") == 0 ||
                                     std::strcmp(argv[1], "bill") == 0);
    std::unique_ptr<QCoreApplication> app;
    if (prints) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // A packaged program's folder holds no kestra.ini: the site's
    // installation folder is the default then.
    QString folder = QCoreApplication::applicationDirPath();
    if (!QFileInfo::exists(folder + QStringLiteral("/kestra.ini")))
        folder = QStringLiteral(KESTRA_SITE_ROOT);
    return kestra::adminMain(
        QCoreApplication::arguments(),
        [](kestra::AppContext &context) {
            return std::make_unique<kestra::QtPagePrinter>(context.messages(), context.preferences());
        },
        folder);
}
