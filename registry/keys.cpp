// Values and sub-keys by key name, for programs that work on the registry directly rather
// than through settings objects (the command-line tool among them).
#include <hostkit/registry.h>

#include "platform/win32.h"

#include <algorithm>
#include <string>

namespace {

// Closes the key on every way out.
struct OpenKey {
  HKEY key = nullptr;
  ~OpenKey() {
    if (key != nullptr) RegCloseKey(key);
  }
};

}  // namespace

LONG GetRegistryValue(HKEY root, const char* subKey, const char* name, DWORD& type, CByteArray& data) {
  OpenKey key;
  LONG result = RegOpenKeyExA(root, subKey, 0, KEY_READ, &key.key);
  if (result != ERROR_SUCCESS) return result;
  DWORD found = REG_NONE;
  DWORD size = 0;
  std::string bytes;
  result = RegQueryValueExA(key.key, name, nullptr, &found, nullptr, &size);
  while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {  // the value may grow meanwhile
    bytes.assign(size, '\0');
    result = RegQueryValueExA(key.key, name, nullptr, &found, reinterpret_cast<BYTE*>(bytes.data()), &size);
    if (result == ERROR_SUCCESS) break;
  }
  if (result != ERROR_SUCCESS) return result;
  type = found;
  data.SetSize(static_cast<int>(size));
  std::copy(bytes.begin(), bytes.begin() + size, data.GetData());
  return ERROR_SUCCESS;
}

LONG DeleteRegistryValue(HKEY root, const char* subKey, const char* name) {
  OpenKey key;
  const LONG result = RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, &key.key);
  return result != ERROR_SUCCESS ? result : RegDeleteValueA(key.key, name);
}

LONG GetRegistrySubKeys(HKEY root, const char* subKey, CStringArray& names) {
  names.RemoveAll();
  OpenKey key;
  LONG result = RegOpenKeyExA(root, subKey, 0, KEY_READ, &key.key);
  for (DWORD index = 0; result == ERROR_SUCCESS; ++index) {
    char name[1024];
    DWORD size = sizeof name;
    result = RegEnumKeyExA(key.key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_SUCCESS) names.Add(CString(name, static_cast<int>(size)));
  }
  return result == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : result;
}
