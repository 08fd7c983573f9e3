// Path-string primitives: slashes, splitting, absolute names, and the directories the system
// knows (current, temporary, the executable's).
#include <hostkit/frame.h>
#include <hostkit/path.h>

#include "path/internal.h"
#include "platform/win32.h"

#include <vector>

namespace {

bool IsSlash(char c) { return c == '\\' || c == '/'; }

// Walks a multi-byte string one character at a time, calling visit with the offset of every
// single-byte character, so that the second byte of a double-byte character is never taken
// for a slash or a dot.
template <typename Visit>
void ForEachSingleByte(const char* text, Visit visit) {
  for (size_t i = 0; text[i] != '\0';) {
    if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && text[i + 1] != '\0') {
      i += 2;
      continue;
    }
    visit(i);
    ++i;
  }
}

constexpr int kMaxPart = 255;  // longest base name or extension a split keeps

CString Cut(const char* text, size_t length) {
  return CString(text, static_cast<int>(length < kMaxPart ? length : kMaxPart));
}

// Asks a system directory query into a buffer of the customary size, and again with the size
// the system says it needs should the name be longer. 0 from the query throws with the last
// error.
template <typename Query>
CString QueryDirectory(DWORD initialSize, Query query) {
  std::vector<char> buffer(initialSize);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD result = query(size, buffer.data());
    if (result == 0) AfxThrowOSException(0xFFFFFFFF);
    if (result < size) return CString(buffer.data(), static_cast<int>(result));
    buffer.resize(result + 1);
  }
}

}  // namespace

namespace hk::path {

SplitName SplitPathName(const char* path) {
  SplitName split;
  const char* rest = path;
  if (path[0] != '\0' && path[1] == ':') {
    split.drive = CString(path, 2);
    rest = path + 2;
  }
  size_t length = 0;
  size_t afterSlash = 0;  // where the name after the last slash starts
  const char* lastDot = nullptr;
  ForEachSingleByte(rest, [&](size_t i) {
    if (IsSlash(rest[i])) afterSlash = i + 1;
    if (rest[i] == '.') lastDot = rest + i;
  });
  while (rest[length] != '\0') ++length;
  const char* name = rest + afterSlash;
  const char* end = rest + length;
  const char* extension = lastDot != nullptr && lastDot >= name ? lastDot : end;
  // The directory part is kept whole: a name of legal length may have a directory part longer
  // than any one component, and a cut one would name another directory.
  split.directory = CString(rest, static_cast<int>(afterSlash));
  split.base = Cut(name, static_cast<size_t>(extension - name));
  split.extension = Cut(extension, static_cast<size_t>(end - extension));
  return split;
}

}  // namespace hk::path

char* FindLastSlash(const char* path) {
  const char* last = nullptr;
  ForEachSingleByte(path, [&](size_t i) {
    if (IsSlash(path[i])) last = path + i;
  });
  return const_cast<char*>(last);
}

int PathHasEndSlash(const char* path) {
  const char* slash = FindLastSlash(path);
  return slash != nullptr && slash[1] == '\0' ? TRUE : FALSE;
}

void AppendEndSlash(CString& path) { path += hk::kPathSeparator; }

void TrimEndSlash(CString& path) {
  if (PathHasEndSlash(path)) path = path.Left(path.GetLength() - 1);
}

void SeparatePathAndFile(const char* fullPath, CString& directory, CString& file) {
  const hk::path::SplitName split = hk::path::SplitPathName(fullPath);
  directory = split.drive + split.directory;
  file = split.base + split.extension;
}

int IsAbsolutePath(const CString& path) {
  if (path.IsEmpty()) return FALSE;
  const char first = path[0];
  if (IsSlash(first)) return TRUE;
  const bool letter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
  return path.GetLength() >= 2 && letter && path[1] == ':' ? TRUE : FALSE;
}

int GetFilesCaseSensitive() { return hk::kFilesCaseSensitive; }

void GetCurrentPath(CString& path) {
  CString current = QueryDirectory(MAX_PATH + 1, [](DWORD size, char* buffer) {
    return GetCurrentDirectoryA(size, buffer);
  });
  AppendEndSlash(current);
  path = current;
}

void GetTemporaryPath(CString& path) {
  CString temporary = QueryDirectory(MAX_PATH + 1, [](DWORD size, char* buffer) {
    return GetTempPathA(size, buffer);
  });
  AppendEndSlash(temporary);
  path = temporary;
}

void GetAppPath(CString& path) {
  // A module name that fills the buffer has been cut short; ask again with more room.
  std::vector<char> buffer(MAX_PATH);
  DWORD length;
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    length = GetModuleFileNameA(nullptr, buffer.data(), size);
    if (length == 0) AfxThrowOSException(0xFFFFFFFF);
    if (length < size) break;
    buffer.resize(buffer.size() * 2);
  }
  buffer[length] = '\0';
  if (char* slash = FindLastSlash(buffer.data())) slash[1] = '\0';
  path = buffer.data();
}

int IsDir(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return FALSE;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? TRUE : FALSE;
}

int IsFile(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FALSE;
  // Only a regular file is a file: a pipe or a device that opens would be read without end or
  // wait for a writer.
  const BOOL regular = GetFileType(file) == FILE_TYPE_DISK ? TRUE : FALSE;
  CloseHandle(file);
  return regular;
}
