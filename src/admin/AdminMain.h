#pragma once

#include <QStringList>

namespace kestra {

// Runs one kestra-admin command; returns the process exit code.
int adminMain(const QStringList &arguments);

} // namespace kestra
