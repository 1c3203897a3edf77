#pragma once

#include "core/Dsn.h"
#include "db/Backend.h"

#include <QString>

namespace kestra {

// The database an admin command works on: a DSN given on the command line,
// or the one of the installation's kestra.ini.
struct DatabaseTarget {
    Dsn dsn;
    QString user;
    QString password;
};

// What the session opens for a target: the DSN's own user and password
// first, else those of kestra.ini.
BackendTarget backendTargetOf(const DatabaseTarget &t);

bool resolveDatabaseTarget(const QString &dsnText, const QString &root, DatabaseTarget *target, QString *error);

// kestra-admin init: the schema and the reference data (refused on a
// database that holds the schema unless forced). Exit code.
int runInit(const DatabaseTarget &target, bool force);

// kestra-admin check: one line per difference from the schema; exit code 1
// when there is any.
int runCheck(const DatabaseTarget &target);

} // namespace kestra
