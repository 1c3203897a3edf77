// kestra-holdings: the holdings client.

#include "core/AppContext.h"
#include "core/Preferences.h"
#include "shell/LoginWindow.h"
#include "shell/MainWindow.h"
#include "shell/ProgramForms.h"
#include "shell/Startup.h"
#include "shell/StartupLoaders.h"
#include "ui/Fonts.h"
#include "ui/FormRegistry.h"
#include "ui/QtPagePrinter.h"
#include "ui/QtPrompter.h"
#include "ui/QtSoundPlayer.h"

#include <QApplication>
#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    kestra::installChineseFonts();

    kestra::QtPrompter prompter;
    kestra::QtSoundPlayer sounds;
    kestra::SystemClock clock;
    kestra::AppContext context(kestra::installRootFor(QApplication::arguments(), QApplication::applicationDirPath()),
                               kestra::AppServices{prompter, sounds, clock});
    kestra::QtPagePrinter printer(context.messages(), context.preferences());
    context.setPrinter(printer);
    kestra::FormRegistry forms;
    kestra::registerForms(forms);
    kestra::UserSettingsStore settings;

    kestra::LoginWindow login(context);
    login.show();
    QApplication::processEvents();

    // The main window exists only after a completed login; closing it ends
    // the program.
    std::unique_ptr<kestra::MainWindow> mainWindow;
    QObject::connect(&login, &kestra::LoginWindow::loginAccepted, &app, [&]() {
        if (mainWindow)
            return;
        mainWindow = std::make_unique<kestra::MainWindow>(context, forms, settings);
        mainWindow->setReLoginHandler([&login](const QString &status) { return login.runReLogin(status); });
        mainWindow->setAboutHandler([&login]() { login.showAbout(); });
        login.hide();
        mainWindow->show();
    });
    QObject::connect(&login, &kestra::LoginWindow::exitRequested, &app, &QApplication::quit, Qt::QueuedConnection);

    kestra::Startup startup(context, login.statusSink());
    kestra::registerStartupLoaders(startup, context);
    if (login.start(startup, kestra::Startup::commandLineText(QApplication::arguments())) < 0)
        return 1;
    return QApplication::exec();
}
