// What the Windows build knows about its file system beyond <windows.h>.
#pragma once

#include <hostkit/win32types.h>

namespace hk {
// Windows file systems do not tell names apart by case.
inline constexpr BOOL kFilesCaseSensitive = FALSE;
}  // namespace hk
