// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// The registry. Each predefined root lives in one SQLite database file:
//   HKEY_CURRENT_USER   $XDG_CONFIG_HOME/hostkit/HKEY_CURRENT_USER.db   (~/.config when unset),
//                       mode 0600 in a directory of mode 0700
//   HKEY_LOCAL_MACHINE  <first of $XDG_CONFIG_DIRS>/hostkit/HKEY_LOCAL_MACHINE.db (/etc/xdg when
//                       unset), mode 0644
// HOSTKIT_REGISTRY_DIR, when set, puts both files in that directory instead. The variable is
// read whenever a predefined root is used, so a process may switch stores; handles opened
// earlier stay with the store they were opened in.
//
// Differences from Windows, all deliberate:
// - The functions return their Win32 code and leave the last error alone, as on Windows.
// - Only HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE exist; other predefined keys answer
//   ERROR_INVALID_HANDLE. Access rights, security attributes and key classes are accepted and
//   ignored: the files' permissions decide who may read and write.
// - Names compare without regard to ASCII case (other bytes compare exactly) and keep the case
//   they were created with; sub-keys and values enumerate in that case-insensitive order.
// - A key name component is at most 255 bytes (ERROR_INVALID_PARAMETER beyond), a value name
//   at most 16,383 (ERROR_INVALID_PARAMETER when writing, ERROR_FILE_NOT_FOUND when reading).
// - Values keep their type and bytes exactly; strings are the caller's bytes, never converted
//   or expanded.
// - Nothing is opened before the first call that needs a root. Reads of a store that does not
//   exist yet answer as an empty registry and create nothing; the first write creates it.
// - A store file that is not one of ours (garbage, another program's database) makes every
//   call fail with ERROR_BADDB and is never written to; one of ours damaged inside answers
//   ERROR_BADDB wherever a call meets the damage, and to every write.
// - A store this process may read but not write (the file or its folder is not writable to it)
//   is read as it stands, whether or not a writer has it open; writes answer
//   ERROR_ACCESS_DENIED.
// - Writes from several processes are serialised; a busy store is waited for (up to 30 s,
//   then ERROR_BUSY). Every write is one transaction and survives the writing process being
//   killed once it has returned ERROR_SUCCESS; RegFlushKey also makes it survive a power loss.
#pragma once

#include <hostkit/win32types.h>

#ifndef ERROR_BAD_PATHNAME
#  define ERROR_BAD_PATHNAME 161L
#endif

// Opens a sub-key. A NULL or empty name gives a new handle to the key itself (for a predefined
// root, the root's own handle). A name starting with '\' is ERROR_BAD_PATHNAME; empty
// components and a trailing '\' are skipped.
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, DWORD access, PHKEY result);
// Opens a sub-key, creating it and any missing keys on its path. Only
// REG_OPTION_NON_VOLATILE keys exist: other options are accepted and the key is kept as usual.
// In a store this process may not write, an existing key opens as for reading and a missing
// one is ERROR_ACCESS_DENIED.
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                     DWORD access, LPSECURITY_ATTRIBUTES security, PHKEY result,
                     LPDWORD disposition);
LONG RegCloseKey(HKEY key);
// Deletes a key that has no sub-keys (ERROR_ACCESS_DENIED otherwise), with its values. An
// empty name deletes the key itself; a root cannot be deleted.
LONG RegDeleteKeyA(HKEY key, LPCSTR subKey);
LONG RegDeleteValueA(HKEY key, LPCSTR valueName);
// Sub-keys by index in case-insensitive name order. A name buffer too small for the name and
// its terminator gives ERROR_MORE_DATA and leaves the count as it was. Keys have no class: a
// class buffer receives "".
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                   LPSTR keyClass, LPDWORD classSize, PFILETIME lastWrite);
// Values by index in case-insensitive name order. ERROR_MORE_DATA when the name or the data
// does not fit; dataSize then holds the size of the data.
LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                   LPDWORD type, LPBYTE data, LPDWORD dataSize);
// Forces everything written to the key's store so far onto the disk.
LONG RegFlushKey(HKEY key);
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize);
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataSize);
