// CNuNetSecuritySupport: the network API's paged, wide-character listings as ANSI string arrays.
#include <hostkit/frame.h>
#include <hostkit/netsec.h>

#include "netsec/netapi.h"

#include <memory>
#include <vector>

namespace {

// Every page asks for this many records of the level it reads, and the buffer size they need.
constexpr DWORD kRecordsPerPage = 255;
// The resource enumeration's buffer.
constexpr DWORD kResourceBufferSize = 16384;

// An ANSI argument as the UTF-16 text the network API takes; NULL stays NULL.
class WideText {
 public:
  explicit WideText(const char* text) : m_null(text == nullptr) {
    if (m_null) return;
    const int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    m_text.assign(needed > 0 ? static_cast<size_t>(needed) : 1, 0);
    if (needed > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, m_text.data(), needed);
  }
  LPCWSTR Get() const { return m_null ? nullptr : m_text.data(); }

 private:
  bool m_null;
  std::vector<WCHAR> m_text;
};

// Wide text from the network API in the ANSI code page, converted in one pass into a reused
// buffer (listings convert thousands of short names), made large enough beforehand: no code
// page takes more than three bytes for a UTF-16 unit.
class AnsiText {
 public:
  const char* From(LPCWSTR wide) {
    if (wide == nullptr || *wide == 0) return "";
    size_t units = 0;
    while (wide[units] != 0) ++units;
    if (units >= 0x20000000) return "";  // beyond what a conversion can count
    if (3 * units + 1 > m_size) {
      m_size = 3 * units + 1;
      m_text.reset(new char[m_size]);  // not cleared: only what a conversion writes is read
    }
    const int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, m_text.get(), static_cast<int>(m_size),
                                      nullptr, nullptr);
    return n > 0 ? m_text.get() : "";
  }

 private:
  size_t m_size = 1024;
  std::unique_ptr<char[]> m_text = std::unique_ptr<char[]>(new char[1024]);
};

// A buffer the network API allocated, freed when the scope ends (an exception included).
class ApiBuffer {
 public:
  ApiBuffer() = default;
  ApiBuffer(const ApiBuffer&) = delete;
  ApiBuffer& operator=(const ApiBuffer&) = delete;
  ~ApiBuffer() {
    if (m_buffer != nullptr) CNuNetAPI::NetApiBufferFree(m_buffer);
  }
  LPBYTE* Out() { return &m_buffer; }
  PVOID* OutVoid() { return reinterpret_cast<PVOID*>(&m_buffer); }
  template <typename T>
  const T* As() const { return reinterpret_cast<const T*>(m_buffer); }

 private:
  LPBYTE m_buffer = nullptr;
};

// A failed network call ends the operation with the status it answered: the thread's last
// error need not have anything to do with it.
[[noreturn]] void ThrowStatus(DWORD status) { AfxThrowOSException(status); }

// A page that asks for more data must have brought some: a provider that keeps answering
// ERROR_MORE_DATA without entries would otherwise keep the loop going for ever.
void CheckProgress(DWORD entries) {
  if (entries == 0) ThrowStatus(ERROR_MORE_DATA);
}

class ResourceEnumeration {
 public:
  explicit ResourceEnumeration(LPNETRESOURCEA container) {
    const DWORD r = WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, RESOURCEUSAGE_CONTAINER,
                                  container, &m_handle);
    if (r != NO_ERROR) ThrowStatus(r);
  }
  ResourceEnumeration(const ResourceEnumeration&) = delete;
  ResourceEnumeration& operator=(const ResourceEnumeration&) = delete;
  ~ResourceEnumeration() {
    if (m_handle != nullptr) WNetCloseEnum(m_handle);
  }
  HANDLE Handle() const { return m_handle; }
  void Close() {
    const DWORD r = WNetCloseEnum(m_handle);
    m_handle = nullptr;
    if (r != NO_ERROR) ThrowStatus(r);
  }

 private:
  HANDLE m_handle = nullptr;
};

class GlobalBuffer {
 public:
  explicit GlobalBuffer(DWORD size) : m_memory(GlobalAlloc(GPTR, size)) {
    if (m_memory == nullptr) AfxThrowOSException(0xFFFFFFFF);
  }
  GlobalBuffer(const GlobalBuffer&) = delete;
  GlobalBuffer& operator=(const GlobalBuffer&) = delete;
  ~GlobalBuffer() { GlobalFree(m_memory); }
  LPVOID Get() const { return m_memory; }

 private:
  HGLOBAL m_memory;
};

// Depth first: domains are collected, every other container (networks, providers) searched.
void EnumerateContainer(LPNETRESOURCEA container, CStringArray& domains) {
  ResourceEnumeration enumeration(container);
  for (;;) {
    GlobalBuffer buffer(kResourceBufferSize);
    DWORD size = kResourceBufferSize;
    DWORD count = 0xFFFFFFFF;
    const DWORD r = WNetEnumResourceA(enumeration.Handle(), &count, buffer.Get(), &size);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != NO_ERROR) ThrowStatus(r);
    auto* entries = static_cast<LPNETRESOURCEA>(buffer.Get());
    for (DWORD i = 0; i < count; ++i) {
      if (entries[i].dwDisplayType == RESOURCEDISPLAYTYPE_DOMAIN)
        domains.Add(entries[i].lpRemoteName);
      else
        EnumerateContainer(&entries[i], domains);
    }
  }
  enumeration.Close();
}

}  // namespace

CNuNetSecuritySupport::CNuNetSecuritySupport() = default;

CNuNetSecuritySupport::~CNuNetSecuritySupport() = default;

BOOL CNuNetSecuritySupport::IsAvailable() { return CNuNetAPI::IsAvailable(); }

