// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#pragma once

#include <hostkit/win32types.h>

#include <cstddef>

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
