#pragma once

#include "core/PagePrinter.h"

#include <QStringList>

namespace kestra {

// How wide a text prints, without a device. The layout never sees the
// printer's font, so this errs on the wide side: a wide (CJK) character is
// a full em, and each narrow one is given the advance of the widest of its
// kind in the list fonts the client uses (the Noto CJK families, regular
// and bold). A text no wider than this fits its box on paper.
double textWidth(const QString &text, const PageFont &font); // mm

// The font's em on paper, mm.
double emWidth(const PageFont &font);

// The text in lines no wider than `width` (mm): broken after a blank or
// beside a wide character where a line would overrun, inside a word only
// when the word alone is wider than the line. Nothing is dropped but the
// blanks a line ends on. An empty text is one empty line.
QStringList wrapText(const QString &text, double width, const PageFont &font);

// The width of the widest piece of the text that wrapText keeps whole, and
// of its widest character.
double widestWord(const QString &text, const PageFont &font);
double widestCharacter(const QString &text, const PageFont &font);

} // namespace kestra
