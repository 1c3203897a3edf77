#pragma once

#include <QString>

namespace kestra {

// Writes one key of a profile file the way WritePrivateProfileString does:
// the first matching section and key (case-insensitive) are replaced in
// place, a missing key is added at the end of its section, a missing
// section at the end of the file. Every other line, comments included, is
// kept, and the file keeps its encoding (UTF-8, or the code page given).
// Returns false with *error set when the file cannot be written.
bool writeProfileString(const QString &path, const QString &section, const QString &key, const QString &value,
                        const QString &codePage, QString *error);

} // namespace kestra
