// Full path names, name validation and drive classification.
#include <hostkit/path.h>

#include "path/internal.h"
#include "platform/win32.h"

#include <cstring>
#include <vector>

namespace {

// The library's own drive type: a network share mapped to a drive letter.
constexpr unsigned int kMappedNetworkDrive = 100;

bool IsSlash(char c) { return c == '\\' || c == '/'; }
bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

namespace hk::path {

DWORD QueryFullPathName(const char* path, DWORD length, char* buffer, char** filePart) {
  // The system would read "C: x" as the name " x" in the current directory of drive C.
  if (std::strlen(path) >= 3 && path[1] == ':' && path[2] == ' ') {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  return GetFullPathNameA(path, length, buffer, filePart);
}

}  // namespace hk::path

int GetValidPathName(CString& path) {
  if (path.FindOneOf("*?") >= 0) return FALSE;

  // The current directory may change between asking for the size and asking for the name;
  // ask again until the name fits.
  DWORD size = hk::path::QueryFullPathName(path, 0, nullptr, nullptr);
  std::vector<char> full;
  DWORD length = 0;
  while (size != 0) {
    full.assign(size, '\0');
    length = hk::path::QueryFullPathName(path, size, full.data(), nullptr);
    if (length < size) break;
    size = length;
  }
  if (size == 0 || length == 0) return FALSE;
  const CString fullName(full.data(), static_cast<int>(length));

  if (GetFileAttributesA(fullName) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_INVALID_NAME)
    return FALSE;
  if (fullName.Find(':') != fullName.ReverseFind(':')) return FALSE;

  path = fullName;
  return TRUE;
}

unsigned int GetRootDirType(const char* path) {
  CString root(path);
  root.TrimLeft();
  root.TrimRight();
  if (root.GetLength() < 3) return DRIVE_UNKNOWN;
  if (!PathHasEndSlash(root)) AppendEndSlash(root);
  // A UNC name is a network share by its form; the system is not asked.
  if (IsSlash(root[0]) && IsSlash(root[1])) return DRIVE_REMOTE;

  // The drive root (C:\); on POSIX, an absolute name's own volume.
  root = hk::DriveRootOf(root).c_str();
  const UINT type = GetDriveTypeA(root);
  if (type == DRIVE_REMOTE && IsAsciiLetter(root[0]) && root[1] == ':') return kMappedNetworkDrive;
  return type;
}
