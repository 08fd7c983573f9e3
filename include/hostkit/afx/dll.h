// Guarded run-time loading of libraries: one global lock around the loader calls.
#pragma once

#include <hostkit/config.h>
#include <hostkit/win32types.h>

HOSTKIT_API HINSTANCE AfxLoadLibrary(const char* name);
HOSTKIT_API BOOL AfxFreeLibrary(HINSTANCE module);
