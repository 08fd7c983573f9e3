// The process-wide binding of the 64-bit free-space query (internal). It is one of the
// library's ordered static objects: created zeroed at load, bound by the first
// CNuFileSystem::GetFreeSpace, released at unload.
#pragma once

#include <hostkit/afx.h>

#include "platform/win32.h"

namespace hk::fs {

using DiskFreeSpaceExFunction = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

struct FreeSpaceBinding {
  BOOL initialised = FALSE;
  HINSTANCE kernel = nullptr;
  DiskFreeSpaceExFunction getDiskFreeSpaceEx = nullptr;

  constexpr FreeSpaceBinding() = default;
  ~FreeSpaceBinding() {
    if (kernel != nullptr) AfxFreeLibrary(kernel);
  }
  FreeSpaceBinding(const FreeSpaceBinding&) = delete;
  FreeSpaceBinding& operator=(const FreeSpaceBinding&) = delete;
};

// Defined among the ordered static objects.
extern FreeSpaceBinding g_freeSpaceBinding;

}  // namespace hk::fs
