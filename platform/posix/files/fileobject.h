// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#pragma once

#include "platform/posix/system/internal.h"

#include <string>

struct stat;

namespace hk::posix {

// What a file HANDLE holds.
struct FileObject : HandleObject {
  int fd = -1;
  DWORD access = 0;
  std::string path;        // as opened, with '/' separators
  bool deleteOnClose = false;
  ~FileObject() override;
  bool Close() override;
};

// Share-mode emulation (see CreateFileA): whether an open with this access and sharing would
// collide with another holder, and the markers a new holder takes.
bool SharingConflicts(int fd, DWORD access, DWORD shareMode);
void TakeShareMarkers(int fd, DWORD access, DWORD shareMode);
bool DeleteDenied(int fd);
// Takes only the marker that keeps writers out, for a reader that asks nothing else of sharing.
void DenyWriters(int fd);

// The Win32 code for a failed call on a path (ERROR_PATH_NOT_FOUND where the directory part is
// missing, as Windows reports it).
DWORD ErrorForPath(int err, const std::string& path);

}  // namespace hk::posix
