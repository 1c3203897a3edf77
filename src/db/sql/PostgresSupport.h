#pragma once

#include <QStringList>

namespace kestra {

// The functions that translated Oracle SQL calls on PostgreSQL
// (kestra_text, kestra_substr, kestra_instr, kestra_mod, kestra_dump), as
// CREATE OR REPLACE statements. The schema installer runs them in every
// PostgreSQL database it creates or upgrades; running them again is
// harmless.
QStringList postgresSupportStatements();

// Their names with argument types, for a schema check.
QStringList postgresSupportSignatures();

} // namespace kestra
