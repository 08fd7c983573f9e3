// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/win32.h"
#include "platform/posix/system/environment.h"

#include <dlfcn.h>
#include <link.h>
#include <strings.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct LoadedModule {
  void* dlHandle = nullptr;
  int references = 0;
};

struct Builtin {
  std::string name;
  std::vector<hk::posix::BuiltinExport> exports;
};

struct ModuleTable {
  std::mutex lock;
  std::map<HMODULE, LoadedModule> loaded;
  std::vector<Builtin> builtins;
};

ModuleTable& Table() {
  static ModuleTable* table = new ModuleTable;  // outlives every static destructor
  return *table;
}

// Built-in module handles are small odd values that no mapping can have as a base address.
HMODULE BuiltinHandle(size_t index) { return reinterpret_cast<HMODULE>(index * 2 + 1); }

long BuiltinIndex(HMODULE module) {
  const auto value = reinterpret_cast<uintptr_t>(module);
  if ((value & 1) == 0) return -1;
  const size_t index = value / 2;
  return index < Table().builtins.size() ? static_cast<long>(index) : -1;
}

std::string LastComponent(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Directory(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a Windows system DLL stands for on POSIX, or empty.
std::string ProviderFile(const std::string& name) {
  const std::string base = LastComponent(name);
  if (strcasecmp(base.c_str(), "MAPI32.DLL") == 0 || strcasecmp(base.c_str(), "MAPI32") == 0)
    return "libhostkit-mapi.so";
  if (strcasecmp(base.c_str(), "NETAPI32.DLL") == 0 || strcasecmp(base.c_str(), "NETAPI32") == 0)
    return "libhostkit-netapi.so";
  return std::string();
}

std::string ExecutablePath() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

HMODULE ExecutableModule() {
  static HMODULE exe = [] {
    Dl_info info{};
    void* self = dlopen(nullptr, RTLD_LAZY);
    link_map* map = nullptr;
    HMODULE found = nullptr;
    if (self != nullptr && dlinfo(self, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr &&
        map->l_ld != nullptr && dladdr(map->l_ld, &info) != 0)
      found = static_cast<HMODULE>(info.dli_fbase);
    return found;
  }();
  return exe;
}

HMODULE BaseOfHandle(void* dlHandle) {
  link_map* map = nullptr;
  Dl_info info{};
  if (dlinfo(dlHandle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_ld == nullptr)
    return nullptr;
  if (dladdr(map->l_ld, &info) == 0) return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}

void* OpenWithLoader(const std::string& file) {
  return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* OpenProvider(const std::string& file) {
  if (const char* dir = hk::posix::EnvironmentSetting("HOSTKIT_PROVIDER_DIR")) {
    // An explicit provider folder is the only place looked at, so a test (or an
    // administrator) can also say "there is no mail system here".
    std::string path = dir;
    if (path.back() != '/') path += '/';
    return OpenWithLoader(path + file);
  }
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&OpenProvider), &info) != 0 && info.dli_fname != nullptr) {
    std::string beside = Directory(info.dli_fname);
    if (!beside.empty())
      if (void* handle = OpenWithLoader(beside + file)) return handle;
  }
  return OpenWithLoader(file);
}

}  // namespace

namespace hk {

HMODULE ModuleOfAddress(const void* address) {
  Dl_info info{};
  if (address == nullptr || dladdr(address, &info) == 0) return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}

}  // namespace hk

namespace hk::posix {

void RegisterBuiltinModule(const char* dllName, const BuiltinExport* exports, size_t count) {
  ModuleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  for (Builtin& b : table.builtins)
    if (strcasecmp(b.name.c_str(), dllName) == 0) {
      b.exports.assign(exports, exports + count);
      return;
    }
  table.builtins.push_back(Builtin{dllName, std::vector<BuiltinExport>(exports, exports + count)});
}

}  // namespace hk::posix

HMODULE LoadLibraryA(LPCSTR name) {
  if (name == nullptr || *name == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  ModuleTable& table = Table();
  std::string file = name;
  {
    std::lock_guard<std::mutex> guard(table.lock);
    for (size_t i = 0; i < table.builtins.size(); ++i)
      if (strcasecmp(table.builtins[i].name.c_str(), LastComponent(file).c_str()) == 0)
        return BuiltinHandle(i);
  }
  void* handle = nullptr;
  const std::string provider = ProviderFile(file);
  if (!provider.empty()) {
    handle = OpenProvider(provider);
  } else {
    for (char& c : file)
      if (c == '\\') c = '/';
    handle = OpenWithLoader(file);
  }
  if (handle == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  HMODULE base = BaseOfHandle(handle);
  if (base == nullptr) {
    dlclose(handle);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(table.lock);
  LoadedModule& entry = table.loaded[base];
  if (entry.dlHandle == nullptr) entry.dlHandle = handle;
  else dlclose(handle);  // the loader counts references itself; keep one handle per module
  ++entry.references;
  return base;
}

BOOL FreeLibrary(HMODULE module) {
  ModuleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  if (BuiltinIndex(module) >= 0) return TRUE;
  auto it = table.loaded.find(module);
  if (it == table.loaded.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (--it->second.references == 0) {
    dlclose(it->second.dlHandle);
    table.loaded.erase(it);
  }
  return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  ModuleTable& table = Table();
  void* handle = nullptr;
  bool temporary = false;
  {
    std::lock_guard<std::mutex> guard(table.lock);
    if (long index = BuiltinIndex(module); index >= 0) {
      for (const auto& e : table.builtins[index].exports)
        if (std::strcmp(e.name, name) == 0) return e.address;
      SetLastError(ERROR_PROC_NOT_FOUND);
      return nullptr;
    }
    auto it = table.loaded.find(module);
    if (it != table.loaded.end()) handle = it->second.dlHandle;
  }
  if (handle == nullptr) {
    // A module loaded some other way (the executable, or this library itself).
    Dl_info info{};
    if (module == nullptr || module == ExecutableModule()) {
      handle = dlopen(nullptr, RTLD_LAZY);
    } else if (dladdr(module, &info) != 0 && info.dli_fname != nullptr) {
      handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
      temporary = handle != nullptr;
    }
    if (handle == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
  }
  void* symbol = dlsym(handle, name);
  if (temporary) dlclose(handle);
  // dlsym also answers from the libraries the module depends on (the C library's malloc for
  // any name not its own); an export table holds only what the module itself defines.
  Dl_info owner{};
  const HMODULE base = module == nullptr ? ExecutableModule() : module;
  if (symbol != nullptr && (dladdr(symbol, &owner) == 0 || owner.dli_fbase != base)) symbol = nullptr;
  if (symbol == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

HMODULE GetModuleHandleA(LPCSTR name) {
  if (name == nullptr) return ExecutableModule();
  const std::string wanted = name;
  struct Search {
    const std::string* wanted;
    HMODULE found;
  } search{&wanted, nullptr};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) -> int {
        auto* s = static_cast<Search*>(data);
        if (info->dlpi_name == nullptr || *info->dlpi_name == '\0' || info->dlpi_phnum == 0)
          return 0;
        const std::string path = info->dlpi_name;
        if (strcasecmp(path.c_str(), s->wanted->c_str()) == 0 ||
            strcasecmp(LastComponent(path).c_str(), s->wanted->c_str()) == 0) {
          s->found = hk::ModuleOfAddress(
              reinterpret_cast<const void*>(info->dlpi_addr + info->dlpi_phdr[0].p_vaddr));
          return 1;
        }
        return 0;
      },
      &search);
  if (search.found == nullptr) SetLastError(ERROR_MOD_NOT_FOUND);
  return search.found;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  std::string path;
  Dl_info info{};
  if (module == nullptr || module == ExecutableModule()) {
    path = ExecutablePath();
  } else if (BuiltinIndex(module) < 0 && dladdr(module, &info) != 0 && info.dli_fname != nullptr &&
             info.dli_fbase == module) {
    path = info.dli_fname;
  }
  if (path.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (buffer == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() + 1 > size) {
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}
