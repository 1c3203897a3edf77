#pragma once

#include "copies/ItemCodes.h"

#include <QList>
#include <QString>

namespace kestra::log_codes {

// The text of the first entry of every filter list: no restriction.
QString anyEntry();

// The module of an operation code is its first character.
QString moduleName(const QString &code); // "1" 采访 ... "7" 统计; anything else empty
QString moduleCode(const QString &name); // the reverse; anything else "0"
// The modules in the order cboType lists them.
QStringList moduleNames();

// The automatic interfaces that log under a four-character service code
// instead of a staff number, in the order the operator list offers them.
const QList<CodeName> &serviceCodes();

// A list entry: the code, blanks up to `width`, `gap` blanks, the name.
QString entry(const QString &code, const QString &name, int width, int gap);
// The code of an entry: the text before its first blank; empty for the
// "no restriction" entry.
QString entryCode(const QString &entry);

} // namespace kestra::log_codes
