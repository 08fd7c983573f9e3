// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// System services: the last error and message texts, code pages, string resources, the clock,
// system and user queries.
#pragma once

#include <hostkit/win32types.h>

#include <cstddef>

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

// The ANSI code page of POSIX processes is UTF-8: CP_ACP and CP_UTF8 both mean UTF-8. Win32
// conventions: a size of 0 (or -1 for a NUL-terminated input that includes the NUL) asks for
// the size needed; ERROR_INSUFFICIENT_BUFFER when the output does not fit. Invalid sequences
// become U+FFFD ('?' on the way back).
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out,
                        int outSize);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out,
                        int outSize, LPCSTR defaultChar, BOOL* usedDefault);
int lstrlenA(LPCSTR text);

namespace hk {
struct ModuleString;
}

// String tables are registered per module handle; LoadStringA looks them up. Win32
// conventions: at most size - 1 characters and a NUL are stored, the count (without NUL) is
// returned; 0 for a missing string or module (last error ERROR_RESOURCE_NAME_NOT_FOUND, 1814).
int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size);

namespace hk::posix {

using StringResource = hk::ModuleString;

// Registers (or replaces) the string table of a module. The table must outlive the module.
void RegisterStringTable(HINSTANCE module, const StringResource* table, size_t count);
void UnregisterStringTable(HINSTANCE module);

}  // namespace hk::posix

// The current time as UTC and as local time, to the millisecond.
void GetSystemTime(LPSYSTEMTIME time);
void GetLocalTime(LPSYSTEMTIME time);

// Calendar fields to 100-nanosecond units since 1601 and back. Out-of-range fields (and
// values of 0x8000000000000000 or more) fail with ERROR_INVALID_PARAMETER; the day of week is
// ignored on the way in and computed on the way out.
BOOL SystemTimeToFileTime(const SYSTEMTIME* time, LPFILETIME fileTime);
BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME time);

// Shift a whole value by the local zone's offset in effect now (daylight saving as it stands
// at the moment of the call), whatever date the value holds.
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime);

// Milliseconds since an arbitrary start (system start), wrapping at 2^32.
DWORD GetTickCount();

// System, user and thread queries, and the window-station and task-bar questions, which a POSIX
// system answers by analogy (each declaration says how).


typedef struct _OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
} OSVERSIONINFOA, *LPOSVERSIONINFOA;

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

// Platform id VER_PLATFORM_WIN32_NT (a protected, multi-user system); major, minor and build
// numbers from the kernel release ("6.1.12-..." => 6, 1, 12); an empty service-pack text. The
// size field must be at least sizeof(OSVERSIONINFOA) (ERROR_INSUFFICIENT_BUFFER otherwise).
BOOL GetVersionExA(LPOSVERSIONINFOA info);

typedef struct HWINSTA__* HWINSTA;
typedef struct tagUSEROBJECTFLAGS {
  BOOL fInherit;
  BOOL fReserved;
  DWORD dwFlags;
} USEROBJECTFLAGS, *PUSEROBJECTFLAGS;

#define UOI_FLAGS 1
#define WSF_VISIBLE 1

// The process's window station: one pseudo handle for the whole process.
HWINSTA GetProcessWindowStation();
// Only UOI_FLAGS of the process's window station: not inherited, and the flags WSF_VISIBLE when
// the process can reach a graphical display (DISPLAY or WAYLAND_DISPLAY is set and not empty),
// else 0. Another handle fails with ERROR_INVALID_HANDLE, another index with
// ERROR_INVALID_PARAMETER, a buffer under 12 bytes with ERROR_INSUFFICIENT_BUFFER.
BOOL GetUserObjectInformationA(HANDLE object, int index, LPVOID info, DWORD length, LPDWORD needed);

typedef struct _AppBarData {
  DWORD cbSize;
  HWND hWnd;
  UINT uCallbackMessage;
  UINT uEdge;
  RECT rc;
  LPARAM lParam;
} APPBARDATA, *PAPPBARDATA;

#define ABM_GETTASKBARPOS 5

// There is no task bar the library can ask for: every message answers 0.
UINT_PTR SHAppBarMessage(DWORD message, PAPPBARDATA data);

// The host name up to its first dot. When it does not fit (with its NUL) in *size characters:
// FALSE, ERROR_BUFFER_OVERFLOW, *size = the size needed. On success *size = its length.
BOOL GetComputerNameA(LPSTR buffer, LPDWORD size);

typedef enum _COMPUTER_NAME_FORMAT {
  ComputerNameNetBIOS,
  ComputerNameDnsHostname,
  ComputerNameDnsDomain,
  ComputerNameDnsFullyQualified,
  ComputerNamePhysicalNetBIOS,
  ComputerNamePhysicalDnsHostname,
  ComputerNamePhysicalDnsDomain,
  ComputerNamePhysicalDnsFullyQualified,
  ComputerNameMax
} COMPUTER_NAME_FORMAT;

// ComputerNameDnsHostname: the host name up to its first dot; ComputerNameDnsFullyQualified:
// the host name as the system holds it (with its domain where it was given one). Other formats:
// FALSE, ERROR_INVALID_PARAMETER. When the name does not fit (with its NUL) in *size
// characters: FALSE, ERROR_MORE_DATA, *size = the size needed. On success *size = its length.
BOOL GetComputerNameExA(COMPUTER_NAME_FORMAT format, LPSTR buffer, LPDWORD size);
// The name of the effective user (from the user database). When it does not fit: FALSE,
// ERROR_INSUFFICIENT_BUFFER, *size = the size needed; on success *size = its length plus the
// NUL. A user id the database does not know fails with ERROR_NONE_MAPPED.
BOOL GetUserNameA(LPSTR buffer, LPDWORD size);

// The pseudo handle that stands for the calling thread.
HANDLE GetCurrentThread();
// Kernel and user time of the calling thread (given by its pseudo handle); creation and exit
// times are not kept by POSIX systems and read as 0. Any other handle fails with
// ERROR_INVALID_HANDLE.
BOOL GetThreadTimes(HANDLE thread, LPFILETIME creation, LPFILETIME exit, LPFILETIME kernel, LPFILETIME user);

// The C run time's multi-byte string functions for the process code page, which is UTF-8 on
// POSIX systems.

// The start of the character after the one at 'text': past a whole UTF-8 sequence. A byte that
// does not begin a valid sequence, or a sequence cut short (by its end, the terminating NUL
// included), counts as a character of its own bytes up to the cut, so the result never passes
// a NUL.
unsigned char* _mbsinc(const unsigned char* text);

// Window-manager and resource calls. A POSIX process has no windows and its modules carry no
// menu or bitmap resources: the lookups answer "nothing there" with the Win32 failure results.


HMENU LoadMenuA(HINSTANCE module, LPCSTR name);           // NULL, ERROR_RESOURCE_NAME_NOT_FOUND
HBITMAP LoadBitmapA(HINSTANCE module, LPCSTR name);       // NULL, ERROR_RESOURCE_NAME_NOT_FOUND
BOOL DestroyMenu(HMENU menu);                             // FALSE, ERROR_INVALID_HANDLE
BOOL DeleteObject(HANDLE object);                         // FALSE, ERROR_INVALID_HANDLE
HWND WindowFromPoint(POINT point);                        // NULL
HWND ChildWindowFromPointEx(HWND parent, POINT point, UINT flags);  // NULL
BOOL ScreenToClient(HWND window, LPPOINT point);          // FALSE for a NULL window
DWORD GetWindowContextHelpId(HWND window);                // 0
