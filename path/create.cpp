// Making sure a directory or a file can be used before writing to it.
#include <hostkit/path.h>

#include "path/create.h"
#include "path/internal.h"
#include "platform/fileprobe.h"
#include "platform/win32.h"

namespace {

// Full names are asked for into a buffer of 259 characters: a name of 258 characters is the
// longest that fits with its terminator.
constexpr DWORD kFullNameBuffer = 259;

// The full name of a directory, or FALSE when it cannot be formed or is too long.
BOOL FullDirectoryName(const char* directory, char (&full)[kFullNameBuffer]) {
  char* filePart = nullptr;
  const DWORD length = hk::path::QueryFullPathName(directory, kFullNameBuffer, full, &filePart);
  return length != 0 && length < 260 ? TRUE : FALSE;
}

}  // namespace

namespace hk::path {

BOOL CreateDirectoryChain(const char* directory) {
  CString name = directory;
  TrimEndSlash(name);
  // A lone slash (the root) trims to nothing; it is there if the system says so.
  if (name.IsEmpty()) return IsDir(directory);
  if (IsDir(name)) return TRUE;
  CString parent;
  CString last;
  SeparatePathAndFile(name, parent, last);
  if (parent != name && !CreateDirectoryChain(parent)) return FALSE;
  if (CreateDirectoryA(name, nullptr)) return TRUE;
  // Another process may have made it in the meantime; what counts is that it is there now.
  return GetLastError() == ERROR_ALREADY_EXISTS && IsDir(name);
}

}  // namespace hk::path

int EnsureValidPath(const char* directory) {
  char full[kFullNameBuffer];
  if (!FullDirectoryName(directory, full)) return FALSE;
  return hk::path::CreateDirectoryChain(full);
}

int ResolveValidatePath(CString& directory) {
  char full[kFullNameBuffer];
  if (!FullDirectoryName(directory, full)) return FALSE;
  if (!hk::path::CreateDirectoryChain(full)) return FALSE;
  directory = full;
  return TRUE;
}

int EnsureValidFile(const char* fileName) {
  CString directory;
  CString file;
  SeparatePathAndFile(fileName, directory, file);
  if (!EnsureValidPath(directory)) return FALSE;
  if (IsFile(fileName)) return TRUE;
  return hk::ProbeFileName(fileName);
}
