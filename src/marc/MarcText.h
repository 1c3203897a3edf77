#pragma once

#include "marc/MarcCodec.h"

#include <QString>
#include <QStringList>
#include <array>

namespace kestra {

// MidByBytes: the part of a text addressed in bytes of the code page: start
// is 1-based, length -1 means the rest. A start before 1 counts from 1; a
// range past the end is cut at the end. A cut through a double-byte
// character leaves what the code page makes of the bytes: a lead byte at
// the end is dropped, a trail byte at the start may pair with the next.
QString midByBytes(const QString &text, int start, int length, const MarcCodec &codec);

// EncodeUnistr: "\" + four upper-case hex digits per UTF-16 unit.
QString encodeUnistr(QStringView text);
// The longest literal Oracle takes in a statement, in characters.
inline constexpr int MaxSqlLiteral = 4000;
// UnicodeLiteral: unistr('...') in Unicode storage mode (pieces joined by
// "||" when one literal would pass MaxSqlLiteral), else the plain quoted
// literal.
QString unicodeLiteral(const QString &text, bool unicodeMode);
// The quoted SQL literal of a text: quotes doubled, NULL as ''.
QString quotedLiteral(const QString &text);

// DecodeDump: the text of an Oracle dump(x,16) cell of a national-character
// column (big-endian UTF-16 bytes). Empty for an empty cell or "NULL"; the
// decoding stops at the first item that is not a hex byte, and an odd last
// byte is ignored.
QString decodeDump(QStringView cell);

// IsbnCounterpart: the prefix of the ISBN's other form, for LIKE searches.
QString isbnCounterpart(const QString &isbn);

// The forms an ISBN search of index group 05 looks for, each as a prefix:
// the key as typed, and the prefix of its other form when it has one.
QStringList isbnSearchForms(const QString &key);
// The condition on an index-content column for an ISBN key: one LIKE per
// form, joined by OR in parentheses when there are two.
QString isbnCondition(const QString &column, const QString &key, bool unicodeMode);

// The stop-word texts by stopword_type 0..3.
using StopWords = std::array<QString, 4>;
// NormaliseSearchKey: the search form of a title or other key.
QString normaliseSearchKey(const QString &text, const StopWords &stopWords);

// WidthCutPosition: 1-based position at which to cut so that the display
// width (2 per multi-byte character of the code page, else 1) does not
// pass width; length + 1 when the whole text fits.
int widthCutPosition(const QString &text, int width, const MarcCodec &codec);

// The numeric value of a leading number (blanks first allowed), 0 when the
// text does not start with one.
int leadingNumber(QStringView text);

} // namespace kestra
