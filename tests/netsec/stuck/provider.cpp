// A network API library whose listings keep asking for more data without bringing any entries.
// A caller that does not notice would page for ever; to make that a failure rather than a hang,
// every listing gives in after a hundred such pages and answers success.
#include "platform/posix/net/net.h"

#include <cstdlib>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

int g_pages = 0;

// An empty page: a buffer of no records, and ERROR_MORE_DATA until the hundredth page.
NET_API_STATUS EmptyPage(void* buffer, LPDWORD read, LPDWORD total = nullptr, void* resume = nullptr) {
  *static_cast<void**>(buffer) = std::malloc(16);
  *read = 0;
  if (total != nullptr) *total = 1;
  if (resume != nullptr) *static_cast<DWORD*>(resume) = 1;
  return ++g_pages % 100 == 0 ? NERR_Success : ERROR_MORE_DATA;
}

}  // namespace

EXPORT NET_API_STATUS NetApiBufferFree(LPVOID buffer) {
  std::free(buffer);
  return NERR_Success;
}
EXPORT NET_API_STATUS NetQueryDisplayInformation(LPCWSTR, DWORD, DWORD, DWORD, DWORD, LPDWORD count, PVOID* buffer) {
  return EmptyPage(buffer, count);
}
EXPORT NET_API_STATUS NetGroupGetUsers(LPCWSTR, LPCWSTR, DWORD, LPBYTE* buffer, DWORD, LPDWORD read, LPDWORD total,
                                       DWORD_PTR* resume) {
  *resume = 1;
  return EmptyPage(buffer, read, total);
}
EXPORT NET_API_STATUS NetUserEnum(LPCWSTR, DWORD, DWORD, LPBYTE* buffer, DWORD, LPDWORD read, LPDWORD total,
                                  LPDWORD resume) {
  return EmptyPage(buffer, read, total, resume);
}
EXPORT NET_API_STATUS NetGetDCName(LPCWSTR, LPCWSTR, LPBYTE*) { return NERR_DCNotFound; }
EXPORT NET_API_STATUS NetGroupGetInfo(LPCWSTR, LPCWSTR, DWORD, LPBYTE*) { return NERR_GroupNotFound; }
EXPORT NET_API_STATUS NetUserGetInfo(LPCWSTR, LPCWSTR, DWORD, LPBYTE*) { return NERR_UserNotFound; }
