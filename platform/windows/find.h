// Directory search in two steps, as the finder uses it. The system's search hands out every
// entry's find data whole, so here the first step is the whole search and nothing is unsure.
#pragma once

#include <windows.h>

namespace hk {

inline HANDLE FindFirstEntry(LPCSTR name, LPWIN32_FIND_DATAA data, DWORD* unsure) {
  *unsure = 0;
  return ::FindFirstFileA(name, data);
}

inline BOOL FindNextEntry(HANDLE find, LPWIN32_FIND_DATAA data, DWORD* unsure) {
  *unsure = 0;
  return ::FindNextFileA(find, data);
}

inline BOOL CompleteFindData(HANDLE, LPWIN32_FIND_DATAA) { return TRUE; }

}  // namespace hk
