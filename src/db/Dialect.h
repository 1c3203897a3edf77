#pragma once

#include "db/Backend.h"

#include <QList>
#include <QString>
#include <optional>

namespace kestra {

// One argument of a procedure block as written in the SQL text.
struct CallArg {
    enum class Kind { Text, Number, Null, Bind };
    Kind kind = Kind::Null;
    QString text; // literal value, number text, or the bind name without ':'
};

struct CallBlock {
    QString name; // as written, possibly "package.name"
    QList<CallArg> args;
};

// The glue between the session's Oracle SQL and a native backend.
// Oracle SQL -> the backend's own SQL.
QString toNativeSql(const QString &oracleSql, BackendTarget::Kind kind);

// "Begin name(args); end;" -> the call, or nothing when the text is not a
// block. A malformed block gives nothing and sets *error.
std::optional<CallBlock> parseCallBlock(const QString &sql, QString *error);

// Replaces each empty literal ('' standing alone) by a one-blank literal,
// leaving doubled apostrophes inside longer literals alone.
QString emptyLiteralsToBlank(const QString &sql);

// True when the text starts with "begin" (case-insensitive, after blanks):
// such a text is a block and never goes to the database as SQL.
bool looksLikeBlock(const QString &sql);

} // namespace kestra
