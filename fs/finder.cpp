// CNuFileFinder: the library's one directory iterator.
#include <hostkit/frame.h>
#include <hostkit/fs.h>
#include <hostkit/path.h>

#include "platform/win32.h"

#include <cstring>

namespace {

constexpr DWORD kAllAttributes = 0x19A7;

// An entry's attributes as the attribute test sees them: the directory bit does not take part,
// and nothing left over reads as normal.
DWORD Effective(DWORD attributes) {
  attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
  return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}

bool AttributesPass(DWORD effective, DWORD wanted, CNuFileFinder::AttributeMatch match) {
  switch (match) {
    case CNuFileFinder::MatchAny: return (effective & wanted) != 0;
    case CNuFileFinder::MatchAll: return (effective & wanted) == wanted;
    case CNuFileFinder::MatchOnly: return (effective & ~wanted) == 0 && (effective & wanted) != 0;
    case CNuFileFinder::MatchExact: return (effective & ~wanted) == 0 && (effective & wanted) == wanted;
    default: return true;
  }
}

bool IsNonDirectory(CString directory) {
  TrimEndSlash(directory);
  const DWORD attributes = GetFileAttributesA(directory);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsDotEntry(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

}  // namespace

CNuFileFinder::CNuFileFinder() : m_hFind(INVALID_HANDLE_VALUE), m_dwUnsure(0) {
  Reset(nullptr, nullptr, FindFiles | FindDirectories, kAllAttributes, MatchAny, nullptr);
}

CNuFileFinder::CNuFileFinder(const char* directory, const char* pattern, DWORD whatToFind,
                             DWORD attributes, AttributeMatch match, const char* exclusions)
    : m_hFind(INVALID_HANDLE_VALUE), m_dwUnsure(0) {
  Reset(directory, pattern, whatToFind, attributes, match, exclusions);
}

CNuFileFinder::~CNuFileFinder() {
  if (m_hFind != INVALID_HANDLE_VALUE) FindClose(m_hFind);
}

void CNuFileFinder::Reset(const char* directory, const char* pattern, DWORD whatToFind,
                          DWORD attributes, AttributeMatch match, const char* exclusions) {
  if (directory != nullptr) {
    m_strDirectory = directory;
    if (!PathHasEndSlash(m_strDirectory)) AppendEndSlash(m_strDirectory);
  } else {
    GetCurrentPath(m_strDirectory);
  }
  m_strPattern = pattern != nullptr ? pattern : "*.*";
  m_dwWhatToFind = whatToFind;
  m_dwAttributes = Effective(attributes);
  m_match = match;
  m_strExclusions = exclusions != nullptr ? exclusions : "";
  if (m_hFind != INVALID_HANDLE_VALUE) FindClose(m_hFind);
  m_hFind = INVALID_HANDLE_VALUE;
  std::memset(&m_findData, 0, sizeof m_findData);
  m_dwUnsure = 0;
}

BOOL CNuFileFinder::ReadNextEntry() {
  if (m_hFind == INVALID_HANDLE_VALUE) {
    const CString search = m_strDirectory + m_strPattern;
    m_hFind = hk::FindFirstEntry(search, &m_findData, &m_dwUnsure);
    if (m_hFind != INVALID_HANDLE_VALUE) return TRUE;
    switch (GetLastError()) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
      case ERROR_NOT_READY:
      case ERROR_DIRECTORY: return FALSE;
      case ERROR_INVALID_NAME:
        // Some systems refuse a search below a file by its syntax; a name that is not a
        // directory is no error here.
        if (IsNonDirectory(m_strDirectory)) return FALSE;
        SetLastError(ERROR_INVALID_NAME);
        AfxThrowOSException(0xFFFFFFFF);
      default: AfxThrowOSException(0xFFFFFFFF);
    }
  }
  if (hk::FindNextEntry(m_hFind, &m_findData, &m_dwUnsure)) return TRUE;
  if (GetLastError() == ERROR_NO_MORE_FILES) return FALSE;
  AfxThrowOSException(0xFFFFFFFF);
}

BOOL CNuFileFinder::Find(CString& path) {
  while (ReadNextEntry()) {
    const char* name = m_findData.cFileName;
    if (IsDotEntry(name)) continue;
    const bool isDirectory = (m_findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!isDirectory && !(m_dwWhatToFind & FindFiles)) continue;
    if (isDirectory && !(m_dwWhatToFind & FindDirectories)) continue;
    // Bits not known yet are read only when the test's answer depends on them.
    const DWORD attributes = m_findData.dwFileAttributes;
    if (m_dwUnsure != 0 &&
        AttributesPass(Effective(attributes), m_dwAttributes, m_match) !=
            AttributesPass(Effective(attributes | m_dwUnsure), m_dwAttributes, m_match) &&
        !CompleteFindData()) {
      if (GetLastError() == ERROR_FILE_NOT_FOUND) continue;  // gone meanwhile
      AfxThrowOSException(0xFFFFFFFF);
    }
    if (!AttributesPass(Effective(m_findData.dwFileAttributes), m_dwAttributes, m_match)) continue;
    if (!isDirectory && !m_strExclusions.IsEmpty() && NameIsInSpecList(CString(name), m_strExclusions))
      continue;
    path = m_strDirectory + name;
    return TRUE;
  }
  return FALSE;
}

bool CNuFileFinder::CompleteFindData() const {
  if (m_dwUnsure == 0) return true;
  m_dwUnsure = 0;
  return m_hFind != INVALID_HANDLE_VALUE && hk::CompleteFindData(m_hFind, &m_findData);
}

// An entry that went away after it was handed out keeps what was known of it.
CTime CNuFileFinder::LastWriteTime() const {
  CompleteFindData();
  return CTime(m_findData.ftLastWriteTime, -1);
}

DWORD CNuFileFinder::GetAttributes() const {
  CompleteFindData();
  return m_findData.dwFileAttributes;
}

const WIN32_FIND_DATAA& CNuFileFinder::GetFindData() const {
  CompleteFindData();
  return m_findData;
}
