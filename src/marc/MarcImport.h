#pragma once

#include "core/Session.h"
#include "marc/BibParams.h"
#include "marc/MarcFile.h"

#include <QStringList>
#include <cstdio>

namespace kestra {

struct MarcImportReport {
    qint64 read = 0;
    qint64 stored = 0;
    qint64 refused = 0;
    QStringList problems;    // one line per refused or repaired record
    QStringList numbered;    // "record N at byte B: NUMBER", one per record numbered
    double parseSeconds = 0; // cutting, parsing, converting, extracting keys
    double storeSeconds = 0; // the database statements
};

struct ImportOptions {
    MarcEncodingChoice encoding;
    // Records without field 001 take the catalogue's next number instead of
    // being refused.
    bool numberMissing = false;
};

// Imports a file of records into the connected database, record by record
// (each its own transaction), never stopping at a bad one. A record's number
// is its field 001 (at most 20 characters), its type what its fields say
// (MARC 21 or the Chinese scheme); records without a number (unless
// numberMissing), with a longer one, refused or damaged ones, and those
// holding a character the code page cannot hold are reported and skipped.
// progress (optional) gets a line every 1000 records. 0, or -1 when the
// file cannot be read.
int importMarcFile(Session &session, const BibParams &params, const CodePage &codePage, const QString &path,
                   const ImportOptions &options, MarcImportReport &report, std::FILE *progress = nullptr);
inline int importMarcFile(Session &session, const BibParams &params, const CodePage &codePage, const QString &path,
                          const MarcEncodingChoice &encoding, MarcImportReport &report, std::FILE *progress = nullptr)
{
    return importMarcFile(session, params, codePage, path, ImportOptions{encoding, false}, report, progress);
}

struct ExportReport {
    qint64 written = 0;
    qint64 damaged = 0; // read with some data lost, written as far as read
    QStringList problems;
};

// The record numbers of a handover batch, or of every record.
int batchRecordNumbers(Session &session, const QString &moveBatch, QStringList &numbers);
int allRecordNumbers(Session &session, QStringList &numbers);

// Writes the records to a file. With a fixed encoding every record is
// written in it; otherwise a record whose leader says UTF-8 is written in
// UTF-8 and the others in the code page of the choice (GB18030), which
// gives back the bytes of an imported file. A record that reads damaged is
// written as far as it could be read and reported; one that cannot be
// written in the encoding is reported and left out. 0, or -1 when the file
// cannot be written.
int exportMarcRecords(Session &session, const QStringList &numbers, const CodePage &codePage, const QString &path,
                      const MarcEncodingChoice &encoding, ExportReport &report);

// kestra-admin marc-import [--root DIR] FILE [--encoding E] [--number-missing]
// kestra-admin marc-export [--root DIR] --out FILE [--encoding E] [--all | --batch MOVE_BATCH | NUMBER...]
// args are the words after the command name. Exit codes: 0 done (every
// record stored or written whole), 3 some records refused, damaged or left
// out, 1 no database or file, 2 usage.
int runMarcImport(const QStringList &args, std::FILE *out = stdout, std::FILE *err = stderr);
int runMarcExport(const QStringList &args, std::FILE *out = stdout, std::FILE *err = stderr);

} // namespace kestra
