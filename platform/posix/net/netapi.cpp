// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/posix/system/internal.h"
#include "platform/posix/net/netconfig.h"
#include "platform/win32.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

namespace config = hk::posix::netconfig;

// The one network of this provider; also its provider name.
constexpr const char* kNetworkName = "Directory Network";

struct Resource {
  DWORD displayType;
  std::string remoteName;
};

struct ResourceEnum : hk::posix::HandleObject {
  std::vector<Resource> entries;
  size_t next = 0;
};

DWORD Fail(DWORD code) {
  SetLastError(code);
  return code;
}

// What a container holds, or an error: the root holds the network, the network holds the
// host's domains, a domain holds this computer.
DWORD ContainerEntries(const NETRESOURCEA* container, std::vector<Resource>& entries) {
  if (container == nullptr || container->lpRemoteName == nullptr) {
    entries.push_back(Resource{RESOURCEDISPLAYTYPE_NETWORK, kNetworkName});
    return NO_ERROR;
  }
  if ((container->dwUsage & RESOURCEUSAGE_CONTAINER) == 0) return ERROR_NOT_CONTAINER;
  const std::string name = container->lpRemoteName;
  if (config::SameName(name, kNetworkName)) {
    for (const config::Domain& d : config::HostDomains())
      entries.push_back(Resource{RESOURCEDISPLAYTYPE_DOMAIN, d.name});
    return NO_ERROR;
  }
  for (const config::Domain& d : config::HostDomains())
    if (config::SameName(name, d.name)) {
      entries.push_back(Resource{RESOURCEDISPLAYTYPE_SERVER, "\\\\" + config::LocalComputerName()});
      return NO_ERROR;
    }
  return ERROR_BAD_NET_NAME;
}

}  // namespace

DWORD WNetOpenEnumA(DWORD scope, DWORD type, DWORD usage, LPNETRESOURCEA container, HANDLE* handle) {
  if (handle == nullptr) return Fail(ERROR_INVALID_ADDRESS);
  if (type != RESOURCETYPE_ANY && type != RESOURCETYPE_DISK && type != RESOURCETYPE_PRINT)
    return Fail(ERROR_INVALID_PARAMETER);
  auto* enumeration = new ResourceEnum;
  if (scope == RESOURCE_GLOBALNET) {
    // Everything here is a container; a caller asking for connectable resources only finds none.
    if (usage == 0 || (usage & RESOURCEUSAGE_CONTAINER) != 0) {
      if (const DWORD error = ContainerEntries(container, enumeration->entries); error != NO_ERROR) {
        delete enumeration;
        return Fail(error);
      }
    }
  } else if (scope != RESOURCE_CONNECTED && scope != RESOURCE_REMEMBERED) {
    // Connected and remembered resources: this host has no network drive connections.
    delete enumeration;
    return Fail(ERROR_INVALID_PARAMETER);
  }
  *handle = hk::posix::RegisterHandle(enumeration);
  return NO_ERROR;
}

DWORD WNetEnumResourceA(HANDLE handle, LPDWORD count, LPVOID buffer, LPDWORD bufferSize) {
  auto* enumeration = hk::posix::HandleAs<ResourceEnum>(handle);
  if (enumeration == nullptr) return ERROR_INVALID_HANDLE;
  if (count == nullptr || bufferSize == nullptr || (buffer == nullptr && *bufferSize != 0))
    return Fail(ERROR_INVALID_ADDRESS);
  if (enumeration->next >= enumeration->entries.size()) return Fail(ERROR_NO_MORE_ITEMS);

  // Records grow from the start of the buffer, their strings from its end.
  auto* base = static_cast<char*>(buffer);
  size_t recordsEnd = 0;
  size_t stringsStart = *bufferSize;
  DWORD stored = 0;
  while (stored < *count && enumeration->next < enumeration->entries.size()) {
    const Resource& r = enumeration->entries[enumeration->next];
    const size_t remoteBytes = r.remoteName.size() + 1;
    const size_t providerBytes = std::strlen(kNetworkName) + 1;
    const size_t need = sizeof(NETRESOURCEA) + remoteBytes + providerBytes;
    if (recordsEnd + need > stringsStart) {
      if (stored == 0) {
        *bufferSize = static_cast<DWORD>(need);
        return Fail(ERROR_MORE_DATA);
      }
      break;
    }
    stringsStart -= remoteBytes;
    std::memcpy(base + stringsStart, r.remoteName.c_str(), remoteBytes);
    char* remote = base + stringsStart;
    stringsStart -= providerBytes;
    std::memcpy(base + stringsStart, kNetworkName, providerBytes);
    NETRESOURCEA record{};
    record.dwScope = RESOURCE_GLOBALNET;
    record.dwType = RESOURCETYPE_ANY;
    record.dwDisplayType = r.displayType;
    record.dwUsage = RESOURCEUSAGE_CONTAINER;
    record.lpRemoteName = remote;
    record.lpProvider = base + stringsStart;
    std::memcpy(base + recordsEnd, &record, sizeof record);
    recordsEnd += sizeof record;
    ++stored;
    ++enumeration->next;
  }
  *count = stored;
  return NO_ERROR;
}

DWORD WNetCloseEnum(HANDLE handle) {
  if (hk::posix::HandleAs<ResourceEnum>(handle) == nullptr) return ERROR_INVALID_HANDLE;
  return CloseHandle(handle) ? NO_ERROR : GetLastError();
}

HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
  void* block = (flags & GMEM_ZEROINIT) != 0 ? std::calloc(1, bytes == 0 ? 1 : bytes)
                                               : std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return block;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  std::free(memory);
  return nullptr;
}
