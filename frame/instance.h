// The library's own module handle and its entry point (internal).
#pragma once

#include "platform/win32.h"

// The library's instance handle, recorded by the entry point; NULL before it has run.
HINSTANCE GetLibraryInstance();

namespace hk::frame {

// The module entry point: at process attach it records the instance handle and makes the
// library's strings loadable from it. Returns TRUE for every reason.
BOOL ModuleEntry(HINSTANCE instance, DWORD reason);

}  // namespace hk::frame
