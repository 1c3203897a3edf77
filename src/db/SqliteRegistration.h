#pragma once

struct sqlite3;

namespace kestra {

// Registers on a new connection the SQL functions that translated Oracle
// SQL calls and SQLite lacks.
bool registerSqliteFunctions(sqlite3 *db);

} // namespace kestra
