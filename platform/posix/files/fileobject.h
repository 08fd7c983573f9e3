// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#pragma once

#include "platform/faults.h"
#include "platform/posix/system/internal.h"

#include <sys/types.h>

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

// Counts a call against the test fault switches (platform/faults.h): true, with the last error
// set, when the call is to fail without reaching the system.
inline bool CallFails(hk::sys::Call call) {
  DWORD error = 0;
  if (!hk::sys::CallFaultDue(call, error)) return false;
  SetLastError(error);
  return true;
}

// Grows a file from `from` to `to` bytes, reserving the blocks of the growth, so that a volume
// without room refuses it now (ERROR_DISK_FULL) instead of failing a later write through a
// mapping with SIGBUS. On failure the file keeps its size. A file system that cannot reserve
// blocks grows the file without them.
bool GrowFile(int fd, off_t from, off_t to);

// The Win32 code for a failed call on a path (ERROR_PATH_NOT_FOUND where the directory part is
// missing, as Windows reports it).
DWORD ErrorForPath(int err, const std::string& path);

}  // namespace hk::posix
