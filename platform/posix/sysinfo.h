// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// System, user and thread queries, and the window-station and task-bar questions, which a POSIX
// system answers by analogy (each declaration says how).
#pragma once

#include <hostkit/win32types.h>

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
