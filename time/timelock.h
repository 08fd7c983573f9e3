// The time lock: guards the last value of the UTC clock. It is one of the library's ordered
// static objects (built before the module entry point runs, destroyed at unload) and is
// defined with them.
#pragma once

#include <hostkit/afx.h>

namespace hk::timeenv {
extern CCriticalSection g_timeLock;
}  // namespace hk::timeenv
