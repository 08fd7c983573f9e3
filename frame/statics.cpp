// The library's static objects whose order of construction matters, all in this one
// translation unit so that the order below is the order they are built in (and the reverse the
// order they are destroyed in at unload):
//   1. the free-space binding of the file store (zeroed; binds on first use)
//   2. the network API holder, which loads and binds its library at once
//   3. the registry's DEFAULT_STRING
//   4. the mail API holder, which loads and binds its library at once
//   5. the time lock
// Then the module entry point runs; until then the instance handle is NULL, so no constructor
// above may load one of the library's strings.
//
// This file is compiled separately into the shared and the static library: where the system
// loader enters a shared library itself (Windows), the entry point is left to it.
#include "frame/instance.h"
#include "fs/freespace.h"

// 1. the free-space binding of the file store
hk::fs::FreeSpaceBinding hk::fs::g_freeSpaceBinding;

// 2. The network API holder: built, its destruction registered for unload, then loaded.
#include "netsec/netapi.h"
CNuNetAPI CNuNetAPI::s_api;
static const BOOL g_bNetAPILoaded = CNuNetAPI::Load();

#include <hostkit/registry.h>

// 3. the registry's DEFAULT_STRING
const CString CNuRegistry::DEFAULT_STRING;

#include <hostkit/mail.h>

// 4. The mail API holder: constructed, then its library loaded and bound at once.
CNuMAPI CNuMAPI::s_instance;
BOOL CNuMAPI::s_bLoaded = CNuMAPI::s_instance.LoadAPILibrary("MAPI32.DLL");

#include "time/timelock.h"

// 5. the time lock
CCriticalSection hk::timeenv::g_timeLock;

namespace {

#if defined(HOSTKIT_SHARED_MODULE)
constexpr bool kSharedModule = true;
#else
constexpr bool kSharedModule = false;
#endif

struct EntryAfterStatics {
  EntryAfterStatics() {
    if (!(kSharedModule && hk::kLoaderRunsModuleEntry))
      hk::frame::ModuleEntry(hk::ModuleOfAddress(reinterpret_cast<const void*>(&GetLibraryInstance)),
                             DLL_PROCESS_ATTACH);
  }
};

EntryAfterStatics g_entry;

}  // namespace
