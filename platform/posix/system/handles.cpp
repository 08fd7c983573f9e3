// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/posix/system/internal.h"
#include "platform/win32.h"

#include <mutex>
#include <unordered_set>

namespace {

struct HandleTable {
  std::mutex lock;
  std::unordered_set<hk::posix::HandleObject*> live;
};

HandleTable& Table() {
  static HandleTable* table = new HandleTable;  // outlives every static destructor
  return *table;
}

}  // namespace

namespace hk::posix {

HANDLE RegisterHandle(HandleObject* object) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  t.live.insert(object);
  return object;
}

HandleObject* LookupHandle(HANDLE handle) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto* object = static_cast<HandleObject*>(handle);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || t.live.count(object) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return object;
}

namespace {
constexpr size_t kMaxComponent = 255;
}  // namespace

bool NativePath(LPCSTR name, std::string& out) {
  if (name == nullptr || *name == '\0') {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  out = name;
  if (out.size() >= 4096) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  // A component longer than file systems hold (NAME_MAX bytes) is a name no file can have,
  // whether or not the directories before it exist; reporting it as a refused syntax, as
  // Windows file systems do, tells it apart from a name that is merely missing.
  size_t componentLength = 0;
  bool backslash = false;
  for (char& c : out) {
    if (c == '\\') {
      c = '/';
      backslash = true;
    }
    componentLength = c == '/' ? 0 : componentLength + 1;
    if (componentLength > kMaxComponent) {
      SetLastError(ERROR_INVALID_NAME);
      return false;
    }
  }
  if (backslash && BackslashEntryOnTheWay(name)) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  return true;
}

FILETIME FileTimeFromInt(int64_t value) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(value));
  ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(value) >> 32);
  return ft;
}

int64_t FileTimeToInt(const FILETIME& ft) {
  return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

FILETIME FileTimeFromTimespec(const timespec& ts) {
  return FileTimeFromInt(kFileTimeUnixEpoch + static_cast<int64_t>(ts.tv_sec) * 10000000 +
                         ts.tv_nsec / 100);
}

timespec TimespecFromFileTime(const FILETIME& ft) {
  const int64_t units = FileTimeToInt(ft) - kFileTimeUnixEpoch;
  timespec ts;
  int64_t seconds = units / 10000000;
  int64_t rest = units % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --seconds;
  }
  ts.tv_sec = static_cast<time_t>(seconds);
  ts.tv_nsec = static_cast<long>(rest * 100);
  return ts;
}

}  // namespace hk::posix

BOOL CloseHandle(HANDLE handle) {
  hk::posix::HandleObject* object = hk::posix::LookupHandle(handle);
  if (object == nullptr) return FALSE;
  {
    HandleTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    t.live.erase(object);
  }
  const bool ok = object->Close();
  const DWORD error = GetLastError();
  delete object;
  if (!ok) SetLastError(error);
  return ok ? TRUE : FALSE;
}
