// Exporting a key tree to registry text and importing registry text.
#include "registry/transfer.h"

#include "platform/faults.h"
#include "platform/registrybatch.h"
#include "platform/text.h"

#include <hostkit/registry.h>

#include <algorithm>
#include <random>

namespace hk::registry {

namespace {

using hk::text::EqualsNoCase;

// The longest key name and value name the registry takes.
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;

// Buffers reused through a whole export: a value's data grows to the largest value met.
struct ExportBuffers {
  std::string name = std::string(kMaxValueName + 1, '\0');
  std::string data;
};

// A value's name as a registry file writes it.
std::string Quoted(std::string_view name) {
  if (name.empty()) return "@";
  std::string quoted(1, '"');
  quoted.append(name);
  quoted.push_back('"');
  return quoted;
}

// Writes one key, its values, then its sub-keys in the registry's order.
bool ExportTree(HKEY key, const std::string& path, RegTextWriter& writer, ExportBuffers& buffers, std::string& error) {
  if (!writer.Key(path)) {
    if (!writer.SinkFailed()) error = path + ": " + writer.Problem();
    return false;
  }
  for (DWORD index = 0;; ++index) {
    DWORD nameSize = 0, type = REG_NONE, size = 0;
    LONG result = ERROR_MORE_DATA;
    for (bool first = true; result == ERROR_MORE_DATA; first = false) {
      // A buffer was too small. The data buffer at least doubles, so that values growing in
      // size one after the other are not each read twice.
      if (!first && size > buffers.data.size()) buffers.data.resize(std::max<size_t>(size, 2 * buffers.data.size()));
      else if (!first) buffers.name.resize(2 * buffers.name.size());
      nameSize = static_cast<DWORD>(buffers.name.size());
      size = static_cast<DWORD>(buffers.data.size());
      result = RegEnumValueA(key, index, buffers.name.data(), &nameSize, nullptr, &type,
                             reinterpret_cast<BYTE*>(buffers.data.data()), &size);
    }
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) {
      error = "cannot read a value of " + path + ": " + SystemMessage(result);
      return false;
    }
    const std::string_view name(buffers.name.data(), nameSize);
    if (!writer.Value(name, type, std::string_view(buffers.data.data(), size))) {
      if (!writer.SinkFailed()) error = path + " " + Quoted(name) + ": " + writer.Problem();
      return false;
    }
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
    const bool ok = ExportTree(sub, path + "\\" + child, writer, buffers, error);
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
    // What the registry would refuse by name is refused before anything is changed.
    const char* problem = nullptr;
    for (size_t start = 0; problem == nullptr && start < target.subKey.size();) {
      const size_t end = std::min(target.subKey.find('\\', start), target.subKey.size());
      if (end == start) problem = "a key name is empty";
      if (end - start > kMaxKeyName) problem = "a key name is longer than 255 characters";
      start = end + 1;
    }
    if (problem == nullptr && entry.name.size() > kMaxValueName)
      problem = "a value name is longer than 16383 characters";
    if (problem != nullptr) {
      error = "line " + std::to_string(entry.line) + ": " + entry.key + ": " + problem;
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

bool ExportKey(std::string_view path, const RegTextSink& sink, std::string& error) {
  error.clear();
  HKEY root = nullptr;
  std::string subKey, rootName;
  if (!SplitKeyPath(path, root, subKey, rootName)) {
    error = std::string(path) + " is not below HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE";
    return false;
  }
  // One state of the registry throughout, where it can: writers elsewhere cannot tear the tree.
  const bool snapshot = BeginRegistryBatch(root, false) == ERROR_SUCCESS;
  HKEY key = nullptr;
  const LONG result = RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key);
  bool ok = result == ERROR_SUCCESS;
  if (!ok) error = "cannot open " + std::string(path) + ": " + SystemMessage(result);
  RegTextWriter writer(sink);
  ExportBuffers buffers;
  if (ok) {
    ok = ExportTree(key, subKey.empty() ? rootName : rootName + "\\" + subKey, writer, buffers, error);
    RegCloseKey(key);
  }
  if (snapshot) EndRegistryBatch(root, false);
  return ok && writer.Finish();
}

bool ExportKey(std::string_view path, std::string& bytes, std::string& error) {
  std::string text;
  const bool ok = ExportKey(path, [&text](std::string_view piece) {
    text += piece;
    return true;
  }, error);
  if (ok) bytes = std::move(text);
  return ok;
}

bool ExportKeyToFile(std::string_view path, const std::string& file, std::string& error) {
  // A scratch name of its own beside the file, so that the rename stays on one volume.
  std::random_device random;
  std::string scratch;
  HANDLE out = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && out == INVALID_HANDLE_VALUE; ++attempt) {
    scratch = file + ".export-" + std::to_string(random());
    out = CreateFileA(scratch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (out == INVALID_HANDLE_VALUE) {
    error = "cannot write " + file + ": " + SystemMessage(static_cast<LONG>(GetLastError()));
    return false;
  }
  DWORD failure = ERROR_SUCCESS;
  const RegTextSink sink = [&](std::string_view bytes) {
    while (!bytes.empty()) {
      DWORD written = 0;
      const DWORD count = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
      if (!hk::sys::WriteFile(out, bytes.data(), count, &written) || written == 0) {
        failure = written == 0 && GetLastError() == ERROR_SUCCESS ? ERROR_WRITE_FAULT : GetLastError();
        return false;
      }
      bytes.remove_prefix(written);
    }
    return true;
  };
  // The rename alone keeps a killed export from leaving a part of a file under the name. The
  // text is not synced first: like any other file written, it reaches the disk with the next
  // writeback, and forcing it there would cost more than writing it (an export is three times
  // the size of its data).
  bool ok = ExportKey(path, sink, error);
  if (!CloseHandle(out) && failure == ERROR_SUCCESS) failure = GetLastError();
  ok = ok && failure == ERROR_SUCCESS;
  if (ok && !MoveFileExA(scratch.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    failure = GetLastError();
    ok = false;
  }
  if (!ok) {
    DeleteFileA(scratch.c_str());
    if (failure != ERROR_SUCCESS) error = "cannot write " + file + ": " + SystemMessage(static_cast<LONG>(failure));
  }
  return ok;
}

bool ImportEntries(const std::vector<RegTextEntry>& entries, size_t& applied, std::string& error) {
  applied = 0;
  std::vector<Target> targets;
  if (!CheckEntries(entries, targets, error)) return false;
  // Each root written to in one batch, always in the same order (two imports at once take
  // their batches in turn instead of each waiting for the other's).
  std::vector<HKEY> batches;
  bool batched = true;
  const auto abandon = [&batches] {
    for (HKEY root : batches) EndRegistryBatch(root, false);
    batches.clear();
  };
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    if (std::none_of(targets.begin(), targets.end(), [root](const Target& t) { return t.root == root; })) continue;
    const LONG result = BeginRegistryBatch(root, true);
    if (result == ERROR_NOT_SUPPORTED) {
      batched = false;
      continue;
    }
    if (result != ERROR_SUCCESS) {
      abandon();
      error = std::string("cannot write ") + (root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE") +
              ": " + SystemMessage(result) + "; nothing was imported";
      return false;
    }
    batches.push_back(root);
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    const LONG result = Apply(entries[i], targets[i]);
    if (result != ERROR_SUCCESS) {
      abandon();
      error = "line " + std::to_string(entries[i].line) + ": " + entries[i].key;
      if (entries[i].kind == RegTextEntry::kValue) error.append(" ").append(Quoted(entries[i].name));
      error.append(": ").append(SystemMessage(result));
      if (batched) error.append("; nothing was imported");
      else error.append("; the ").append(std::to_string(i)).append(" entries before it were applied");
      applied = batched ? 0 : i;
      return false;
    }
  }
  // Two stores cannot commit as one: should the second fail, the first one's entries stay.
  for (size_t k = 0; k < batches.size(); ++k) {
    const LONG result = EndRegistryBatch(batches[k], true);
    if (result != ERROR_SUCCESS) {
      const HKEY kept = k > 0 ? batches[0] : nullptr;
      applied = static_cast<size_t>(
          std::count_if(targets.begin(), targets.end(), [kept](const Target& t) { return t.root == kept; }));
      batches.erase(batches.begin(), batches.begin() + static_cast<std::ptrdiff_t>(k) + 1);
      abandon();
      error = "cannot write the imported entries: " + SystemMessage(result) +
              (applied == 0 ? "; nothing was imported" : "; only those below HKEY_CURRENT_USER were kept");
      return false;
    }
  }
  applied = entries.size();
  return true;
}

}  // namespace hk::registry
