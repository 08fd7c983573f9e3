// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/win32.h"

namespace {
constexpr DWORD kResourceNameNotFound = 1814;
constexpr DWORD kInvalidWindowHandle = 1400;
}  // namespace

HMENU LoadMenuA(HINSTANCE, LPCSTR) {
  SetLastError(kResourceNameNotFound);
  return nullptr;
}

HBITMAP LoadBitmapA(HINSTANCE, LPCSTR) {
  SetLastError(kResourceNameNotFound);
  return nullptr;
}

BOOL DestroyMenu(HMENU) { return hk::posix::FailWith(ERROR_INVALID_HANDLE); }

BOOL DeleteObject(HANDLE) { return hk::posix::FailWith(ERROR_INVALID_HANDLE); }

HWND WindowFromPoint(POINT) { return nullptr; }

HWND ChildWindowFromPointEx(HWND, POINT, UINT) {
  SetLastError(kInvalidWindowHandle);
  return nullptr;
}

BOOL ScreenToClient(HWND window, LPPOINT) {
  // Without windows every point is already in the only coordinate system there is.
  return window == nullptr ? hk::posix::FailWith(kInvalidWindowHandle) : TRUE;
}

DWORD GetWindowContextHelpId(HWND) { return 0; }
