// CNuOSException: a Win32 error code and the system's text for it.
#include <hostkit/frame.h>

#include "platform/win32.h"

IMPLEMENT_DYNAMIC(CNuOSException, CNuException)

CNuOSException::CNuOSException(DWORD error)
    : m_dwError(error == 0xFFFFFFFF ? GetLastError() : error) {}

CNuOSException::~CNuOSException() = default;

BOOL CNuOSException::GetErrorMessage(char* error, UINT maxError, UINT*) {
  if (error == nullptr || maxError == 0) return FALSE;
  error[0] = '\0';
  const DWORD stored = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, m_dwError,
                                      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), error,
                                      maxError - 1, nullptr);
  if (stored == 0) error[0] = '\0';
  return stored != 0 ? TRUE : FALSE;
}

void AfxThrowOSException(DWORD error) {
  // The last error is read inside the constructor, after the allocation, as callers expect.
  throw new CNuOSException(error);
}

void AfxThrowShellException(DWORD shellCode) {
  DWORD error;
  switch (shellCode) {
    case 2: error = ERROR_FILE_NOT_FOUND; break;
    case 3: error = ERROR_PATH_NOT_FOUND; break;
    case 5: error = ERROR_ACCESS_DENIED; break;
    case 11: error = ERROR_BAD_FORMAT; break;
    case 26: error = ERROR_SHARING_VIOLATION; break;
    case 27:
    case 31: error = ERROR_NO_ASSOCIATION; break;
    case 28:
    case 29:
    case 30: error = ERROR_DDE_FAIL; break;
    case 32: error = ERROR_DLL_NOT_FOUND; break;
    default: error = ERROR_NOT_ENOUGH_MEMORY; break;  // 0, 8 and anything unknown
  }
  AfxThrowOSException(error);
}
