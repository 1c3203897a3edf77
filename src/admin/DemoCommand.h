#pragma once

#include "admin/DatabaseCommands.h"

#include <QString>

class QCommandLineParser;

namespace kestra {

// kestra-admin demo [--root DIR | --dsn DSN] [--scale N] [--seed S]
// [--today yyyy-mm-dd] [--workstation NAME] [--force]: fills the database
// with the demo library, progress on stderr, the rows per table at the end.
// Exit code.
int runDemo(const DatabaseTarget &target, const QString &root, const QCommandLineParser &parser);

// The options runDemo reads, for the parser of kestra-admin.
void addDemoOptions(QCommandLineParser &parser);

} // namespace kestra
