// Parsing of one ISO 2709 record into a BibRecord. Damaged input is read as
// far as it is intact (see docs/marc.md for the decision per fault); the
// result always satisfies the record's invariants, so that everything
// downstream can address fields without checking bounds again.

#include "marc/BibRecord.h"

#include <cstring>

namespace kestra {

using namespace iso2709;

namespace {

// The number in n ASCII digits, or -1 when one of them is not a digit.
int digitsValue(const char *p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const char c = p[i];
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

bool isBlankInput(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\v' && c != '\f')
            return false;
    }
    return true;
}

// CR and LF become blanks, so that every byte position stays where it was.
bool blankLineBreaks(QByteArray &bytes)
{
    bool changed = false;
    char *p = bytes.data();
    const qsizetype n = bytes.size();
    for (char c : {'\r', '\n'}) {
        char *from = p;
        while (from < p + n) {
            auto *hit = static_cast<char *>(std::memchr(from, c, std::size_t(p + n - from)));
            if (!hit)
                break;
            *hit = ' ';
            changed = true;
            from = hit + 1;
        }
    }
    return changed;
}

// First field or record terminator in [p, p + n), or nullptr.
const char *findTerminator(const char *p, qsizetype n)
{
    const auto *ft = static_cast<const char *>(std::memchr(p, FieldTerminator, std::size_t(n)));
    const qsizetype limit = ft ? ft - p : n;
    const auto *rt = static_cast<const char *>(std::memchr(p, RecordTerminator, std::size_t(limit)));
    return rt ? rt : ft;
}

bool isRefusal(ParseIssue issue)
{
    return issue <= ParseIssue::RecordTooLong;
}

bool isDamage(ParseIssue issue)
{
    return issue >= ParseIssue::DirectoryCutShort;
}

} // namespace

void ParseReport::add(ParseIssue issue, int entry)
{
    items.append(Item{issue, entry});
    ParseOutcome level = ParseOutcome::Repaired;
    if (isRefusal(issue))
        level = ParseOutcome::Refused;
    else if (isDamage(issue))
        level = ParseOutcome::Damaged;
    if (int(level) > int(outcome))
        outcome = level;
}

QString describeIssue(ParseIssue issue)
{
    switch (issue) {
    case ParseIssue::TooShort:
        return QStringLiteral("record shorter than a leader and a directory");
    case ParseIssue::NoDirectoryEnd:
        return QStringLiteral("no field terminator after the directory");
    case ParseIssue::RecordTooLong:
        return QStringLiteral("record longer than 99999 bytes");
    case ParseIssue::RecordLengthCorrected:
        return QStringLiteral("record length in the leader corrected");
    case ParseIssue::BaseAddressCorrected:
        return QStringLiteral("base address in the leader corrected");
    case ParseIssue::TerminatorAdded:
        return QStringLiteral("record terminator missing, added");
    case ParseIssue::LineBreaksBlanked:
        return QStringLiteral("line breaks inside the record made blanks");
    case ParseIssue::FieldLengthCorrected:
        return QStringLiteral("field length ran past its field terminator, corrected");
    case ParseIssue::FieldTerminatorAdded:
        return QStringLiteral("field terminator missing, added");
    case ParseIssue::DirectoryCutShort:
        return QStringLiteral("directory cut short, last entry dropped");
    case ParseIssue::BadEntry:
        return QStringLiteral("directory entry with a bad tag, length or position dropped");
    case ParseIssue::FieldOutsideRecord:
        return QStringLiteral("field starts past the end of the record, dropped");
    case ParseIssue::FieldRunsPastEnd:
        return QStringLiteral("field runs past the end of the record, cut");
    case ParseIssue::StoredTextLost:
        return QStringLiteral("a stored chunk lost characters at its end (not blanks)");
    }
    return QString();
}

QString describeReport(const ParseReport &report)
{
    QStringList parts;
    for (const ParseReport::Item &item : report.items) {
        QString text = describeIssue(item.issue);
        if (item.entry >= 0)
            text += QStringLiteral(" (entry %1)").arg(item.entry + 1);
        parts.append(text);
    }
    return parts.join(QStringLiteral("; "));
}

BibRecord BibRecord::fromBytes(QByteArrayView bytes, const MarcCodec &codec, ParseReport *report)
{
    BibRecord record;
    const ParseReport r = record.parse(bytes, codec);
    if (report)
        *report = r;
    return record;
}

BibRecord BibRecord::fromText(const QString &text, const MarcCodec &codec, ParseReport *report)
{
    return fromBytes(codec.encode(text), codec, report);
}

void BibRecord::clear()
{
    leader_.clear();
    dir_.clear();
    data_.clear();
    status = 0;
}

ParseReport BibRecord::parse(QByteArrayView in, const MarcCodec &codec)
{
    ParseReport report;
    codec_ = codec;
    status = 0;
    dir_.clear();
    if (isBlankInput(in)) {
        clear();
        report.outcome = ParseOutcome::Blank;
        return report;
    }
    const char *p = in.data();
    const bool hasTerminator = in.back() == RecordTerminator;
    const qsizetype body = hasTerminator ? in.size() - 1 : in.size(); // bytes before the record terminator
    if (body + 1 > MaxRecordLength || body < LeaderLength + 1) {
        clear();
        report.add(body + 1 > MaxRecordLength ? ParseIssue::RecordTooLong : ParseIssue::TooShort);
        return report;
    }

    // The directory ends at the first field terminator after the leader;
    // the leader's base address only confirms it, since a wrong base
    // address is a common fault of other systems' writers.
    const auto *ft = static_cast<const char *>(std::memchr(p + LeaderLength, FieldTerminator, body - LeaderLength));
    if (!ft) {
        clear();
        report.add(ParseIssue::NoDirectoryEnd);
        return report;
    }
    const qsizetype dirEnd = ft - p;
    if (digitsValue(p + 12, 5) != dirEnd + 1)
        report.add(ParseIssue::BaseAddressCorrected);
    const int entries = int((dirEnd - LeaderLength) / EntryLength);
    if ((dirEnd - LeaderLength) % EntryLength != 0)
        report.add(ParseIssue::DirectoryCutShort, entries);
    const int leaderLength = digitsValue(p, 5);
    if (leaderLength != body + 1)
        report.add(ParseIssue::RecordLengthCorrected);
    if (!hasTerminator)
        report.add(ParseIssue::TerminatorAdded);

    leader_.resize(LeaderLength);
    std::memcpy(leader_.data(), p, LeaderLength);
    const qsizetype textEnd = body - (dirEnd + 1); // where the record terminator goes in data
    data_.resize(textEnd + 1);
    std::memcpy(data_.data(), p + dirEnd + 1, std::size_t(textEnd));
    data_[textEnd] = RecordTerminator;
    const bool leaderBreaks = blankLineBreaks(leader_);
    if (blankLineBreaks(data_) || leaderBreaks)
        report.add(ParseIssue::LineBreaksBlanked);

    dir_.reserve(std::size_t(entries));
    bool rebuild = false;
    const char *d = data_.constData();
    for (int i = 0; i < entries; ++i) {
        const char *e = p + LeaderLength + qsizetype(i) * EntryLength;
        DirEntry entry;
        bool tagOk = true;
        for (int k = 0; k < 3; ++k) {
            char c = e[k];
            if (c == '\r' || c == '\n')
                c = ' ';
            tagOk = tagOk && c >= 0x20 && c <= 0x7E;
            entry.tag[std::size_t(k)] = c;
        }
        const int length = digitsValue(e + 3, 4);
        const int start = digitsValue(e + 7, 5);
        if (!tagOk || length < 0 || start < 0) {
            report.add(ParseIssue::BadEntry, i);
            continue;
        }
        if (start > textEnd) {
            report.add(ParseIssue::FieldOutsideRecord, i);
            continue;
        }
        const qsizetype end = qsizetype(start) + length;
        if (length >= 1 && end <= textEnd && d[end - 1] == FieldTerminator && !findTerminator(d + start, length - 1)) {
            entry.start = start;
            entry.length = length;
            dir_.push_back(entry);
            continue;
        }
        // Keep the field's text as far as it goes; the data is rebuilt
        // below so that every field ends with its own terminator.
        rebuild = true;
        const qsizetype stop = std::min(end, textEnd);
        qsizetype textLength = stop - start;
        if (const char *t = findTerminator(d + start, stop - start)) {
            textLength = t - (d + start);
            report.add(ParseIssue::FieldLengthCorrected, i);
        } else if (end > textEnd) {
            report.add(ParseIssue::FieldRunsPastEnd, i);
        } else {
            report.add(ParseIssue::FieldTerminatorAdded, i);
        }
        entry.start = start;
        entry.length = qint32(textLength + 1);
        dir_.push_back(entry);
    }
    if (rebuild)
        makeCanonical();
    if (recordLength() > MaxRecordLength) {
        // Only terminators added by the repair can get it here.
        clear();
        report.add(ParseIssue::RecordTooLong);
        return report;
    }
    writeLeaderNumbers(leader_.data());
    return report;
}

} // namespace kestra
