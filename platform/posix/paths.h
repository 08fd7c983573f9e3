// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// Directory queries, full path names and drive types. POSIX has no drives: a name such as
// C:\x is a relative name here, and the separator these functions put into names is '/'.
#pragma once

#include <hostkit/win32types.h>

#define DRIVE_UNKNOWN 0
#define DRIVE_NO_ROOT_DIR 1
#define DRIVE_REMOVABLE 2
#define DRIVE_FIXED 3
#define DRIVE_REMOTE 4
#define DRIVE_CDROM 5
#define DRIVE_RAMDISK 6

namespace hk {
// POSIX file systems tell names apart by case.
inline constexpr BOOL kFilesCaseSensitive = TRUE;
}  // namespace hk

// The current directory, without a trailing '/' except at the root. Win32 size convention:
// when it fits (size greater than its length) the characters copied without the NUL;
// otherwise the size needed including the NUL, and the buffer is left alone. 0 on failure.
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);

// The directory for temporary files: $TMPDIR when set and not empty, otherwise /tmp, made a
// full name and always ending in '/'. The directory need not exist. Size convention as
// GetCurrentDirectoryA.
DWORD GetTempPathA(DWORD size, LPSTR buffer);

// Merges a name with the current directory (names not starting with a slash are relative;
// '\' counts as a slash), resolves "." and ".." segments textually (".." stops at the root),
// merges doubled slashes and keeps one trailing slash if the name had one. The file system is
// not consulted. Size convention as GetCurrentDirectoryA; *filePart, when asked for, points at
// the last component in the buffer, or is NULL when the result ends in a slash. An empty name
// fails with ERROR_INVALID_NAME.
DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart);

// The kind of storage a directory lives on, from the file system type that statfs reports:
// network file systems DRIVE_REMOTE, tmpfs and ramfs DRIVE_RAMDISK, ISO 9660 and UDF
// DRIVE_CDROM, a block device the kernel marks removable DRIVE_REMOVABLE, anything else
// DRIVE_FIXED. Any existing directory may be asked about, not only a mount point; a name that
// does not exist or is not a directory gives DRIVE_NO_ROOT_DIR. NULL asks about the current
// directory.
UINT GetDriveTypeA(LPCSTR root);

// The ANSI code page is UTF-8, which has no double-byte characters: no byte is a lead byte.
BOOL IsDBCSLeadByte(BYTE value);
