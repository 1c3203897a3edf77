#pragma once

#include "marc/BibRecord.h"

#include <QByteArray>
#include <QStringList>
#include <cstdio>

namespace kestra {

// One record in the line format: the leader, one line per field (a control
// field as it stands; a data field as tag, indicators, then " $" + code +
// " " + value per subfield), then an empty line. With raw set the values
// keep the record's own bytes; otherwise the lines are UTF-8.
void appendDumpLines(const BibRecord &record, QByteArray &out, bool raw);

// kestra-admin marc-dump FILE [--raw] [--encoding auto|utf-8|gbk|gb18030|...]
// args are the words after the command name. Records go to out, problems
// to err (one line each, with the record's number and byte offset).
// Exit code: 0 every record read intact or repaired; 3 some record was
// refused or damaged; 1 the file could not be read; 2 usage error.
int runMarcDump(const QStringList &args, std::FILE *out = stdout, std::FILE *err = stderr);

} // namespace kestra
