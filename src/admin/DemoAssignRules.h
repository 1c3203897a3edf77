#pragma once

#include "core/CodePage.h"
#include "core/InstallFolders.h"

namespace kestra {

// Gives the demo installation a small rule file and status file for the
// assignment rule editor, each only when the installation has none.
bool writeDemoAssignRules(const InstallFolders &folders, const CodePage &cp, QString *error);

} // namespace kestra
