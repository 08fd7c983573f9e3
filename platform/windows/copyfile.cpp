// Windows side of the whole-file copy declared in platform/copyfile.h.
#include "platform/copyfile.h"

#include "platform/scratch.h"
#include "platform/win32.h"

#include <string>

namespace hk {

BOOL CopyFileWhole(LPCSTR existing, LPCSTR destination) {
  // The system's copy writes straight under the destination's name; a scratch copy moved over
  // it in one step cannot be seen half written. The move refuses what the copy would have
  // refused: a read-only destination, or one held without sharing.
  std::string scratch;
  for (unsigned attempt = 0;; ++attempt) {
    scratch = ScratchNameFor(destination, GetTickCount() * 2654435761u + attempt);
    if (CopyFileA(existing, scratch.c_str(), TRUE)) break;
    if (GetLastError() != ERROR_FILE_EXISTS || attempt == 16) return FALSE;
  }
  // A file that is replaced stays whole across a system crash too: the copy is on disk before
  // it takes the name. (A read-only copy cannot be opened to flush; the move still writes
  // through.)
  if (GetFileAttributesA(destination) != INVALID_FILE_ATTRIBUTES) {
    HANDLE copy = CreateFileA(scratch.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (copy != INVALID_HANDLE_VALUE) {
      FlushFileBuffers(copy);
      CloseHandle(copy);
    }
  }
  const BOOL ok = MoveFileExA(scratch.c_str(), destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) {
    const DWORD error = GetLastError();
    SetFileAttributesA(scratch.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(scratch.c_str());
    SetLastError(error);
  }
  return ok;
}

}  // namespace hk
