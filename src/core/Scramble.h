#pragma once

#include <QString>
#include <optional>

namespace kestra {

// The reversible form in which kestra.ini keeps the database password. It
// keeps the password from being read over a shoulder; it is not encryption.
//
// Form: "~" followed by upper-case hex. Byte i of the password's UTF-8 text
// is XORed with byte (i mod 16) of a fixed key and with (i * 7 + 0x5A) mod 256.
QString scramblePassword(const QString &clear);

// The clear password, or nothing when the text is not in the scrambled form.
// An empty text is an empty password.
std::optional<QString> unscramblePassword(const QString &scrambled);

} // namespace kestra
