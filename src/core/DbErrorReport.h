#pragma once

#include "db/ErrorRecord.h"

#include <QString>

namespace kestra {

// What ShowDbError does for a failure, decided without showing anything.
struct DbErrorAction {
    enum class Kind { Message, Nothing, Reconnect };
    Kind kind = Kind::Message;
    QString message;     // for Message: a kind-prefixed text or a message code
    bool logSql = false; // write the failing statement after the error text
};

DbErrorAction chooseDbErrorAction(const ErrorRecord &error);

// The message of a unique-key violation, by the constraint the (upper-case)
// text names as a whole name; "ECM010" when it names none of the table.
QString uniqueKeyMessage(const QString &upperText);

// The message of a child-record violation (2292).
QString childRecordMessage(const QString &upperText);

// True when name occurs in text as a whole identifier.
bool containsWholeName(const QString &text, const QString &name);

} // namespace kestra
