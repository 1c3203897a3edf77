#pragma once

#include <sqlite3.h>

namespace kestra {

// A statement in use: a kept one is reset, with its values unbound, for its
// next use; any other is finalized.
struct SqliteStmtHold {
    sqlite3_stmt *stmt = nullptr;
    bool kept = false;
    SqliteStmtHold() = default;
    SqliteStmtHold(const SqliteStmtHold &) = delete;
    SqliteStmtHold &operator=(const SqliteStmtHold &) = delete;
    ~SqliteStmtHold() { release(); }
    void release()
    {
        if (stmt == nullptr)
            return;
        if (kept) {
            sqlite3_reset(stmt);
            sqlite3_clear_bindings(stmt);
        } else {
            sqlite3_finalize(stmt);
        }
        stmt = nullptr;
    }
};

} // namespace kestra
