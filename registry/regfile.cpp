// The exported face of registry/transfer: full key names, and keys moved to and from the
// registry editor's text.
#include <hostkit/registry.h>

#include "registry/transfer.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

BOOL SplitRegistryKeyName(const char* fullName, HKEY& root, CString& subKey, CString& rootName) {
  if (fullName == nullptr) return FALSE;
  HKEY foundRoot = nullptr;
  std::string below, name;
  if (!hk::registry::SplitKeyPath(fullName, foundRoot, below, name)) return FALSE;
  root = foundRoot;
  subKey = CString(below.data(), static_cast<int>(below.size()));
  rootName = CString(name.data(), static_cast<int>(name.size()));
  return TRUE;
}

BOOL ExportRegistryKey(const char* fullName, CByteArray& text, CString& error) {
  std::string bytes, message;
  if (!hk::registry::ExportKey(fullName != nullptr ? fullName : "", bytes, message)) {
    error = message.c_str();
    return FALSE;
  }
  text.SetSize(static_cast<int>(bytes.size()));
  std::copy(bytes.begin(), bytes.end(), text.GetData());
  return TRUE;
}

BOOL ExportRegistryKeyToFile(const char* fullName, const char* file, CString& error) {
  std::string message;
  if (file == nullptr || *file == '\0') {
    error = "no file named";
    return FALSE;
  }
  if (!hk::registry::ExportKeyToFile(fullName != nullptr ? fullName : "", file, message)) {
    error = message.c_str();
    return FALSE;
  }
  return TRUE;
}

BOOL ImportRegistryText(const void* text, DWORD size, DWORD& applied, CString& error) {
  applied = 0;
  std::vector<hk::registry::RegTextEntry> entries;
  std::string message;
  size_t done = 0;
  const std::string_view bytes(static_cast<const char*>(text), text != nullptr ? size : 0);
  const bool ok = hk::registry::ParseRegText(bytes, entries, message) &&
                  hk::registry::ImportEntries(entries, done, message);
  applied = static_cast<DWORD>(done);
  if (!ok) error = message.c_str();
  return ok ? TRUE : FALSE;
}
