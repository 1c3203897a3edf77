#pragma once

struct sqlite3;
class QSqlDatabase;

namespace kestra {

// Registers on one SQLite connection the functions that translated Oracle
// SQL calls (kestra_concat, kestra_substr, kestra_to_char, kestra_dump,
// kestra_unistr, kestra_nextval, ...; docs/sql-dialect.md has the list), and
// makes LIKE case-sensitive as Oracle's is. Call it on every connection,
// right after opening it. False when a registration fails.
bool registerOracleFunctions(sqlite3 *db);

// The same for a QSQLITE connection: its driver handle must be the system
// libsqlite3's (Debian's Qt plugin links it). False when it is not an open
// SQLite connection.
bool registerOracleFunctions(const QSqlDatabase &db);

// kestra_nextval('name') and kestra_currval('name') keep the sequences in
// this table, which the schema installer creates; a sequence is a row, and
// nextval adds 1 to last_value inside the caller's transaction.
inline constexpr const char *kSqliteSequenceTableDdl =
    "CREATE TABLE kestra_sequence(seq_name TEXT NOT NULL PRIMARY KEY, last_value INTEGER NOT NULL DEFAULT 0)";

} // namespace kestra
