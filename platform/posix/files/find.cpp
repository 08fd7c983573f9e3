// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/posix/files/files.h"

#include "platform/posix/files/fileobject.h"
#include "platform/posix/system/internal.h"
#include "platform/win32.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace hk::posix {

namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// An open search: the directory stream and the pattern its entries are matched against.
struct FindObject : HandleObject {
  DIR* dir = nullptr;
  std::string pattern;
  ~FindObject() override {
    if (dir != nullptr) closedir(dir);
  }
  bool Close() override {
    const bool ok = dir == nullptr || closedir(dir) == 0;
    if (!ok) SetLastError(Win32ErrorFromErrno(errno));
    dir = nullptr;
    return ok;
  }
};

// Fills the find data of one entry: true when filled; false with errno ENOENT for an entry that
// vanished between reading the directory and asking for its status (skipped), or with the
// status call's errno otherwise (a directory that may be listed but not searched gives EACCES
// for every entry: an error of the search, not an empty directory).
bool FillFindData(int dirFd, const char* name, WIN32_FIND_DATAA& data) {
  struct stat st {};
  if (fstatat(dirFd, name, &st, 0) != 0 && fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
    return false;
  std::memset(&data, 0, sizeof data);
  data.dwFileAttributes = AttributesFromStat(st, name);
  data.ftCreationTime = FileTimeFromTimespec(st.st_ctim);
  data.ftLastAccessTime = FileTimeFromTimespec(st.st_atim);
  data.ftLastWriteTime = FileTimeFromTimespec(st.st_mtim);
  if (!S_ISDIR(st.st_mode)) {
    const auto size = static_cast<uint64_t>(st.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size);
  }
  std::strncpy(data.cFileName, name, sizeof data.cFileName - 1);
  return true;
}

// Fills only what the directory itself tells of a file or directory entry; false for other
// kinds of entry (links, devices, or a file system that does not tell), which need their status.
bool FillFromDirectory(const dirent& entry, WIN32_FIND_DATAA& data) {
  DWORD attributes = 0;
  if (entry.d_type == DT_DIR) attributes = FILE_ATTRIBUTE_DIRECTORY;
  else if (entry.d_type == DT_REG) attributes = FILE_ATTRIBUTE_ARCHIVE;
  else return false;
  std::memset(&data, 0, sizeof data);
  if (entry.d_name[0] == '.' && std::strcmp(entry.d_name, ".") != 0 && std::strcmp(entry.d_name, "..") != 0)
    attributes |= FILE_ATTRIBUTE_HIDDEN;
  data.dwFileAttributes = attributes;
  std::strncpy(data.cFileName, entry.d_name, sizeof data.cFileName - 1);
  return true;
}

// The next entry of the stream that matches the pattern; false at the end (errno 0) or on a
// read error (errno set). With 'unsure', files and directories are described from the
// directory alone (see FindFirstEntry).
bool NextMatch(FindObject& find, WIN32_FIND_DATAA& data, DWORD* unsure) {
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(find.dir);
    if (entry == nullptr) return false;
    // Names the find data cannot hold whole are left out rather than handed out cut short.
    if (std::strlen(entry->d_name) >= sizeof data.cFileName) continue;
    if (!MatchesFindPattern(find.pattern.c_str(), entry->d_name)) continue;
    if (unsure != nullptr && FillFromDirectory(*entry, data)) {
      *unsure = FILE_ATTRIBUTE_READONLY;
      return true;
    }
    if (unsure != nullptr) *unsure = 0;
    if (FillFindData(dirfd(find.dir), entry->d_name, data)) return true;
    if (errno != ENOENT) return false;
  }
}

