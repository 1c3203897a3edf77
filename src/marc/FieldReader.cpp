#include "marc/FieldReader.h"

#include <cstring>

namespace kestra {

using namespace iso2709;

namespace {

// A path or tag as ASCII bytes; false when it holds anything else.
bool toAscii(QStringView text, char *out, qsizetype size)
{
    if (text.size() != size)
        return false;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x20 || u > 0x7E)
            return false;
        out[i] = char(u);
    }
    out[size] = '\0';
    return true;
}

} // namespace

int FieldReader::getField(const char *tag)
{
    const int count = rec_.fieldCount();
    if (fieldCursor_ < 0)
        fieldCursor_ = 0;
    while (fieldCursor_ < count) {
        if (rec_.entry(fieldCursor_).hasTag(tag))
            return fieldCursor_;
        ++fieldCursor_;
    }
    return -1;
}

int FieldReader::nextField(const char *tag)
{
    const int index = getField(tag);
    if (index >= 0)
        ++fieldCursor_;
    return index;
}

QString FieldReader::getFieldData(QStringView tag)
{
    char t[4];
    if (!toAscii(tag, t, 3))
        return QString();
    const int index = getField(t);
    return index < 0 ? QString() : rec_.fieldText(index);
}

QString FieldReader::nextFieldData(QStringView tag)
{
    char t[4];
    if (!toAscii(tag, t, 3))
        return QString();
    const int index = nextField(t);
    return index < 0 ? QString() : rec_.fieldText(index);
}

QByteArrayView FieldReader::nextSubfield(QByteArrayView field, char code)
{
    const char marker[2] = {SubfieldDelimiter, code};
    const qsizetype from = std::min(subfieldCursor_, field.size());
    const qsizetype at = field.indexOf(QByteArrayView(marker, 2), from);
    if (at < 0)
        return QByteArrayView();
    qsizetype end = field.indexOf(SubfieldDelimiter, at + 2);
    if (end < 0)
        end = field.size();
    // The cursor rests on the next delimiter, where the next search starts.
    subfieldCursor_ = end;
    return field.sliced(at + 2, end - at - 2);
}

QByteArrayView FieldReader::getSubfield(QByteArrayView field, char code)
{
    const char marker[2] = {SubfieldDelimiter, code};
    const qsizetype at = field.indexOf(QByteArrayView(marker, 2));
    if (at < 0)
        return QByteArrayView();
    qsizetype end = field.indexOf(SubfieldDelimiter, at + 2);
    if (end < 0)
        end = field.size();
    return field.sliced(at + 2, end - at - 2);
}

// A four-character path: the next repetition of the subfield, going on to
// the next occurrence of the tag when a field has no (more) such subfield.
QByteArrayView FieldReader::subfieldPath(const char *tag, char code)
{
    for (;;) {
        const int index = getField(tag);
        if (index < 0) {
            endSearch();
            return QByteArrayView();
        }
        const QByteArrayView field = rec_.fieldBytes(index);
        if (std::memcmp(tag, "009", 3) <= 0) {
            subfieldCursor_ = 0;
            ++fieldCursor_;
            return field;
        }
        // A field holding only its indicators has no subfield: the search
        // goes on with the next occurrence like for any field without it.
        const QByteArrayView value = nextSubfield(withoutIndicators(field), code);
        if (!value.isEmpty())
            return value;
        ++fieldCursor_;
        subfieldCursor_ = 0;
    }
}

// "880" + "6" + linked tag + code: the subfield of the next alternate-script
// field linked to that tag.
QByteArrayView FieldReader::linkedScriptPath(const char *path)
{
    const char marker[5] = {SubfieldDelimiter, path[3], path[4], path[5], path[6]};
    for (;;) {
        const int index = nextField("880");
        if (index < 0) {
            endSearch();
            return QByteArrayView();
        }
        const QByteArrayView body = withoutIndicators(rec_.fieldBytes(index));
        if (body.contains(QByteArrayView(marker, 5)))
            return getSubfield(body, path[7]);
    }
}

