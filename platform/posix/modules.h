// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#pragma once

#include <hostkit/win32types.h>

// A module handle is the base address of the loaded object, as on Windows, so that the same
// handle names a module whether it came from LoadLibraryA or from an address inside it.

// Loads a shared object. "MAPI32.DLL" and "NETAPI32.DLL" (any case) name this project's
// provider libraries, looked for in $HOSTKIT_PROVIDER_DIR, then beside the library, then on
// the loader's path. Other names are handed to the loader with '\\' turned into '/'.
// Failure: NULL, last error ERROR_MOD_NOT_FOUND.
HMODULE LoadLibraryA(LPCSTR name);
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// NULL names the executable; otherwise a module already loaded whose file name (or its last
// component) matches without regard to case. Failure: NULL, ERROR_MOD_NOT_FOUND.
HMODULE GetModuleHandleA(LPCSTR name);
// The full file name of a module (NULL: the executable). Win32 conventions: the characters
// copied without NUL; when the buffer is too small the name is cut to size - 1 characters,
// size is returned and the last error is ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

namespace hk::posix {

// Built-in modules answer GetProcAddress from a table instead of the loader (used where the
// library binds one of its own POSIX functions by name, as it would bind a system DLL's).
struct BuiltinExport {
  const char* name;
  FARPROC address;
};
void RegisterBuiltinModule(const char* dllName, const BuiltinExport* exports, size_t count);

}  // namespace hk::posix
