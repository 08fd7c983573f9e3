// Maildir-style outbox: tmp/ then new/, unique names, nothing half-written ever visible.
#include "providers/mapi/outbox.h"

#include "providers/mapi/profile.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cerrno>
#include <chrono>
#include <random>

#if defined(_WIN32)
#  include <fcntl.h>
#  include <io.h>
#  include <process.h>
#  include <sys/stat.h>
#  include <windows.h>
#else
#  include <fcntl.h>
#  include <stdio.h>  // renameat2
#  include <sys/stat.h>
#  include <unistd.h>
#endif

namespace hk::mapi {
namespace {

#if defined(_WIN32)
constexpr char kSlash = '\\';
int ProcessId() { return _getpid(); }
#else
constexpr char kSlash = '/';
int ProcessId() { return static_cast<int>(getpid()); }
#endif

ULONG CodeOfErrno(int error) {
  switch (error) {
    case ENOSPC:
#if defined(EDQUOT)
    case EDQUOT:
#endif
      return MAPI_E_DISK_FULL;
    case EACCES:
    case EPERM:
    case EROFS:
      return MAPI_E_ACCESS_DENIED;
    case ENOMEM:
      return MAPI_E_INSUFFICIENT_MEMORY;
    default:
      return MAPI_E_FAILURE;
  }
}

// Creates one folder level; an existing folder is fine.
int MakeFolder(const std::string& path) {
#if defined(_WIN32)
  if (CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return 0;
  return GetLastError() == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
#else
  if (mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) return 0;
  return errno;
#endif
}

// Creates the folder and every missing parent.
int MakeFolders(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/' || path[i] == '\\') {
      const std::string prefix = path.substr(0, i);
      if (prefix.empty() || prefix.back() == ':') continue;  // a drive ("C:") is no folder
      if (const int error = MakeFolder(prefix); error != 0) return error;
    }
  }
  return 0;
}

// A name unique across hosts, processes, threads and calls: time, process, a per-process
// counter and random bits.
std::string UniqueName() {
  static std::atomic<unsigned long> counter{0};
  thread_local std::mt19937_64 random(std::random_device{}() ^
                                      static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()));
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now).count();
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count() % 1000000;
  std::string host = LocalHostName();
  for (char& c : host)
    if (c == '/' || c == ':' || c == '\\') c = '_';
  char text[160];
  std::snprintf(text, sizeof text, "%lld.M%06lldP%dQ%luR%016llx.%s", static_cast<long long>(seconds),
                static_cast<long long>(micros), ProcessId(), ++counter,
                static_cast<unsigned long long>(random()), host.c_str());
  return text;
}

ULONG WriteExclusive(const std::string& path, const std::string& bytes) {
#if defined(_WIN32)
  const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
#endif
  if (fd < 0) return CodeOfErrno(errno);
  size_t done = 0;
  int error = 0;
  while (done < bytes.size()) {
    const size_t chunk = std::min<size_t>(bytes.size() - done, 1 << 20);
#if defined(_WIN32)
    const int n = _write(fd, bytes.data() + done, static_cast<unsigned>(chunk));
#else
    const ssize_t n = write(fd, bytes.data() + done, chunk);
#endif
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    done += static_cast<size_t>(n);
  }
#if defined(_WIN32)
  if (error == 0 && _commit(fd) != 0) error = errno;
  _close(fd);
#else
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
#endif
  if (error != 0) {
#if defined(_WIN32)
    _unlink(path.c_str());
#else
    unlink(path.c_str());
#endif
    return CodeOfErrno(error);
  }
  return SUCCESS_SUCCESS;
}

#if !defined(_WIN32)
// link() errors that mean the file system has no hard links (or refuses them here), not
// that the folder cannot be written.
bool NoHardLinks(int error) {
  return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == EXDEV || error == ENOSYS ||
         error == EMLINK;
}

// A rename that never replaces: 0 or an errno value (EEXIST when the name is taken).
int RenameNoReplace(const std::string& from, const std::string& to) {
#  if defined(__linux__) && defined(RENAME_NOREPLACE)
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP && errno != EOPNOTSUPP) return errno;
#  endif
  // Without a refusing rename: look first. The name is unique to this host, process and call,
  // so only a foreign file could stand there, and one that does is never replaced knowingly.
  struct stat status;
  if (lstat(to.c_str(), &status) == 0) return EEXIST;
  if (errno != ENOENT) return errno;
  return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}
#endif

void SyncFolder(const std::string& folder) {
#if !defined(_WIN32)
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
#else
  (void)folder;
#endif
}

}  // namespace

ULONG PublishFile(const std::string& from, const std::string& to, bool withLink) {
#if defined(_WIN32)
  (void)withLink;
  // Without MOVEFILE_REPLACE_EXISTING a file already there is never replaced.
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return SUCCESS_SUCCESS;
  const DWORD error = GetLastError();
  DeleteFileA(from.c_str());
  return error == ERROR_ACCESS_DENIED ? MAPI_E_ACCESS_DENIED
         : error == ERROR_DISK_FULL   ? MAPI_E_DISK_FULL
                                      : MAPI_E_FAILURE;
#else
  int error = ENOTSUP;
  if (withLink) {
    if (link(from.c_str(), to.c_str()) == 0) {
      unlink(from.c_str());
      return SUCCESS_SUCCESS;
    }
    error = errno;
  }
  if (NoHardLinks(error)) {
    error = RenameNoReplace(from, to);
    if (error == 0) return SUCCESS_SUCCESS;
  }
  unlink(from.c_str());
  return CodeOfErrno(error);
#endif
}

ULONG DeliverToOutbox(const std::string& folder, const std::string& message, std::string* file) {
  std::string root = folder;
  while (root.size() > 1 && (root.back() == '/' || root.back() == '\\')) root.pop_back();
  for (const char* sub : {"tmp", "new", "cur"})
    if (const int error = MakeFolders(root + kSlash + sub); error != 0) return CodeOfErrno(error);
  const std::string name = UniqueName();
  const std::string temporary = root + kSlash + "tmp" + kSlash + name;
  const std::string final = root + kSlash + "new" + kSlash + name;
  if (const ULONG r = WriteExclusive(temporary, message); r != SUCCESS_SUCCESS) return r;
  if (const ULONG r = PublishFile(temporary, final); r != SUCCESS_SUCCESS) return r;
  SyncFolder(root + kSlash + "new");
  if (file != nullptr) *file = final;
  return SUCCESS_SUCCESS;
}

}  // namespace hk::mapi
