// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// Whole-file operations: copying, moving, creating directories and asking for free space.
#include "platform/copyfile.h"
#include "platform/faults.h"
#include "platform/posix/files/fileobject.h"
#include "platform/posix/files/files.h"
#include "platform/posix/system/internal.h"
#include "platform/posix/process/process.h"
#include "platform/scratch.h"
#include "platform/win32.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <vector>

namespace hk::posix {

namespace {

// Closes a descriptor on every way out of a function.
class ScopedFd {
 public:
  explicit ScopedFd(int fd) : m_fd(fd) {}
  ~ScopedFd() {
    if (m_fd >= 0) ::close(m_fd);
  }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  int get() const { return m_fd; }
  // Closes now, reporting the result (close can report a delayed write error).
  bool Close() {
    const int fd = m_fd;
    m_fd = -1;
    return fd < 0 || ::close(fd) == 0 || errno == EINTR;
  }

 private:
  int m_fd;
};

// Errors of copy_file_range and sendfile that mean "not between these two files", after which
// the next, plainer way is tried.
bool WayUnavailable(int err) {
  return err == EXDEV || err == ENOSYS || err == EOPNOTSUPP || err == EINVAL || err == EBADF;
}

// Copies everything from the current position of 'in' to 'out': in the kernel where the
// system offers it, through a buffer otherwise. 0, an errno value, or -1 when a fault switch
// failed a write (the last error set).
int CopyBytes(int in, int out) {
  constexpr size_t kChunk = size_t{1} << 30;
  // Tests can take the kernel's ways away to exercise the plainer ones.
  const hk::sys::CopyWays ways = hk::sys::detail::g_copyWays.load();
  bool started = false;
  if (ways == hk::sys::CopyWays::All) {
    for (;;) {
      if (CallFails(hk::sys::Call::Write)) return -1;
      const ssize_t n = RetryOnInterrupt([&] { return ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0); });
      if (n == 0) return 0;
      if (n < 0) {
        if (started || !WayUnavailable(errno)) return errno;
        break;
      }
      started = true;
    }
  }
  if (ways != hk::sys::CopyWays::BufferOnly) {
    for (;;) {
      if (CallFails(hk::sys::Call::Write)) return -1;
      const ssize_t n = RetryOnInterrupt([&] { return ::sendfile(out, in, nullptr, kChunk); });
      if (n == 0) return 0;
      if (n < 0) {
        if (started || !WayUnavailable(errno)) return errno;
        break;
      }
      started = true;
    }
  }
  std::vector<char> buffer(size_t{1} << 20);
  for (;;) {
    const ssize_t n = RetryOnInterrupt([&] { return ::read(in, buffer.data(), buffer.size()); });
    if (n == 0) return 0;
    if (n < 0) return errno;
    if (CallFails(hk::sys::Call::Write)) return -1;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = RetryOnInterrupt([&] { return ::write(out, buffer.data() + done, n - done); });
      if (w < 0) return errno;
      done += w;
    }
  }
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

const BuiltinExport kKernelExports[] = {
    {"GetDiskFreeSpaceExA", reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&GetDiskFreeSpaceExA))},
};

// Callers bind the 64-bit free-space query by name from the system library, as they must on
// the systems that may lack it; here it is always there.
struct KernelModule {
  KernelModule() { RegisterBuiltinModule("KERNEL32.DLL", kKernelExports, std::size(kKernelExports)); }
} g_kernelModule;

