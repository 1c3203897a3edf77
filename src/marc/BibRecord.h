#pragma once

#include "marc/MarcCodec.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <array>
#include <vector>

namespace kestra {

namespace iso2709 {
inline constexpr char RecordTerminator = 0x1D;
inline constexpr char FieldTerminator = 0x1E;
inline constexpr char SubfieldDelimiter = 0x1F;
inline constexpr int LeaderLength = 24;
inline constexpr int EntryLength = 12;
inline constexpr int MaxRecordLength = 99999;
} // namespace iso2709

// One directory entry: where a field lies in the data part.
struct DirEntry {
    std::array<char, 3> tag{};
    qint32 start = 0;  // bytes from the base address
    qint32 length = 0; // bytes, the field terminator included

    QByteArrayView tagBytes() const { return QByteArrayView(tag.data(), 3); }
    QString tagText() const { return QString::fromLatin1(tag.data(), 3); }
    bool hasTag(const char *t) const { return tag[0] == t[0] && tag[1] == t[1] && tag[2] == t[2]; }
    // Tags "001" to "009": no indicators, no subfields.
    bool isControl() const { return tag[0] == '0' && tag[1] == '0' && tag[2] >= '1' && tag[2] <= '9'; }
};

// A field to add: indicators and data are text; data holds the subfields,
// each the delimiter (31), the code and the value.
struct MarcField {
    QString tag;
    QString indicators;
    QString data;
};

// What the parser found wrong with a record, and what it did about it.
enum class ParseIssue : quint8 {
    // Refused: the record cannot be located at all.
    TooShort,       // no complete leader and directory terminator
    NoDirectoryEnd, // no field terminator after the leader
    RecordTooLong,  // over 99999 bytes
    // Repaired: read without losing data.
    RecordLengthCorrected, // leader positions 1-5 did not give the length
    BaseAddressCorrected,  // leader positions 13-17 did not point after the directory
    TerminatorAdded,       // the record terminator was missing
    LineBreaksBlanked,     // CR or LF inside the record, each made a blank
    FieldLengthCorrected,  // a field's length ran over its own field terminator
    FieldTerminatorAdded,  // a field did not end with a field terminator
    // Damaged: read as far as intact, some data lost.
    DirectoryCutShort,  // the directory ends inside an entry; that entry is dropped
    BadEntry,           // a tag, length or position that is not usable; entry dropped
    FieldOutsideRecord, // a field starting past the end of the data; entry dropped
    FieldRunsPastEnd,   // a field running past the end of the data; cut there
    StoredTextLost,     // a stored chunk came back shorter and the record no longer fits together
};

enum class ParseOutcome : quint8 { Clean, Repaired, Damaged, Refused, Blank };

struct ParseReport {
    struct Item {
        ParseIssue issue;
        int entry = -1; // directory entry (0-based) the issue concerns, or -1
    };
    ParseOutcome outcome = ParseOutcome::Clean;
    QList<Item> items;

    bool accepted() const { return outcome != ParseOutcome::Refused && outcome != ParseOutcome::Blank; }
    void add(ParseIssue issue, int entry = -1);
};

QString describeIssue(ParseIssue issue);
QString describeReport(const ParseReport &report);

// The summary columns of the record's row in the catalogue table, kept
// with the record in memory. Fixed-width members are set through
// fixedWidth() by whoever fills them from a row.
struct BibSummary {
    QString marcRecNo;
    QString marcType; // "C", "U", "c", "u"
    QString docTypeCode;
    QString langCode;
    QString countryCode;
    QString marcUseFlag;
    QString cataOper;
    QString cataDate;
    QString createOper;
    QString createDate;
    QString opacFlag;
    QString catalogLevel;
};

// Left-aligned in width characters, blank-padded, cut at the width.
QString fixedWidth(const QString &value, int width);

// One bibliographic record in memory: the 24-byte leader, the directory and
// the data part (from the base address to the end, the record terminator
// included), all in the bytes of its codec. After a successful parse the
// record is always well formed: every entry lies inside the data, ends with
// a field terminator and holds none before it, and the data ends with the
// record terminator. The editing operations keep it so.
class BibRecord {
public:
    BibRecord() = default;
    explicit BibRecord(const MarcCodec &codec) : codec_(codec) {}

