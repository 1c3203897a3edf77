#pragma once

#include "core/AppContext.h"
#include "shell/MainSession.h"
#include "ui/FormRegistry.h"

#include <QHash>
#include <QMainWindow>
#include <functional>

class QAction;
class QMdiArea;
class QLabel;
class QTimer;
class QToolBar;

namespace kestra {

class ModuleEndpoint;
class UserSettingsStore;

// frmMain: the multiple-document main window. It builds its menus and
// toolbar from the command table, opens each command's form through the
// form registry (and is the door through which forms open forms), keeps the
// connection alive, asks for the password again
// after the hours of parameter 72, and logs the logout when it closes.
class MainWindow : public QMainWindow, public FormOpener {
    Q_OBJECT
public:
    // Shows the login form in re-login mode with a status text; true when
    // the operator was verified again.
    using ReLoginHandler = std::function<bool(const QString &status)>;

    MainWindow(AppContext &context, const FormRegistry &forms, UserSettingsStore &settings, QWidget *parent = nullptr);
    ~MainWindow() override;

    void setReLoginHandler(ReLoginHandler handler) { reLogin_ = std::move(handler); }
    void setAboutHandler(std::function<void()> handler) { about_ = std::move(handler); }

    // Runs a command of the table by its menu key, as a click would.
    void runCommand(const QString &key);
    // The door: the right the form needs (its registration's, else that of
    // the first command that opens it), then an open instance of the same
    // form and mode brought forward and handed the arguments, or a new one.
    QWidget *openForm(const QString &form, const FormArgs &args) override;
    QAction *action(const QString &key) const { return actions_.value(key); }
    QMdiArea *mdiArea() const { return mdi_; }
    MainSession &mainSession() { return session_; }

    // One tick of tmrReLogin (once a minute).
    void reLoginTick();
    // One tick of tmLink.
    void keepAliveTick();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildToolbar();
    // Loads the add-ins of the installation, runs their start-up commands
    // and adds their menu entries and toolbar buttons.
    void loadAddins();
    void updateCommandStates();
    QWidget *showForm(const QString &form, const FormArgs &args, bool newInstance);
    QString rightFor(const QString &form) const;
    void switchModule(const QString &moduleName);
    void tile(Qt::Orientation orientation);

    AppContext &context_;
    const FormRegistry &forms_;
    UserSettingsStore &settings_;
    MainSession session_;
    QMdiArea *mdi_;
    QToolBar *toolbar_ = nullptr;
    QLabel *statusPanel_;
    QTimer *tmLink_;
    QTimer *tmrReLogin_;
    ModuleEndpoint *endpoint_;
    QHash<QString, QAction *> actions_;
    ReLoginHandler reLogin_;
    std::function<void()> about_;
    bool closing_ = false;
};

} // namespace kestra
