#pragma once

#include "db/Backend.h"

#include <QString>
#include <optional>

namespace kestra::ora {

// The Oracle error numbers the client acts on, and the texts the backends
// give them so that a message names what Oracle would name.
enum Code {
    UniqueViolated = 1,
    ResourceBusy = 54,
    InvalidSql = 900,
    InvalidCharacter = 911,
    InvalidIdentifier = 904,
    TableMissing = 942,
    CannotInsertNull = 1400,
    InvalidNumber = 1722,
    TransactionRolledBack = 2091,
    ParentKeyNotFound = 2291,
    ChildRecordFound = 2292,
    NotLoggedOn = 1012,
    EndOfChannel = 3113,
    NotConnected = 3114,
    ValueTooLarge = 12899,
    UserDefined = 20000,
    ProcedureMissing = 6550,
};

DbError make(int code, const QString &detail);
DbError uniqueViolated(const QString &constraint);
DbError childRecordFound(const QString &constraint);
DbError parentKeyNotFound(const QString &constraint);
DbError resourceBusy();
DbError endOfChannel(const QString &detail);
DbError notConnected();
// A commit that could not be carried out: nothing of the transaction was saved.
DbError rolledBack(const QString &why);
// More than one statement in one text.
DbError severalStatements();

// The number after "ORA-" in an error text (digits up to the colon); 0 when
// the text carries none.
int codeFromText(const QString &text);

// An error the database's own functions raised with an Oracle-numbered text
// ("ORA-00054: resource busy ..."): that number and text. Nothing for any
// other text.
std::optional<DbError> raisedError(const QString &message);

} // namespace kestra::ora
