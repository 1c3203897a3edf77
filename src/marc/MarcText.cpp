#include "marc/MarcText.h"

#include <QSet>

namespace kestra {

QString midByBytes(const QString &text, int start, int length, const MarcCodec &codec)
{
    if (text.isEmpty() || length == 0 || length < -1)
        return QString();
    const QByteArray bytes = codec.encode(text);
    const qsizetype from = std::max(start, 1) - 1;
    if (from >= bytes.size())
        return QString();
    const qsizetype count = length == -1 ? bytes.size() - from : std::min<qsizetype>(length, bytes.size() - from);
    return codec.decode(QByteArrayView(bytes).sliced(from, count));
}

QString encodeUnistr(QStringView text)
{
    static const char hex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(text.size() * 5);
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        out.append(QLatin1Char('\\'));
        out.append(QLatin1Char(hex[(u >> 12) & 0xF]));
        out.append(QLatin1Char(hex[(u >> 8) & 0xF]));
        out.append(QLatin1Char(hex[(u >> 4) & 0xF]));
        out.append(QLatin1Char(hex[u & 0xF]));
    }
    return out;
}

QString quotedLiteral(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

QString unicodeLiteral(const QString &text, bool unicodeMode)
{
    if (!unicodeMode)
        return quotedLiteral(text);
    // Each UTF-16 unit takes five characters, so a marc_data chunk or a long
    // title would pass Oracle's 4,000 characters (ORA-01704): longer values
    // are joined from pieces, a surrogate pair never split between two.
    constexpr qsizetype maxUnits = (MaxSqlLiteral - 2) / 5;
    QString out;
    qsizetype at = 0;
    do {
        qsizetype n = std::min(maxUnits, text.size() - at);
        if (at + n < text.size() && n > 1 && text.at(at + n - 1).isHighSurrogate())
            --n;
        if (at > 0)
            out += QLatin1String("||");
        out +=
            QLatin1String("unistr(") + quotedLiteral(encodeUnistr(QStringView(text).sliced(at, n))) + QLatin1Char(')');
        at += n;
    } while (at < text.size());
    return out;
}

QString decodeDump(QStringView cell)
{
    const QStringView trimmed = cell.trimmed();
    if (trimmed.isEmpty() || trimmed == QLatin1String("NULL"))
        return QString();
    const qsizetype colon = trimmed.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return QString();
    QByteArray bytes;
    for (const QStringView item : trimmed.sliced(colon + 1).split(QLatin1Char(','))) {
        const QStringView hex = item.trimmed();
        bool ok = false;
        const uint value = hex.size() <= 2 ? hex.toUInt(&ok, 16) : 0;
        if (!ok)
            break;
        bytes.append(char(value));
    }
    QString out;
    out.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        out.append(QChar(char16_t(uchar(bytes[i]) << 8 | uchar(bytes[i + 1]))));
    return out;
}

QString isbnCounterpart(const QString &isbn)
{
    const QString s = isbn.trimmed();
    if (s.contains(QLatin1Char('-'))) {
        if (s.size() == 13)
            return QLatin1String("978-") + s.left(12);
        if (s.size() == 17)
            return s.mid(4, 12);
        return QString();
    }
    if (s.size() == 10)
        return QLatin1String("978") + s.left(9);
    if (s.size() == 13)
        return s.startsWith(QLatin1String("977")) ? s.mid(3, 7) : s.mid(3, 9);
    return QString();
}

QStringList isbnSearchForms(const QString &key)
{
    const QString typed = key.trimmed().toUpper();
    if (typed.isEmpty())
        return {};
    QStringList forms{typed};
    const QString other = isbnCounterpart(typed);
    if (!other.isEmpty() && other != typed)
        forms.append(other);
    return forms;
}

QString isbnCondition(const QString &column, const QString &key, bool unicodeMode)
{
    QStringList likes;
    for (const QString &form : isbnSearchForms(key))
        likes.append(column + QStringLiteral(" LIKE ") + unicodeLiteral(form + QLatin1Char('%'), unicodeMode));
    if (likes.size() < 2)
        return likes.value(0);
    return QStringLiteral("( ") + likes.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}

QString normaliseSearchKey(const QString &text, const StopWords &stopWords)
{
    QString key = text.trimmed();
    if (key.isEmpty())
        return QString();
    // Every comparison ignores case, so that normalising and upper-casing
    // give the same key in either order: the index normalises what the
    // record holds, the searches what the operator typed in upper case.
    for (const QString &set : {stopWords[2], stopWords[3]}) {
        if (set.isEmpty())
            continue;
        key.removeIf([&set](QChar c) { return set.contains(c, Qt::CaseInsensitive); });
    }
    // Whole words; the list is read leniently (blanks around the commas).
    QSet<QString> words;
    for (const QString &w : stopWords[0].split(QLatin1Char(','), Qt::SkipEmptyParts))
        words.insert(w.trimmed().toUpper());
    QStringList kept;
    for (const QString &w : key.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!words.contains(w.toUpper()))
            kept.append(w);
    }
    key = kept.join(QLatin1Char(' ')).trimmed();
    for (const QString &s : stopWords[1].split(QLatin1Char(','), Qt::SkipEmptyParts))
        key.remove(s, Qt::CaseInsensitive);
    return key;
}

int widthCutPosition(const QString &text, int width, const MarcCodec &codec)
{
    int running = 0;
    int cut = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A surrogate pair is one character: both halves go or stay.
        const qsizetype step =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        const QStringView ch = QStringView(text).sliced(i, step);
        const bool wide = (step == 2 || ch.at(0).unicode() >= 0x80) && codec.encode(ch).size() > 1;
        running += wide ? 2 : 1;
        if (running == width) {
            cut = int(i + step);
            break;
        }
        if (running > width) {
            cut = int(i);
            break;
        }
        i += step - 1;
    }
    if (cut < 0)
        return int(text.size()) + 1;
    int blanks = 0;
    while (blanks < cut && text.at(cut - 1 - blanks) == QLatin1Char(' '))
        ++blanks;
    return cut - blanks;
}

int leadingNumber(QStringView text)
{
    const QStringView t = text.trimmed();
    qint64 value = 0;
    qsizetype i = 0;
    const bool negative = !t.isEmpty() && t[0] == QLatin1Char('-');
    if (negative || (!t.isEmpty() && t[0] == QLatin1Char('+')))
        ++i;
    for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 0x80; ++i) {
        value = value * 10 + (t[i].unicode() - '0');
        if (value >= 1000000000) {
            value = 1000000000; // far past any code or count it reads
            break;
        }
    }
    return int(negative ? -value : value);
}

} // namespace kestra
