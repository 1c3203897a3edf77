#pragma once

#include "shell/Login.h"
#include "shell/Startup.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kestra {

class AppContext;

// frmDCLogo: the login form. It is shown at once when the program starts
// and its status line reports each start-up step; then it logs the
// operator in, makes a too simple or too old password be changed first,
// serves the main window's re-login and shows the program's "about" text.
//
// The main program connects loginAccepted (create the main window) and
// exitRequested (end the program) before it calls start(); the main window
// calls runReLogin() for its re-login and showAbout() for its about box.
class LoginWindow : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Login, ChangePassword, ReLogin, About };

    explicit LoginWindow(AppContext &context, QWidget *parent = nullptr);

    Login &controller() { return login_; }

    void setStatus(const QString &text);
    QString status() const;
    // The status callback for the start-up sequence: sets the status line
    // and lets it paint.
    Startup::StatusSink statusSink();

    // Start-up with this form: runs the sequence, switches to the login
    // mode and, when the command line holds "operator/password", logs in at
    // once. -1 when the program must end.
    int start(Startup &startup, const QString &commandLine);
    // The command-line login alone: the text before the first "/" into the
    // user box, the rest into the password box, then the login button.
    void loginFromCommandLine(const QString &commandLine);

    // The re-login of the main window: shown modally with the operator
    // fixed and the status text given; true when the password was verified
    // again (a "no right" or refused attempt keeps the form open).
    bool runReLogin(const QString &status);
    // The form in its "about" mode, modally.
    void showAbout();

    Mode mode() const { return mode_; }
    void setMode(Mode mode);

Q_SIGNALS:
    // The first login succeeded: the main program creates the main window.
    void loginAccepted();
    // A re-login succeeded (the form closes itself).
    void reLoginDone();
    // The operator chose to leave the program from this form.
    void exitRequested();

public:
    // cmdLogin, cmdSave, lblUpdate, lblExit.
    void clickLogin();
    void clickSave();
    void clickUpdate();
    void clickExit();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void showExclamation(const QString &text, const QString &title);

    AppContext &context_;
    Login login_;
    Mode mode_ = Mode::Login;
    Mode returnMode_ = Mode::Login; // the mode a password change returns to
    QString changingOperator_;      // the operator whose password is changed
    bool busy_ = false;

    QLabel *lblCaption_;
    QLabel *lblVersion_;
    QLabel *lblUserCaption_;
    QLabel *lblPwdCaption_;
    QLabel *lblConfirmCaption_;
    QLineEdit *txtUser_;
    QLineEdit *txtPwd_;
    QLineEdit *txtPwdConfirm_;
    QPushButton *cmdLogin_;
    QPushButton *cmdSave_;
    QLabel *lblUpdate_;
    QLabel *lblExit_;
    QLabel *lblStatus_;
};

} // namespace kestra
