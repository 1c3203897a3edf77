#include "marc/MarcImport.h"

#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/Prompter.h"
#include "core/SoundPlayer.h"
#include "db/QueryResult.h"
#include "marc/BibStore.h"
#include "marc/BibWriter.h"
#include "marc/FieldReader.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>

namespace kestra {

namespace {

// The summary members an imported record can tell about itself.
void describeImported(BibRecord &rec)
{
    rec.summary.marcType = rec.guessMarcType();
    const int control = rec.findField("001");
    rec.summary.marcRecNo = control < 0 ? QString() : rec.fieldText(control).trimmed();
    FieldReader reader(rec);
    if (rec.summary.marcType == QLatin1String("C")) {
        rec.summary.langCode = reader.firstFieldValue(u"101a").left(3);
        rec.summary.countryCode = reader.firstFieldValue(u"102a").left(2);
    } else {
        const QString f008 = reader.firstFieldValue(u"008");
        rec.summary.langCode = f008.mid(35, 3).trimmed();
        rec.summary.countryCode = f008.mid(15, 2).trimmed();
    }
}

QString where(const RecordOrigin &origin)
{
    return QStringLiteral("record %1 at byte %2").arg(origin.number).arg(origin.offset);
}

// An installation's context and its session, for a command-line run.
struct AdminRun {
    SilentPrompter prompter;
    NoSound sounds;
    SystemClock clock;
    std::unique_ptr<AppContext> context;

    QString open(const QString &root)
    {
        context = std::make_unique<AppContext>(root, AppServices{prompter, sounds, clock});
        if (context->loadIniSettings() < 0)
            return QStringLiteral("cannot read kestra.ini in ") + root;
        if (context->db().connect() < 0)
            return QStringLiteral("cannot connect: ") + context->errors().text;
        return QString();
    }
};

struct CommandLine {
    QString root;
    QString out;
    QString batch;
    bool all = false;
    bool numberMissing = false;
    MarcEncodingChoice encoding;
    QStringList words;
    QString error;
};

CommandLine parse(const QStringList &args)
{
    CommandLine c;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        auto value = [&]() {
            if (a.contains(QLatin1Char('=')))
                return a.section(QLatin1Char('='), 1);
            return i + 1 < args.size() ? args.at(++i) : QString();
        };
        if (a == QLatin1String("--root") || a.startsWith(QLatin1String("--root="))) {
            c.root = value();
        } else if (a == QLatin1String("--out") || a.startsWith(QLatin1String("--out="))) {
            c.out = value();
        } else if (a == QLatin1String("--batch") || a.startsWith(QLatin1String("--batch="))) {
            c.batch = value();
        } else if (a == QLatin1String("--all")) {
            c.all = true;
        } else if (a == QLatin1String("--number-missing")) {
            c.numberMissing = true;
        } else if (a == QLatin1String("--encoding") || a.startsWith(QLatin1String("--encoding="))) {
            const QString name = value();
            if (!c.encoding.set(name))
                c.error = QStringLiteral("unknown encoding \"%1\"").arg(name);
        } else if (a.startsWith(QLatin1String("--"))) {
            c.error = QStringLiteral("unknown option ") + a;
        } else {
            c.words.append(a);
        }
    }
    if (c.root.isEmpty())
        c.root = installRootFor({}, QCoreApplication::applicationDirPath());
    return c;
}

} // namespace