// Makes a finished rename durable: the directory that now holds the name is synced.
bool SyncParentDirectory(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  ScopedFd dir(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return dir.get() >= 0 && ::fsync(dir.get()) == 0;
}

// Renames, never over an existing name. 0 or an errno value.
int RenameNoReplace(const std::string& from, const std::string& to, bool isDirectory) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  const int err = errno;
  if (err != EINVAL && err != ENOSYS && err != EOPNOTSUPP) return err;
  // A file system without no-replace renames: a hard link refuses an existing name just as
  // atomically; directories (which cannot be linked) are checked first.
  struct stat target {};
  if (::lstat(to.c_str(), &target) == 0) return EEXIST;
  if (!isDirectory && ::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return 0;
  }
  if (errno == EEXIST) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Overwrites a file in place with the bytes of `in`: how a copy replaces a writable file in a
// directory where it may not create the scratch file. Without a scratch name a failure or a
// kill can leave the file part written, as any in-place write can.
BOOL CopyInPlace(int in, const std::string& target, const struct stat& source) {
  ScopedFd out(RetryOnInterrupt([&] { return ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY); }));
  if (out.get() < 0) return FailWith(ErrorForPath(errno, target));
  if (::ftruncate(out.get(), 0) != 0) return FailWithErrno(errno);
  if (const int err = CopyBytes(in, out.get()); err != 0)
    return err < 0 ? FALSE : FailWithErrno(err);
  // A file that belongs to someone else keeps its permissions and times (only its owner may set
  // them); its bytes are the copy's.
  const timespec times[2] = {{0, UTIME_NOW}, source.st_mtim};
  [[maybe_unused]] const int timed = ::futimens(out.get(), times);
  [[maybe_unused]] const int moded = ::fchmod(out.get(), source.st_mode & 0777);
  if (!out.Close()) return FailWithErrno(errno);
  return TRUE;
}

// A number for a scratch name that other processes are unlikely to pick at the same moment.
unsigned ScratchNumber() {
  static std::atomic<unsigned> counter{static_cast<unsigned>(::getpid()) * 2654435761u ^
                                       static_cast<unsigned>(::time(nullptr))};
  return counter.fetch_add(0x9E3779B9u);
}

// Creates the scratch file beside a copy's destination, exclusively; its descriptor holds
// share locks that deny reading and writing to others (but not renaming), so that a listing
// can tell a copy in progress from one a killed process left behind.
int CreateScratch(const std::string& destination, mode_t mode, std::string& scratch) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    scratch = hk::ScratchNameFor(destination.c_str(), ScratchNumber());
    const int fd = RetryOnInterrupt([&] { return ::open(scratch.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode); });
    if (fd >= 0) {
      TakeShareMarkers(fd, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

// Where a copy over an existing name lands: the name itself, or the file a link there points
// at (a copy writes through links, as it always has); a link to nothing is replaced itself.
std::string ReplacedFile(const std::string& destination, const struct stat& entry) {
  if (!S_ISLNK(entry.st_mode)) return destination;
  char* resolved = ::realpath(destination.c_str(), nullptr);
  if (resolved == nullptr) return destination;
  std::string target = resolved;
  std::free(resolved);
  return target;
}

}  // namespace

}  // namespace hk::posix

using hk::posix::FailWith;
using hk::posix::FailWithErrno;
using hk::posix::ScopedFd;

