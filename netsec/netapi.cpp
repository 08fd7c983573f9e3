// CNuNetAPI: binding the network API library's seven entry points.
#include "netsec/netapi.h"

namespace {

// Looks one entry point up; false when the library lacks it.
template <typename F>
bool Bind(HINSTANCE library, const char* name, F& field) {
  field = reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
  return field != nullptr;
}

}  // namespace

CNuNetAPI::CNuNetAPI()
    : m_pfnNetGetDCName(nullptr),
      m_pfnNetApiBufferFree(nullptr),
      m_pfnNetQueryDisplayInformation(nullptr),
      m_pfnNetGroupGetUsers(nullptr),
      m_pfnNetUserEnum(nullptr),
      m_pfnNetGroupGetInfo(nullptr),
      m_pfnNetUserGetInfo(nullptr) {}

CNuNetAPI::~CNuNetAPI() = default;

BOOL CNuNetAPI::Load() { return s_api.LoadAPILibrary("NETAPI32.DLL"); }

BOOL CNuNetAPI::IsAvailable() { return s_api.CNuBaseAPI::IsAvailable(); }

BOOL CNuNetAPI::LoadEntryPoints() {
  // In this order; the first one missing makes the whole API unavailable.
  return Bind(m_hLibrary, "NetGetDCName", m_pfnNetGetDCName) &&
         Bind(m_hLibrary, "NetApiBufferFree", m_pfnNetApiBufferFree) &&
         Bind(m_hLibrary, "NetQueryDisplayInformation", m_pfnNetQueryDisplayInformation) &&
         Bind(m_hLibrary, "NetGroupGetUsers", m_pfnNetGroupGetUsers) &&
         Bind(m_hLibrary, "NetUserEnum", m_pfnNetUserEnum) &&
         Bind(m_hLibrary, "NetGroupGetInfo", m_pfnNetGroupGetInfo) &&
         Bind(m_hLibrary, "NetUserGetInfo", m_pfnNetUserGetInfo);
}

NET_API_STATUS CNuNetAPI::NetGetDCName(LPCWSTR server, LPCWSTR domain, LPBYTE* buffer) {
  return s_api.m_pfnNetGetDCName(server, domain, buffer);
}

NET_API_STATUS CNuNetAPI::NetApiBufferFree(LPVOID buffer) {
  return s_api.m_pfnNetApiBufferFree(buffer);
}

NET_API_STATUS CNuNetAPI::NetQueryDisplayInformation(LPCWSTR server, DWORD level, DWORD index,
                                                     DWORD entriesRequested,
                                                     DWORD preferredMaximumLength,
                                                     LPDWORD returnedEntryCount,
                                                     PVOID* sortedBuffer) {
  return s_api.m_pfnNetQueryDisplayInformation(server, level, index, entriesRequested,
                                               preferredMaximumLength, returnedEntryCount,
                                               sortedBuffer);
}

NET_API_STATUS CNuNetAPI::NetGroupGetUsers(LPCWSTR server, LPCWSTR group, DWORD level,
                                           LPBYTE* buffer, DWORD preferredMaximumLength,
                                           LPDWORD entriesRead, LPDWORD totalEntries,
                                           DWORD_PTR* resumeHandle) {
  return s_api.m_pfnNetGroupGetUsers(server, group, level, buffer, preferredMaximumLength,
                                     entriesRead, totalEntries, resumeHandle);
}

NET_API_STATUS CNuNetAPI::NetUserEnum(LPCWSTR server, DWORD level, DWORD filter, LPBYTE* buffer,
                                      DWORD preferredMaximumLength, LPDWORD entriesRead,
                                      LPDWORD totalEntries, LPDWORD resumeHandle) {
  return s_api.m_pfnNetUserEnum(server, level, filter, buffer, preferredMaximumLength, entriesRead,
                                totalEntries, resumeHandle);
}

NET_API_STATUS CNuNetAPI::NetGroupGetInfo(LPCWSTR server, LPCWSTR group, DWORD level,
                                          LPBYTE* buffer) {
  return s_api.m_pfnNetGroupGetInfo(server, group, level, buffer);
}

NET_API_STATUS CNuNetAPI::NetUserGetInfo(LPCWSTR server, LPCWSTR user, DWORD level,
                                         LPBYTE* buffer) {
  return s_api.m_pfnNetUserGetInfo(server, user, level, buffer);
}
