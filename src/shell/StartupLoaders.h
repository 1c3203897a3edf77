#pragma once

namespace kestra {

class AppContext;
class Startup;

// Registers the start-up work of the subsystems above the core: the probes
// that follow every connection (the bibliographic storage mode and index
// width) and the parameter loads of the bibliographic records. The program
// and the start-up benchmark call it before Startup::run().
void registerStartupLoaders(Startup &startup, AppContext &context);

// The probes that follow a connection, on their own (tests, admin tools):
// the storage mode and the index-content width. A database without the
// bibliographic tables keeps the defaults (ANSI, 30).
int probeBibliographicStorage(AppContext &context);

} // namespace kestra
