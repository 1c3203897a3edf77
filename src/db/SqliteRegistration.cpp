#include "db/SqliteRegistration.h"

#include "db/sql/SqliteFunctions.h"

namespace kestra {

bool registerSqliteFunctions(sqlite3 *db)
{
    return db != nullptr && registerOracleFunctions(db);
}

} // namespace kestra
