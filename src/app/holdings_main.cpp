// kestra-holdings: the holdings client.

#include "core/AppContext.h"
#include "core/Preferences.h"
#include "shell/LoginWindow.h"
#include "shell/MainWindow.h"
#include "shell/ProgramForms.h"
#include "shell/QtTranslation.h"
#include "shell/Startup.h"
#include "shell/StartupLoaders.h"
#include "ui/Fonts.h"
#include "ui/FormRegistry.h"
#include "ui/QtPagePrinter.h"
#include "ui/QtPrompter.h"
#include "ui/QtSoundPlayer.h"

#include <QApplication>
#include <QFileInfo>
#include <QTranslator>
#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    kestra::installChineseFonts();
    // Qt's dialogs speak the client's language; without the catalogue they
    // stay English and the client goes on.
    QTranslator qtTexts;
    if (!kestra::loadQtChinese(qtTexts, kestra::qtTranslationFolders(QApplication::applicationDirPath())).isEmpty())
        QApplication::installTranslator(&qtTexts);

    kestra::QtPrompter prompter;
    kestra::QtSoundPlayer sounds;
    kestra::SystemClock clock;
    // A packaged program's folder holds no kestra.ini: the site's
    // installation folder is the default then.
    QString programFolder = QApplication::applicationDirPath();
    if (!QFileInfo::exists(programFolder + QStringLiteral("/kestra.ini")))
        programFolder = QStringLiteral(KESTRA_SITE_ROOT);
    kestra::AppContext context(kestra::installRootFor(QApplication::arguments(), programFolder),
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
