// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// Files and directories: opening, reading and writing, search, mappings, directory queries and
// drive types.
#pragma once

#include <hostkit/win32types.h>

#include <cstddef>
#include <string>

// The calling convention of system functions bound by address; POSIX has only one.
#define WINAPI

// MoveFileExA flags.
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_WRITE_THROUGH 0x00000008

// Opens or creates a file. The open never waits: a FIFO without a writer or a device opens at
// once (reads and writes then wait as the system's do). OPEN_ALWAYS and CREATE_ALWAYS tell an
// existing file from one they create in separate exclusive steps, so a failing call removes only
// a file it made itself, and not even that when the failure is a share conflict with a holder
// that opened the new file meanwhile. A read-only file (see GetFileAttributesA) refuses write access
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

#define FILE_TYPE_UNKNOWN 0x0000
#define FILE_TYPE_DISK 0x0001
#define FILE_TYPE_CHAR 0x0002
#define FILE_TYPE_PIPE 0x0003
// FILE_TYPE_DISK for a regular file only; devices of either kind FILE_TYPE_CHAR; FIFOs and
// sockets FILE_TYPE_PIPE.
DWORD GetFileType(HANDLE file);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, void* overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, void* overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
// Growing a file reserves its blocks (posix_fallocate), as Windows does: a volume without room
// refuses with ERROR_DISK_FULL and the file keeps its size.
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

// Copies a regular file's bytes (in the kernel where the system offers it), its read-only
// attribute and its last-write time. The copy is written to a scratch name beside the
// destination (platform/scratch.h) and renamed over it, synced first when it replaces a file:
// a copy that fails, or a process killed during it, leaves the destination as it was (or
// absent), never part of the new file.
// With failIfExists an existing name (a file, a directory or a link) fails with
// ERROR_FILE_EXISTS, even when it appears during the call. Otherwise an existing destination is
// replaced unless it is read-only or a directory (ERROR_ACCESS_DENIED), the source itself, or
// held by someone who denies writing (ERROR_SHARING_VIOLATION); through a link, the file it
// points at is replaced. A source or destination that is not a regular file (a FIFO, socket or
// device) fails at once with ERROR_OPEN_FAILED: nothing waits for a writer, and no device is
// read without end.
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
// The attribute bits of a file from its status and its native name (or the entry's own name):
// hidden when the part after the last '/' starts with a dot.
DWORD AttributesFromStat(const struct ::stat& st, const char* name);
}  // namespace hk::posix

// Directory search. The last component of the name is a wildcard pattern matched against the
// entries of the directory before it, without regard to ASCII case: '*' matches any run of
// characters (dots included), '?' exactly one, and "*.*" every name, as on Windows. "." and
// ".." are reported like any other entry. Attributes come from the entry's status as
// GetFileAttributesA gives them (a symbolic link reports what it points at; a dangling one
// the link itself); the creation time is the last status change, which is all POSIX keeps.
// An entry's name may hold a backslash, which names built from it cannot address (they fail
// with ERROR_INVALID_NAME, see NativePath).
// Failures: ERROR_PATH_NOT_FOUND when the directory is missing or not a directory,
// ERROR_FILE_NOT_FOUND when no entry matches, ERROR_NO_MORE_FILES at the end of the search;
// an entry whose status cannot be read (a directory that may be listed but not searched) fails
// the call with that error (ERROR_ACCESS_DENIED) rather than being left out.
HANDLE FindFirstFileA(LPCSTR name, LPWIN32_FIND_DATAA data);
BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data);
BOOL FindClose(HANDLE find);

