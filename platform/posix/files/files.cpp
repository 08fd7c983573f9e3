// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/posix/files/files.h"

#include "platform/posix/files/fileobject.h"
#include "platform/posix/system/internal.h"
#include "platform/win32.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace hk::posix {

namespace {

// Share modes live in locks on marker bytes far beyond any data a file can hold. A holder
// takes a shared lock on the marker of each access it has and of each sharing it denies; an
// open conflicts when someone holds the marker that its own access or denial collides with.
constexpr off_t kShareBase = off_t{1} << 62;
enum Marker : off_t { kHasRead, kHasWrite, kDeniesRead, kDeniesWrite, kDeniesDelete };

bool MarkerHeldByOther(int fd, Marker marker) {
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = kShareBase + marker;
  probe.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &probe) != 0) return false;
  return probe.l_type != F_UNLCK;
}

bool MarkersHeldByOther(int fd) {
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = kShareBase;
  probe.l_len = kDeniesDelete + 1;
  if (fcntl(fd, F_OFD_GETLK, &probe) != 0) return false;
  return probe.l_type != F_UNLCK;
}

bool TakeMarker(int fd, Marker marker) {
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kShareBase + marker;
  lock.l_len = 1;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// ERROR_PATH_NOT_FOUND when the directory part of a missing name does not exist either, as
// Windows reports it; ERROR_FILE_NOT_FOUND otherwise.
DWORD MissingNameError(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return ERROR_FILE_NOT_FOUND;
  struct stat st {};
  const std::string parent = path.substr(0, slash);
  if (stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
  return ERROR_FILE_NOT_FOUND;
}

const char* LastComponent(const char* name) {
  const char* slash = std::strrchr(name, '/');
  const char* back = std::strrchr(name, '\\');
  if (back != nullptr && (slash == nullptr || back > slash)) slash = back;
  return slash != nullptr ? slash + 1 : name;
}

}  // namespace

DWORD ErrorForPath(int err, const std::string& path) {
  if (err == ENOENT) return MissingNameError(path);
  if (err == ENOTDIR) return ERROR_PATH_NOT_FOUND;
  return Win32ErrorFromErrno(err);
}

// An open without read or write access (to query the file) takes no part in sharing, as on
// Windows: it is neither checked against other holders nor recorded for later opens.
bool SharingConflicts(int fd, DWORD access, DWORD shareMode) {
  if ((access & (GENERIC_READ | GENERIC_WRITE)) == 0) return false;
  // Most files have no other holder: one query over all the markers settles that case.
  if (!MarkersHeldByOther(fd)) return false;
  if ((access & GENERIC_READ) && MarkerHeldByOther(fd, kDeniesRead)) return true;
  if ((access & GENERIC_WRITE) && MarkerHeldByOther(fd, kDeniesWrite)) return true;
  if (!(shareMode & FILE_SHARE_READ) && MarkerHeldByOther(fd, kHasRead)) return true;
  if (!(shareMode & FILE_SHARE_WRITE) && MarkerHeldByOther(fd, kHasWrite)) return true;
  return false;
}

bool DeleteDenied(int fd) { return MarkerHeldByOther(fd, kDeniesDelete); }

void DenyWriters(int fd) { TakeMarker(fd, kDeniesWrite); }

void TakeShareMarkers(int fd, DWORD access, DWORD shareMode) {
  // A descriptor that cannot take read locks (opened without read permission) simply takes
  // part in no sharing checks.
  if ((access & (GENERIC_READ | GENERIC_WRITE)) == 0) return;
  if (access & GENERIC_READ) TakeMarker(fd, kHasRead);
  if (access & GENERIC_WRITE) TakeMarker(fd, kHasWrite);
  if (!(shareMode & FILE_SHARE_READ)) TakeMarker(fd, kDeniesRead);
  if (!(shareMode & FILE_SHARE_WRITE)) TakeMarker(fd, kDeniesWrite);
  if (!(shareMode & FILE_SHARE_DELETE)) TakeMarker(fd, kDeniesDelete);
}

DWORD AttributesFromStat(const struct ::stat& st, const char* name) {
  DWORD attributes = 0;
  if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  const char* last = LastComponent(name);
  if (last[0] == '.' && std::strcmp(last, ".") != 0 && std::strcmp(last, "..") != 0)
    attributes |= FILE_ATTRIBUTE_HIDDEN;
  if (S_ISREG(st.st_mode)) attributes |= FILE_ATTRIBUTE_ARCHIVE;
  return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}

FileObject::~FileObject() {
  if (fd >= 0) ::close(fd);
}

bool FileObject::Close() {
  bool ok = true;
  if (deleteOnClose && !path.empty() && ::unlink(path.c_str()) != 0 && errno != ENOENT) {
    SetLastError(Win32ErrorFromErrno(errno));
    ok = false;
  }
  if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) {
    SetLastError(Win32ErrorFromErrno(errno));
    ok = false;
  }
  fd = -1;
  return ok;
}

}  // namespace hk::posix

