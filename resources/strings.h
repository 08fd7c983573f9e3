// The library's string table as data (registered for the library's module at start-up).
#pragma once

#include "platform/win32.h"
#include "resources/ids.h"

namespace hk::resources {
extern const ModuleString kLibraryStrings[];
extern const size_t kLibraryStringCount;
}  // namespace hk::resources
