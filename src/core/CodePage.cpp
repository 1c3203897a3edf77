#include "core/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace kestra {

CodePage::CodePage(QString name) : name_(std::move(name)) {}

bool CodePage::isUsable() const
{
    QStringEncoder enc(name_.toLatin1().constData(), QStringConverter::Flag::Stateless);
    return enc.isValid();
}

QByteArray CodePage::encode(const QString &text) const
{
    QStringEncoder enc(name_.toLatin1().constData(), QStringConverter::Flag::Stateless);
    if (!enc.isValid())
        return text.toUtf8();
    return enc.encode(text);
}

QString CodePage::decode(const QByteArray &bytes) const
{
    QStringDecoder dec(name_.toLatin1().constData(), QStringConverter::Flag::Stateless);
    if (!dec.isValid())
        return QString::fromUtf8(bytes);
    return dec.decode(bytes);
}

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder dec(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    [[maybe_unused]] const QString text = dec.decode(bytes);
    return !dec.hasError();
}

QString CodePage::decodeFile(const QByteArray &bytes) const
{
    static constexpr char bom[] = "\xEF\xBB\xBF";
    if (bytes.startsWith(bom))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    return decode(bytes);
}

qsizetype CodePage::byteLength(const QString &text) const
{
    return encode(text).size();
}

QString CodePage::cutToBytes(const QString &text, int maxBytes) const
{
    // Cheap exit for the common case: every character takes at most two
    // bytes in the double-byte code pages, four in GB18030.
    if (text.size() * 4 <= maxBytes)
        return text;
    qsizetype used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype step = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const qsizetype len = byteLength(text.mid(i, step));
        if (used + len > maxBytes)
            break;
        used += len;
        i += step;
    }
    return text.left(i);
}

} // namespace kestra
