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

// The entry's own name in a native path: a backslash is part of a POSIX name, so the search
// (which has the entry's name alone) and the attribute query judge the same text.
const char* LastComponent(const char* name) {
  const char* slash = std::strrchr(name, '/');
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

bool GrowFile(int fd, off_t from, off_t to) {
  if (CallFails(hk::sys::Call::Allocate)) return false;
  const int err = ::posix_fallocate(fd, from, to - from);
  if (err == 0) return true;
  if (err == EOPNOTSUPP || err == EINVAL) {
    if (RetryOnInterrupt([&] { return ::ftruncate(fd, to); }) == 0) return true;
    return FailWithErrno(errno);
  }
  // A reservation that ran out of room may have grown the file part of the way.
  RetryOnInterrupt([&] { return ::ftruncate(fd, from); });
  return FailWithErrno(err);
}

}  // namespace hk::posix

using hk::posix::FileObject;
using hk::posix::Win32ErrorFromErrno;

namespace {

// Opens without waiting: a FIFO without a writer or a device that waits for a carrier would
// otherwise hold up the open for ever. Reads and writes wait again once the file is open. A
// writer opens for reading too when it may, so its descriptor can take share locks.
int OpenNow(const std::string& path, int flags, mode_t mode, bool wantRead) {
  int fd = hk::posix::RetryOnInterrupt([&] { return ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY, mode); });
  if (fd < 0 && errno == EACCES && (flags & O_RDWR) && !wantRead) {
    flags = (flags & ~O_RDWR) | O_WRONLY;
    fd = hk::posix::RetryOnInterrupt([&] { return ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY, mode); });
  }
  if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

// Opens an existing file or else creates a new one, in steps that tell which happened: only a
// file this call created may it take away again. A name that is neither there nor creatable
// exclusively (a link to nothing) is opened as the system opens it, through the link.
int OpenOrCreate(const std::string& path, int flags, mode_t mode, bool wantRead, bool& created) {
  created = false;
  for (int attempt = 0; attempt < 8; ++attempt) {
    int fd = OpenNow(path, flags, mode, wantRead);
    if (fd >= 0 || errno != ENOENT) return fd;
    fd = OpenNow(path, flags | O_CREAT | O_EXCL, mode, wantRead);
    if (fd >= 0) {
      created = true;
      return fd;
    }
    if (errno != EEXIST) return fd;
  }
  return OpenNow(path, flags | O_CREAT, mode, wantRead);
}

}  // namespace

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES, DWORD creation,
                   DWORD flags, HANDLE) {
  std::string path;
  if (!hk::posix::NativePath(name, path)) return INVALID_HANDLE_VALUE;
  const bool wantRead = (access & GENERIC_READ) != 0;
  const bool wantWrite = (access & GENERIC_WRITE) != 0;
  const int oflags = O_CLOEXEC | (wantWrite ? O_RDWR : O_RDONLY);
  bool truncate = false;
  switch (creation) {
    case CREATE_NEW:
    case OPEN_EXISTING:
    case OPEN_ALWAYS: break;
    case CREATE_ALWAYS: truncate = true; break;
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
  if (hk::posix::CallFails(hk::sys::Call::Open)) return INVALID_HANDLE_VALUE;
  bool created = false;
  int fd = -1;
  if (creation == CREATE_NEW) {
    fd = OpenNow(path, oflags | O_CREAT | O_EXCL, mode, wantRead);
    created = fd >= 0;
  } else if (creation == OPEN_ALWAYS || creation == CREATE_ALWAYS) {
    fd = OpenOrCreate(path, oflags, mode, wantRead, created);
  } else {
    fd = OpenNow(path, oflags, mode, wantRead);
  }
  if (fd < 0) {
    const int err = errno;
    SetLastError(err == EEXIST ? ERROR_FILE_EXISTS : err == EISDIR ? ERROR_ACCESS_DENIED : hk::posix::ErrorForPath(err, path));
    return INVALID_HANDLE_VALUE;
  }
  // From here on a failure closes the file, and removes it only if this call made it.
  auto fail = [&](DWORD error) {
    ::close(fd);
    if (created) ::unlink(path.c_str());
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  };
  struct stat st {};
  if (::fstat(fd, &st) != 0) return fail(Win32ErrorFromErrno(errno));
  // Directories cannot be opened as files, and a read-only file refuses writers whoever they are
  // (a privileged process would otherwise get through the permission bits that stand for the
  // attribute).
  if (S_ISDIR(st.st_mode) || (!created && wantWrite && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0))
    return fail(ERROR_ACCESS_DENIED);
  if (hk::posix::SharingConflicts(fd, access, shareMode)) {
    // Never removed, even when this call made it: the holder it conflicts with opened the new
    // file meanwhile and goes on using it under its name.
    created = false;
    return fail(ERROR_SHARING_VIOLATION);
  }
  hk::posix::TakeShareMarkers(fd, access, shareMode);
  if (truncate && !created && ::ftruncate(fd, 0) != 0) return fail(Win32ErrorFromErrno(errno));
  auto* object = new FileObject;
  object->fd = fd;
  object->access = access;
  object->path = path;
  object->deleteOnClose = (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0;
  HANDLE handle = hk::posix::RegisterHandle(object);
  // Opening a file that was there already reports so, as Windows does for these two modes.
  SetLastError(!created && (creation == OPEN_ALWAYS || creation == CREATE_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                  : ERROR_SUCCESS);
  return handle;
}

DWORD GetFileType(HANDLE file) {
  FileObject* f = hk::posix::HandleAs<FileObject>(file);
  if (f == nullptr) return FILE_TYPE_UNKNOWN;
  struct stat st {};
  if (::fstat(f->fd, &st) != 0) {
    hk::posix::FailWithErrno(errno);
    return FILE_TYPE_UNKNOWN;
  }
  SetLastError(ERROR_SUCCESS);
  if (S_ISREG(st.st_mode)) return FILE_TYPE_DISK;
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return FILE_TYPE_CHAR;
  if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return FILE_TYPE_PIPE;
  return FILE_TYPE_UNKNOWN;
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
  if (hk::posix::CallFails(hk::sys::Call::Write)) return FALSE;
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
  struct stat st {};
  if (position < 0 || ::fstat(f->fd, &st) != 0) return hk::posix::FailWithErrno(errno);
  if (position > st.st_size) return hk::posix::GrowFile(f->fd, st.st_size, position) ? TRUE : FALSE;
  if (hk::posix::RetryOnInterrupt([&] { return ::ftruncate(f->fd, position); }) != 0)
    return hk::posix::FailWithErrno(errno);
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
  FileObject* f = hk::posix::HandleAs<FileObject>(file);
  if (f == nullptr) return FALSE;
  if (hk::posix::CallFails(hk::sys::Call::Sync)) return FALSE;
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
