#pragma once

#include <QString>

namespace kestra {

// Creates an installation folder: the folder tree, a kestra.ini that names
// the database, and the settings files under CFG/ with sensible contents.
// Existing files are left as they are. Returns false with *error set when
// something cannot be written.
bool createInstallation(const QString &root, const QString &dsn, QString *error);

} // namespace kestra
