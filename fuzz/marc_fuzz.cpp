// Fuzz target for the ISO 2709 parser and the code that walks what it
// accepts. Properties checked on every input:
//  - a record the parser accepts keeps its invariants (every field inside
//    the data, ending with its own field terminator and holding none
//    before it), and parse -> serialize -> parse gives a clean record with
//    the same bytes;
//  - field paths, path lists, the line dump and re-encoding end and stay
//    inside the record (the sanitizers watch every read);
//  - the file reader moves forward on every slice.

#include "marc/BibRecord.h"
#include "marc/FieldReader.h"
#include "marc/MarcDump.h"
#include "marc/MarcFile.h"
#include "marc/MarcText.h"

#include <cstdio>
#include <cstdlib>

using namespace kestra;

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}

void checkInvariants(const BibRecord &rec)
{
    const QByteArray &data = rec.data();
    check(!data.isEmpty() && data.back() == iso2709::RecordTerminator, "data ends with the record terminator");
    check(rec.recordLength() <= iso2709::MaxRecordLength, "record length within 99999");
    for (int i = 0; i < rec.fieldCount(); ++i) {
        const DirEntry &e = rec.entry(i);
        check(e.start >= 0 && e.length >= 1 && qint64(e.start) + e.length <= data.size() - 1, "field inside the data");
        check(data[e.start + e.length - 1] == iso2709::FieldTerminator, "field ends with its terminator");
        const QByteArrayView text = rec.fieldBytes(i);
        check(!text.contains(iso2709::FieldTerminator) && !text.contains(iso2709::RecordTerminator),
              "no terminator inside a field");
    }
}

void exercise(BibRecord rec, const char *type)
{
    rec.summary.marcType = QString::fromLatin1(type);
    FieldReader reader(rec);
    reader.allFieldValues(u"200a,4611200a,4611001a,8806245a,001,245,001a");
    reader.firstFieldValue(u"2451,100a,880");
    QByteArray lines;
    appendDumpLines(rec, lines, false);
    const BibRecord other = rec.reencoded(rec.codec().isUtf8() ? MarcCodec() : MarcCodec::utf8());
    if (!other.isBlank())
        checkInvariants(other);
    rec.setSubfield(u"200a", QStringLiteral("x"));
    checkInvariants(rec);
    rec.sortFields();
    checkInvariants(rec);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(bytes), qsizetype(size));
    static const MarcCodec codecs[2] = {MarcCodec(), MarcCodec::utf8()};
    for (const MarcCodec &codec : codecs) {
        ParseReport report;
        const BibRecord rec = BibRecord::fromBytes(input, codec, &report);
        if (!report.accepted()) {
            check(rec.isBlank(), "a refused record is blank");
            continue;
        }
        checkInvariants(rec);
        const QByteArray serialized = rec.serialize();
        ParseReport again;
        const BibRecord second = BibRecord::fromBytes(serialized, codec, &again);
        check(again.outcome == ParseOutcome::Clean, "a serialized record parses clean");
        check(second.serialize() == serialized, "parse -> serialize -> parse keeps the bytes");
        check(second.fieldCount() == rec.fieldCount(), "same number of fields");
        exercise(rec, &codec == &codecs[0] ? "C" : "U");
    }

    MarcFileReader reader;
    reader.setBytes(input);
    RecordSlice slice;
    SliceFault fault;
    qint64 last = -1;
    while (reader.next(slice, fault)) {
        check(reader.position() > last, "the file reader moves forward");
        check(slice.bytes.data() >= input.data() &&
                  slice.bytes.data() + slice.bytes.size() <= input.data() + input.size(),
              "a slice lies inside the file");
        last = reader.position();
    }
    decodeDump(QString::fromLatin1(input.data(), input.size()));
    return 0;
}
