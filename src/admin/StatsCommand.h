#pragma once

#include <QStringList>
#include <QTextStream>

namespace kestra {

// kestra-admin stats [--root DIR | --dsn DSN] --template T
//     [--year Y | --month YYYY-MM | --from yyyy-mm-dd --to yyyy-mm-dd]
//     [--location L]... [--doc-type C] [--language C] [--batch B]... [--xlsx FILE]
// The class statistic of a template, as the statistics windows count it:
// with a period the intake of that period (every location unless some are
// named), without one the holdings as they stand. The grid goes to `out`
// tab-separated (name, titles, copies, amount), and to an XLSX workbook
// with --xlsx. Exit code: 0 counted, 1 refused or failed (the reason on
// `err`), 2 usage.
int runStatsCommand(const QStringList &args, QTextStream &out, QTextStream &err);
int runStatsCommand(const QStringList &args);

} // namespace kestra
