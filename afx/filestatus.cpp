// CFile::GetStatus and CFile::SetStatus: a file's times, size, attribute byte and name, read
// and written through the Win32 file API.
#include <hostkit/afx/file.h>

#include "platform/win32.h"

#include <cstring>

namespace {

// Lets the open for reading times take a directory too, where the system allows it; where it
// does not, a directory's status carries no times.
constexpr DWORD kBackupSemantics = 0x02000000;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The attribute the framework has no bit for.
constexpr DWORD kNormal = FILE_ATTRIBUTE_NORMAL;

void CopyName(char (&out)[MAX_PATH], const char* name) {
  out[0] = '\0';
  if (name == nullptr) return;
  std::strncpy(out, name, MAX_PATH - 1);
  out[MAX_PATH - 1] = '\0';
}

// File times are UTC; the record holds them as local CTimes. A time the system leaves empty
// takes the last-write time, as the framework has always filled it in.
void SetTimes(CFileStatus& status, const FILETIME& created, const FILETIME& accessed, const FILETIME& written) {
  status.m_ctime = CTime(created);
  status.m_atime = CTime(accessed);
  status.m_mtime = CTime(written);
  if (status.m_ctime.GetTime() == 0) status.m_ctime = status.m_mtime;
  if (status.m_atime.GetTime() == 0) status.m_atime = status.m_mtime;
}

BYTE AttributeByte(DWORD attributes) { return static_cast<BYTE>(attributes & ~kNormal); }

// A local CTime to a UTC file time: its local calendar fields, shifted by the zone offset in
// force now. A time that has no such fields fails with the system's error.
bool ToFileTime(const CTime& time, FILETIME& out) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(time.GetYear());
  st.wMonth = static_cast<WORD>(time.GetMonth());
  st.wDay = static_cast<WORD>(time.GetDay());
  st.wHour = static_cast<WORD>(time.GetHour());
  st.wMinute = static_cast<WORD>(time.GetMinute());
  st.wSecond = static_cast<WORD>(time.GetSecond());
  st.wMilliseconds = 0;
  FILETIME local;
  return SystemTimeToFileTime(&st, &local) && LocalFileTimeToFileTime(&local, &out);
}

[[noreturn]] void ThrowLastError(const char* name) {
  const LONG error = static_cast<LONG>(GetLastError());
  // A failure that left no code still throws: the caller must not go on as if it worked.
  AfxThrowFileException(CFileException::OsErrorToException(error != 0 ? error : ERROR_GEN_FAILURE),
                        error != 0 ? error : ERROR_GEN_FAILURE, name);
}

bool ApplyAttributes(const char* name, DWORD attributes) {
  return SetFileAttributesA(name, attributes != 0 ? attributes : kNormal) != FALSE;
}

}  // namespace

BOOL CFile::GetStatus(CFileStatus& status) const {
  status = CFileStatus();
  CopyName(status.m_szFullName, m_strFileName);
  if (m_hFile == hFileNull) return TRUE;
  FILETIME created, accessed, written;
  if (!GetFileTime(m_hFile, &created, &accessed, &written)) return FALSE;
  const DWORD size = GetFileSize(m_hFile, nullptr);
  if (size == 0xFFFFFFFF) return FALSE;
  status.m_size = static_cast<LONG>(size);
  if (!m_strFileName.IsEmpty()) {
    // An attribute that cannot be read is not an error here, as it never was.
    const DWORD attributes = GetFileAttributesA(m_strFileName);
    status.m_attribute = attributes == INVALID_FILE_ATTRIBUTES ? 0 : AttributeByte(attributes);
  }
  SetTimes(status, created, accessed, written);
  return TRUE;
}

BOOL CFile::GetStatus(const char* fileName, CFileStatus& status) {
  status = CFileStatus();
  if (fileName == nullptr || *fileName == '\0') return FALSE;
  CopyName(status.m_szFullName, fileName);
  const DWORD attributes = GetFileAttributesA(fileName);
  if (attributes == INVALID_FILE_ATTRIBUTES) return FALSE;
  status.m_attribute = AttributeByte(attributes);
  // Opening without access reads times and size even of a file another holder keeps open.
  HANDLE file = CreateFileA(fileName, 0, kShareAll, nullptr, OPEN_EXISTING, kBackupSemantics, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    // A directory the system will not open still has its attributes.
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  FILETIME created, accessed, written;
  DWORD sizeHigh = 0;
  const BOOL timesRead = GetFileTime(file, &created, &accessed, &written);
  const DWORD size = GetFileSize(file, &sizeHigh);
  CloseHandle(file);
  if (!timesRead) return FALSE;
  status.m_size = (attributes & FILE_ATTRIBUTE_DIRECTORY) || size == 0xFFFFFFFF ? 0 : static_cast<LONG>(size);
  SetTimes(status, created, accessed, written);
  return TRUE;
}

void CFile::SetStatus(const char* fileName, const CFileStatus& status) {
  const DWORD current = GetFileAttributesA(fileName);
  if (current == INVALID_FILE_ATTRIBUTES) ThrowLastError(fileName);
  const DWORD wanted = status.m_attribute;
  const bool changeAttributes = wanted != AttributeByte(current);
  const bool readOnlyNow = (current & FILE_ATTRIBUTE_READONLY) != 0;
  const bool setTimes = status.m_mtime.GetTime() != 0;

  // Times cannot be written while the file is read-only: read-only goes first (straight to
  // the new attributes when they clear it), the times next, the final attributes last.
  bool attributesApplied = false;
  bool readOnlyLifted = false;
  if (readOnlyNow && (changeAttributes || setTimes)) {
    const bool wantedWritable = changeAttributes && !(wanted & FILE_ATTRIBUTE_READONLY);
    if (!setTimes || wantedWritable) {
      if (!ApplyAttributes(fileName, wanted)) ThrowLastError(fileName);
      attributesApplied = true;
    } else {
      if (!ApplyAttributes(fileName, AttributeByte(current) & ~FILE_ATTRIBUTE_READONLY))
        ThrowLastError(fileName);
      readOnlyLifted = true;
    }
  }

  if (setTimes) {
    FILETIME written{}, accessed{}, created{};
    bool ok = ToFileTime(status.m_mtime, written);
    const bool withAccess = status.m_atime.GetTime() != 0;
    const bool withCreation = status.m_ctime.GetTime() != 0;
    if (ok && withAccess) ok = ToFileTime(status.m_atime, accessed);
    if (ok && withCreation) ok = ToFileTime(status.m_ctime, created);
    HANDLE file = INVALID_HANDLE_VALUE;
    if (ok) {
      file = CreateFileA(fileName, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
      ok = file != INVALID_HANDLE_VALUE;
    }
    if (ok) {
      const BOOL timesSet =
          SetFileTime(file, withCreation ? &created : nullptr, withAccess ? &accessed : nullptr, &written);
      const DWORD error = GetLastError();
      const BOOL closed = CloseHandle(file);
      ok = timesSet && closed;
      if (!timesSet) SetLastError(error);
    }
    if (!ok) {
      // Leave the file as it was found rather than half changed.
      const DWORD error = GetLastError();
      if (readOnlyLifted || attributesApplied) ApplyAttributes(fileName, AttributeByte(current));
      SetLastError(error);
      ThrowLastError(fileName);
    }
  }

  if (readOnlyLifted || (changeAttributes && !attributesApplied)) {
    if (!ApplyAttributes(fileName, changeAttributes ? wanted : AttributeByte(current))) ThrowLastError(fileName);
  }
}
