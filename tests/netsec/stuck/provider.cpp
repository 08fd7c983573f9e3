// A network API library whose listings keep asking for more data without bringing any entries.
// A caller that does not notice would page for ever; to make that a failure rather than a hang,
// every listing gives in after a hundred such pages and answers success.
#include "platform/posix/net/net.h"

#include <cstdlib>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int kStuckPages = 100;
int g_pages = 0;

// An empty page: a buffer of no records, and ERROR_MORE_DATA until the caller gave up or the
// hundredth page.
NET_API_STATUS EmptyPage(void** buffer) {
  *buffer = std::malloc(16);
  return ++g_pages % kStuckPages == 0 ? NERR_Success : ERROR_MORE_DATA;
}

}  // namespace

EXPORT NET_API_STATUS NetGetDCName(LPCWSTR, LPCWSTR, LPBYTE* buffer) {
  *buffer = nullptr;
  return NERR_DCNotFound;
}

EXPORT NET_API_STATUS NetApiBufferFree(LPVOID buffer) {
  std::free(buffer);
  return NERR_Success;
}

EXPORT NET_API_STATUS NetQueryDisplayInformation(LPCWSTR, DWORD, DWORD, DWORD, DWORD, LPDWORD count,
                                                 PVOID* buffer) {
  *count = 0;
  return EmptyPage(buffer);
}

EXPORT NET_API_STATUS NetGroupGetUsers(LPCWSTR, LPCWSTR, DWORD, LPBYTE* buffer, DWORD, LPDWORD read,
                                       LPDWORD total, DWORD_PTR* resume) {
  *read = 0;
  *total = 1;
  *resume = 1;
  return EmptyPage(reinterpret_cast<void**>(buffer));
}

EXPORT NET_API_STATUS NetUserEnum(LPCWSTR, DWORD, DWORD, LPBYTE* buffer, DWORD, LPDWORD read,
                                  LPDWORD total, LPDWORD resume) {
  *read = 0;
  *total = 1;
  *resume = 1;
  return EmptyPage(reinterpret_cast<void**>(buffer));
}

EXPORT NET_API_STATUS NetGroupGetInfo(LPCWSTR, LPCWSTR, DWORD, LPBYTE* buffer) {
  *buffer = nullptr;
  return NERR_GroupNotFound;
}

EXPORT NET_API_STATUS NetUserGetInfo(LPCWSTR, LPCWSTR, DWORD, LPBYTE* buffer) {
  *buffer = nullptr;
  return NERR_UserNotFound;
}
