// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#pragma once

#include <hostkit/win32types.h>

// The ANSI code page of POSIX processes is UTF-8: CP_ACP and CP_UTF8 both mean UTF-8. Win32
// conventions: a size of 0 (or -1 for a NUL-terminated input that includes the NUL) asks for
// the size needed; ERROR_INSUFFICIENT_BUFFER when the output does not fit. Invalid sequences
// become U+FFFD ('?' on the way back).
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out,
                        int outSize);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out,
                        int outSize, LPCSTR defaultChar, BOOL* usedDefault);
int lstrlenA(LPCSTR text);