HANDLE OpenSearch(LPCSTR name, LPWIN32_FIND_DATAA data, DWORD* unsure) {
  std::string path;
  if (!NativePath(name, path)) return INVALID_HANDLE_VALUE;
  if (data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const size_t slash = path.find_last_of('/');
  std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);
  if (pattern.empty()) {
    // A name ending in a separator names no entry to look for.
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  DIR* dir = opendir(directory.c_str());
  if (dir == nullptr) {
    const int err = errno;
    SetLastError(err == ENOENT || err == ENOTDIR ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(err));
    return INVALID_HANDLE_VALUE;
  }
  auto* find = new FindObject;
  find->dir = dir;
  find->pattern = pattern;
  if (!NextMatch(*find, *data, unsure)) {
    const int err = errno;
    delete find;
    SetLastError(err == 0 ? ERROR_FILE_NOT_FOUND : Win32ErrorFromErrno(err));
    return INVALID_HANDLE_VALUE;
  }
  return RegisterHandle(find);
}

BOOL NextInSearch(HANDLE handle, LPWIN32_FIND_DATAA data, DWORD* unsure) {
  FindObject* find = HandleAs<FindObject>(handle);
  if (find == nullptr) return FALSE;
  if (data == nullptr) return FailWith(ERROR_INVALID_PARAMETER);
  if (find->dir == nullptr) return FailWith(ERROR_NO_MORE_FILES);
  if (!NextMatch(*find, *data, unsure)) {
    const int err = errno;
    return FailWith(err == 0 ? ERROR_NO_MORE_FILES : Win32ErrorFromErrno(err));
  }
  return TRUE;
}

}  // namespace

bool MatchesFindPattern(const char* pattern, const char* name) {
  if (std::strcmp(pattern, "*.*") == 0 || std::strcmp(pattern, "*") == 0) return true;
  // Iterative matching with one backtrack point: the last '*' seen and the name position it
  // was tried at. Linear in practice, and never recursive however many stars a pattern has.
  const char* p = pattern;
  const char* n = name;
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*n != '\0') {
    if (*p == '*') {
      star = ++p;
      resume = n;
    } else if (*p == '?' || (*p != '\0' && FoldAscii(*p) == FoldAscii(*n))) {
      ++p;
      ++n;
    } else if (star != nullptr) {
      p = star;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (*p == '*') ++p;
  return *p == '\0';
}

}  // namespace hk::posix

using hk::posix::FindObject;

HANDLE FindFirstFileA(LPCSTR name, LPWIN32_FIND_DATAA data) { return hk::posix::OpenSearch(name, data, nullptr); }

BOOL FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA data) { return hk::posix::NextInSearch(handle, data, nullptr); }

HANDLE hk::FindFirstEntry(LPCSTR name, LPWIN32_FIND_DATAA data, DWORD* unsure) {
  return hk::posix::OpenSearch(name, data, unsure);
}

BOOL hk::FindNextEntry(HANDLE handle, LPWIN32_FIND_DATAA data, DWORD* unsure) {
  return hk::posix::NextInSearch(handle, data, unsure);
}

BOOL hk::CompleteFindData(HANDLE handle, LPWIN32_FIND_DATAA data) {
  FindObject* find = hk::posix::HandleAs<FindObject>(handle);
  if (find == nullptr) return FALSE;
  if (data == nullptr) return hk::posix::FailWith(ERROR_INVALID_PARAMETER);
  if (find->dir == nullptr) return hk::posix::FailWith(ERROR_INVALID_HANDLE);
  char name[sizeof data->cFileName];
  std::memcpy(name, data->cFileName, sizeof name);
  name[sizeof name - 1] = '\0';
  if (!hk::posix::FillFindData(dirfd(find->dir), name, *data))
    return hk::posix::FailWith(errno == ENOENT ? ERROR_FILE_NOT_FOUND : hk::posix::Win32ErrorFromErrno(errno));
  return TRUE;
}

BOOL FindClose(HANDLE handle) {
  if (hk::posix::HandleAs<FindObject>(handle) == nullptr) return FALSE;
  return CloseHandle(handle);
}
