#pragma once

#include <QStringList>

namespace kestra {

// What `kestra-admin help` prints: every command and its options.
QString adminUsage();

// Runs one kestra-admin command; returns the process exit code.
int adminMain(const QStringList &arguments);

} // namespace kestra
