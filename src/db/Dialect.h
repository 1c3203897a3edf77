#pragma once

#include "db/Backend.h"
#include "db/sql/ProcCall.h"

#include <QString>
#include <optional>

namespace kestra {

// The glue between the session's Oracle SQL and a native backend.

// True when the text starts with "begin" or "declare" (case-insensitive,
// after blanks): such a text is a PL/SQL block and never goes to a native
// database as SQL.
bool looksLikeBlock(const QString &sql);

// "Begin name(args); end;" -> the call; nothing, with *error set, when the
// block is malformed.
std::optional<ProcCall> parseCallBlock(const QString &sql, QString *error);

} // namespace kestra
