#pragma once

#include "core/AppContext.h"
#include "core/SettingsFiles.h"

#include <QDateTime>

namespace kestra {

// What the main window does when it opens and closes, apart from widgets:
// the login and logout lines of the operation log, the barcode settings and
// their structure rule, CUR_ON, and the re-login period.
class MainSession {
public:
    explicit MainSession(AppContext &context);

    // Main-window load, steps after the preferences: logs the login, reads
    // the barcode settings (switching a broken structure rule off with its
    // message), CUR_ON and the re-login period.
    void open();
    // Logs the logout (60043).
    int close();

    const BarcodeSettings &barcode() const { return barcode_; }
    int curOn() const { return curOn_; }
    int reLoginHours() const { return reLoginHours_; }

    // The re-login clock: true when parameter 72 hours have passed on the
    // workstation's clock since the last (re-)login. The main window asks
    // once a minute; a test sets the clock instead of waiting. Never due
    // while a form's transaction is open: the login writes (login_log, the
    // operation log), and those writes would join the form's transaction.
    bool reLoginDue() const;
    // One tick of tmLink: the keep-alive query, skipped while a form's
    // transaction is open (that form's statements keep the link busy, and
    // the next tick comes). -1 when the query failed.
    int keepAlive();
    void markLoggedIn();

private:
    AppContext &context_;
    BarcodeSettings barcode_;
    int curOn_ = 0;
    int reLoginHours_ = 0;
    QDateTime lastLogin_;
};

} // namespace kestra
