#pragma once

#include "db/Backend.h"

#include <memory>

namespace kestra {

// A new, unconnected backend of the given kind.
std::unique_ptr<Backend> createBackend(BackendTarget::Kind kind);

} // namespace kestra
