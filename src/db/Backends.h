#pragma once

#include "db/Backend.h"

#include <memory>

namespace kestra {

// A new, unconnected backend of the given kind.
std::unique_ptr<Backend> createBackend(BackendTarget::Kind kind);

// True when the text holds a second statement after a semicolon (quotes and
// comments read as SQL reads them). One trailing semicolon is no second
// statement, and a PL/SQL block ("Begin ...; end;", "Declare ...") is one.
// Every backend refuses such a text: SQLite would run the first statement
// only, PostgreSQL all of them, Oracle none.
bool holdsSeveralStatements(const QString &sql);

// The text without the one trailing semicolon a single statement may carry
// (PL/SQL blocks keep theirs).
QString withoutTrailingSemicolon(const QString &sql);

} // namespace kestra