// Linking tag + introducing code + embedded tag + code: a subfield of a
// field embedded in a linking field, the next one after the cursors.
QByteArrayView FieldReader::embeddedPath(const char *path)
{
    const char tag[4] = {path[0], path[1], path[2], '\0'};
    const char marker[5] = {SubfieldDelimiter, path[3], path[4], path[5], path[6]};
    const char nextEmbedded[2] = {SubfieldDelimiter, '1'};
    const bool controlEmbedded = std::memcmp(path + 4, "001", 3) == 0;
    for (;;) {
        const int index = getField(tag);
        if (index < 0) {
            endSearch();
            return QByteArrayView();
        }
        const QByteArrayView body = withoutIndicators(rec_.fieldBytes(index));
        const qsizetype at = body.indexOf(QByteArrayView(marker, 5), std::min(subfieldCursor_, body.size()));
        if (at < 0) {
            ++fieldCursor_;
            subfieldCursor_ = 0;
            continue;
        }
        subfieldCursor_ = at + 5;
        qsizetype end = body.indexOf(QByteArrayView(nextEmbedded, 2), at + 5);
        if (end < 0)
            end = body.size();
        const QByteArrayView embedded = body.sliced(at + 5, end - at - 5);
        const QByteArrayView value = controlEmbedded ? embedded : getSubfield(withoutIndicators(embedded), path[7]);
        if (!value.isEmpty())
            return value;
    }
}

QByteArrayView FieldReader::fieldValueBytes(QStringView path)
{
    const QStringView p = path.trimmed();
    char b[9];
    if (p.size() == 4 && toAscii(p, b, 4))
        return subfieldPath(b, b[3]);
    if (p.size() != 8 || !toAscii(p, b, 8))
        return QByteArrayView();
    const int type = rec_.typeIndex();
    if (type == 1 && std::memcmp(b, "880", 3) == 0)
        return linkedScriptPath(b);
    if (type == 0 && b[0] == '4')
        return embeddedPath(b);
    return QByteArrayView();
}

QString FieldReader::getFieldValue(QStringView path)
{
    return rec_.decode(fieldValueBytes(path));
}

// A bare tag: the plain text of its next occurrence. A control field has
// no indicators to drop, so it is given whole.
QString FieldReader::bareTagText(const char *tag)
{
    const int index = nextField(tag);
    if (index < 0)
        return QString();
    if (rec_.entry(index).isControl())
        return rec_.fieldText(index).trimmed();
    return fieldPlainText(rec_.fieldBytes(index), rec_.codec());
}

QString FieldReader::pathListValue(QStringView pathList, bool all)
{
    for (const QStringView raw : pathList.split(QLatin1Char(','))) {
        const QStringView path = raw.trimmed();
        resetCursors();
        char tag[4];
        QString value;
        if (path.size() == 3) {
            if (toAscii(path, tag, 3))
                value = bareTagText(tag);
        } else if (!all) {
            value = getFieldValue(path);
        } else {
            QStringList values;
            // Each value moves a cursor forward, so this ends; the bound
            // only guards against a future path kind that does not.
            for (qsizetype guard = rec_.data().size() + rec_.fieldCount() + 2; guard > 0; --guard) {
                const QByteArrayView bytes = fieldValueBytes(path);
                if (bytes.isEmpty())
                    break;
                values.append(rec_.decode(bytes));
            }
            value = values.join(QStringLiteral(", "));
        }
        if (!value.isEmpty())
            return value;
    }
    return QString();
}

QString FieldReader::firstFieldValue(QStringView pathList)
{
    return pathListValue(pathList, false);
}

QString FieldReader::allFieldValues(QStringView pathList)
{
    return pathListValue(pathList, true);
}

QString getSubfield(const QString &fieldText, QChar code)
{
    const QString marker = QString(QChar(SubfieldDelimiter)) + code;
    const qsizetype at = fieldText.indexOf(marker);
    if (at < 0)
        return QString();
    qsizetype end = fieldText.indexOf(QChar(SubfieldDelimiter), at + 2);
    if (end < 0)
        end = fieldText.size();
    return fieldText.mid(at + 2, end - at - 2);
}

QString fieldPlainText(const QString &fieldText)
{
    QString out;
    out.reserve(fieldText.size());
    for (qsizetype i = 2; i < fieldText.size(); ++i) {
        if (fieldText.at(i) == QChar(SubfieldDelimiter)) {
            out.append(QLatin1Char(' '));
            ++i; // the code, one character
            if (i + 1 < fieldText.size() && fieldText.at(i).isHighSurrogate() && fieldText.at(i + 1).isLowSurrogate())
                ++i;
        } else {
            out.append(fieldText.at(i));
        }
    }
    return out.trimmed();
}

QString fieldPlainText(QByteArrayView field, const MarcCodec &codec)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 2; i < field.size(); ++i) {
        if (field[i] == SubfieldDelimiter) {
            out.append(' ');
            // The code is one character of the code page, not one byte.
            i += std::max<qsizetype>(1, codec.charLength(field, i + 1));
        } else {
            out.append(field[i]);
        }
    }
    return codec.decode(out).trimmed();
}

} // namespace kestra
