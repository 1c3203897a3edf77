#include "marc/BibRecord.h"

#include <algorithm>
#include <cstring>

namespace kestra {

using namespace iso2709;

namespace {

void writeDigits(char *p, int n, qint64 value)
{
    for (int i = n - 1; i >= 0; --i) {
        p[i] = char('0' + value % 10);
        value /= 10;
    }
}

bool isTagText(QStringView tag)
{
    if (tag.size() != 3)
        return false;
    return std::all_of(tag.begin(), tag.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() <= 0x7E; });
}

bool holdsTerminator(QByteArrayView bytes)
{
    return bytes.contains(FieldTerminator) || bytes.contains(RecordTerminator);
}

} // namespace

QString fixedWidth(const QString &value, int width)
{
    if (value.size() >= width)
        return value.left(width);
    return value + QString(width - value.size(), QLatin1Char(' '));
}

BibRecord BibRecord::create(QByteArrayView leader, const MarcCodec &codec)
{
    BibRecord record(codec);
    record.leader_ = leader.first(std::min<qsizetype>(leader.size(), LeaderLength)).toByteArray();
    if (record.leader_.size() < LeaderLength)
        record.leader_.append(QByteArray(LeaderLength - record.leader_.size(), ' '));
    record.data_ = QByteArray(1, RecordTerminator);
    record.writeLeaderNumbers(record.leader_.data());
    return record;
}

int BibRecord::typeIndex() const
{
    if (summary.marcType == QLatin1String("C"))
        return 0;
    if (summary.marcType == QLatin1String("U"))
        return 1;
    if (summary.marcType == QLatin1String("c"))
        return 2;
    if (summary.marcType == QLatin1String("u"))
        return 3;
    return -1;
}

void BibRecord::setLeaderByte(int position, char value)
{
    if (isBlank() || position < 0 || position >= LeaderLength)
        return;
    // The record length and base address follow the record, not the caller.
    if (position < 5 || (position >= 12 && position < 17))
        return;
    leader_[position] = value;
}

int BibRecord::findField(const char *tag, int from) const
{
    for (int i = std::max(from, 0); i < fieldCount(); ++i) {
        if (dir_[std::size_t(i)].hasTag(tag))
            return i;
    }
    return -1;
}

int BibRecord::recordLength() const
{
    if (isBlank())
        return 0;
    return LeaderLength + EntryLength * fieldCount() + 1 + int(data_.size());
}

void BibRecord::writeLeaderNumbers(char *leader) const
{
    writeDigits(leader, 5, recordLength());
    writeDigits(leader + 12, 5, baseAddress());
}

bool BibRecord::isCanonical() const
{
    qint64 running = 0;
    for (const DirEntry &e : dir_) {
        if (e.start != running)
            return false;
        running += e.length;
    }
    return running == data_.size() - 1;
}

// Lays the fields out one after the other in directory order. Each entry's
// text is its first length - 1 bytes; the terminator is written afresh,
// which is what lets the parser hand over fields that lacked one.
void BibRecord::makeCanonical()
{
    qint64 total = 1;
    for (const DirEntry &e : dir_)
        total += e.length;
    QByteArray out;
    out.reserve(total);
    for (DirEntry &e : dir_) {
        const qsizetype at = out.size();
        out.append(data_.constData() + e.start, e.length - 1);
        out.append(FieldTerminator);
        e.start = qint32(at);
    }
    out.append(RecordTerminator);
    data_ = std::move(out);
}

int BibRecord::addField(const MarcField &field)
{
    if (isBlank() || !isTagText(field.tag))
        return -1;
    QByteArray text = codec_.encode(field.indicators);
    codec_.encodeAppend(field.data, text);
    if (holdsTerminator(text))
        return -1;
    const int length = int(text.size()) + 1;
    if (qint64(recordLength()) + length + EntryLength > MaxRecordLength)
        return -1;
    // Every field lies before the record terminator, so inserting there
    // moves no other field, whatever the order of the directory.
    const qsizetype at = data_.size() - 1;
    text.append(FieldTerminator);
    data_.insert(at, text);
    DirEntry entry;
    const QByteArray tag = field.tag.toLatin1();
    std::memcpy(entry.tag.data(), tag.constData(), 3);
    entry.start = qint32(at);
    entry.length = length;
    dir_.push_back(entry);
    writeLeaderNumbers(leader_.data());
    return 0;
}

