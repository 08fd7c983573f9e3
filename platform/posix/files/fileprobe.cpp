// POSIX side of the file-name probe declared in platform/fileprobe.h.
#include "platform/fileprobe.h"

#include "platform/posix/files/fileobject.h"
#include "platform/posix/system/internal.h"
#include "platform/win32.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hk {

BOOL ProbeFileName(LPCSTR name) {
  HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    // A FIFO, socket or device under the name is not a file that could be used.
    const bool regular = GetFileType(file) == FILE_TYPE_DISK;
    CloseHandle(file);
    return regular ? TRUE : posix::FailWith(ERROR_OPEN_FAILED);
  }
  if (GetLastError() != ERROR_FILE_NOT_FOUND) return FALSE;
  // Nothing there: ask whether the directory takes a new entry of this name. Creating and
  // deleting a probe file would tell the same, but frees an inode per name, and file systems
  // that keep freed inodes out of use for a while then slow down every later creation (a
  // folder copy probes every file it writes).
  std::string path;
  if (!posix::NativePath(name, path)) return FALSE;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) return posix::FailWith(ERROR_FILE_EXISTS);  // a dangling link
  const size_t slash = path.find_last_of('/');
  const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const size_t length = slash == std::string::npos ? path.size() : path.size() - slash - 1;
  if (length == 0) return posix::FailWith(ERROR_INVALID_NAME);
  if (length > NAME_MAX) return posix::FailWith(ERROR_FILENAME_EXCED_RANGE);
  if (::faccessat(AT_FDCWD, directory.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
    return posix::FailWith(posix::ErrorForPath(errno, directory));
  return TRUE;
}

}  // namespace hk
