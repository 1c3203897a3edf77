#pragma once

// The real main window with every form registered, shown offscreen over a
// test context, and its commands run as the menu runs them.

#include "core/Preferences.h"
#include "shell/MainWindow.h"
#include "shell/ProgramForms.h"
#include "ui/FormRegistry.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace kestra::test {

// Runs `act` on the next modal dialog once it is shown (the dialogs run
// their own event loop).
inline void onNextDialog(std::function<void(QDialog *)> act)
{
    QTimer::singleShot(0, [act = std::move(act)] {
        QWidget *modal = nullptr;
        for (int i = 0; i < 200 && modal == nullptr; ++i) {
            QTest::qWait(5);
            modal = QApplication::activeModalWidget();
        }
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            act(dialog);
    });
}

struct FormWindow {
    QTemporaryDir dir;
    UserSettingsStore settings{dir.filePath(QStringLiteral("user.ini"))};
    FormRegistry forms;
    std::unique_ptr<MainWindow> main;

    explicit FormWindow(AppContext &context)
    {
        registerForms(forms);
        main = std::make_unique<MainWindow>(context, forms, settings);
        main->show();
        QApplication::setActiveWindow(main.get());
    }

    // The form a command opens; null when the command is missing or
    // disabled, or opened nothing.
    QWidget *open(const char *command)
    {
        QAction *action = main->action(QLatin1String(command));
        if (action == nullptr || !action->isEnabled())
            return nullptr;
        main->runCommand(QLatin1String(command));
        return main->mdiArea()->activeSubWindow() ? main->mdiArea()->activeSubWindow()->widget() : nullptr;
    }

    // The form a command opens, as its class, once the main window is
    // active; null when it opens nothing or a form of another name.
    template <class F>
    F *openAs(const char *command, const char *formName)
    {
        if (!QTest::qWaitForWindowActive(main.get()))
            return nullptr;
        auto *form = qobject_cast<F *>(open(command));
        return form != nullptr && form->objectName() == QLatin1String(formName) ? form : nullptr;
    }

    qsizetype openWindows() const { return main->mdiArea()->subWindowList().size(); }
};

} // namespace kestra::test
