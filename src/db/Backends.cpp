#include "db/Backends.h"

#include "db/OracleBackend.h"
#include "db/PgBackend.h"
#include "db/SqliteBackend.h"

namespace kestra {

std::unique_ptr<Backend> createBackend(BackendTarget::Kind kind)
{
    switch (kind) {
    case BackendTarget::Kind::Sqlite:
        return std::make_unique<SqliteBackend>();
    case BackendTarget::Kind::Postgres:
        return std::make_unique<PgBackend>();
    case BackendTarget::Kind::Oracle:
        break;
    }
    return std::make_unique<OracleBackend>();
}

} // namespace kestra
