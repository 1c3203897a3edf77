#pragma once

#include "core/CodePage.h"
#include "core/Dsn.h"
#include "core/InstallFolders.h"

#include <QString>

namespace kestra {

// What kestra.ini says about the database and the workstation.
struct ConnectionSettings {
    QString serverSection; // [LIB-DATA] LIB_SERVER
    QString dsnText;       // DSN in that section
    QString user;          // UID
    QString password;      // PWD, clear text after unscrambling
    QString driver;        // DRIVER, SERVER, DATABASE: read and not used
    QString server;
    QString database;
    Dsn dsn;
    // LOCK_WAIT in that section: how many milliseconds a copy or row that
    // another workstation holds is waited for before "locked"; 0 when the
    // key is missing (the session's default).
    int lockWaitMs = 0;
};

struct IniLoadResult {
    int status = -1; // 0 success, -1 failure
    QString error;   // why it failed, for the log
    ConnectionSettings connection;
    CodePage codePage;
};

// LoadIniSettings: reads kestra.ini in the installation folder. A missing
// file, section or key gives empty values (the connection then fails); a
// password that is not in the scrambled form is a failure.
//
// The workstation code page is read from [LIB-DATA] CODEPAGE (default GBK).
IniLoadResult loadIniSettings(const InstallFolders &folders);

} // namespace kestra
