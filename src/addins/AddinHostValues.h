#pragma once

#include "addins/AddinShortcut.h"

namespace kestra {

class AppContext;

// The program's version, "major.minor.revision".
QString addinHostVersion();
// The day this program was built, "yyyy-mm-dd".
QString addinReleaseDate(const char *compilerDate);

// The variables a running client hands to its add-ins, from the context of
// the run: the installation folder, the connection, the operator and the
// program's version. The passwords are among them (add-ins of the suite rely
// on them); they go to the add-in and nowhere else.
AddinVariables addinVariables(AppContext &context);

} // namespace kestra
