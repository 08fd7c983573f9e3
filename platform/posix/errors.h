// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#pragma once

#include <hostkit/win32types.h>

// Per-thread last error, as on Windows.
DWORD GetLastError();
void SetLastError(DWORD code);

// Writes the system text of a Win32 error code. Only FORMAT_MESSAGE_FROM_SYSTEM (optionally with
// FORMAT_MESSAGE_IGNORE_INSERTS) is supported: source, language and arguments are ignored. Texts
// end in "\r\n" as the system's do. Returns the characters stored, or 0 (last error 317) when
// there is no text for the code or the buffer cannot hold it.
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer,
                     DWORD size, void* arguments);

namespace hk::posix {

// The one mapping from errno values to Win32 error codes.
DWORD Win32ErrorFromErrno(int err);

// Sets the last error from an errno value and returns FALSE, for "return Fail(errno);".
BOOL FailWithErrno(int err);

// Sets the last error to a Win32 code and returns FALSE.
BOOL FailWith(DWORD code);

// The text of a Win32 code, or nullptr when the POSIX layer has none.
const char* SystemMessageText(DWORD code);

}  // namespace hk::posix
