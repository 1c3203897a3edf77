#include "output/TextFit.h"

#include <algorithm>

namespace kestra {

namespace {

// Advances in ems, each the widest of its kind in the list fonts (bold
// included) and rounded up.
double advanceOf(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0x80)
        return 1.0; // CJK, full-width forms, and the rest of the world, at their widest
    switch (u) {
    case u'M':
    case u'W':
    case u'm':
    case u'w':
    case u'%':
    case u'@':
        return 1.02;
    default:
        break;
    }
    if (u >= u'A' && u <= u'Z')
        return 0.8;
    if (u >= u'a' && u <= u'z')
        return 0.68;
    if (u == u'&')
        return 0.76;
    return 0.64; // digits, blanks and the other signs
}

bool isWideCharacter(QChar c)
{
    return c.unicode() >= 0x2E80;
}

// Where a line may end: after a blank, before or after a wide character.
bool lineMayBreakBefore(const QString &text, qsizetype i)
{
    if (i <= 0 || i >= text.size())
        return false;
    return text.at(i - 1).isSpace() || isWideCharacter(text.at(i)) || isWideCharacter(text.at(i - 1));
}

} // namespace

double emWidth(const PageFont &font)
{
    // Points are 1/72 inch.
    return font.points * 25.4 / 72.0;
}

double textWidth(const QString &text, const PageFont &font)
{
    double ems = 0;
    for (const QChar c : text)
        ems += advanceOf(c);
    return ems * emWidth(font);
}

double widestWord(const QString &text, const PageFont &font)
{
    double widest = 0;
    qsizetype start = 0;
    for (qsizetype i = 1; i <= text.size(); ++i) {
        if (i == text.size() || lineMayBreakBefore(text, i)) {
            widest = std::max(widest, textWidth(text.mid(start, i - start).trimmed(), font));
            start = i;
        }
    }
    return widest;
}

double widestCharacter(const QString &text, const PageFont &font)
{
    double widest = 0;
    for (const QChar c : text)
        widest = std::max(widest, advanceOf(c));
    return widest * emWidth(font);
}

QStringList wrapText(const QString &text, double wanted, const PageFont &font)
{
    // A text as wide as its line, give or take the rounding of the sums
    // that made the line, fits.
    const double width = wanted + 1e-6;
    if (textWidth(text, font) <= width)
        return {text};
    QStringList lines;
    QString rest = text.trimmed();
    while (textWidth(rest, font) > width) {
        // The longest start of the rest that fits, ended where a line may
        // end; a word wider than the line is cut where it overruns. Blanks
        // past the edge end the line and are dropped.
        qsizetype fits = 0;
        qsizetype lastBreak = 0;
        double used = 0;
        for (qsizetype i = 0; i < rest.size(); ++i) {
            used += advanceOf(rest.at(i)) * emWidth(font);
            if (used > width && !rest.at(i).isSpace())
                break;
            fits = i + 1;
            if (lineMayBreakBefore(rest, i + 1))
                lastBreak = i + 1;
        }
        const qsizetype cut = lastBreak > 0 ? lastBreak : std::max<qsizetype>(fits, 1);
        lines.append(rest.left(cut).trimmed());
        rest = rest.mid(cut).trimmed();
    }
    if (!rest.isEmpty())
        lines.append(rest);
    return lines;
}

} // namespace kestra