int BibRecord::replaceField(int index, QByteArrayView text)
{
    const qint64 newLength = text.size() + 1;
    qint64 canonicalLength = LeaderLength + qint64(EntryLength) * fieldCount() + 2;
    for (const DirEntry &e : dir_)
        canonicalLength += e.length;
    canonicalLength += newLength - dir_[std::size_t(index)].length;
    if (canonicalLength > MaxRecordLength)
        return -1;
    // Fields that share bytes or lie out of order would move wrongly.
    if (!isCanonical())
        makeCanonical();
    DirEntry &target = dir_[std::size_t(index)];
    const int diff = int(newLength) - target.length;
    const qint32 oldStart = target.start;
    data_.replace(oldStart, target.length - 1, text.toByteArray());
    target.length = qint32(newLength);
    for (DirEntry &e : dir_) {
        if (e.start > oldStart)
            e.start += diff;
    }
    writeLeaderNumbers(leader_.data());
    return 0;
}

int BibRecord::setSubfield(QStringView path, const QString &value)
{
    const QStringView p = path.trimmed();
    if (isBlank() || p.size() != 4 || !isTagText(p.first(3)) || p.at(3).unicode() <= 0x20 || p.at(3).unicode() > 0x7E)
        return -1;
    const QByteArray valueBytes = codec_.encode(value);
    if (holdsTerminator(valueBytes) || valueBytes.contains(SubfieldDelimiter))
        return -1;
    const QByteArray tag = p.first(3).toLatin1();
    const char code = char(p.at(3).unicode());
    const int index = findField(tag.constData());
    if (index < 0) {
        DirEntry probe;
        std::memcpy(probe.tag.data(), tag.constData(), 3);
        if (probe.isControl())
            return addField(MarcField{p.first(3).toString(), QString(), value});
        return addField(MarcField{p.first(3).toString(), QStringLiteral("  "),
                                  QString(QChar(SubfieldDelimiter) + QChar(QLatin1Char(code)) + value)});
    }
    // A control field has no subfields: the value becomes the whole field.
    if (dir_[std::size_t(index)].isControl())
        return replaceField(index, valueBytes);
    const QByteArrayView field = fieldBytes(index);
    const char marker[2] = {SubfieldDelimiter, code};
    const qsizetype at = field.indexOf(QByteArrayView(marker, 2));
    QByteArray text;
    if (at < 0) {
        text = field.toByteArray();
        text.append(marker, 2);
        text.append(valueBytes);
    } else {
        qsizetype end = field.indexOf(SubfieldDelimiter, at + 2);
        if (end < 0)
            end = field.size();
        text = field.first(at + 2).toByteArray();
        text.append(valueBytes);
        text.append(field.sliced(end));
    }
    return replaceField(index, text);
}

int BibRecord::setControlField(const char *tag, const QString &value)
{
    const QByteArray bytes = codec_.encode(value);
    if (isBlank() || holdsTerminator(bytes) || bytes.contains(SubfieldDelimiter))
        return -1;
    const int index = findField(tag);
    if (index >= 0)
        return replaceField(index, bytes);
    if (addField(MarcField{QString::fromLatin1(tag, 3), QString(), value}) < 0)
        return -1;
    const DirEntry added = dir_.back();
    dir_.pop_back();
    const auto at = std::find_if(dir_.begin(), dir_.end(),
                                 [tag](const DirEntry &e) { return std::memcmp(e.tag.data(), tag, 3) > 0; });
    dir_.insert(at, added);
    makeCanonical();
    writeLeaderNumbers(leader_.data());
    return 0;
}

int BibRecord::sortFields()
{
    if (isBlank())
        return 0;
    std::stable_sort(dir_.begin(), dir_.end(), [](const DirEntry &a, const DirEntry &b) {
        return std::memcmp(a.tag.data(), b.tag.data(), 3) < 0;
    });
    if (!isCanonical())
        makeCanonical();
    writeLeaderNumbers(leader_.data());
    return 0;
}

