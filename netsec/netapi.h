// CNuNetAPI: the system's network API library ("NETAPI32.DLL"), loaded at library start-up and
// bound by name, so that the library still loads on systems without it. Internal.
#pragma once

#include <hostkit/frame.h>

#include "platform/win32.h"

class CNuNetAPI : public CNuBaseAPI {
 public:
  typedef NET_API_STATUS(NET_API_FUNCTION* PFNNETGETDCNAME)(LPCWSTR server, LPCWSTR domain,
                                                            LPBYTE* buffer);
  typedef NET_API_STATUS(NET_API_FUNCTION* PFNNETAPIBUFFERFREE)(LPVOID buffer);
  typedef NET_API_STATUS(NET_API_FUNCTION* PFNNETQUERYDISPLAYINFORMATION)(
      LPCWSTR server, DWORD level, DWORD index, DWORD entriesRequested, DWORD preferredMaximumLength,
      LPDWORD returnedEntryCount, PVOID* sortedBuffer);
  typedef NET_API_STATUS(NET_API_FUNCTION* PFNNETGROUPGETUSERS)(
      LPCWSTR server, LPCWSTR group, DWORD level, LPBYTE* buffer, DWORD preferredMaximumLength,
      LPDWORD entriesRead, LPDWORD totalEntries, DWORD_PTR* resumeHandle);
  typedef NET_API_STATUS(NET_API_FUNCTION* PFNNETUSERENUM)(
      LPCWSTR server, DWORD level, DWORD filter, LPBYTE* buffer, DWORD preferredMaximumLength,
      LPDWORD entriesRead, LPDWORD totalEntries, LPDWORD resumeHandle);
  typedef NET_API_STATUS(NET_API_FUNCTION* PFNNETGROUPGETINFO)(LPCWSTR server, LPCWSTR group,
                                                               DWORD level, LPBYTE* buffer);
  typedef NET_API_STATUS(NET_API_FUNCTION* PFNNETUSERGETINFO)(LPCWSTR server, LPCWSTR user,
                                                              DWORD level, LPBYTE* buffer);

  ~CNuNetAPI() override;

  // Loads "NETAPI32.DLL" into the one holder of the process; called once, at start-up.
  static BOOL Load();
  // TRUE exactly when the library was loaded and all seven entry points bound.
  static BOOL IsAvailable();

  // Forwarders to the bound functions; callable only while IsAvailable() is TRUE.
  static NET_API_STATUS NetGetDCName(LPCWSTR server, LPCWSTR domain, LPBYTE* buffer);
  static NET_API_STATUS NetApiBufferFree(LPVOID buffer);
  static NET_API_STATUS NetQueryDisplayInformation(LPCWSTR server, DWORD level, DWORD index,
                                                   DWORD entriesRequested,
                                                   DWORD preferredMaximumLength,
                                                   LPDWORD returnedEntryCount, PVOID* sortedBuffer);
  static NET_API_STATUS NetGroupGetUsers(LPCWSTR server, LPCWSTR group, DWORD level, LPBYTE* buffer,
                                         DWORD preferredMaximumLength, LPDWORD entriesRead,
                                         LPDWORD totalEntries, DWORD_PTR* resumeHandle);
  static NET_API_STATUS NetUserEnum(LPCWSTR server, DWORD level, DWORD filter, LPBYTE* buffer,
                                    DWORD preferredMaximumLength, LPDWORD entriesRead,
                                    LPDWORD totalEntries, LPDWORD resumeHandle);
  static NET_API_STATUS NetGroupGetInfo(LPCWSTR server, LPCWSTR group, DWORD level, LPBYTE* buffer);
  static NET_API_STATUS NetUserGetInfo(LPCWSTR server, LPCWSTR user, DWORD level, LPBYTE* buffer);

 protected:
  BOOL LoadEntryPoints() override;

 private:
  CNuNetAPI();

  // The process's one holder, defined among the library's ordered static objects.
  static CNuNetAPI s_api;

  PFNNETGETDCNAME m_pfnNetGetDCName;
  PFNNETAPIBUFFERFREE m_pfnNetApiBufferFree;
  PFNNETQUERYDISPLAYINFORMATION m_pfnNetQueryDisplayInformation;
  PFNNETGROUPGETUSERS m_pfnNetGroupGetUsers;
  PFNNETUSERENUM m_pfnNetUserEnum;
  PFNNETGROUPGETINFO m_pfnNetGroupGetInfo;
  PFNNETUSERGETINFO m_pfnNetUserGetInfo;
};
