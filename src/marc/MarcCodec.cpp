#include "marc/MarcCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <vector>

namespace kestra {

// Double-byte code pages: lead bytes 0x81-0xFE, trail bytes 0x40-0xFE.
struct DoubleByteTables {
    static constexpr int Leads = 0xFE - 0x81 + 1;
    static constexpr int Trails = 0xFE - 0x40 + 1;
    std::vector<char16_t> decode; // by (lead, trail); 0 where the converter must decide
    std::vector<quint16> encode;  // by UTF-16 unit; lead << 8 | trail, 0 where not covered
};

namespace {

DoubleByteTables buildTables(const char *name)
{
    DoubleByteTables t;
    QStringDecoder dec(name, QStringConverter::Flag::Stateless);
    QStringEncoder enc(name, QStringConverter::Flag::Stateless);
    if (!dec.isValid() || !enc.isValid())
        return t;
    t.decode.assign(std::size_t(DoubleByteTables::Leads) * DoubleByteTables::Trails, 0);
    t.encode.assign(0x10000, 0);
    char pair[2];
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            pair[0] = char(lead);
            pair[1] = char(trail);
            // The decoder's error flag survives resetState(), so a bad pair
            // is told by its replacement character instead.
            const QString s = dec.decode(QByteArrayView(pair, 2));
            dec.resetState();
            if (s.size() != 1 || s.at(0).unicode() == 0xFFFD || s.at(0).unicode() < 0x80 || s.at(0).isSurrogate())
                continue;
            const char16_t u = s.at(0).unicode();
            t.decode[std::size_t(lead - 0x81) * DoubleByteTables::Trails + std::size_t(trail - 0x40)] = u;
            // Only where the converter writes the same pair back: one-way
            // mappings stay with the converter.
            if (t.encode[u] == 0) {
                const QByteArray back = enc.encode(QStringView(&u, 1));
                enc.resetState();
                if (back.size() == 2 && uchar(back[0]) == lead && uchar(back[1]) == trail)
                    t.encode[u] = quint16(lead << 8 | trail);
            }
        }
    }
    return t;
}

const DoubleByteTables *gbkTables()
{
    static const DoubleByteTables t = buildTables("GBK");
    return t.decode.empty() ? nullptr : &t;
}

const DoubleByteTables *gb18030Tables()
{
    static const DoubleByteTables t = buildTables("GB18030");
    return t.decode.empty() ? nullptr : &t;
}

bool isUtf8Name(const QString &name)
{
    return name.compare(QLatin1String("utf-8"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("utf8"), Qt::CaseInsensitive) == 0;
}

// Decodes with the tables; false when a byte needs the converter.
bool tableDecode(const DoubleByteTables &t, QByteArrayView bytes, char16_t *out, qsizetype *written)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    qsizetype o = 0;
    while (i < n) {
        const uchar b = p[i];
        if (b < 0x80) {
            out[o++] = b;
            ++i;
            continue;
        }
        if (b < 0x81 || b > 0xFE || i + 1 >= n)
            return false;
        const uchar trail = p[i + 1];
        if (trail < 0x40 || trail > 0xFE)
            return false;
        const char16_t u = t.decode[std::size_t(b - 0x81) * DoubleByteTables::Trails + std::size_t(trail - 0x40)];
        if (u == 0)
            return false;
        out[o++] = u;
        i += 2;
    }
    *written = o;
    return true;
}

// Decodes well-formed UTF-8; false at the first byte that is not, so that
// the converter decides what a bad sequence becomes.
bool utf8Decode(QByteArrayView bytes, char16_t *out, qsizetype *written)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    qsizetype o = 0;
    while (i < n) {
        const uchar b = p[i];
        if (b < 0x80) {
            out[o++] = b;
            ++i;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF && i + 1 < n && (p[i + 1] & 0xC0) == 0x80) {
            out[o++] = char16_t((b & 0x1F) << 6 | (p[i + 1] & 0x3F));
            i += 2;
            continue;
        }
        if (b >= 0xE0 && b <= 0xEF && i + 2 < n && (p[i + 1] & 0xC0) == 0x80 && (p[i + 2] & 0xC0) == 0x80) {
            const char16_t u = char16_t((b & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F));
            if (u < 0x800 || (u >= 0xD800 && u <= 0xDFFF))
                return false; // overlong or a surrogate
            out[o++] = u;
            i += 3;
            continue;
        }
        return false; // four-byte sequences and anything malformed
    }
    *written = o;
    return true;
}

} // namespace

MarcCodec::MarcCodec() : MarcCodec(CodePage()) {}

MarcCodec::MarcCodec(const CodePage &codePage) : name_(codePage.name()), latinName_(codePage.name().toLatin1())
{
    if (isUtf8Name(name_)) {
        utf8_ = true;
        name_ = QStringLiteral("UTF-8");
    } else if (name_.compare(QLatin1String("GBK"), Qt::CaseInsensitive) == 0) {
        name_ = QStringLiteral("GBK"); // one spelling, so that equal codecs compare equal
        tables_ = gbkTables();
    } else if (name_.compare(QLatin1String("GB18030"), Qt::CaseInsensitive) == 0) {
        name_ = QStringLiteral("GB18030");
        tables_ = gb18030Tables();
    }
}

MarcCodec MarcCodec::utf8()
{
    return MarcCodec(CodePage(QStringLiteral("UTF-8")));
}

