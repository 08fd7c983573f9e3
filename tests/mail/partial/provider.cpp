// A mail library that lacks its last entry point (MAPIFreeBuffer): binding it must fail and
// leave mail not available. The four it has refuse everything.
#include <hostkit/win32types.h>

#if defined(_WIN32)
#  define PARTIAL_EXPORT extern "C" __declspec(dllexport)
#else
#  define PARTIAL_EXPORT extern "C" __attribute__((visibility("default")))
#endif

PARTIAL_EXPORT ULONG WINAPI MAPILogon(ULONG_PTR, LPSTR, LPSTR, FLAGS, ULONG, LPLHANDLE) {
  return MAPI_E_FAILURE;
}
PARTIAL_EXPORT ULONG WINAPI MAPILogoff(LHANDLE, ULONG_PTR, FLAGS, ULONG) { return MAPI_E_FAILURE; }
PARTIAL_EXPORT ULONG WINAPI MAPISendMail(LHANDLE, ULONG_PTR, lpMapiMessage, FLAGS, ULONG) {
  return MAPI_E_FAILURE;
}
PARTIAL_EXPORT ULONG WINAPI MAPIResolveName(LHANDLE, ULONG_PTR, LPSTR, FLAGS, ULONG, lpMapiRecipDesc*) {
  return MAPI_E_FAILURE;
}
