#pragma once

#include "admin/DatabaseCommands.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace kestra {

// kestra-admin sql: runs one statement of the suite's Oracle SQL through the
// client's session and writes what the client reads to `out`: a query's
// rows tab-separated under a header line of column names, the number of
// rows a change touched, or "PL/SQL procedure successfully completed." for
// a procedure block. A change runs in a transaction of its own and is
// committed only when it succeeds. A failure writes the Oracle-numbered
// error and the message the client would show to `err`; exit status 1.
int runSqlStatement(const DatabaseTarget &target, const QString &root, const QString &statement, QTextStream &out,
                    QTextStream &err);

// The command line's words after "sql", joined by blanks, on stdout and
// stderr.
int runSqlCommand(const DatabaseTarget &target, const QString &root, const QStringList &words);

} // namespace kestra
