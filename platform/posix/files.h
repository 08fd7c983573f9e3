// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#pragma once

#include <hostkit/win32types.h>

// The calling convention of system functions bound by address; POSIX has only one.
#define WINAPI

// MoveFileExA flags.
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_WRITE_THROUGH 0x00000008

// Opens or creates a file. A read-only file (see GetFileAttributesA) refuses write access
// with ERROR_ACCESS_DENIED, whoever asks, as on Windows. Share modes are kept among the processes that use this library:
// each open takes shared open-file-description locks on marker bytes far past any real data
// that record its access and what it denies, and an open that conflicts with another holder's
// fails with ERROR_SHARING_VIOLATION. Directories cannot be opened (ERROR_ACCESS_DENIED).
// FILE_FLAG_DELETE_ON_CLOSE removes the name when the handle is closed. Of the attributes a new
// file takes, FILE_ATTRIBUTE_READONLY creates it without write permission and
// FILE_ATTRIBUTE_TEMPORARY with permissions for its owner only (0600); others are ignored.
HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                   DWORD creation, DWORD flags, HANDLE templateFile);
BOOL CloseHandle(HANDLE handle);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, void* overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, void* overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);
BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME access, LPFILETIME write);
BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access,
                 const FILETIME* write);

// Attributes as the library's file system presents them: directories 0x10; read-only when the
// owner lacks the write bit; hidden when the name starts with a dot; regular files carry
// archive (0x20); nothing else gives normal (0x80).
DWORD GetFileAttributesA(LPCSTR name);
// Only FILE_ATTRIBUTE_READONLY has an effect: it clears or restores the write bits.
BOOL SetFileAttributesA(LPCSTR name, DWORD attributes);
BOOL DeleteFileA(LPCSTR name);

// Copies a file's bytes (in the kernel where the system offers it), its read-only attribute
// and its last-write time. With failIfExists the destination is created exclusively, so an
// existing name (a file, a directory or a link) fails with ERROR_FILE_EXISTS even when it
// appears during the call. Otherwise an existing destination is overwritten in place unless it
// is read-only or a directory (ERROR_ACCESS_DENIED) or the source itself
// (ERROR_SHARING_VIOLATION). A copy that fails part-way leaves no destination behind.
BOOL CopyFileA(LPCSTR existing, LPCSTR destination, BOOL failIfExists);
// Renames a file or directory; never replaces an existing destination (ERROR_ALREADY_EXISTS).
// A file moves across file systems by copy and delete; a directory cannot
// (ERROR_NOT_SAME_DEVICE).
BOOL MoveFileA(LPCSTR existing, LPCSTR destination);
// MoveFileA with flags: MOVEFILE_REPLACE_EXISTING replaces a destination file in one step
// (not a directory, a read-only file or one held without FILE_SHARE_DELETE:
// ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION); MOVEFILE_COPY_ALLOWED lets a file move across
// file systems (MoveFileA always allows it); MOVEFILE_WRITE_THROUGH returns only once the
// move is on disk.
BOOL MoveFileExA(LPCSTR existing, LPCSTR destination, DWORD flags);
// Creates one directory (mode 0777 less the umask). ERROR_ALREADY_EXISTS when the name exists,
// ERROR_PATH_NOT_FOUND when its parent does not. Security attributes are ignored.
BOOL CreateDirectoryA(LPCSTR name, LPSECURITY_ATTRIBUTES security);
// Free space of the file system holding the directory (NULL: the current one), from statvfs.
// The cluster form reports 512-byte sectors; counts that do not fit 32 bits are capped at
// 0xFFFFFFFF. The 64-bit form gives the space available to the caller, the total and the free
// space. GetDiskFreeSpaceExA is also reachable as "KERNEL32.DLL"!"GetDiskFreeSpaceExA".
BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                       LPDWORD freeClusters, LPDWORD totalClusters);
BOOL GetDiskFreeSpaceExA(LPCSTR directory, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                         PULARGE_INTEGER totalFree);

struct stat;

namespace hk::posix {
// The attribute bits of a file from its status and name.
DWORD AttributesFromStat(const struct ::stat& st, const char* name);
}  // namespace hk::posix
