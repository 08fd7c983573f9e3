// Windows side of the module helpers declared in platform/win32.h.
#include "platform/win32.h"

namespace hk {

HMODULE ModuleOfAddress(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCSTR>(address), &module))
    return nullptr;
  return module;
}

// Windows modules carry their strings as compiled resources.
void RegisterModuleStrings(HMODULE, const ModuleString*, size_t) {}

const bool kLoaderRunsModuleEntry = true;

}  // namespace hk
