// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#pragma once

#include <hostkit/win32types.h>

// Opens or creates a file. Share modes are kept among the processes that use this library:
// each open takes shared open-file-description locks on marker bytes far past any real data
// that record its access and what it denies, and an open that conflicts with another holder's
// fails with ERROR_SHARING_VIOLATION. Directories cannot be opened (ERROR_ACCESS_DENIED).
// FILE_FLAG_DELETE_ON_CLOSE removes the name when the handle is closed. Attributes other than
// FILE_ATTRIBUTE_READONLY (which creates the file without write permission) are accepted and
// ignored.
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

struct stat;

namespace hk::posix {
// The attribute bits of a file from its status and name.
DWORD AttributesFromStat(const struct ::stat& st, const char* name);
}  // namespace hk::posix
