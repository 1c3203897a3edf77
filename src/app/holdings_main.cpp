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

    kestra::LoginWindow login;
    login.show();
    QApplication::processEvents();

    kestra::Startup startup(context, [&login](const QString &text) {
        login.setStatus(text);
        QApplication::processEvents();
    });
    if (startup.run() < 0)
        return 1;
    return QApplication::exec();
}