BOOL CopyFileA(LPCSTR existing, LPCSTR destination, BOOL failIfExists) {
  std::string from;
  std::string to;
  if (!hk::posix::NativePath(existing, from) || !hk::posix::NativePath(destination, to)) return FALSE;
  if (hk::posix::CallFails(hk::sys::Call::Open)) return FALSE;
  // Never waits in the open (a FIFO without a writer), and reads only regular files: a device
  // such as /dev/zero would otherwise be copied without end.
  ScopedFd in(hk::posix::RetryOnInterrupt(
      [&] { return ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY); }));
  // A socket does not open at all (ENXIO).
  if (in.get() < 0) return FailWith(errno == ENXIO ? ERROR_OPEN_FAILED : hk::posix::ErrorForPath(errno, from));
  struct stat source {};
  if (::fstat(in.get(), &source) != 0) return FailWithErrno(errno);
  if (S_ISDIR(source.st_mode)) return FailWith(ERROR_ACCESS_DENIED);
  if (!S_ISREG(source.st_mode)) return FailWith(ERROR_OPEN_FAILED);
  ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) & ~O_NONBLOCK);
  if (hk::posix::SharingConflicts(in.get(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE))
    return FailWith(ERROR_SHARING_VIOLATION);
  const mode_t mode = source.st_mode & 0777;

  // The copy is written under a scratch name beside the file it makes and renamed: a process
  // killed on the way leaves the earlier file (or none) under the name, never part of the new
  // one.
  std::string target = to;
  bool replacing = false;
  struct stat owner {};
  struct stat entry {};
  if (::lstat(to.c_str(), &entry) == 0) {
    if (failIfExists) return FailWith(ERROR_FILE_EXISTS);
    target = hk::posix::ReplacedFile(to, entry);
    struct stat current {};
    if (::stat(target.c_str(), &current) == 0) {
      if (S_ISDIR(current.st_mode)) return FailWith(ERROR_ACCESS_DENIED);
      if (!S_ISREG(current.st_mode)) return FailWith(ERROR_OPEN_FAILED);
      if (hk::posix::SameFile(source, current)) return FailWith(ERROR_SHARING_VIOLATION);
      if ((current.st_mode & S_IWUSR) == 0) return FailWith(ERROR_ACCESS_DENIED);
      owner = current;
      // A holder that denies others writing keeps its file, as when it is written in place.
      ScopedFd held(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
      if (held.get() >= 0 &&
          hk::posix::SharingConflicts(held.get(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE))
        return FailWith(ERROR_SHARING_VIOLATION);
      replacing = true;
    }
  }
  if (hk::posix::CallFails(hk::sys::Call::Open)) return FALSE;
  std::string scratch;
  ScopedFd out(hk::posix::CreateScratch(target, mode, scratch));
  if (out.get() < 0) {
    const int err = errno;
    // A writable file in a directory the caller may not write is still replaced, in place.
    if (replacing && (err == EACCES || err == EPERM)) return hk::posix::CopyInPlace(in.get(), target, source);
    return FailWith(hk::posix::ErrorForPath(err, target));
  }
  auto failAndRemove = [&](DWORD error) {
    out.Close();
    ::unlink(scratch.c_str());
    return FailWith(error);
  };
  if (const int err = hk::posix::CopyBytes(in.get(), out.get()); err != 0)
    return failAndRemove(err < 0 ? GetLastError() : hk::posix::Win32ErrorFromErrno(err));
  const timespec times[2] = {{0, UTIME_NOW}, source.st_mtim};
  if (::futimens(out.get(), times) != 0) return failAndRemove(hk::posix::Win32ErrorFromErrno(errno));
  // A file that is replaced keeps its owner where the caller may give it (root copying over a
  // user's file), and takes the source's permissions whatever the umask says.
  if (replacing) {
    // Only a privileged caller may give a file away; others keep it as their own.
    [[maybe_unused]] const int given = ::fchown(out.get(), owner.st_uid, owner.st_gid);
    if (::fchmod(out.get(), mode) != 0) return failAndRemove(hk::posix::Win32ErrorFromErrno(errno));
  }
  // A file that is replaced stays whole across a system crash too: the copy is on disk before it
  // takes the name. A new name is not synced (as cp does not): a killed process is covered by
  // the rename alone, and a sync per file would make a folder copy several times slower.
  if (replacing) {
    if (hk::posix::CallFails(hk::sys::Call::Sync)) return failAndRemove(GetLastError());
    if (::fsync(out.get()) != 0) return failAndRemove(hk::posix::Win32ErrorFromErrno(errno));
  }
  if (hk::posix::CallFails(hk::sys::Call::Rename)) return failAndRemove(GetLastError());
  int err = 0;
  if (failIfExists) {
    err = hk::posix::RenameNoReplace(scratch, target, false);
    if (err == EEXIST) return failAndRemove(ERROR_FILE_EXISTS);
  } else if (::rename(scratch.c_str(), target.c_str()) != 0) {
    err = errno;
  }
  if (err != 0) return failAndRemove(err == EISDIR ? ERROR_ACCESS_DENIED : hk::posix::ErrorForPath(err, target));
  if (!out.Close()) return FailWithErrno(errno);
  return TRUE;
}


BOOL MoveFileExA(LPCSTR existing, LPCSTR destination, DWORD flags) {
  std::string from;
  std::string to;
  if (!hk::posix::NativePath(existing, from) || !hk::posix::NativePath(destination, to)) return FALSE;
  struct stat source {};
  if (::lstat(from.c_str(), &source) != 0) return FailWith(hk::posix::ErrorForPath(errno, from));
  const bool isDirectory = S_ISDIR(source.st_mode);
  if (S_ISREG(source.st_mode)) {
    // A holder that opened the file without FILE_SHARE_DELETE keeps it where it is.
    ScopedFd probe(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (probe.get() >= 0 && hk::posix::DeleteDenied(probe.get())) return FailWith(ERROR_SHARING_VIOLATION);
  }
  const bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
  if (hk::posix::CallFails(hk::sys::Call::Rename)) return FALSE;
  int err = 0;
  if (replace) {
    struct stat target {};
    if (::lstat(to.c_str(), &target) == 0) {
      if (S_ISDIR(target.st_mode) || (S_ISREG(target.st_mode) && (target.st_mode & S_IWUSR) == 0))
        return FailWith(ERROR_ACCESS_DENIED);
      if (S_ISREG(target.st_mode)) {
        ScopedFd probe(::open(to.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        if (probe.get() >= 0 && hk::posix::DeleteDenied(probe.get())) return FailWith(ERROR_SHARING_VIOLATION);
      }
    }
    err = ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  } else {
    err = hk::posix::RenameNoReplace(from, to, isDirectory);
  }
  if (err == EXDEV) {
    if (isDirectory) return FailWith(ERROR_NOT_SAME_DEVICE);
    if (!(flags & MOVEFILE_COPY_ALLOWED)) return FailWith(ERROR_NOT_SAME_DEVICE);
    if (!CopyFileA(existing, destination, replace ? FALSE : TRUE)) {
      // An existing target is refused with the same code whether or not the move crosses
      // file systems.
      if (GetLastError() == ERROR_FILE_EXISTS) SetLastError(ERROR_ALREADY_EXISTS);
      return FALSE;
    }
    if (::unlink(from.c_str()) != 0) {
      err = errno;
      ::unlink(to.c_str());
      return FailWithErrno(err);
    }
    err = 0;
  }
  if (err == EEXIST || err == ENOTEMPTY) return FailWith(ERROR_ALREADY_EXISTS);
  if (err != 0) return FailWith(hk::posix::ErrorForPath(err, to));
  if ((flags & MOVEFILE_WRITE_THROUGH) && !hk::posix::SyncParentDirectory(to)) return FailWithErrno(errno);
  return TRUE;
}

BOOL hk::CopyFileWhole(LPCSTR existing, LPCSTR destination) { return CopyFileA(existing, destination, FALSE); }

BOOL MoveFileA(LPCSTR existing, LPCSTR destination) {
  return MoveFileExA(existing, destination, MOVEFILE_COPY_ALLOWED);
}

BOOL CreateDirectoryA(LPCSTR name, LPSECURITY_ATTRIBUTES) {
  std::string path;
  if (!hk::posix::NativePath(name, path)) return FALSE;
  if (::mkdir(path.c_str(), 0777) == 0) return TRUE;
  const int err = errno;
  if (err == EEXIST) return FailWith(ERROR_ALREADY_EXISTS);
  if (err == ENOENT || err == ENOTDIR) return FailWith(ERROR_PATH_NOT_FOUND);
  return FailWithErrno(err);
}

namespace {

bool VolumeOf(LPCSTR root, struct statvfs& info) {
  std::string path = ".";
  if (root != nullptr && !hk::posix::NativePath(root, path)) return false;
  if (::statvfs(path.c_str(), &info) != 0) {
    SetLastError(hk::posix::ErrorForPath(errno, path));
    return false;
  }
  return true;
}

DWORD Capped(uint64_t value) { return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(value); }

}  // namespace

BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                       LPDWORD freeClusters, LPDWORD totalClusters) {
  struct statvfs info {};
  if (!VolumeOf(root, info)) return FALSE;
  const uint64_t unit = info.f_frsize != 0 ? info.f_frsize : info.f_bsize;
  const bool sectors = unit % 512 == 0 && unit != 0;
  if (bytesPerSector != nullptr) *bytesPerSector = sectors ? 512 : Capped(unit);
  if (sectorsPerCluster != nullptr) *sectorsPerCluster = sectors ? Capped(unit / 512) : 1;
  if (freeClusters != nullptr) *freeClusters = Capped(info.f_bavail);
  if (totalClusters != nullptr) *totalClusters = Capped(info.f_blocks);
  return TRUE;
}

BOOL GetDiskFreeSpaceExA(LPCSTR directory, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                         PULARGE_INTEGER totalFree) {
  struct statvfs info {};
  if (!VolumeOf(directory, info)) return FALSE;
  const uint64_t unit = info.f_frsize != 0 ? info.f_frsize : info.f_bsize;
  if (freeToCaller != nullptr) freeToCaller->QuadPart = unit * info.f_bavail;
  if (total != nullptr) total->QuadPart = unit * info.f_blocks;
  if (totalFree != nullptr) totalFree->QuadPart = unit * info.f_bfree;
  return TRUE;
}