CString CNuNetSecuritySupport::GetDomainController(const char* domain) {
  CString controller;
  if (!CNuNetAPI::IsAvailable()) return controller;
  const WideText wideDomain(domain);
  ApiBuffer buffer;
  if (CNuNetAPI::NetGetDCName(nullptr, wideDomain.Get(), buffer.Out()) == NERR_Success)
    controller = buffer.As<WCHAR>();
  return controller;
}

void CNuNetSecuritySupport::EnumerateDomains(CStringArray& domains) {
  // The domains come from the network provider, yet like every operation here they are
  // offered only where the network API is.
  if (!CNuNetAPI::IsAvailable()) return;
  EnumerateContainer(nullptr, domains);
}

void CNuNetSecuritySupport::EnumerateGroups(const char* server, CStringArray& names,
                                            CStringArray& comments) {
  if (!CNuNetAPI::IsAvailable()) return;
  const WideText wideServer(server);
  AnsiText ansi;
  DWORD index = 0;
  for (;;) {
    ApiBuffer buffer;
    DWORD count = 0;
    const NET_API_STATUS r = CNuNetAPI::NetQueryDisplayInformation(
        wideServer.Get(), 3, index, kRecordsPerPage, kRecordsPerPage * sizeof(NET_DISPLAY_GROUP),
        &count, buffer.OutVoid());
    if (r != NERR_Success && r != ERROR_MORE_DATA) ThrowStatus(r);
    const NET_DISPLAY_GROUP* groups = buffer.As<NET_DISPLAY_GROUP>();
    for (DWORD i = 0; i < count; ++i) {
      names.Add(ansi.From(groups[i].grpi3_name));
      comments.Add(ansi.From(groups[i].grpi3_comment));
      index = groups[i].grpi3_next_index;
    }
    if (r != ERROR_MORE_DATA) break;
    CheckProgress(count);
  }
}

void CNuNetSecuritySupport::EnumerateGroupUsers(const char* server, const char* group,
                                                CStringArray& names, CStringArray& fullNames) {
  if (!CNuNetAPI::IsAvailable()) return;
  const WideText wideServer(server);
  const WideText wideGroup(group);
  AnsiText ansi;
  DWORD_PTR resume = 0;
  for (;;) {
    ApiBuffer buffer;
    DWORD count = 0;
    DWORD total = 0;
    const NET_API_STATUS r = CNuNetAPI::NetGroupGetUsers(
        wideServer.Get(), wideGroup.Get(), 0, buffer.Out(),
        kRecordsPerPage * sizeof(GROUP_USERS_INFO_0), &count, &total, &resume);
    if (r != NERR_Success && r != ERROR_MORE_DATA) ThrowStatus(r);
    const GROUP_USERS_INFO_0* members = buffer.As<GROUP_USERS_INFO_0>();
    for (DWORD i = 0; i < count; ++i) {
      ApiBuffer user;
      const NET_API_STATUS r2 =
          CNuNetAPI::NetUserGetInfo(wideServer.Get(), members[i].grui0_name, 10, user.Out());
      if (r2 != NERR_Success) ThrowStatus(r2);
      names.Add(ansi.From(members[i].grui0_name));
      const USER_INFO_10* info = user.As<USER_INFO_10>();
      fullNames.Add(ansi.From(info != nullptr ? info->usri10_full_name : nullptr));
    }
    if (r != ERROR_MORE_DATA) break;
    CheckProgress(count);
  }
}

void CNuNetSecuritySupport::EnumerateDomainUsers(const char* server, CStringArray& names,
                                                 CStringArray& fullNames) {
  if (!CNuNetAPI::IsAvailable()) return;
  const WideText wideServer(server);
  // Level 10 brings names and full names in one listing. An implementation of the network API
  // that does not offer it (ERROR_INVALID_LEVEL) is asked for the names alone and for each
  // account's level 10 record, with the same paging and the same results.
  AnsiText ansi;
  DWORD level = 10;
  DWORD resume = 0;
  for (;;) {
    ApiBuffer buffer;
    DWORD count = 0;
    DWORD total = 0;
    const DWORD recordSize = level == 10 ? sizeof(USER_INFO_10) : sizeof(USER_INFO_0);
    const NET_API_STATUS r =
        CNuNetAPI::NetUserEnum(wideServer.Get(), level, FILTER_NORMAL_ACCOUNT, buffer.Out(),
                               kRecordsPerPage * recordSize, &count, &total, &resume);
    if (r == ERROR_INVALID_LEVEL && level == 10 && resume == 0) {
      level = 0;
      continue;
    }
    if (r != NERR_Success && r != ERROR_MORE_DATA) ThrowStatus(r);
    if (level == 10) {
      const USER_INFO_10* users = buffer.As<USER_INFO_10>();
      for (DWORD i = 0; i < count; ++i) {
        names.Add(ansi.From(users[i].usri10_name));
        fullNames.Add(ansi.From(users[i].usri10_full_name));
      }
    } else {
      const USER_INFO_0* users = buffer.As<USER_INFO_0>();
      for (DWORD i = 0; i < count; ++i) {
        ApiBuffer user;
        const NET_API_STATUS r2 =
            CNuNetAPI::NetUserGetInfo(wideServer.Get(), users[i].usri0_name, 10, user.Out());
        if (r2 != NERR_Success) ThrowStatus(r2);
        const USER_INFO_10* info = user.As<USER_INFO_10>();
        names.Add(ansi.From(users[i].usri0_name));
        fullNames.Add(ansi.From(info != nullptr ? info->usri10_full_name : nullptr));
      }
    }
    if (r != ERROR_MORE_DATA) break;
    CheckProgress(count);
  }
}
