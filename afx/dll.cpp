// AfxLoadLibrary and AfxFreeLibrary: the loader calls under one lock of the framework.
#include <hostkit/afx/dll.h>

#include "platform/win32.h"

#include <mutex>

namespace {
std::recursive_mutex& LoaderLock() {
  static std::recursive_mutex* lock = new std::recursive_mutex;  // usable during static init
  return *lock;
}
}  // namespace

HINSTANCE AfxLoadLibrary(const char* name) {
  std::lock_guard<std::recursive_mutex> guard(LoaderLock());
  return LoadLibraryA(name);
}

BOOL AfxFreeLibrary(HINSTANCE module) {
  std::lock_guard<std::recursive_mutex> guard(LoaderLock());
  return FreeLibrary(module);
}
