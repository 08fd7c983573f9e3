// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/posix/system/internal.h"
#include "platform/win32.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const UUID kNil = {};

bool ReadRandom(void* out, size_t count) {
  auto* bytes = static_cast<unsigned char*>(out);
  size_t done = 0;
  while (done < count) {
    const ssize_t got = getrandom(bytes + done, count - done, 0);
    if (got > 0) {
      done += static_cast<size_t>(got);
    } else if (got < 0 && errno != EINTR) {
      break;
    }
  }
  if (done == count) return true;
  // Kernels without the system call still have the device.
  const int fd = hk::posix::RetryOnInterrupt([] { return open("/dev/urandom", O_RDONLY | O_CLOEXEC); });
  if (fd < 0) return false;
  while (done < count) {
    const ssize_t got = hk::posix::RetryOnInterrupt([&] { return read(fd, bytes + done, count - done); });
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  close(fd);
  return done == count;
}

void SetStatus(RPC_STATUS* status, RPC_STATUS value) {
  if (status != nullptr) *status = value;
}

const UUID& OrNil(const UUID* uuid) { return uuid != nullptr ? *uuid : kNil; }

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the given number of hex digits, most significant first.
bool ReadHex(const unsigned char* text, int digits, uint32_t& value) {
  value = 0;
  for (int i = 0; i < digits; ++i) {
    const int v = HexValue(text[i]);
    if (v < 0) return false;
    value = (value << 4) | static_cast<uint32_t>(v);
  }
  return true;
}

}  // namespace

RPC_STATUS UuidCreate(UUID* uuid) {
  UUID made;
  if (!ReadRandom(&made, sizeof made)) return RPC_S_UUID_NO_ADDRESS;
  made.Data3 = static_cast<WORD>((made.Data3 & 0x0FFF) | 0x4000);
  made.Data4[0] = static_cast<BYTE>((made.Data4[0] & 0x3F) | 0x80);
  *uuid = made;
  return RPC_S_OK;
}

int UuidCompare(UUID* a, UUID* b, RPC_STATUS* status) {
  SetStatus(status, RPC_S_OK);
  const UUID& x = OrNil(a);
  const UUID& y = OrNil(b);
  if (x.Data1 != y.Data1) return x.Data1 < y.Data1 ? -1 : 1;
  if (x.Data2 != y.Data2) return x.Data2 < y.Data2 ? -1 : 1;
  if (x.Data3 != y.Data3) return x.Data3 < y.Data3 ? -1 : 1;
  for (int i = 0; i < 8; ++i)
    if (x.Data4[i] != y.Data4[i]) return x.Data4[i] < y.Data4[i] ? -1 : 1;
  return 0;
}

int UuidEqual(UUID* a, UUID* b, RPC_STATUS* status) { return UuidCompare(a, b, status) == 0 ? TRUE : FALSE; }

unsigned short UuidHash(UUID* uuid, RPC_STATUS* status) {
  SetStatus(status, RPC_S_OK);
  const UUID& u = OrNil(uuid);
  unsigned char bytes[16];
  std::memcpy(bytes, &u, sizeof bytes);
  int c0 = 0, c1 = 0;
  for (unsigned char b : bytes) {
    c0 += b;
    c1 += c0;
  }
  int x = -c1 % 255;
  if (x < 0) x += 255;
  int y = (c1 - c0) % 255;
  if (y < 0) y += 255;
  return static_cast<unsigned short>(y * 256 + x);
}

RPC_STATUS UuidToStringA(const UUID* uuid, RPC_CSTR* text) {
  const UUID& u = OrNil(uuid);
  auto* out = static_cast<unsigned char*>(std::malloc(37));
  if (out == nullptr) {
    *text = nullptr;
    return RPC_S_OUT_OF_MEMORY;
  }
  std::snprintf(reinterpret_cast<char*>(out), 37, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                static_cast<unsigned>(u.Data1), static_cast<unsigned>(u.Data2), static_cast<unsigned>(u.Data3),
                u.Data4[0], u.Data4[1], u.Data4[2], u.Data4[3], u.Data4[4], u.Data4[5], u.Data4[6], u.Data4[7]);
  *text = out;
  return RPC_S_OK;
}

RPC_STATUS RpcStringFreeA(RPC_CSTR* text) {
  if (text != nullptr) {
    std::free(*text);
    *text = nullptr;
  }
  return RPC_S_OK;
}

RPC_STATUS UuidFromStringA(RPC_CSTR text, UUID* uuid) {
  if (text == nullptr) {
    *uuid = kNil;
    return RPC_S_OK;
  }
  if (std::strlen(reinterpret_cast<const char*>(text)) != 36 || text[8] != '-' || text[13] != '-' ||
      text[18] != '-' || text[23] != '-')
    return RPC_S_INVALID_STRING_UUID;
  UUID parsed;
  uint32_t value;
  if (!ReadHex(text, 8, value)) return RPC_S_INVALID_STRING_UUID;
  parsed.Data1 = value;
  if (!ReadHex(text + 9, 4, value)) return RPC_S_INVALID_STRING_UUID;
  parsed.Data2 = static_cast<WORD>(value);
  if (!ReadHex(text + 14, 4, value)) return RPC_S_INVALID_STRING_UUID;
  parsed.Data3 = static_cast<WORD>(value);
  static const int kByteAt[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(text + kByteAt[i], 2, value)) return RPC_S_INVALID_STRING_UUID;
    parsed.Data4[i] = static_cast<BYTE>(value);
  }
  *uuid = parsed;
  return RPC_S_OK;
}
