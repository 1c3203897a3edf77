#pragma once

#include <QString>

namespace kestra {

// Creates an installation folder: the folder tree, a kestra.ini that names
// the database, and the settings files under CFG/ with sensible contents.
// Existing files are left as they are. Returns false with *error set when
// something cannot be written.
bool createInstallation(const QString &root, const QString &dsn, QString *error);

// Copies each add-in folder under samples into root/addins unless a folder
// of that name is there already: the site's copy, perhaps changed, stays.
bool copyMissingAddins(const QString &samples, const QString &root, QString *error);

} // namespace kestra
