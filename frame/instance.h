// The library's own module handle and its entry point (internal).
#pragma once

#include <hostkit/afx/string.h>

#include "platform/win32.h"

// The library's instance handle, recorded by the entry point; NULL before it has run.
HINSTANCE GetLibraryInstance();

namespace hk::frame {

// The module entry point: at process attach it records the instance handle and makes the
// library's strings loadable from it. Returns TRUE for every reason.
BOOL ModuleEntry(HINSTANCE instance, DWORD reason);

// The help file of a module: its file name with everything from the last dot removed (the last
// dot of the whole path, so a dot in a directory name cuts there), plus ".hlp".
//   C:\App\Tools.dll => C:\App\Tools.hlp      C:\dir.x\tool => C:\dir.hlp
CString HelpFileName(const char* moduleFile);

}  // namespace hk::frame
