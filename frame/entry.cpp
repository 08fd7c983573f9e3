// The module entry point and the library's instance handle.
#include "frame/instance.h"
#include "resources/strings.h"

namespace {
HINSTANCE g_libraryInstance = nullptr;
}

HINSTANCE GetLibraryInstance() { return g_libraryInstance; }

namespace hk::frame {

BOOL ModuleEntry(HINSTANCE instance, DWORD reason) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_libraryInstance = instance;
    RegisterModuleStrings(instance, resources::kLibraryStrings, resources::kLibraryStringCount);
  }
  // Nothing is undone at detach: the string table and the handle stay valid until unload.
  return TRUE;
}

}  // namespace hk::frame
