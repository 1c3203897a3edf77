// A libpq result cleared when it goes out of scope.

#pragma once

#include <libpq-fe.h>

namespace kestra {

struct PgResultGuard {
    PGresult *result = nullptr;
    ~PgResultGuard() { PQclear(result); }
};

} // namespace kestra
