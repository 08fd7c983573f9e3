// CNuFileMapping: a whole file mapped into memory, read-only or writable.
#include <hostkit/fs.h>
#include <hostkit/frame.h>

#include "platform/faults.h"
#include "platform/win32.h"

CNuFileMapping::CNuFileMapping()
    : m_hFile(INVALID_HANDLE_VALUE), m_hMapping(nullptr), m_dwSize(0), m_pView(nullptr) {}

CNuFileMapping::~CNuFileMapping() {
  // Nothing may leave a destructor; a failure to close is left in the thread's last error.
  try {
    Close();
  } catch (CException* e) {
    e->Delete();
  }
}

void CNuFileMapping::Open(const char* fileName, DWORD writeSize) {
  Close();
  const bool writable = writeSize != 0;
  m_hFile = CreateFileA(fileName, writable ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                        writable ? 0 : FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
  if (m_hFile == INVALID_HANDLE_VALUE) AfxThrowOSException(0xFFFFFFFF);
  m_dwSize = GetFileSize(m_hFile, nullptr);
  if (m_dwSize == 0xFFFFFFFF) AfxThrowOSException(0xFFFFFFFF);
  if (writeSize > m_dwSize) {
    // The high part (0) makes the distance unsigned, so sizes from 2 GiB up grow the file too.
    LONG high = 0;
    const DWORD position = SetFilePointer(m_hFile, static_cast<LONG>(writeSize), &high, FILE_BEGIN);
    if (position != writeSize || high != 0) AfxThrowOSException(0xFFFFFFFF);
    m_dwSize = position;
    // The growth reserves its blocks: a volume without room throws here (disk full) rather than
    // killing the process when the view is written.
    if (!hk::sys::SetEndOfFile(m_hFile)) AfxThrowOSException(0xFFFFFFFF);
  }
  if (m_dwSize == 0) return;
  m_hMapping = CreateFileMappingA(m_hFile, nullptr, writable ? PAGE_READWRITE : PAGE_READONLY, 0, 0,
                                  nullptr);
  if (m_hMapping == nullptr) AfxThrowOSException(0xFFFFFFFF);
  m_pView = MapViewOfFile(m_hMapping, writable ? FILE_MAP_WRITE : FILE_MAP_READ, 0, 0, 0);
  // A mapping without a view would hand out a size with no bytes behind it.
  if (m_pView == nullptr) AfxThrowOSException(0xFFFFFFFF);
}

void CNuFileMapping::GetBuffer(DWORD& size, const void*& data) const {
  size = m_dwSize;
  data = m_pView;
}

void CNuFileMapping::GetBuffer(DWORD& size, void*& data) {
  size = m_dwSize;
  data = m_pView;
}

void CNuFileMapping::Close() {
  DWORD firstError = ERROR_SUCCESS;
  auto note = [&firstError](BOOL ok) {
    if (!ok && firstError == ERROR_SUCCESS) {
      firstError = GetLastError();
      if (firstError == ERROR_SUCCESS) firstError = ERROR_GEN_FAILURE;
    }
  };
  if (m_pView != nullptr) {
    note(UnmapViewOfFile(m_pView));
    m_pView = nullptr;
  }
  if (m_hMapping != nullptr) {
    note(CloseHandle(m_hMapping));
    m_hMapping = nullptr;
  }
  if (m_hFile != INVALID_HANDLE_VALUE) {
    note(CloseHandle(m_hFile));
    m_hFile = INVALID_HANDLE_VALUE;
  }
  if (firstError != ERROR_SUCCESS) {
    SetLastError(firstError);
    AfxThrowOSException(firstError);
  }
}
