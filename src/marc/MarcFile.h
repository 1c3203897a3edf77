#pragma once

#include "marc/BibRecord.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace kestra {

// One record's bytes as cut from a file.
struct RecordSlice {
    qint64 offset = 0; // byte offset in the file
    qint64 number = 0; // 1-based position among the slices of the file
    QByteArrayView bytes;
};

enum class SliceFault : quint8 {
    None,
    // No record terminator within 99999 bytes: the bytes up to the next
    // terminator are skipped.
    NoTerminator,
    // The file ends inside a record.
    EndsInsideRecord,
};

QString describeSliceFault(SliceFault fault);

// Cuts a file of ISO 2709 records into records. The leader's record length
// is trusted when a record terminator stands where it says; otherwise the
// record ends at the next record terminator, which no byte of GBK, GB18030
// or UTF-8 text can contain. Blanks, line breaks, NULs and Ctrl-Z between
// records are skipped. The file is mapped, not read, so that a file of a
// million records costs no copy.
class MarcFileReader {
public:
    MarcFileReader() = default;
    MarcFileReader(const MarcFileReader &) = delete;
    MarcFileReader &operator=(const MarcFileReader &) = delete;

    bool open(const QString &path, QString *error);
    // Reads records from memory the caller keeps alive.
    void setBytes(QByteArrayView bytes);

    // The next slice; false at the end of the file. A slice that cannot be
    // a record comes with fault set, and reading goes on after it.
    bool next(RecordSlice &slice, SliceFault &fault);
    qint64 size() const { return bytes_.size(); }
    qint64 position() const { return pos_; }

private:
    QFile file_;
    QByteArray owned_;
    QByteArrayView bytes_;
    qsizetype pos_ = 0;
    qint64 count_ = 0;
};

// How a file's records are decoded: by default a record whose leader
// position 10 is "a" is UTF-8 (MARC 21's mark for Unicode) and every other
// record is in the code page; a fixed encoding overrides the leader.
struct MarcEncodingChoice {
    MarcCodec codePage = MarcCodec(CodePage(QStringLiteral("GB18030")));
    bool fixed = false;

    MarcCodec codecFor(QByteArrayView record) const
    {
        if (!fixed && record.size() > 9 && record[9] == 'a')
            return MarcCodec::utf8();
        return codePage;
    }
    // "auto", "utf-8", or a code-page name; false when unknown.
    bool set(const QString &name);
};

// Where a record came from: its place in a file, or its key in a table.
struct RecordOrigin {
    qint64 number = 0;  // 1-based position in the source
    qint64 offset = -1; // byte offset in a file
    QString key;        // record number in the catalogue
    SliceFault fault = SliceFault::None;
};

// A sequence of records, whatever holds them: the importer and the dump
// read files through it, the exporter will read the catalogue tables.
class RecordSource {
public:
    virtual ~RecordSource() = default;
    // The next record; false at the end. A record that cannot be read comes
    // back blank, with the reason in origin.fault or report.
    virtual bool next(BibRecord &record, RecordOrigin &origin, ParseReport &report) = 0;
};

class FileRecordSource final : public RecordSource {
public:
    explicit FileRecordSource(const MarcEncodingChoice &encoding = MarcEncodingChoice()) : encoding_(encoding) {}
    bool open(const QString &path, QString *error) { return reader_.open(path, error); }
    void setBytes(QByteArrayView bytes) { reader_.setBytes(bytes); }
    bool next(BibRecord &record, RecordOrigin &origin, ParseReport &report) override;
    const MarcFileReader &reader() const { return reader_; }

private:
    MarcFileReader reader_;
    MarcEncodingChoice encoding_;
};

// Writes records to a file in one encoding, buffered.
class MarcFileWriter {
public:
    explicit MarcFileWriter(const MarcCodec &target) : target_(target) {}
    ~MarcFileWriter() { close(); }
    MarcFileWriter(const MarcFileWriter &) = delete;
    MarcFileWriter &operator=(const MarcFileWriter &) = delete;

    bool open(const QString &path, QString *error);
    // False when the record is blank or too long in the target encoding
    // (nothing written), or on a write error.
    bool write(const BibRecord &record);
    bool close();

private:
    bool flush();

    MarcCodec target_;
    QFile file_;
    QByteArray buffer_;
    bool failed_ = false;
};

} // namespace kestra
