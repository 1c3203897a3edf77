#pragma once

#include <QString>

namespace kestra {

// Where the database is: the DSN key of kestra.ini.
//   sqlite:<path>                          an SQLite file (relative to the installation folder)
//   postgresql://[user[:pw]@]host[:port]/dbname   a PostgreSQL server
//   postgresql://[user[:pw]@]host1[:port1],host2[:port2]/dbname?target_session_attrs=read-write
//                                          several servers (a primary and its standbys), tried in order
//   anything else                          an Oracle TNS name
struct Dsn {
    enum class Kind { None, Sqlite, Postgres, Oracle };

    Kind kind = Kind::None;
    QString path;     // SQLite: absolute file path
    QString host;     // PostgreSQL
    int port = 5432;  // PostgreSQL (several servers: the first one's)
    QString ports;    // PostgreSQL, several servers: their ports, as "5432,5433"; host names them as "a,b"
    QString database; // PostgreSQL database name
    QString user;     // PostgreSQL, when the DSN names one
    QString password; // PostgreSQL, when the DSN names one
    QString options;  // PostgreSQL, the query part after "?"
    QString tnsName;  // Oracle
    QString error;    // why a DSN of a known form was refused (kind None)

    static Dsn parse(const QString &text, const QString &installRoot);
    QString describe() const;
};

} // namespace kestra
