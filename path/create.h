// Directory creation used inside the library (not exported).
#pragma once

#include "platform/win32.h"

namespace hk::path {

// Creates the directory and its missing parents, outermost first. One trailing slash is
// ignored. FALSE when a directory (or parent) cannot be created; one that another process
// creates meanwhile counts as created.
BOOL CreateDirectoryChain(const char* directory);

}  // namespace hk::path