    // Parses one record; a refused or blank input gives a blank record.
    static BibRecord fromBytes(QByteArrayView bytes, const MarcCodec &codec, ParseReport *report = nullptr);
    // The record as the database hands it over: text, converted to the
    // codec's bytes and then parsed.
    static BibRecord fromText(const QString &text, const MarcCodec &codec, ParseReport *report = nullptr);
    // A new record with no fields; the leader is padded or cut to 24 bytes.
    static BibRecord create(QByteArrayView leader, const MarcCodec &codec);
    // Parses into this object, reusing its storage: the loop over a file.
    ParseReport parse(QByteArrayView bytes, const MarcCodec &codec);
    void clear();

    BibSummary summary;
    qint16 status = 0;
    // 0 "C", 1 "U", 2 "c", 3 "u", -1 otherwise.
    int typeIndex() const;

    bool isBlank() const { return leader_.isEmpty(); }
    const MarcCodec &codec() const { return codec_; }
    QByteArrayView leader() const { return leader_; }
    void setLeaderByte(int position, char value);
    int fieldCount() const { return int(dir_.size()); }
    const DirEntry &entry(int index) const { return dir_[std::size_t(index)]; }
    const std::vector<DirEntry> &directory() const { return dir_; }
    const QByteArray &data() const { return data_; }
    // The field's bytes without its terminator.
    QByteArrayView fieldBytes(int index) const
    {
        const DirEntry &e = dir_[std::size_t(index)];
        return QByteArrayView(data_.constData() + e.start, e.length - 1);
    }
    QString fieldText(int index) const { return codec_.decode(fieldBytes(index)); }
    // Index of the first entry at or after from with that tag, or -1.
    int findField(const char *tag, int from = 0) const;
    // Length of the record as written: leader, directory, its terminator, data.
    int recordLength() const;
    int baseAddress() const { return iso2709::LeaderLength + iso2709::EntryLength * fieldCount() + 1; }
    QString decode(QByteArrayView bytes) const { return codec_.decode(bytes); }

    // AddField: 0, or -1 (record unchanged) when the record would pass
    // 99999 bytes, the tag is not three ASCII characters, the text holds a
    // terminator, or the record is blank.
    int addField(const MarcField &field);
    // SetSubfield for a path "tag + code": 0, or -1 (record unchanged).
    int setSubfield(QStringView path, const QString &value);
    // A control field ("001") set to value: replaced where the record has
    // it, else inserted before the first field with a higher tag. 0, or -1
    // (record unchanged).
    int setControlField(const char *tag, const QString &value);
    // SortFields: ascending tags, equal tags keeping their order.
    int sortFields();

    QByteArray serialize() const;
    void serializeTo(QByteArray &out) const;
    QString serializeText() const { return codec_.decode(serialize()); }
    // The record in another encoding, the directory recomputed. With
    // markEncoding, a MARC 21 record says in leader position 10 whether it
    // is in UTF-8; without, the leader stays as it came (the catalogue keeps
    // it, so that an export can give back the original). Blank when it would
    // pass 99999 bytes in that encoding.
    BibRecord reencoded(const MarcCodec &target, bool markEncoding = true) const;
    // The first character of the record that the target encoding cannot
    // hold, described for a report ("U+00F8 ø in field 245"); empty when
    // the record converts without loss.
    QString unencodableIn(const MarcCodec &target) const;
    // Serializes in the target encoding (as is when it is the record's own,
    // except that a code page never goes out marked as Unicode);
    // false, and nothing written, when the record is blank, holds a
    // character the target cannot hold, or would pass 99999 bytes in that
    // encoding.
    bool writeTo(QByteArray &out, const MarcCodec &target) const;

    // "U" when the record looks like MARC 21, "C" otherwise (a file does
    // not say which scheme its records follow).
    QString guessMarcType() const;

private:
    bool isCanonical() const;
    void makeCanonical();
    int replaceField(int index, QByteArrayView text);
    void writeLeaderNumbers(char *leader) const;

    QByteArray leader_;
    std::vector<DirEntry> dir_;
    QByteArray data_;
    MarcCodec codec_;
};

} // namespace kestra
