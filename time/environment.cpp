// Environment queries: the system family, the window station and task bar, the computer's and
// the user's names, a thread's processor time, and a copy cut to whole characters.
#include <hostkit/time.h>

#include "platform/win32.h"

#include <cstring>

namespace {

DWORD PlatformId() {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  // The result is not tested: a failed query leaves platform id 0, which is neither family.
  GetVersionExA(&info);
  return info.dwPlatformId;
}

int64_t FileTimeUnits(const FILETIME& ft) {
  return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

}  // namespace

BOOL IsWinNT() { return PlatformId() == VER_PLATFORM_WIN32_NT ? TRUE : FALSE; }

BOOL IsWin95() { return PlatformId() == VER_PLATFORM_WIN32_WINDOWS ? TRUE : FALSE; }

BOOL IsVisibleFromDesktop() {
  USEROBJECTFLAGS flags;
  std::memset(&flags, 0, sizeof flags);
  DWORD needed = 0;
  // A failed query leaves the flags zero, which reads as not visible.
  GetUserObjectInformationA(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, &needed);
  return flags.dwFlags == WSF_VISIBLE ? TRUE : FALSE;
}

BOOL IsTaskBarAvailable() {
  APPBARDATA data;
  std::memset(&data, 0, sizeof data);
  // The record's own size: 36 bytes in 32-bit processes, more where pointers are wider.
  data.cbSize = sizeof data;
  return SHAppBarMessage(ABM_GETTASKBARPOS, &data) != 0 ? TRUE : FALSE;
}

CString GetThisComputerName() {
  char name[16];
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) name[0] = '\0';
  return CString(name);
}

CString GetThisUserName() {
  char name[256];
  DWORD size = 255;
  if (!GetUserNameA(name, &size)) name[0] = '\0';
  name[255] = '\0';
  return CString(name);
}

DWORD GetThreadTickCount(HANDLE thread) {
  if (thread == nullptr) thread = GetCurrentThread();
  FILETIME creation, exit, kernel, user;
  if (!GetThreadTimes(thread, &creation, &exit, &kernel, &user)) return 0;
  return static_cast<DWORD>((FileTimeUnits(kernel) + FileTimeUnits(user)) / 10000);
}

void CopyToBuffer(const char* text, char* buffer, unsigned int size) {
  if (buffer == nullptr || size == 0) return;  // no room even for the terminating NUL
  if (text == nullptr) {
    buffer[0] = '\0';
    return;
  }
  if (std::strlen(text) < size) {
    std::strcpy(buffer, text);
    return;
  }
  const auto* next = reinterpret_cast<const unsigned char*>(text);
  unsigned int used = 1;  // the terminating NUL
  char* out = buffer;
  while (*next != 0) {
    const unsigned char* after = _mbsinc(next);
    const auto length = static_cast<unsigned int>(after - next);
    if (used + length > size) break;
    std::memcpy(out, next, length);
    out += length;
    used += length;
    next = after;
  }
  *out = '\0';
}