int importMarcFile(Session &session, const BibParams &params, const CodePage &codePage, const QString &path,
                   const ImportOptions &options, MarcImportReport &report, std::FILE *progress)
{
    FileRecordSource source(options.encoding);
    QString error;
    if (!source.open(path, &error)) {
        report.problems.append(path + QStringLiteral(": ") + error);
        return -1;
    }
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    QElapsedTimer timer;
    BibRecord rec;
    RecordOrigin origin;
    ParseReport parsed;
    for (;;) {
        timer.start();
        if (!source.next(rec, origin, parsed))
            break;
        ++report.read;
        QString refusal;
        if (origin.fault != SliceFault::None)
            refusal = describeSliceFault(origin.fault);
        else if (parsed.outcome == ParseOutcome::Refused || parsed.outcome == ParseOutcome::Damaged)
            refusal = describeReport(parsed);
        if (refusal.isEmpty()) {
            describeImported(rec);
            if (rec.summary.marcRecNo.isEmpty() && !options.numberMissing)
                refusal = QStringLiteral("no record number in field 001");
            else if (rec.summary.marcRecNo.size() > MaxRecordNumber)
                refusal = QStringLiteral("record number %1 in field 001 is longer than %2 characters")
                              .arg(rec.summary.marcRecNo)
                              .arg(MaxRecordNumber);
        }
        report.parseSeconds += timer.nsecsElapsed() / 1e9;
        if (!refusal.isEmpty()) {
            ++report.refused;
            report.problems.append(where(origin) + QStringLiteral(" refused: ") + refusal);
            continue;
        }
        const bool numbering = rec.summary.marcRecNo.isEmpty();
        const QString name = numbering ? QStringLiteral("without number") : rec.summary.marcRecNo;
        if (parsed.outcome == ParseOutcome::Repaired)
            report.problems.append(where(origin) + QStringLiteral(" (") + name + QStringLiteral("): ") +
                                   describeReport(parsed));
        timer.start();
        StoreNotes notes;
        const int status = numbering ? storeNewBibRecord(session, rec, params, codePage, today, &notes)
                                     : storeBibRecord(session, rec, params, codePage, today, &notes);
        report.storeSeconds += timer.nsecsElapsed() / 1e9;
        if (status < 0) {
            ++report.refused;
            report.problems.append(where(origin) + QStringLiteral(" (") + name + QStringLiteral(") not stored: ") +
                                   session.error().text);
            continue;
        }
        ++report.stored;
        if (numbering)
            report.numbered.append(where(origin) + QStringLiteral(": ") + rec.summary.marcRecNo);
        for (const QString &cn : notes.callNumbersSkipped)
            report.problems.append(where(origin) + QStringLiteral(": call number ") + cn +
                                   QStringLiteral(" belongs to another record"));
        for (const QString &cn : notes.callNumbersKept)
            report.problems.append(where(origin) + QStringLiteral(": call number ") + cn +
                                   QStringLiteral(" is no longer the record's but reservations name it; kept"));
        if (progress && report.read % 1000 == 0)
            std::fprintf(progress, "%lld records read, %lld stored\n", report.read, report.stored);
    }
    return 0;
}

int batchRecordNumbers(Session &session, const QString &moveBatch, QStringList &numbers)
{
    QueryResult rows;
    if (session.query(QStringLiteral("SELECT DISTINCT marc_rec_no FROM transfer_doc WHERE move_batch=") +
                          sqlQuote(moveBatch) + QStringLiteral(" ORDER BY marc_rec_no"),
                      rows) < 0)
        return -1;
    for (int r = 0; r < rows.rowCount(); ++r)
        numbers.append(rows.text(r, 0));
    return 0;
}

int allRecordNumbers(Session &session, QStringList &numbers)
{
    QueryResult rows;
    if (session.query(QStringLiteral("SELECT marc_rec_no FROM marc ORDER BY marc_rec_no"), rows) < 0)
        return -1;
    for (int r = 0; r < rows.rowCount(); ++r)
        numbers.append(rows.text(r, 0));
    return 0;
}

int exportMarcRecords(Session &session, const QStringList &numbers, const CodePage &codePage, const QString &path,
                      const MarcEncodingChoice &encoding, ExportReport &report)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        report.problems.append(path + QStringLiteral(": ") + file.errorString());
        return -1;
    }
    const MarcCodec memory(codePage);
    QByteArray buffer;
    for (const QString &no : numbers) {
        ParseReport read;
        const BibRecord rec = readBibRecord(session, no, memory, &read);
        if (rec.isBlank()) {
            report.problems.append(QStringLiteral("record ") + no + QStringLiteral(": not found or empty"));
            continue;
        }
        if (read.outcome == ParseOutcome::Damaged) {
            ++report.damaged;
            report.problems.append(QStringLiteral("record ") + no + QStringLiteral(" is damaged, written as read: ") +
                                   describeReport(read));
        }
        const MarcCodec target = encoding.codecFor(rec.leader());
        if (const QString lost = rec.unencodableIn(target); !lost.isEmpty()) {
            report.problems.append(QStringLiteral("record ") + no + QStringLiteral(": ") + lost +
                                   QStringLiteral(" cannot be written in ") + target.name());
            continue;
        }
        if (!rec.writeTo(buffer, target)) {
            report.problems.append(QStringLiteral("record ") + no + QStringLiteral(": longer than 99999 bytes there"));
            continue;
        }
        ++report.written;
        if (buffer.size() >= (1 << 20)) {
            file.write(buffer);
            buffer.clear();
        }
    }
    file.write(buffer);
    file.close();
    return file.error() == QFile::NoError ? 0 : -1;
}

