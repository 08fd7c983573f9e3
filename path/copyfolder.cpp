// Copying a folder tree into another folder.
#include <hostkit/fs.h>
#include <hostkit/path.h>

#include "platform/win32.h"

namespace {
constexpr DWORD kAllAttributes = 0x19A7;
}

int CopyFolder(CString source, CString target) {
  if (!PathHasEndSlash(source)) AppendEndSlash(source);
  if (!PathHasEndSlash(target)) AppendEndSlash(target);
  BOOL result = TRUE;
  CString found;
  // Each folder's sub-folders first, so the deepest target folders are made first.
  CNuFileFinder folders(source, "*.*", CNuFileFinder::FindDirectories, kAllAttributes,
                        CNuFileFinder::MatchAny, nullptr);
  while (result && folders.Find(found))
    result = CopyFolder(found, target + found.Right(found.GetLength() - source.GetLength()));
  if (!result) return FALSE;

  EnsureValidPath(target);
  CNuFileFinder files(source, "*.*", CNuFileFinder::FindFiles, kAllAttributes, CNuFileFinder::MatchAny,
                      nullptr);
  while (result && files.Find(found)) {
    const CString copy = target + found.Right(found.GetLength() - source.GetLength());
    result = EnsureValidFile(copy);
    if (result) result = CopyFileA(found, copy, FALSE);
  }
  return result;
}
