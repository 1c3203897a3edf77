#pragma once

// Helpers shared by the procedures that change one row named by its key:
// positional arguments mapped to columns, NULL leaving a column alone.

#include "db/procs/Procedures.h"

#include <QPair>
#include <QStringList>
#include <span>

namespace kestra::procs {

// The Oracle number of "the row this call names does not exist".
inline constexpr int RowMissing = 20001;

enum class ArgKind { Text, Number };

// One argument position (0-based) and the column it writes.
struct Field {
    int position;
    const char *column;
    ArgKind kind = ArgKind::Text;
    // Number fields: the magnitude the column's precision cannot hold (0:
    // none). PostgreSQL refuses such a value and SQLite would keep it, so it
    // is refused here on both, as Oracle does (ORA-01438).
    double limit = 0;
};

// Prices and fees: NUMERIC(12,2).
inline constexpr double kMoneyLimit = 1e10;

// The value to bind for an argument: NULL stays NULL, texts are taken as
// given (bare numbers as their plain digits), a Number field must read as a
// number (ORA-01722) within its column's precision (ORA-01438), as on Oracle.
bool fieldValue(const ProcArgs &args, const Field &field, const char *proc, QVariant &value, DbError &error);

// ORA-20001 naming the table and the key the call gave.
DbError rowMissing(const char *proc, const char *table, std::span<const Field> keys, const ProcArgs &args);

// UPDATE table SET <the fields whose arguments are given> WHERE <keys>, plus
// the fixed assignments in `extra`. Fails with ORA-20001 when no row has the
// key, even when nothing is to change.
bool updateRow(ProcHost &host, const ProcArgs &args, const char *proc, const char *table, std::span<const Field> keys,
               std::span<const Field> values, DbError &error, const QStringList &extra = {});

// INSERT of the fields whose arguments are given; NULL arguments leave their
// columns to the table's defaults. `computed` are leading columns whose
// values the statement computes (column, SQL expression).
bool insertRow(ProcHost &host, const ProcArgs &args, const char *proc, const char *table, std::span<const Field> fields,
               DbError &error, const QList<QPair<QString, QString>> &computed = {});
// The same for a row given as its key positions and its other positions.
bool insertRow(ProcHost &host, const ProcArgs &args, const char *proc, const char *table, std::span<const Field> keys,
               std::span<const Field> values, DbError &error);

// DELETE of the rows with the key. A row that is already gone is no error:
// the state the caller asked for holds.
bool deleteRows(ProcHost &host, const ProcArgs &args, const char *proc, const char *table, std::span<const Field> keys,
                DbError &error);

// The processing-log, batch and reservation procedures (DealProcedures.cpp).
const QList<ProcedureDef> &dealProcedures();
// The stock-taking procedures (CountProcedures.cpp).
const QList<ProcedureDef> &countProcedures();

} // namespace kestra::procs
