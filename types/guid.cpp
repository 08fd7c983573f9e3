// CNuGuid: GUID values over the system's UUID services, with a process-unique fallback for
// machines where the system cannot make one.
#include <hostkit/types.h>

#include "platform/faults.h"

#include <cstring>

namespace {

// Serialises the fallback of Create and guards the last tick it used. Built on the first call
// that needs it (thread-safe), destroyed at unload.
CCriticalSection& FallbackLock() {
  static CCriticalSection lock;
  return lock;
}

DWORD g_lastFallbackTick = 0;

// A GUID unique within the process: a tick count no earlier fallback has used, written into
// all four 32-bit words, least significant byte first.
void MakeFallbackGuid(GUID& guid) {
  CSingleLock lock(&FallbackLock(), TRUE);
  while (GetTickCount() == g_lastFallbackTick) {
  }
  const DWORD tick = GetTickCount();
  g_lastFallbackTick = tick;
  unsigned char bytes[16];
  for (int word = 0; word < 4; ++word)
    for (int i = 0; i < 4; ++i) bytes[4 * word + i] = static_cast<unsigned char>(tick >> (8 * i));
  guid.Data1 = tick;
  guid.Data2 = static_cast<WORD>(bytes[4] | (bytes[5] << 8));
  guid.Data3 = static_cast<WORD>(bytes[6] | (bytes[7] << 8));
  std::memcpy(guid.Data4, bytes + 8, 8);
}

}  // namespace

CNuGuid::CNuGuid() { SetNil(); }

CNuGuid::CNuGuid(const GUID& value) : m_guid(value) {}

CNuGuid::CNuGuid(const char* text) { GuidFromHexString(text); }

CNuGuid::~CNuGuid() = default;

CNuGuid& CNuGuid::operator=(const CNuGuid& other) {
  m_guid = other.m_guid;
  return *this;
}

void CNuGuid::Create() {
  // A GUID unique to this machine only (RPC_S_UUID_LOCAL_ONLY) is kept as it is.
  if (hk::sys::UuidCreate(&m_guid) == RPC_S_UUID_NO_ADDRESS) MakeFallbackGuid(m_guid);
}

BOOL CNuGuid::IsNil() const {
  static const GUID kNil = {};
  return std::memcmp(&m_guid, &kNil, sizeof m_guid) == 0 ? TRUE : FALSE;
}

BOOL CNuGuid::operator==(const CNuGuid& other) const {
  RPC_STATUS status;
  return UuidEqual(const_cast<GUID*>(&m_guid), const_cast<GUID*>(&other.m_guid), &status) ? TRUE : FALSE;
}

int CNuGuid::Compare(const CNuGuid& other) const {
  RPC_STATUS status;
  return UuidCompare(const_cast<GUID*>(&m_guid), const_cast<GUID*>(&other.m_guid), &status);
}

void CNuGuid::SetNil() { std::memset(&m_guid, 0, sizeof m_guid); }

unsigned short CNuGuid::Hash() const {
  RPC_STATUS status;
  return UuidHash(const_cast<GUID*>(&m_guid), &status);
}

void CNuGuid::GuidToHexString(CString& text) const {
  char buffer[37];
  GuidToHexString(buffer);
  text = buffer;
}

void CNuGuid::GuidToHexString(char* buffer) const {
  RPC_CSTR text = nullptr;
  const RPC_STATUS status = UuidToStringA(const_cast<GUID*>(&m_guid), &text);
  if (status == RPC_S_OUT_OF_MEMORY) AfxThrowMemoryException();
  if (status != RPC_S_OK || text == nullptr) {
    buffer[0] = '\0';
    return;
  }
  std::memcpy(buffer, text, 36);
  buffer[36] = '\0';
  RpcStringFreeA(&text);
}

void CNuGuid::GuidFromHexString(const char* text) {
  if (UuidFromStringA(reinterpret_cast<RPC_CSTR>(const_cast<char*>(text)), &m_guid) != RPC_S_OK) SetNil();
}

UINT HashKey(const CNuGuid& key) { return key.Hash(); }
