#include "core/Scramble.h"

#include <QByteArray>
#include <QStringDecoder>

namespace kestra {

namespace {

constexpr unsigned char kKey[16] = {0x4B, 0x65, 0x73, 0x74, 0x72, 0x61, 0x1F, 0x93,
                                    0x2C, 0xD0, 0x68, 0x0E, 0xB7, 0x35, 0xA1, 0x7C};

unsigned char mask(qsizetype i)
{
    return static_cast<unsigned char>(kKey[i % 16] ^ ((i * 7 + 0x5A) & 0xFF));
}

} // namespace

QString scramblePassword(const QString &clear)
{
    if (clear.isEmpty())
        return {};
    QByteArray bytes = clear.toUtf8();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(static_cast<unsigned char>(bytes[i]) ^ mask(i));
    return u'~' + QString::fromLatin1(bytes.toHex().toUpper());
}

std::optional<QString> unscramblePassword(const QString &scrambled)
{
    if (scrambled.isEmpty())
        return QString();
    if (!scrambled.startsWith(u'~') || scrambled.size() % 2 == 0)
        return std::nullopt;
    const QString hex = scrambled.mid(1);
    for (const QChar c : hex) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f')))
            return std::nullopt;
    }
    QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(static_cast<unsigned char>(bytes[i]) ^ mask(i));
    QStringDecoder dec(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString clear = dec.decode(bytes);
    if (dec.hasError())
        return std::nullopt;
    return clear;
}

} // namespace kestra
