#pragma once

#include "core/CodePage.h"

#include <QString>
#include <functional>

namespace kestra {

class AppContext;

// What the workstation name is worked out from. The program reads the
// process's own values (fromSystem); tests give their own.
struct WorkstationEnvironment {
    QString hostName;      // the computer's host name
    QString sshClient;     // SSH_CLIENT: "client-address client-port server-port"
    QString sshConnection; // SSH_CONNECTION: "client-address client-port server-address server-port"
    QString display;       // DISPLAY: "[protocol/]host:display[.screen]"

    static WorkstationEnvironment fromSystem();
};

// The name of the client of a remote session: the client address of an SSH
// session, else the host of a remote X display; empty when the session is
// local.
QString terminalClientName(const WorkstationEnvironment &env);

// The workstation name the operator is bound by: the host name, or with
// terminal set the remote session's client (the host name when the session
// is local); trimmed and upper-cased.
QString workstationName(const WorkstationEnvironment &env, bool terminal);

// The password rule of system parameter 73: four flag characters and the
// minimum length. Empty or "00000" is no rule.
struct PasswordRule {
    bool present = false;
    bool mixedCase = false; // an upper-case and a lower-case letter A-Z, a-z
    bool letter = false;    // a letter A-Z or a-z
    bool digit = false;     // a digit 0-9
    bool symbol = false;    // anything that is not A-Z, a-z, 0-9
    int minLength = 0;

    static PasswordRule parse(const QString &parameter);
    // PasswordComplex.
    bool accepts(const QString &password) const;
    // PasswordRuleText: the rule in words, empty without a rule.
    QString text() const;
};

// MD5 of the password's code-page bytes as 32 upper-case hexadecimal digits.
QString passwordDigest(const QString &password, const CodePage &codePage);

// The login controller of frmDCLogo: CheckLogin, the password policy,
// ChangePassword and CheckRight. Every refusal has shown its message.
class Login {
public:
    explicit Login(AppContext &context);

    // Works out the workstation name; tests replace it. The argument is
    // true when the command line asks for the terminal-session client.
    using WorkstationResolver = std::function<QString(bool terminal)>;
    void setWorkstationResolver(WorkstationResolver resolver) { resolver_ = std::move(resolver); }

    // The command-line text of the run ("operator/password [-t]").
    void setCommandLine(const QString &commandLine) { commandLine_ = commandLine; }
    const QString &commandLine() const { return commandLine_; }
    // True when the second blank-separated word of the command line is "-t".
    static bool terminalSwitch(const QString &commandLine);
    // The "operator/password" part of a command line: the text without its
    // "-t" word.
    static QString loginText(const QString &commandLine);

    // CheckLogin: 0 accepted (the session values are set), -1 refused.
    int checkLogin(const QString &operatorNo, const QString &password);
    // The password part of CheckLogin alone (lock-out, operator, password,
    // failure counting), for the change-password link: 0 when the operator
    // and password are right.
    int checkPassword(const QString &operatorNo, const QString &password);

    PasswordRule passwordRule() const;
    bool passwordComplex(const QString &password) const { return passwordRule().accepts(password); }
    QString passwordRuleText() const { return passwordRule().text(); }
    // The password as lib_worker stores it: the digest when system
    // parameter 74 is "1" (upper-cased first when there is no rule), else
    // the password itself.
    QString storedForm(const QString &password) const;

    // ChangePassword: true when the new password is stored.
    bool changePassword(const QString &operatorNo, const QString &newPassword, const QString &confirmation);

    // CheckRight: ROOT holds every right; a refusal shows "ECM504" + code
    // when show is set.
    bool checkRight(const QString &moduleCode, bool show = true);

    // True when the logged-in operator's password is older than system
    // parameter 77 days (or has no date) on the server's calendar.
    bool passwordExpired();

    // What the login button leads to.
    enum class Outcome {
        Refused,        // stay; the reason has been shown
        ChangePassword, // accepted, but the password must be changed first
        NoRight,        // accepted, without the right to use the module
        Accepted,       // open the main window, or end the re-login
    };
    struct Attempt {
        Outcome outcome = Outcome::Refused;
        QString status; // the status line afterwards
    };
    // The login button: CheckLogin with the user text trimmed and
    // upper-cased, the current location list, then the password policy and
    // right 3000.
    Attempt attempt(const QString &userText, const QString &password, bool relogin);

private:
    struct Verified;
    int verify(const QString &operatorNo, const QString &password, Verified &out);
    int refusePassword(const QString &operatorNo, const Verified &v);

    AppContext &context_;
    WorkstationResolver resolver_;
    QString commandLine_;
};

} // namespace kestra
