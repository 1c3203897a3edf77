#pragma once

namespace kestra {

// The suite's forms name Windows fonts (宋体, Fixedsys). Map them to the
// simplified-Chinese Noto family, and make it the application font, so that
// Chinese text is not drawn with the Japanese glyphs Debian falls back to.
void installChineseFonts();

} // namespace kestra