namespace hk {
// The same search in two steps, for a caller that filters by name and kind and needs the rest
// of the find data only for some entries: each costs a status call of its own here. The first
// step fills in the name and the attributes of files and directories from the directory
// alone, sizes and times zero; 'unsure' gets the attribute bits that may still be wrong
// (FILE_ATTRIBUTE_READONLY), or 0 when the data is whole already (other kinds of entry are
// read whole at once). CompleteFindData reads the rest for the entry last handed out; FALSE
// with ERROR_FILE_NOT_FOUND when it has gone meanwhile, or with the error that kept its status. Errors as FindFirstFileA and
// FindNextFileA.
HANDLE FindFirstEntry(LPCSTR name, LPWIN32_FIND_DATAA data, DWORD* unsure);
BOOL FindNextEntry(HANDLE find, LPWIN32_FIND_DATAA data, DWORD* unsure);
BOOL CompleteFindData(HANDLE find, LPWIN32_FIND_DATAA data);
}  // namespace hk

namespace hk::posix {
// The Win32 pattern test FindFirstFileA applies to one entry name.
bool MatchesFindPattern(const char* pattern, const char* name);
}  // namespace hk::posix

typedef size_t SIZE_T;

#define PAGE_READONLY 0x02
#define PAGE_READWRITE 0x04
#define FILE_MAP_WRITE 0x0002
#define FILE_MAP_READ 0x0004
#define ERROR_FILE_INVALID 1006L
#define ERROR_MAPPED_ALIGNMENT 1132L

// File mappings of open files (named and anonymous mappings are not supported: a name, or
// INVALID_HANDLE_VALUE for the file, gives ERROR_INVALID_PARAMETER). A maximum size of 0 maps
// the file as long as it is now; an empty file then fails with ERROR_FILE_INVALID. A larger
// maximum grows a file mapped PAGE_READWRITE to that size, reserving its blocks as SetEndOfFile
// does. PAGE_READWRITE needs a file opened
// for writing (ERROR_ACCESS_DENIED otherwise).
HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES security, DWORD protect,
                          DWORD maximumSizeHigh, DWORD maximumSizeLow, LPCSTR name);
// Views are shared with the file: what is written through a FILE_MAP_WRITE view reaches the
// file. A view stays valid after the mapping handle is closed. Length 0 maps from the offset
// to the end of the mapping; the offset must be a multiple of 65536 (ERROR_MAPPED_ALIGNMENT).
LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes);
// Only the base address MapViewOfFile returned unmaps a view (ERROR_INVALID_ADDRESS otherwise).
BOOL UnmapViewOfFile(LPCVOID base);

// Directory queries, full path names and drive types. POSIX has no drives: a name such as
// C:\x is a relative name here, and the separator these functions put into names is '/'.


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
// network file systems DRIVE_REMOTE (NFS, SMB/CIFS, and FUSE mounts of network kinds such as
// fuse.sshfs, by the mount table), tmpfs and ramfs DRIVE_RAMDISK, ISO 9660 and UDF
// DRIVE_CDROM, a block device the kernel marks removable DRIVE_REMOVABLE, anything else (ext4,
// xfs, btrfs, overlay ...) DRIVE_FIXED. Any existing directory may be asked about, not only a
// mount point; a name that does not exist or is not a directory gives DRIVE_NO_ROOT_DIR. NULL
// asks about the current directory.
UINT GetDriveTypeA(LPCSTR root);

namespace hk {
// The name whose drive type stands for a path's root (the path ends in a slash). An absolute
// POSIX name: its nearest existing directory, whose volume would hold it (/tmp/new/ gives /tmp).
// Anything else follows the drive text rule, its first three characters (C:\).
std::string DriveRootOf(const char* path);
}  // namespace hk

namespace hk::posix {
// The drive type of a file system by its statfs magic number and, for FUSE, the mount table's
// type ("fuse.sshfs"); DRIVE_FIXED for every local kind.
UINT DriveTypeOfFileSystem(unsigned long magic, const std::string& mountType);
}  // namespace hk::posix

// The ANSI code page is UTF-8, which has no double-byte characters: no byte is a lead byte.
BOOL IsDBCSLeadByte(BYTE value);
