// Windows side of the drop helper declared in platform/win32.h: the block the shell itself
// hands to a window, ANSI names after a DROPFILES header.
#include "platform/win32.h"

#include <shlobj.h>

#include <cstring>

namespace hk {

HDROP CreateDropHandle(const char* names) {
  size_t length = 0;
  while (names[length] != '\0') length += std::strlen(names + length) + 1;
  // Zeroed, with a second NUL after the list's end: readers of an empty list look one past it.
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + length + 2);
  if (memory == nullptr) return nullptr;
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = FALSE;
  std::memcpy(header + 1, names, length + 1);
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

}  // namespace hk