MarcCodec MarcCodec::named(const QString &name, bool *ok)
{
    const MarcCodec codec{CodePage(name.trimmed())};
    if (ok)
        *ok = codec.utf8_ || CodePage(name.trimmed()).isUsable();
    return codec;
}

QString MarcCodec::slowDecode(QByteArrayView bytes) const
{
    QStringDecoder dec(latinName_.constData(), QStringConverter::Flag::Stateless);
    if (!dec.isValid())
        return QString::fromUtf8(bytes);
    return dec.decode(bytes);
}

QString MarcCodec::decode(QByteArrayView bytes) const
{
    QString out;
    decodeInto(bytes, out);
    return out;
}

void MarcCodec::decodeInto(QByteArrayView bytes, QString &out) const
{
    if (bytes.isEmpty()) {
        out.resize(0);
        return;
    }
    if (utf8_) {
        out.resize(bytes.size());
        qsizetype n = 0;
        if (utf8Decode(bytes, reinterpret_cast<char16_t *>(out.data()), &n)) {
            out.resize(n);
            return;
        }
        QStringDecoder dec(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
        QChar *end = dec.appendToBuffer(out.data(), bytes);
        out.resize(end - out.constData());
        return;
    }
    if (tables_) {
        out.resize(bytes.size());
        qsizetype n = 0;
        if (tableDecode(*tables_, bytes, reinterpret_cast<char16_t *>(out.data()), &n)) {
            out.resize(n);
            return;
        }
    }
    out = slowDecode(bytes);
}

void MarcCodec::encodeAppend(QStringView text, QByteArray &out) const
{
    if (utf8_) {
        out.append(text.toUtf8());
        return;
    }
    if (tables_) {
        const qsizetype base = out.size();
        out.resize(base + text.size() * 2);
        char *d = out.data() + base;
        bool ok = true;
        for (const QChar ch : text) {
            const char16_t u = ch.unicode();
            if (u < 0x80) {
                *d++ = char(u);
                continue;
            }
            const quint16 pair = tables_->encode[u];
            if (pair == 0) {
                ok = false;
                break;
            }
            *d++ = char(pair >> 8);
            *d++ = char(pair & 0xFF);
        }
        if (ok) {
            out.resize(d - out.constData());
            return;
        }
        out.resize(base);
    }
    QStringEncoder enc(latinName_.constData(), QStringConverter::Flag::Stateless);
    if (!enc.isValid())
        out.append(text.toUtf8());
    else
        out.append(enc.encode(text));
}

qsizetype MarcCodec::prefixFitting(QStringView text, qsizetype maxBytes) const
{
    qsizetype used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const char16_t u = text[i].unicode();
        const qsizetype step = QChar::isHighSurrogate(u) && i + 1 < text.size() ? 2 : 1;
        qsizetype bytes = 0;
        if (u < 0x80)
            bytes = 1;
        else if (utf8_)
            bytes = step == 2 ? 4 : (u < 0x800 ? 2 : 3);
        else if (tables_ && step == 1 && tables_->encode[u] != 0)
            bytes = 2;
        else
            bytes = encode(text.sliced(i, step)).size();
        if (used + bytes > maxBytes)
            break;
        used += bytes;
        i += step;
    }
    return i;
}

qsizetype MarcCodec::charLength(QByteArrayView bytes, qsizetype at) const
{
    const qsizetype left = bytes.size() - at;
    if (left <= 0)
        return 0;
    const auto *p = reinterpret_cast<const uchar *>(bytes.data()) + at;
    if (p[0] < 0x80 || left == 1)
        return 1;
    if (utf8_) {
        const qsizetype n = p[0] >= 0xC2 && p[0] <= 0xDF   ? 2
                            : p[0] >= 0xE0 && p[0] <= 0xEF ? 3
                            : p[0] >= 0xF0 && p[0] <= 0xF4 ? 4
                                                           : 1;
        if (n > left)
            return 1;
        for (qsizetype i = 1; i < n; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return 1;
        }
        return n;
    }
    if (p[0] < 0x81 || p[0] > 0xFE)
        return 1;
    // GB18030's four-byte form: lead, digit, lead, digit.
    if (p[1] >= 0x30 && p[1] <= 0x39)
        return left >= 4 && p[2] >= 0x81 && p[2] <= 0xFE && p[3] >= 0x30 && p[3] <= 0x39 ? 4 : 1;
    return p[1] >= 0x40 && p[1] <= 0xFE && p[1] != 0x7F ? 2 : 1;
}

qsizetype MarcCodec::firstUnencodable(QStringView text) const
{
    for (qsizetype i = 0; i < text.size();) {
        const char16_t u = text[i].unicode();
        const bool pair = QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const qsizetype step = pair ? 2 : 1;
        if (!pair && QChar::isSurrogate(u))
            return i; // half a pair is no character in any encoding
        if (u < 0x80 || (utf8_) || (tables_ && !pair && tables_->encode[u] != 0)) {
            i += step;
            continue;
        }
        // The converter decides; what it cannot hold comes back changed.
        const QStringView one = text.sliced(i, step);
        if (decode(encode(one)) != one)
            return i;
        i += step;
    }
    return -1;
}

QByteArray MarcCodec::encode(QStringView text) const
{
    QByteArray out;
    encodeAppend(text, out);
    return out;
}

} // namespace kestra
