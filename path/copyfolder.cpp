// Copying a folder tree into another folder.
#include <hostkit/fs.h>
#include <hostkit/path.h>

#include "platform/copyfile.h"
#include "platform/win32.h"

namespace {

constexpr DWORD kAllAttributes = 0x19A7;

// The found entry's name, after the source folder. A name holding a slash of either kind (a
// POSIX entry may hold a backslash) cannot be addressed once joined to a folder: it would name
// another entry, and the copy would put another file's bytes in its place.
bool TakeEntryName(const CString& source, const CString& found, CString& name) {
  name = found.Right(found.GetLength() - source.GetLength());
  if (FindLastSlash(name) == nullptr) return true;
  SetLastError(ERROR_INVALID_NAME);
  return false;
}

}  // namespace

int CopyFolder(CString source, CString target) {
  if (!PathHasEndSlash(source)) AppendEndSlash(source);
  if (!PathHasEndSlash(target)) AppendEndSlash(target);
  BOOL result = TRUE;
  CString found;
  CString name;
  // Each folder's sub-folders first, so the deepest target folders are made first.
  CNuFileFinder folders(source, "*.*", CNuFileFinder::FindDirectories, kAllAttributes,
                        CNuFileFinder::MatchAny, nullptr);
  while (result && folders.Find(found)) {
    result = TakeEntryName(source, found, name);
    if (result) result = CopyFolder(found, target + name);
  }
  if (!result) return FALSE;

  EnsureValidPath(target);
  CNuFileFinder files(source, "*.*", CNuFileFinder::FindFiles, kAllAttributes, CNuFileFinder::MatchAny,
                      nullptr);
  // Each file is copied under a scratch name and renamed, so a copy that is stopped never
  // leaves part of a file under a target name. Only regular files are copied: a FIFO, socket or
  // device stops the copy (ERROR_OPEN_FAILED).
  while (result && files.Find(found)) {
    result = TakeEntryName(source, found, name);
    if (result) result = EnsureValidFile(target + name);
    if (result) result = hk::CopyFileWhole(found, target + name);
  }
  return result;
}
