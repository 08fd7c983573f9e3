// POSIX side of the checksum reader declared in platform/scanfile.h: one open, one status call,
// one share-mode query and one marker, positioned reads and one close per file.
#include "platform/scanfile.h"

#include "platform/posix/files/fileobject.h"
#include "platform/posix/system/internal.h"
#include "platform/win32.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hk {

namespace {
// Reading, sharing reading and deleting: writers are kept out.
constexpr DWORD kAccess = GENERIC_READ;
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_DELETE;
}  // namespace

BOOL OpenScanFile(LPCSTR name, ScanFile& file) {
  std::string path;
  if (!posix::NativePath(name, path)) return FALSE;
  // Without O_NONBLOCK opening a FIFO waits for a writer; regular files ignore the flag.
  const int fd = posix::RetryOnInterrupt(
      [&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY); });
  if (fd < 0) return posix::FailWith(posix::ErrorForPath(errno, path));
  struct stat st {};
  DWORD error = ERROR_SUCCESS;
  if (::fstat(fd, &st) != 0) error = posix::Win32ErrorFromErrno(errno);
  else if (S_ISDIR(st.st_mode)) error = ERROR_ACCESS_DENIED;
  else if (!S_ISREG(st.st_mode)) error = ERROR_OPEN_FAILED;
  else if (posix::SharingConflicts(fd, kAccess, kShare)) error = ERROR_SHARING_VIOLATION;
  if (error != ERROR_SUCCESS) {
    ::close(fd);
    return posix::FailWith(error);
  }
  // Writers are kept out. The reader does not record its own reading, which only an open that
  // denies reading would ask about: such a holder may open the file meanwhile, but cannot
  // write it either, and one lock call less is a sizeable part of the cost of a small file.
  posix::DenyWriters(fd);
  file.native = fd;
  file.size = static_cast<uint64_t>(st.st_size);
  return TRUE;
}

BOOL ReadScanFile(const ScanFile& file, uint64_t offset, void* buffer, DWORD count, DWORD* read) {
  auto* bytes = static_cast<char*>(buffer);
  DWORD done = 0;
  // A regular file gives fewer bytes than asked only at its end, or when a signal cut the read
  // short: the loop tells the two apart.
  while (done < count) {
    const ssize_t n = posix::RetryOnInterrupt([&] {
      return ::pread(static_cast<int>(file.native), bytes + done, count - done, static_cast<off_t>(offset + done));
    });
    if (n < 0) {
      *read = done;
      return posix::FailWithErrno(errno);
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
    if (offset + done >= file.size) break;
  }
  *read = done;
  return TRUE;
}

void CloseScanFile(ScanFile& file) {
  if (file.native >= 0) ::close(static_cast<int>(file.native));
  file.native = -1;
}

}  // namespace hk
