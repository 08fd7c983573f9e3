// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// The registry functions: handles, argument checks and the Win32 buffer protocols, over the
// stores of store.h, reached through access.h.
#include "platform/posix/registry/access.h"
#include "platform/win32.h"

#include <cstring>

namespace {

using hk::posix::registry::KeyObject;
using hk::posix::registry::kMaxKeyName;
using hk::posix::registry::kMaxValueName;
using hk::posix::registry::Store;
using hk::posix::registry::StoreAccess;

// Splits a sub-key path at '\'. Empty components (and so a trailing '\') are skipped; a
// leading '\' is not a relative path.
LONG SplitPath(LPCSTR subKey, std::vector<std::string_view>& names) {
  names.clear();
  if (subKey == nullptr) return ERROR_SUCCESS;
  if (subKey[0] == '\\') return ERROR_BAD_PATHNAME;
  std::string_view rest(subKey);
  while (!rest.empty()) {
    const size_t end = rest.find('\\');
    const std::string_view name = rest.substr(0, end);
    if (name.size() > kMaxKeyName) return ERROR_INVALID_PARAMETER;
    if (!name.empty()) names.push_back(name);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return ERROR_SUCCESS;
}

std::string_view ValueName(LPCSTR name) { return name != nullptr ? std::string_view(name) : std::string_view(); }

HKEY NewHandle(const std::shared_ptr<Store>& store, int64_t id) {
  return static_cast<HKEY>(hk::posix::RegisterHandle(new KeyObject(store, id)));
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, DWORD, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  StoreAccess store;
  LONG error = store.Resolve(key);
  if (error != ERROR_SUCCESS) return error;
  std::vector<std::string_view> names;
  error = SplitPath(subKey, names);
  if (error != ERROR_SUCCESS) return error;
  if (names.empty() && store.predefined()) {
    *result = key;
    return ERROR_SUCCESS;
  }
  int64_t found = 0;
  error = store.Open(false);
  if (error == ERROR_SUCCESS) error = store->FindPath(store.id(), names, found);
  if (error != ERROR_SUCCESS) return error;
  *result = NewHandle(store.store(), found);
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR, DWORD, DWORD,
                     LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
  if (result == nullptr || reserved != 0) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  StoreAccess store;
  LONG error = store.Resolve(key);
  if (error != ERROR_SUCCESS) return error;
  std::vector<std::string_view> names;
  error = SplitPath(subKey, names);
  if (error != ERROR_SUCCESS) return error;
  int64_t found = 0;
  bool created = false;
  error = store.Open(true);
  if (error == ERROR_SUCCESS) error = store->CreatePath(store.id(), names, found, created);
  if (error != ERROR_SUCCESS) return error;
  *result = NewHandle(store.store(), found);
  if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
  const DWORD lastError = GetLastError();
  const bool isKey = hk::posix::HandleAs<KeyObject>(key) != nullptr;
  const bool closed = isKey && CloseHandle(key);
  SetLastError(lastError);
  return closed ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
  StoreAccess store;
  LONG error = store.Resolve(key);
  if (error != ERROR_SUCCESS) return error;
  std::vector<std::string_view> names;
  error = SplitPath(subKey, names);
  if (error != ERROR_SUCCESS) return error;
  if (names.empty() && store.predefined()) return ERROR_ACCESS_DENIED;
  error = store.Open(false);
  if (error != ERROR_SUCCESS) return error;
  return store->DeleteKey(store.id(), names);
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
  StoreAccess store;
  LONG error = store.Resolve(key);
  if (error != ERROR_SUCCESS) return error;
  const std::string_view name = ValueName(valueName);
  if (name.size() > kMaxValueName) return ERROR_FILE_NOT_FOUND;
  error = store.Open(false);
  if (error != ERROR_SUCCESS) return error;
  return store->DeleteValue(store.id(), name);
}

LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                   LPSTR keyClass, LPDWORD classSize, PFILETIME lastWrite) {
  if (reserved != nullptr || name == nullptr || nameSize == nullptr) return ERROR_INVALID_PARAMETER;
  std::string found;
  int64_t written = 0;
  {
    StoreAccess store;
    LONG error = store.Resolve(key);
    if (error == ERROR_SUCCESS) error = store.Open(false);
    if (error == ERROR_FILE_NOT_FOUND) return ERROR_NO_MORE_ITEMS;  // an empty registry
    if (error == ERROR_SUCCESS) error = store->EnumKey(store.id(), index, found, lastWrite != nullptr ? &written : nullptr);
    if (error != ERROR_SUCCESS) return error;
  }
  if (found.size() + 1 > *nameSize) return ERROR_MORE_DATA;
  std::memcpy(name, found.c_str(), found.size() + 1);
  *nameSize = static_cast<DWORD>(found.size());
  if (keyClass != nullptr && classSize != nullptr && *classSize > 0) keyClass[0] = '\0';
  if (classSize != nullptr) *classSize = 0;
  if (lastWrite != nullptr) *lastWrite = hk::posix::FileTimeFromInt(written);
  return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                   LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  if (reserved != nullptr || name == nullptr || nameSize == nullptr || (data != nullptr && dataSize == nullptr))
    return ERROR_INVALID_PARAMETER;
  std::string found;
  LONG error;
  {
    StoreAccess store;
    error = store.Resolve(key);
    if (error == ERROR_SUCCESS) error = store.Open(false);
    if (error == ERROR_FILE_NOT_FOUND) return ERROR_NO_MORE_ITEMS;
    if (error == ERROR_SUCCESS) error = store->EnumValue(store.id(), index, found, type, data, dataSize);
  }
  if (error != ERROR_SUCCESS && error != ERROR_MORE_DATA) return error;
  if (found.size() + 1 > *nameSize) return ERROR_MORE_DATA;
  if (error == ERROR_MORE_DATA) return error;
  std::memcpy(name, found.c_str(), found.size() + 1);
  *nameSize = static_cast<DWORD>(found.size());
  return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY key) {
  StoreAccess store;
  LONG error = store.Resolve(key);
  if (error == ERROR_SUCCESS) error = store.Open(false);
  if (error == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;  // nothing written, nothing to keep
  if (error == ERROR_SUCCESS) error = store->KeyExists(store.id());
  if (error == ERROR_SUCCESS) error = store->Flush();
  return error;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
  if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) return ERROR_INVALID_PARAMETER;
  StoreAccess store;
  LONG error = store.Resolve(key);
  if (error != ERROR_SUCCESS) return error;
  const std::string_view name = ValueName(valueName);
  if (name.size() > kMaxValueName) return ERROR_FILE_NOT_FOUND;
  error = store.Open(false);
  if (error != ERROR_SUCCESS) return error;
  return store->QueryValue(store.id(), name, type, data, dataSize);
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
  if (data == nullptr && dataSize > 0) return ERROR_NOACCESS;
  StoreAccess store;
  LONG error = store.Resolve(key);
  if (error != ERROR_SUCCESS) return error;
  const std::string_view name = ValueName(valueName);
  if (name.size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
  error = store.Open(true);
  if (error != ERROR_SUCCESS) return error;
  return store->SetValue(store.id(), name, type, data, dataSize);
}
