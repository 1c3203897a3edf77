#pragma once

#include "core/CodePage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace kestra {

struct DoubleByteTables;

// The character encoding of a record's bytes: the workstation code page
// (GBK, GB18030 or another double-byte page) or UTF-8. Records keep their
// bytes in this encoding, so every directory length and position counts
// its bytes; text is decoded only when a value is asked for.
//
// GBK and GB18030 decode and encode through tables built once from the
// platform converter, because converting field by field through the
// converter itself is what makes reading a large file slow. Anything the
// tables do not cover (four-byte GB18030 sequences, invalid bytes, other
// code pages) goes through the platform converter, so the results are
// always the converter's.
class MarcCodec {
public:
    // The workstation default, GBK.
    MarcCodec();
    explicit MarcCodec(const CodePage &codePage);
    static MarcCodec utf8();
    // "utf-8"/"utf8" or a code-page name the platform converts; nullopt-like
    // result through ok=false when the name is unknown.
    static MarcCodec named(const QString &name, bool *ok = nullptr);

    bool isUtf8() const { return utf8_; }
    const QString &name() const { return name_; }

    QString decode(QByteArrayView bytes) const;
    // Replaces the contents of out with the decoded bytes, reusing its
    // storage, so that a loop over many values allocates nothing.
    void decodeInto(QByteArrayView bytes, QString &out) const;
    QByteArray encode(QStringView text) const;
    // Appends the encoded text to out.
    void encodeAppend(QStringView text, QByteArray &out) const;
    // How many UTF-16 units of text, from its start, fit in maxBytes of this
    // encoding without splitting a character.
    qsizetype prefixFitting(QStringView text, qsizetype maxBytes) const;
    // The number of bytes of the character that starts at bytes[at]: 1 for
    // ASCII and for anything malformed, so that a scan always moves on.
    qsizetype charLength(QByteArrayView bytes, qsizetype at) const;
    // The UTF-16 index of the first character of text this encoding cannot
    // hold (it would come back as something else), or -1.
    qsizetype firstUnencodable(QStringView text) const;

    bool operator==(const MarcCodec &other) const { return utf8_ == other.utf8_ && name_ == other.name_; }
    bool operator!=(const MarcCodec &other) const { return !(*this == other); }

private:
    QString slowDecode(QByteArrayView bytes) const;

    QString name_;
    QByteArray latinName_;
    const DoubleByteTables *tables_ = nullptr;
    bool utf8_ = false;
};

} // namespace kestra
