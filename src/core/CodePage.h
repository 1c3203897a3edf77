#pragma once

#include <QByteArray>
#include <QString>

namespace kestra {

// The workstation code page: the 8-bit character set in which the suite's
// Windows workstations write their files and in which MARC records count
// their bytes. GBK unless the installation says otherwise.
class CodePage {
public:
    explicit CodePage(QString name = QStringLiteral("GBK"));

    const QString &name() const { return name_; }
    // False when this Qt build cannot convert the named code page.
    bool isUsable() const;

    QByteArray encode(const QString &text) const;
    QString decode(const QByteArray &bytes) const;

    // The text of a settings file: UTF-8 when the bytes are valid UTF-8 (a
    // byte-order mark is dropped), otherwise the code page.
    QString decodeFile(const QByteArray &bytes) const;

    // The longest prefix of text whose code-page form fits in maxBytes,
    // never ending inside a character.
    QString cutToBytes(const QString &text, int maxBytes) const;

    // Number of bytes the text takes in the code page.
    qsizetype byteLength(const QString &text) const;

private:
    QString name_;
};

bool isValidUtf8(const QByteArray &bytes);

} // namespace kestra
