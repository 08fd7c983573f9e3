// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/win32.h"

#include <cstring>
#include <map>
#include <mutex>
#include <utility>

namespace {

constexpr DWORD kResourceNameNotFound = 1814;

struct Tables {
  std::mutex lock;
  std::map<HINSTANCE, std::pair<const hk::posix::StringResource*, size_t>> byModule;
};

Tables& AllTables() {
  static Tables* tables = new Tables;  // outlives every static destructor
  return *tables;
}

}  // namespace

namespace hk::posix {

void RegisterStringTable(HINSTANCE module, const StringResource* table, size_t count) {
  Tables& t = AllTables();
  std::lock_guard<std::mutex> guard(t.lock);
  if (table == nullptr || count == 0) t.byModule.erase(module);
  else t.byModule[module] = {table, count};
}

void UnregisterStringTable(HINSTANCE module) {
  Tables& t = AllTables();
  std::lock_guard<std::mutex> guard(t.lock);
  t.byModule.erase(module);
}

}  // namespace hk::posix

int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* text = nullptr;
  {
    Tables& t = AllTables();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.byModule.find(module);
    if (it != t.byModule.end())
      for (size_t i = 0; i < it->second.second; ++i)
        if (it->second.first[i].id == (id & 0xFFFF)) text = it->second.first[i].text;
  }
  if (text == nullptr) {
    buffer[0] = '\0';
    SetLastError(kResourceNameNotFound);
    return 0;
  }
  size_t length = std::strlen(text);
  if (length > static_cast<size_t>(size) - 1) length = static_cast<size_t>(size) - 1;
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

namespace hk {

void RegisterModuleStrings(HMODULE module, const ModuleString* table, size_t count) {
  posix::RegisterStringTable(module, table, count);
}

const bool kLoaderRunsModuleEntry = false;

}  // namespace hk
