// The Win32 subset the library is written against. On Windows this is the system's own API;
// on POSIX platform/posix implements the declared functions with Win32 result conventions and
// error codes. Subsystem code includes this header and nothing platform specific.
#pragma once

#include <hostkit/win32types.h>

#include <cstddef>

namespace hk {

// The module (library or executable) that holds an address of its code or data; NULL if none.
HMODULE ModuleOfAddress(const void* address);

// A module's string table, for platforms whose modules carry no resources of their own. On
// Windows strings come from the module's compiled resources and registering does nothing.
struct ModuleString {
  UINT id;
  const char* text;
};
void RegisterModuleStrings(HMODULE module, const ModuleString* table, size_t count);

// A drop handle holding the given names in their order, as the shell hands one to a window
// (Windows: the DROPFILES block in global memory); 'names' holds them one after another, each
// ending in a NUL, the list ending in an empty name. DragQueryFileA reads it; DragFinish
// releases it.
HDROP CreateDropHandle(const char* names);

// Whether the system loader calls a shared library's entry point itself (Windows DllMain);
// where it does not, the library calls its entry point after its ordered static objects.
extern const bool kLoaderRunsModuleEntry;

}  // namespace hk

#if defined(_WIN32)
#  include <commdlg.h>
#  include <winnetwk.h>
#  include <mbstring.h>
#  include "platform/windows/find.h"
#  include "platform/windows/paths.h"
#  include <lm.h>
#  undef GetFreeSpace
#  undef GetCurrentTime
namespace hk {
// The separator the library adds to path names it builds.
inline constexpr char kPathSeparator = '\\';
inline constexpr const char* kPathSeparatorText = "\\";
}  // namespace hk
#else
#  include "platform/posix/system/system.h"
#  include "platform/posix/process/process.h"
#  include "platform/posix/files/files.h"
#  include "platform/posix/registry/registry.h"
#  include "platform/posix/net/net.h"
namespace hk {
inline constexpr char kPathSeparator = '/';
inline constexpr const char* kPathSeparatorText = "/";
}  // namespace hk
#endif
