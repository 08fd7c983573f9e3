// The whole-file copy behind CopyFolder: the platforms make it crash safe in different ways;
// the answer means the same on both.
#pragma once

#include <hostkit/win32types.h>

namespace hk {

// Copies a file as CopyFileA(existing, destination, FALSE) does, never leaving part of the copy
// under the destination's name: the bytes go to a scratch name beside it (platform/scratch.h)
// and take the name only when complete, so a process killed on the way leaves the earlier file
// (or none) there. FALSE with the system's error, and no scratch file left, otherwise.
BOOL CopyFileWhole(LPCSTR existing, LPCSTR destination);

}  // namespace hk