using hk::posix::FileObject;
using hk::posix::Win32ErrorFromErrno;

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES, DWORD creation,
                   DWORD flags, HANDLE) {
  std::string path;
  if (!hk::posix::NativePath(name, path)) return INVALID_HANDLE_VALUE;
  int oflags = O_CLOEXEC;
  const bool wantRead = (access & GENERIC_READ) != 0;
  const bool wantWrite = (access & GENERIC_WRITE) != 0;
  // Writers open for reading too when they may, so their descriptor can take share locks.
  oflags |= wantWrite ? O_RDWR : O_RDONLY;
  bool truncate = false;
  switch (creation) {
    case CREATE_NEW: oflags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: oflags |= O_CREAT; truncate = true; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: oflags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
      if (!wantWrite) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
      }
      truncate = true;
      break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  // Temporary files are private to their owner from the moment they exist.
  const mode_t mode = (flags & FILE_ATTRIBUTE_TEMPORARY) ? ((flags & FILE_ATTRIBUTE_READONLY) ? 0400 : 0600)
                      : (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  struct stat before {};
  const bool existed = ::stat(path.c_str(), &before) == 0;
  // A read-only file refuses writers, whoever they are (a privileged process would otherwise
  // get through the permission bits that stand for the attribute).
  if (existed && (S_ISDIR(before.st_mode) || (wantWrite && S_ISREG(before.st_mode) &&
                                              (before.st_mode & S_IWUSR) == 0))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  int fd = hk::posix::RetryOnInterrupt([&] { return ::open(path.c_str(), oflags, mode); });
  if (fd < 0 && errno == EACCES && wantWrite && !wantRead) {
    oflags = (oflags & ~O_RDWR) | O_WRONLY;
    fd = hk::posix::RetryOnInterrupt([&] { return ::open(path.c_str(), oflags, mode); });
  }
  if (fd < 0) {
    const int err = errno;
    SetLastError(err == EEXIST ? ERROR_FILE_EXISTS : hk::posix::ErrorForPath(err, path));
    return INVALID_HANDLE_VALUE;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (hk::posix::SharingConflicts(fd, access, shareMode)) {
    ::close(fd);
    if (!existed) ::unlink(path.c_str());
    SetLastError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  hk::posix::TakeShareMarkers(fd, access, shareMode);
  if (truncate && ::ftruncate(fd, 0) != 0) {
    const int err = errno;
    ::close(fd);
    SetLastError(Win32ErrorFromErrno(err));
    return INVALID_HANDLE_VALUE;
  }
  auto* object = new FileObject;
  object->fd = fd;
  object->access = access;
  object->path = path;
  object->deleteOnClose = (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0;
  HANDLE handle = hk::posix::RegisterHandle(object);
  // Opening a file that was there already reports so, as Windows does for these two modes.
  SetLastError(existed && (creation == OPEN_ALWAYS || creation == CREATE_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                : ERROR_SUCCESS);
  return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, void*) {
  if (read != nullptr) *read = 0;
  FileObject* f = hk::posix::HandleAs<FileObject>(file);
  if (f == nullptr) return FALSE;
  if (!(f->access & GENERIC_READ)) return hk::posix::FailWith(ERROR_ACCESS_DENIED);
  auto* bytes = static_cast<char*>(buffer);
  DWORD done = 0;
  while (done < toRead) {
    const ssize_t n = hk::posix::RetryOnInterrupt([&] { return ::read(f->fd, bytes + done, toRead - done); });
    if (n < 0) {
      if (read != nullptr) *read = done;
      return hk::posix::FailWithErrno(errno);
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (read != nullptr) *read = done;
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, void*) {
  if (written != nullptr) *written = 0;
  FileObject* f = hk::posix::HandleAs<FileObject>(file);
  if (f == nullptr) return FALSE;
  if (!(f->access & GENERIC_WRITE)) return hk::posix::FailWith(ERROR_ACCESS_DENIED);
  const auto* bytes = static_cast<const char*>(buffer);
  DWORD done = 0;
  while (done < toWrite) {
    const ssize_t n =
        hk::posix::RetryOnInterrupt([&] { return ::write(f->fd, bytes + done, toWrite - done); });
    if (n < 0) {
      if (written != nullptr) *written = done;
      return hk::posix::FailWithErrno(errno);
    }
    done += static_cast<DWORD>(n);
  }
  if (written != nullptr) *written = done;
  return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
  constexpr DWORD kNegativeSeek = 131;
  FileObject* f = hk::posix::HandleAs<FileObject>(file);
  if (f == nullptr) return INVALID_SET_FILE_POINTER;
  int64_t offset = distance;
  if (distanceHigh != nullptr)
    offset = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                  static_cast<uint32_t>(distance));
  const int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : -1;
  if (whence < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  const off_t current = ::lseek(f->fd, 0, SEEK_CUR);
  const off_t size = ::lseek(f->fd, 0, SEEK_END);
  ::lseek(f->fd, current, SEEK_SET);
  const int64_t origin = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? current : size;
  if (origin + offset < 0) {
    SetLastError(kNegativeSeek);
    return INVALID_SET_FILE_POINTER;
  }
  const off_t result = ::lseek(f->fd, static_cast<off_t>(origin + offset), SEEK_SET);
  if (result < 0) {
    hk::posix::FailWithErrno(errno);
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(result) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(result);
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
  FileObject* f = hk::posix::HandleAs<FileObject>(file);
  struct stat st {};
  if (f == nullptr) return 0xFFFFFFFF;
  if (::fstat(f->fd, &st) != 0) {
    hk::posix::FailWithErrno(errno);
    return 0xFFFFFFFF;
  }
  if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(static_cast<uint64_t>(st.st_size) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(st.st_size);
}

BOOL SetEndOfFile(HANDLE file) {
  FileObject* f = hk::posix::HandleAs<FileObject>(file);
  if (f == nullptr) return FALSE;
  if (!(f->access & GENERIC_WRITE)) return hk::posix::FailWith(ERROR_ACCESS_DENIED);
  const off_t position = ::lseek(f->fd, 0, SEEK_CUR);
  if (position < 0 || hk::posix::RetryOnInterrupt([&] { return ::ftruncate(f->fd, position); }) != 0)
    return hk::posix::FailWithErrno(errno);
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
  FileObject* f = hk::posix::HandleAs<FileObject>(file);
  if (f == nullptr) return FALSE;
  if (::fsync(f->fd) != 0) return hk::posix::FailWithErrno(errno);
  return TRUE;
}

BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME access, LPFILETIME write) {
  FileObject* f = hk::posix::HandleAs<FileObject>(file);
  struct stat st {};
  if (f == nullptr) return FALSE;
  if (::fstat(f->fd, &st) != 0) return hk::posix::FailWithErrno(errno);
  // POSIX keeps no creation time in a file's status; the last status change stands in.
  if (creation != nullptr) *creation = hk::posix::FileTimeFromTimespec(st.st_ctim);
  if (access != nullptr) *access = hk::posix::FileTimeFromTimespec(st.st_atim);
  if (write != nullptr) *write = hk::posix::FileTimeFromTimespec(st.st_mtim);
  return TRUE;
}

BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access, const FILETIME* write) {
  (void)creation;  // POSIX has no settable creation time
  FileObject* f = hk::posix::HandleAs<FileObject>(file);
  if (f == nullptr) return FALSE;
  if (!(f->access & GENERIC_WRITE)) return hk::posix::FailWith(ERROR_ACCESS_DENIED);
  timespec times[2];
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_nsec = UTIME_OMIT;
  if (access != nullptr) times[0] = hk::posix::TimespecFromFileTime(*access);
  if (write != nullptr) times[1] = hk::posix::TimespecFromFileTime(*write);
  if (::futimens(f->fd, times) != 0) return hk::posix::FailWithErrno(errno);
  return TRUE;
}

DWORD GetFileAttributesA(LPCSTR name) {
  std::string path;
  if (!hk::posix::NativePath(name, path)) return INVALID_FILE_ATTRIBUTES;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    SetLastError(hk::posix::ErrorForPath(errno, path));
    return INVALID_FILE_ATTRIBUTES;
  }
  return hk::posix::AttributesFromStat(st, path.c_str());
}

BOOL SetFileAttributesA(LPCSTR name, DWORD attributes) {
  std::string path;
  if (!hk::posix::NativePath(name, path)) return FALSE;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return hk::posix::FailWith(hk::posix::ErrorForPath(errno, path));
  mode_t mode = st.st_mode & 07777;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else {
    mode |= S_IWUSR;
  }
  if (mode != (st.st_mode & 07777) && ::chmod(path.c_str(), mode) != 0)
    return hk::posix::FailWithErrno(errno);
  return TRUE;
}

BOOL DeleteFileA(LPCSTR name) {
  std::string path;
  if (!hk::posix::NativePath(name, path)) return FALSE;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return hk::posix::FailWith(hk::posix::ErrorForPath(errno, path));
  if (S_ISDIR(st.st_mode)) return hk::posix::FailWith(ERROR_ACCESS_DENIED);
  // Windows refuses to delete a read-only file, or one another holder opened without
  // FILE_SHARE_DELETE.
  if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return hk::posix::FailWith(ERROR_ACCESS_DENIED);
  if (S_ISREG(st.st_mode)) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd >= 0) {
      const bool denied = hk::posix::DeleteDenied(fd);
      ::close(fd);
      if (denied) return hk::posix::FailWith(ERROR_SHARING_VIOLATION);
    }
  }
  if (::unlink(path.c_str()) != 0) return hk::posix::FailWith(hk::posix::ErrorForPath(errno, path));
  return TRUE;
}