void BibRecord::serializeTo(QByteArray &out) const
{
    if (isBlank())
        return;
    const qsizetype at = out.size();
    out.resize(at + recordLength());
    char *w = out.data() + at;
    std::memcpy(w, leader_.constData(), LeaderLength);
    writeLeaderNumbers(w);
    w += LeaderLength;
    for (const DirEntry &e : dir_) {
        std::memcpy(w, e.tag.data(), 3);
        writeDigits(w + 3, 4, e.length);
        writeDigits(w + 7, 5, e.start);
        w += EntryLength;
    }
    *w++ = FieldTerminator;
    std::memcpy(w, data_.constData(), std::size_t(data_.size()));
}

QByteArray BibRecord::serialize() const
{
    QByteArray out;
    serializeTo(out);
    return out;
}

QString BibRecord::guessMarcType() const
{
    if (!isBlank() && leader_.at(9) == 'a')
        return QStringLiteral("U");
    const bool unimarcTitle = findField("200") >= 0;
    if (findField("245") >= 0 && !unimarcTitle)
        return QStringLiteral("U");
    if (unimarcTitle)
        return QStringLiteral("C");
    return !isBlank() && leader_.at(23) == '0' ? QStringLiteral("U") : QStringLiteral("C");
}

BibRecord BibRecord::reencoded(const MarcCodec &target, bool markEncoding) const
{
    if (target == codec_ || isBlank()) {
        BibRecord copy = *this;
        copy.codec_ = target;
        return copy;
    }
    BibRecord out(target);
    out.summary = summary;
    out.status = status;
    out.leader_ = leader_;
    out.dir_ = dir_;
    out.data_.reserve(data_.size() * 3 / 2 + 16);
    QString text;
    for (std::size_t i = 0; i < dir_.size(); ++i) {
        codec_.decodeInto(fieldBytes(int(i)), text);
        const qsizetype at = out.data_.size();
        target.encodeAppend(text, out.data_);
        out.data_.append(FieldTerminator);
        out.dir_[i].start = qint32(at);
        out.dir_[i].length = qint32(out.data_.size() - at);
    }
    out.data_.append(RecordTerminator);
    if (out.recordLength() > MaxRecordLength)
        return BibRecord(target);
    const QString type = summary.marcType.trimmed().isEmpty() ? guessMarcType() : summary.marcType;
    if (markEncoding && target.isUtf8() && type.compare(QLatin1String("U"), Qt::CaseInsensitive) == 0)
        out.leader_[9] = 'a';
    else if (markEncoding && !target.isUtf8() && out.leader_.at(9) == 'a')
        out.leader_[9] = ' ';
    out.writeLeaderNumbers(out.leader_.data());
    return out;
}

QString BibRecord::unencodableIn(const MarcCodec &target) const
{
    if (isBlank() || target == codec_)
        return QString();
    QString text;
    for (int i = 0; i < fieldCount(); ++i) {
        codec_.decodeInto(fieldBytes(i), text);
        const qsizetype at = target.firstUnencodable(text);
        if (at < 0)
            continue;
        const char32_t cp = text.at(at).isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate()
                                ? QChar::surrogateToUcs4(text.at(at), text.at(at + 1))
                                : text.at(at).unicode();
        const QString shown = QChar::isSurrogate(text.at(at).unicode()) && cp < 0x10000
                                  ? QString()
                                  : QStringLiteral(" ") + QString::fromUcs4(&cp, 1);
        const QString hex = QString::number(uint(cp), 16).toUpper().rightJustified(4, QLatin1Char('0'));
        return QStringLiteral("U+%1%2 in field %3").arg(hex, shown, dir_[std::size_t(i)].tagText());
    }
    return QString();
}

bool BibRecord::writeTo(QByteArray &out, const MarcCodec &target) const
{
    if (isBlank())
        return false;
    if (target == codec_) {
        // A record kept with its original leader (the catalogue does) must
        // not claim Unicode in a code page.
        if (!target.isUtf8() && leader_.at(9) == 'a') {
            BibRecord copy = *this;
            copy.leader_[9] = ' ';
            copy.serializeTo(out);
        } else {
            serializeTo(out);
        }
        return true;
    }
    if (!unencodableIn(target).isEmpty())
        return false;
    const BibRecord converted = reencoded(target);
    converted.serializeTo(out);
    return !converted.isBlank();
}

} // namespace kestra
