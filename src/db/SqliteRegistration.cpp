#include "db/SqliteRegistration.h"

namespace kestra {

bool registerSqliteFunctions(sqlite3 *db)
{
    return db != nullptr;
}

} // namespace kestra
