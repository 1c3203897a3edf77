#include "marc/MarcDump.h"

#include "marc/MarcFile.h"

namespace kestra {

using namespace iso2709;

namespace {

void appendFieldLine(const BibRecord &record, int index, QByteArray &line)
{
    const DirEntry &e = record.entry(index);
    const QByteArrayView field = record.fieldBytes(index);
    line.append(e.tag.data(), 3);
    line.append(' ');
    if (e.isControl()) {
        line.append(field);
        return;
    }
    const qsizetype indicators = std::min<qsizetype>(2, field.size());
    line.append(field.first(indicators));
    const QByteArrayView body = field.sliced(indicators);
    qsizetype at = body.indexOf(SubfieldDelimiter);
    // Text before the first delimiter has no code; show it as it is.
    const qsizetype lead = at < 0 ? body.size() : at;
    if (lead > 0) {
        line.append(' ');
        line.append(body.first(lead));
    }
    while (at >= 0) {
        const qsizetype end = body.indexOf(SubfieldDelimiter, at + 1);
        const qsizetype stop = end < 0 ? body.size() : end;
        line.append(" $", 2);
        if (at + 1 < stop) {
            // The code is a character of the record's encoding, which may
            // take more than one byte.
            const qsizetype code = std::min(record.codec().charLength(body, at + 1), stop - at - 1);
            line.append(body.sliced(at + 1, code));
            line.append(' ');
            line.append(body.sliced(at + 1 + code, stop - at - 1 - code));
        } else {
            line.append(' ');
        }
        at = end;
    }
}

} // namespace

void appendDumpLines(const BibRecord &record, QByteArray &out, bool raw)
{
    if (record.isBlank())
        return;
    // Structure bytes are ASCII in every encoding used, so a line is built
    // in the record's bytes and converted once.
    const bool convert = !raw;
    QByteArray line;
    auto put = [&](const QByteArray &bytes) {
        if (convert)
            out.append(record.decode(bytes).toUtf8());
        else
            out.append(bytes);
        out.append('\n');
    };
    put(record.leader().toByteArray());
    for (int i = 0; i < record.fieldCount(); ++i) {
        line.clear();
        appendFieldLine(record, i, line);
        put(line);
    }
    out.append('\n');
}

int runMarcDump(const QStringList &args, std::FILE *out, std::FILE *err)
{
    QString path;
    bool raw = false;
    MarcEncodingChoice encoding;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("--raw")) {
            raw = true;
        } else if (a == QLatin1String("--encoding") || a.startsWith(QLatin1String("--encoding="))) {
            QString name;
            if (a.contains(QLatin1Char('=')))
                name = a.section(QLatin1Char('='), 1);
            else if (i + 1 < args.size())
                name = args.at(++i);
            if (!encoding.set(name)) {
                std::fprintf(err, "kestra-admin marc-dump: unknown encoding \"%s\"\n", qUtf8Printable(name));
                return 2;
            }
        } else if (path.isEmpty() && !a.startsWith(QLatin1String("--"))) {
            path = a;
        } else {
            std::fprintf(err, "usage: kestra-admin marc-dump FILE [--raw] [--encoding auto|utf-8|gbk|gb18030]\n");
            return 2;
        }
    }
    if (path.isEmpty()) {
        std::fprintf(err, "usage: kestra-admin marc-dump FILE [--raw] [--encoding auto|utf-8|gbk|gb18030]\n");
        return 2;
    }
    FileRecordSource source(encoding);
    QString error;
    if (!source.open(path, &error)) {
        std::fprintf(err, "kestra-admin marc-dump: %s: %s\n", qUtf8Printable(path), qUtf8Printable(error));
        return 1;
    }
    int status = 0;
    BibRecord record;
    RecordOrigin origin;
    ParseReport report;
    QByteArray buffer;
    buffer.reserve(1 << 20);
    while (source.next(record, origin, report)) {
        if (origin.fault != SliceFault::None) {
            std::fprintf(err, "record %lld at byte %lld refused: %s\n", origin.number, origin.offset,
                         qUtf8Printable(describeSliceFault(origin.fault)));
            status = 3;
            continue;
        }
        if (!report.items.isEmpty()) {
            std::fprintf(err, "record %lld at byte %lld%s: %s\n", origin.number, origin.offset,
                         report.accepted() ? "" : " refused", qUtf8Printable(describeReport(report)));
            if (report.outcome == ParseOutcome::Refused || report.outcome == ParseOutcome::Damaged)
                status = 3;
        }
        appendDumpLines(record, buffer, raw);
        if (buffer.size() >= (1 << 20)) {
            std::fwrite(buffer.constData(), 1, std::size_t(buffer.size()), out);
            buffer.clear();
        }
    }
    std::fwrite(buffer.constData(), 1, std::size_t(buffer.size()), out);
    std::fflush(out);
    return status;
}

} // namespace kestra