int runMarcImport(const QStringList &args, std::FILE *out, std::FILE *err)
{
    const CommandLine c = parse(args);
    if (!c.error.isEmpty() || c.words.size() != 1) {
        std::fprintf(err,
                     "usage: kestra-admin marc-import [--root DIR] FILE [--encoding auto|utf-8|gbk|gb18030] "
                     "[--number-missing]\n%s\n",
                     qUtf8Printable(c.error));
        return 2;
    }
    AdminRun run;
    if (const QString why = run.open(c.root); !why.isEmpty()) {
        std::fprintf(err, "kestra-admin marc-import: %s\n", qUtf8Printable(why));
        return 1;
    }
    Session &session = run.context->db();
    BibParams params;
    // The same storage mode and key width as the client's.
    probeBibStorage(session, params);
    if (loadBibParams(session, run.context->folders(), run.context->codePage(), params) < 0) {
        std::fprintf(err, "kestra-admin marc-import: cannot load the bibliographic parameters: %s\n",
                     qUtf8Printable(run.context->errors().text));
        return 1;
    }
    MarcImportReport report;
    QElapsedTimer timer;
    timer.start();
    const int status = importMarcFile(session, params, run.context->codePage(), c.words.first(),
                                      ImportOptions{c.encoding, c.numberMissing}, report, err);
    for (const QString &line : report.problems)
        std::fprintf(err, "%s\n", qUtf8Printable(line));
    if (status < 0)
        return 1;
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::fprintf(out,
                 "%lld records read, %lld stored, %lld refused in %.1f s (%.0f records/s; parse %.1f s, "
                 "database %.1f s)\n",
                 report.read, report.stored, report.refused, seconds, seconds > 0 ? report.stored / seconds : 0.0,
                 report.parseSeconds, report.storeSeconds);
    if (!report.numbered.isEmpty()) {
        std::fprintf(out, "%lld records without field 001 numbered:\n", qint64(report.numbered.size()));
        for (const QString &line : report.numbered)
            std::fprintf(out, "  %s\n", qUtf8Printable(line));
    }
    return report.refused > 0 ? 3 : 0;
}

int runMarcExport(const QStringList &args, std::FILE *out, std::FILE *err)
{
    const CommandLine c = parse(args);
    const int selections = int(c.all) + int(!c.batch.isEmpty()) + int(!c.words.isEmpty());
    if (!c.error.isEmpty() || c.out.isEmpty() || selections != 1) {
        std::fprintf(err,
                     "usage: kestra-admin marc-export [--root DIR] --out FILE [--encoding auto|utf-8|gbk|gb18030] "
                     "(--all | --batch MOVE_BATCH | NUMBER...)\n%s\n",
                     qUtf8Printable(c.error));
        return 2;
    }
    AdminRun run;
    if (const QString why = run.open(c.root); !why.isEmpty()) {
        std::fprintf(err, "kestra-admin marc-export: %s\n", qUtf8Printable(why));
        return 1;
    }
    Session &session = run.context->db();
    QStringList numbers = c.words;
    if ((c.all && allRecordNumbers(session, numbers) < 0) ||
        (!c.batch.isEmpty() && batchRecordNumbers(session, c.batch, numbers) < 0)) {
        std::fprintf(err, "kestra-admin marc-export: %s\n", qUtf8Printable(run.context->errors().text));
        return 1;
    }
    ExportReport report;
    const int status = exportMarcRecords(session, numbers, run.context->codePage(), c.out, c.encoding, report);
    for (const QString &line : report.problems)
        std::fprintf(err, "%s\n", qUtf8Printable(line));
    if (status < 0)
        return 1;
    std::fprintf(out, "%lld records written to %s (%lld damaged)\n", report.written, qUtf8Printable(c.out),
                 report.damaged);
    return report.damaged > 0 || report.written < numbers.size() ? 3 : 0;
}

} // namespace kestra
