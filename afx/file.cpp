// CFile over the Win32 file API.
#include <hostkit/afx/file.h>

#include "platform/faults.h"
#include "platform/win32.h"

IMPLEMENT_DYNAMIC(CFile, CObject)

const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

namespace {

DWORD AccessOf(UINT flags) {
  switch (flags & 3) {
    case CFile::modeWrite: return GENERIC_WRITE;
    case CFile::modeReadWrite: return GENERIC_READ | GENERIC_WRITE;
    default: return GENERIC_READ;
  }
}

// Compatibility sharing, like exclusive sharing, lets nobody else in.
DWORD ShareOf(UINT flags) {
  switch (flags & 0x70) {
    case CFile::shareDenyWrite: return FILE_SHARE_READ;
    case CFile::shareDenyRead: return FILE_SHARE_WRITE;
    case CFile::shareDenyNone: return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default: return 0;
  }
}

DWORD CreationOf(UINT flags) {
  if (flags & CFile::modeCreate) return (flags & CFile::modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
  return OPEN_EXISTING;
}

[[noreturn]] void ThrowLastError(const CString& name) {
  const LONG error = static_cast<LONG>(GetLastError());
  AfxThrowFileException(CFileException::OsErrorToException(error), error, name);
}

}  // namespace

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(HANDLE file) : m_hFile(file), m_bCloseOnDelete(FALSE) {}

CFile::CFile(const char* fileName, UINT openFlags) : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {
  CFileException error;
  if (!Open(fileName, openFlags, &error))
    AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CFile::~CFile() {
  if (m_hFile != hFileNull && m_bCloseOnDelete) Abort();
}

BOOL CFile::Open(const char* fileName, UINT openFlags, CFileException* error) {
  m_bCloseOnDelete = FALSE;
  m_hFile = hFileNull;
  // The file keeps its full name (GetFilePath, GetStatus); errors report the name as given.
  m_strFileName = fileName;
  char fullName[MAX_PATH];
  const DWORD length = fileName != nullptr ? GetFullPathNameA(fileName, MAX_PATH, fullName, nullptr) : 0;
  if (length != 0 && length < MAX_PATH) m_strFileName = fullName;
  HANDLE h = CreateFileA(fileName, AccessOf(openFlags), ShareOf(openFlags), nullptr,
                         CreationOf(openFlags), FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    if (error != nullptr) {
      error->m_lOsError = static_cast<LONG>(GetLastError());
      error->m_cause = CFileException::OsErrorToException(error->m_lOsError);
      error->m_strFileName = fileName;
    }
    return FALSE;
  }
  m_hFile = h;
  m_bCloseOnDelete = TRUE;
  return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
  if (count == 0) return 0;
  DWORD read = 0;
  if (!ReadFile(m_hFile, buffer, count, &read, nullptr)) ThrowLastError(m_strFileName);
  return read;
}

void CFile::Write(const void* buffer, UINT count) {
  if (count == 0) return;
  DWORD written = 0;
  if (!hk::sys::WriteFile(m_hFile, buffer, count, &written)) ThrowLastError(m_strFileName);
  // A short write without an error means the disk filled up.
  if (written != count) AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
}

LONG CFile::Seek(LONG offset, UINT from) {
  const DWORD position = SetFilePointer(m_hFile, offset, nullptr, from);
  if (position == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) ThrowLastError(m_strFileName);
  return static_cast<LONG>(position);
}

DWORD CFile::GetPosition() const {
  const DWORD position = SetFilePointer(m_hFile, 0, nullptr, FILE_CURRENT);
  if (position == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) ThrowLastError(m_strFileName);
  return position;
}

DWORD CFile::GetLength() const {
  const DWORD size = GetFileSize(m_hFile, nullptr);
  if (size == 0xFFFFFFFF && GetLastError() != NO_ERROR) ThrowLastError(m_strFileName);
  return size;
}

void CFile::SetLength(DWORD newLength) {
  Seek(static_cast<LONG>(newLength), begin);
  if (!SetEndOfFile(m_hFile)) ThrowLastError(m_strFileName);
}

void CFile::Flush() {
  if (m_hFile != hFileNull && !FlushFileBuffers(m_hFile)) ThrowLastError(m_strFileName);
}

void CFile::Close() {
  BOOL ok = TRUE;
  if (m_hFile != hFileNull) ok = CloseHandle(m_hFile);
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
  if (!ok) ThrowLastError(m_strFileName);
}

void CFile::Abort() {
  if (m_hFile != hFileNull) CloseHandle(m_hFile);
  m_hFile = hFileNull;
  m_bCloseOnDelete = FALSE;
}
