// Exporting a key tree to registry text and importing registry text.
#include "registry/transfer.h"

#include "platform/text.h"

#include <hostkit/registry.h>

namespace hk::registry {

namespace {

using hk::text::EqualsNoCase;

// Writes one key, its values, then its sub-keys in the registry's order.
bool ExportTree(HKEY key, const std::string& path, RegTextWriter& writer, std::string& error) {
  writer.Key(path);
  std::string name(16384, '\0');
  for (DWORD index = 0;; ++index) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG result = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type, nullptr, &size);
    if (result == ERROR_NO_MORE_ITEMS) break;
    std::string data;
    while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {  // the value may grow meanwhile
      data.assign(size, '\0');
      nameSize = static_cast<DWORD>(name.size());
      result = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type,
                             reinterpret_cast<BYTE*>(data.data()), &size);
      if (result == ERROR_SUCCESS) break;
    }
    if (result != ERROR_SUCCESS) {
      error = "cannot read a value of " + path + ": " + SystemMessage(result);
      return false;
    }
    data.resize(size);
    writer.Value(std::string_view(name.data(), nameSize), type, data);
  }
  std::vector<std::string> children;
  for (DWORD index = 0;; ++index) {
    char child[1024];
    DWORD size = sizeof child;
    const LONG result = RegEnumKeyExA(key, index, child, &size, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) {
      error = "cannot list the sub-keys of " + path + ": " + SystemMessage(result);
      return false;
    }
    children.emplace_back(child, size);
  }
  for (const std::string& child : children) {
    HKEY sub = nullptr;
    const LONG result = RegOpenKeyExA(key, child.c_str(), 0, KEY_READ, &sub);
    if (result == ERROR_FILE_NOT_FOUND) continue;  // deleted meanwhile
    if (result != ERROR_SUCCESS) {
      error = "cannot open " + path + "\\" + child + ": " + SystemMessage(result);
      return false;
    }
    const bool ok = ExportTree(sub, path + "\\" + child, writer, error);
    RegCloseKey(sub);
    if (!ok) return false;
  }
  return true;
}

struct Target {
  HKEY root = nullptr;
  std::string subKey;
};

bool CheckEntries(const std::vector<RegTextEntry>& entries, std::vector<Target>& targets, std::string& error) {
  targets.clear();
  for (const RegTextEntry& entry : entries) {
    Target target;
    std::string rootName;
    if (!SplitKeyPath(entry.key, target.root, target.subKey, rootName)) {
      error = "line " + std::to_string(entry.line) + ": " + entry.key +
              " is not below HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE";
      return false;
    }
    if (entry.kind == RegTextEntry::kDeleteKey && target.subKey.empty()) {
      error = "line " + std::to_string(entry.line) + ": a root key cannot be deleted";
      return false;
    }
    targets.push_back(std::move(target));
  }
  return true;
}

LONG Apply(const RegTextEntry& entry, const Target& target) {
  const char* subKey = target.subKey.c_str();
  if (entry.kind == RegTextEntry::kDeleteKey) {
    const size_t slash = target.subKey.find_last_of('\\');
    const std::string parent = slash == std::string::npos ? "" : target.subKey.substr(0, slash);
    const std::string leaf = slash == std::string::npos ? target.subKey : target.subKey.substr(slash + 1);
    CNuRegistry registry;
    if (registry.DeleteSection(target.root, parent.c_str(), leaf.c_str())) return ERROR_SUCCESS;
    HKEY key = nullptr;
    const LONG open = RegOpenKeyExA(target.root, subKey, 0, KEY_READ, &key);
    if (open == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;  // nothing there to delete
    if (open == ERROR_SUCCESS) RegCloseKey(key);
    return open == ERROR_SUCCESS ? ERROR_ACCESS_DENIED : open;
  }
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (entry.kind == RegTextEntry::kDeleteValue) {
    LONG result = RegOpenKeyExA(target.root, subKey, 0, KEY_ALL_ACCESS, &key);
    if (result == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (result != ERROR_SUCCESS) return result;
    result = RegDeleteValueA(key, entry.name.c_str());
    RegCloseKey(key);
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
  }
  LONG result = RegCreateKeyExA(target.root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                &key, &disposition);
  if (result != ERROR_SUCCESS || entry.kind == RegTextEntry::kKey) {
    if (result == ERROR_SUCCESS) RegCloseKey(key);
    return result;
  }
  result = RegSetValueExA(key, entry.name.c_str(), 0, entry.type, reinterpret_cast<const BYTE*>(entry.data.data()),
                          static_cast<DWORD>(entry.data.size()));
  RegCloseKey(key);
  return result;
}

}  // namespace

std::string SystemMessage(LONG code) {
  char text[512];
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
  std::string message = length > 0 ? std::string(text, length) : "error " + std::to_string(code);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  return message;
}

bool SplitKeyPath(std::string_view path, HKEY& root, std::string& subKey, std::string& rootName) {
  const size_t slash = path.find('\\');
  const std::string_view head = path.substr(0, slash);
  if (EqualsNoCase(head, "HKEY_CURRENT_USER") || EqualsNoCase(head, "HKCU")) {
    root = HKEY_CURRENT_USER;
    rootName = "HKEY_CURRENT_USER";
  } else if (EqualsNoCase(head, "HKEY_LOCAL_MACHINE") || EqualsNoCase(head, "HKLM")) {
    root = HKEY_LOCAL_MACHINE;
    rootName = "HKEY_LOCAL_MACHINE";
  } else {
    return false;
  }
  subKey = slash == std::string_view::npos ? std::string() : std::string(path.substr(slash + 1));
  while (!subKey.empty() && subKey.back() == '\\') subKey.pop_back();
  return true;
}

bool ExportKey(std::string_view path, std::string& bytes, std::string& error) {
  HKEY root = nullptr;
  std::string subKey, rootName;
  if (!SplitKeyPath(path, root, subKey, rootName)) {
    error = std::string(path) + " is not below HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE";
    return false;
  }
  HKEY key = nullptr;
  const LONG result = RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key);
  if (result != ERROR_SUCCESS) {
    error = "cannot open " + std::string(path) + ": " + SystemMessage(result);
    return false;
  }
  RegTextWriter writer;
  const bool ok = ExportTree(key, subKey.empty() ? rootName : rootName + "\\" + subKey, writer, error);
  RegCloseKey(key);
  if (ok) bytes = writer.Finish();
  return ok;
}

bool ImportEntries(const std::vector<RegTextEntry>& entries, size_t& applied, std::string& error) {
  applied = 0;
  std::vector<Target> targets;
  if (!CheckEntries(entries, targets, error)) return false;
  for (size_t i = 0; i < entries.size(); ++i) {
    const LONG result = Apply(entries[i], targets[i]);
    if (result != ERROR_SUCCESS) {
      error = "line " + std::to_string(entries[i].line) + ": " + entries[i].key +
              (entries[i].kind == RegTextEntry::kValue ? " \"" + entries[i].name + "\"" : std::string()) + ": " +
              SystemMessage(result);
      return false;
    }
    ++applied;
  }
  return true;
}

}  // namespace hk::registry
