// kestra-holdings: the holdings client.

#include "core/AppContext.h"
#include "shell/LoginWindow.h"
#include "shell/Startup.h"
#include "ui/Fonts.h"
#include "ui/QtPrompter.h"
#include "ui/QtSoundPlayer.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    kestra::installChineseFonts();

    kestra::QtPrompter prompter;
    kestra::QtSoundPlayer sounds;
    kestra::SystemClock clock;
    kestra::AppContext context(kestra::installRootFor(QApplication::arguments(), QApplication::applicationDirPath()),
                               kestra::AppServices{prompter, sounds, clock});

    kestra::LoginWindow login(context);
    login.show();
    QApplication::processEvents();

    kestra::Startup startup(context, login.statusSink());
    // Leaving from the login form ends the program. The main window is
    // created on LoginWindow::loginAccepted and sends its re-login and about
    // box to login.runReLogin() and login.showAbout().
    QObject::connect(&login, &kestra::LoginWindow::exitRequested, &app, &QApplication::quit, Qt::QueuedConnection);
    if (login.start(startup, kestra::Startup::commandLineText(QApplication::arguments())) < 0)
        return 1;
    return QApplication::exec();
}
