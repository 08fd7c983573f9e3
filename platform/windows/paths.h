// What the Windows build knows about its file system beyond <windows.h>.
#pragma once

#include <hostkit/win32types.h>

#include <string>

namespace hk {
// Windows file systems do not tell names apart by case.
inline constexpr BOOL kFilesCaseSensitive = FALSE;

// The name whose drive type stands for a path's root: its drive root, the first three
// characters (C:\).
inline std::string DriveRootOf(const char* path) { return std::string(path, 3); }
}  // namespace hk
