// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#pragma once

#include <hostkit/win32types.h>

// Directory search. The last component of the name is a wildcard pattern matched against the
// entries of the directory before it, without regard to ASCII case: '*' matches any run of
// characters (dots included), '?' exactly one, and "*.*" every name, as on Windows. "." and
// ".." are reported like any other entry. Attributes come from the entry's status as
// GetFileAttributesA gives them (a symbolic link reports what it points at; a dangling one
// the link itself); the creation time is the last status change, which is all POSIX keeps.
// Failures: ERROR_PATH_NOT_FOUND when the directory is missing or not a directory,
// ERROR_FILE_NOT_FOUND when no entry matches, ERROR_NO_MORE_FILES at the end of the search.
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
// with ERROR_FILE_NOT_FOUND when it has gone meanwhile. Errors as FindFirstFileA and
// FindNextFileA.
HANDLE FindFirstEntry(LPCSTR name, LPWIN32_FIND_DATAA data, DWORD* unsure);
BOOL FindNextEntry(HANDLE find, LPWIN32_FIND_DATAA data, DWORD* unsure);
BOOL CompleteFindData(HANDLE find, LPWIN32_FIND_DATAA data);
}  // namespace hk

namespace hk::posix {
// The Win32 pattern test FindFirstFileA applies to one entry name.
bool MatchesFindPattern(const char* pattern, const char* name);
}  // namespace hk::posix
