// The Windows loader enters the library here.
#include "frame/instance.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  return hk::frame::ModuleEntry(instance, reason);
}
