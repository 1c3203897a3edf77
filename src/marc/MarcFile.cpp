#include "marc/MarcFile.h"

#include <cstring>

namespace kestra {

using namespace iso2709;

namespace {

int digitsAt(QByteArrayView b, qsizetype at, int n)
{
    if (at < 0 || at + n > b.size())
        return -1;
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const char c = b[at + i];
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// Whether a record leader starts at: its length and base address are
// digits and the base address follows a field terminator.
bool looksLikeLeader(QByteArrayView b, qsizetype at)
{
    const int base = digitsAt(b, at + 12, 5);
    return digitsAt(b, at, 5) >= 0 && base > LeaderLength && at + base <= b.size() &&
           b[at + base - 1] == FieldTerminator;
}

bool isSeparator(char c)
{
    return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\0' || c == 0x1A || c == RecordTerminator;
}

} // namespace

QString describeSliceFault(SliceFault fault)
{
    switch (fault) {
    case SliceFault::None:
        return QString();
    case SliceFault::NoTerminator:
        return QStringLiteral("no record terminator within 99999 bytes; skipped to the next one");
    case SliceFault::EndsInsideRecord:
        return QStringLiteral("the file ends inside this record");
    }
    return QString();
}

bool MarcFileReader::open(const QString &path, QString *error)
{
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file_.errorString();
        return false;
    }
    pos_ = 0;
    count_ = 0;
    if (file_.size() == 0) {
        bytes_ = QByteArrayView();
        return true;
    }
    if (uchar *map = file_.map(0, file_.size())) {
        bytes_ = QByteArrayView(reinterpret_cast<const char *>(map), file_.size());
        return true;
    }
    owned_ = file_.readAll();
    bytes_ = owned_;
    return true;
}

void MarcFileReader::setBytes(QByteArrayView bytes)
{
    bytes_ = bytes;
    pos_ = 0;
    count_ = 0;
}

bool MarcFileReader::next(RecordSlice &slice, SliceFault &fault)
{
    fault = SliceFault::None;
    const qsizetype n = bytes_.size();
    const char *b = bytes_.data();
    while (pos_ < n && isSeparator(b[pos_]))
        ++pos_;
    if (pos_ >= n)
        return false;
    const qsizetype start = pos_;
    const qsizetype rest = n - start;
    slice.offset = start;
    slice.number = ++count_;

    const int length = digitsAt(bytes_, start, 5);
    if (length >= LeaderLength + 1 && length <= rest && b[start + length - 1] == RecordTerminator) {
        slice.bytes = bytes_.sliced(start, length);
        pos_ = start + length;
        return true;
    }
    const qsizetype window = std::min<qsizetype>(rest, MaxRecordLength);
    const auto *rt = static_cast<const char *>(std::memchr(b + start, RecordTerminator, std::size_t(window)));
    if (rt) {
        // A record that lost its terminator runs into the next one; the
        // leader's length and the next leader's digits tell where it ended
        // (the length counting the terminator or not).
        const qsizetype end = rt - b;
        for (const qsizetype cut : {start + length - 1, qsizetype(start + length)}) {
            if (length >= LeaderLength + 1 && cut < end && b[cut - 1] == FieldTerminator &&
                looksLikeLeader(bytes_, cut)) {
                slice.bytes = bytes_.sliced(start, cut - start);
                pos_ = cut;
                return true;
            }
        }
        slice.bytes = bytes_.sliced(start, end + 1 - start);
        pos_ = end + 1;
        return true;
    }
    if (rest <= MaxRecordLength) {
        slice.bytes = bytes_.sliced(start, rest);
        pos_ = n;
        // Only the terminator missing at the very end: still a record.
        if ((length == rest + 1 || length == rest) && b[n - 1] == FieldTerminator)
            return true;
        fault = SliceFault::EndsInsideRecord;
        return true;
    }
    slice.bytes = bytes_.sliced(start, window);
    const auto *next =
        static_cast<const char *>(std::memchr(b + start + window, RecordTerminator, std::size_t(n - start - window)));
    pos_ = next ? next - b + 1 : n;
    fault = SliceFault::NoTerminator;
    return true;
}

bool FileRecordSource::next(BibRecord &record, RecordOrigin &origin, ParseReport &report)
{
    RecordSlice slice;
    if (!reader_.next(slice, origin.fault))
        return false;
    origin.number = slice.number;
    origin.offset = slice.offset;
    if (origin.fault != SliceFault::None) {
        record.clear();
        report = ParseReport();
        report.outcome = ParseOutcome::Refused;
        return true;
    }
    report = record.parse(slice.bytes, encoding_.codecFor(slice.bytes));
    return true;
}

bool MarcEncodingChoice::set(const QString &name)
{
    const QString n = name.trimmed();
    if (n.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0) {
        fixed = false;
        return true;
    }
    bool ok = false;
    const MarcCodec codec = MarcCodec::named(n, &ok);
    if (!ok)
        return false;
    codePage = codec;
    fixed = true;
    return true;
}

bool MarcFileWriter::open(const QString &path, QString *error)
{
    file_.setFileName(path);
    failed_ = false;
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = file_.errorString();
        return false;
    }
    buffer_.clear();
    buffer_.reserve(1 << 20);
    return true;
}

bool MarcFileWriter::write(const BibRecord &record)
{
    if (!file_.isOpen() || !record.writeTo(buffer_, target_))
        return false;
    if (buffer_.size() >= (1 << 20))
        return flush();
    return !failed_;
}

bool MarcFileWriter::flush()
{
    if (!buffer_.isEmpty() && file_.write(buffer_) != buffer_.size())
        failed_ = true;
    buffer_.clear();
    return !failed_;
}

bool MarcFileWriter::close()
{
    if (!file_.isOpen())
        return !failed_;
    flush();
    file_.close();
    return !failed_;
}

} // namespace kestra
