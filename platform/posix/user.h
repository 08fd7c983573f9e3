// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// Window-manager and resource calls. A POSIX process has no windows and its modules carry no
// menu or bitmap resources: the lookups answer "nothing there" with the Win32 failure results.
#pragma once

#include <hostkit/win32types.h>

HMENU LoadMenuA(HINSTANCE module, LPCSTR name);           // NULL, ERROR_RESOURCE_NAME_NOT_FOUND
HBITMAP LoadBitmapA(HINSTANCE module, LPCSTR name);       // NULL, ERROR_RESOURCE_NAME_NOT_FOUND
BOOL DestroyMenu(HMENU menu);                             // FALSE, ERROR_INVALID_HANDLE
BOOL DeleteObject(HANDLE object);                         // FALSE, ERROR_INVALID_HANDLE
HWND WindowFromPoint(POINT point);                        // NULL
HWND ChildWindowFromPointEx(HWND parent, POINT point, UINT flags);  // NULL
BOOL ScreenToClient(HWND window, LPPOINT point);          // FALSE for a NULL window
DWORD GetWindowContextHelpId(HWND window);                // 0
