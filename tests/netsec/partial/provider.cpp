// A network API library that lacks its last entry point (NetUserGetInfo): binding it must
// fail, leaving the network API unavailable. None of these is ever called.
#include "platform/posix/net/net.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT NET_API_STATUS NetGetDCName(LPCWSTR, LPCWSTR, LPBYTE*) { return ERROR_CALL_NOT_IMPLEMENTED; }
EXPORT NET_API_STATUS NetApiBufferFree(LPVOID) { return ERROR_CALL_NOT_IMPLEMENTED; }
EXPORT NET_API_STATUS NetQueryDisplayInformation(LPCWSTR, DWORD, DWORD, DWORD, DWORD, LPDWORD, PVOID*) {
  return ERROR_CALL_NOT_IMPLEMENTED;
}
EXPORT NET_API_STATUS NetGroupGetUsers(LPCWSTR, LPCWSTR, DWORD, LPBYTE*, DWORD, LPDWORD, LPDWORD,
                                       DWORD_PTR*) {
  return ERROR_CALL_NOT_IMPLEMENTED;
}
EXPORT NET_API_STATUS NetUserEnum(LPCWSTR, DWORD, DWORD, LPBYTE*, DWORD, LPDWORD, LPDWORD, LPDWORD) {
  return ERROR_CALL_NOT_IMPLEMENTED;
}
EXPORT NET_API_STATUS NetGroupGetInfo(LPCWSTR, LPCWSTR, DWORD, LPBYTE*) { return ERROR_CALL_NOT_IMPLEMENTED; }
