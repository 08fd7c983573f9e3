// Windows side of the file-name probe declared in platform/fileprobe.h.
#include "platform/fileprobe.h"

#include "platform/win32.h"

namespace hk {

BOOL ProbeFileName(LPCSTR name) {
  // The probe creates the file only where there was none, so that deleting it on close can
  // never take away a file that was there (or appeared meanwhile); an existing file is probed
  // without being deleted.
  HANDLE probe = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE | FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS)
    probe = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return FALSE;
  // A device name (NUL, CON) opens too but is no file that could be used.
  const bool regular = GetFileType(probe) == FILE_TYPE_DISK;
  CloseHandle(probe);
  if (regular) return TRUE;
  SetLastError(ERROR_OPEN_FAILED);
  return FALSE;
}

}  // namespace hk
