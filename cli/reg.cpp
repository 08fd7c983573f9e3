// hostkit reg: registry settings from the command line.
#include "command.h"

#include <hostkit/hostkit.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#if !defined(_WIN32)
#  include <filesystem>
#endif

namespace hk::cli {
namespace {

struct KeyName {
  HKEY root = nullptr;
  std::string subKey;    // below the root
  std::string fullName;  // HKEY_CURRENT_USER\...
};

KeyName ParseKey(const std::string& text) {
  KeyName key;
  CString subKey, rootName;
  if (!SplitRegistryKeyName(text.c_str(), key.root, subKey, rootName))
    throw UsageError("'" + text + "' is not a key below HKEY_CURRENT_USER (HKCU) or HKEY_LOCAL_MACHINE (HKLM)");
  key.subKey = static_cast<const char*>(subKey);
  key.fullName = key.subKey.empty() ? std::string(rootName) : std::string(rootName) + "\\" + key.subKey;
  return key;
}

// The system's text for a Win32 code, without the line end.
std::string SystemMessage(LONG code) {
  CNuOSException error(static_cast<DWORD>(code));
  char text[512];
  std::string message = error.GetErrorMessage(text, sizeof text) ? text : "error " + std::to_string(code);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  return message;
}

// The settings object for KEY's parent with KEY as its section name.
struct Split {
  std::string base;
  std::string section;
};

Split ParentAndLeaf(const KeyName& key) {
  if (key.subKey.empty()) throw UsageError("name a key below the root, not the root itself");
  const size_t slash = key.subKey.find_last_of('\\');
  if (slash == std::string::npos) return {"", key.subKey};
  return {key.subKey.substr(0, slash), key.subKey.substr(slash + 1)};
}

int Fail(const std::string& what, LONG code) {
  std::fprintf(stderr, "hostkit reg: %s: %s\n", what.c_str(), SystemMessage(code).c_str());
  return kFailure;
}

// A value that could not be read or deleted: the key's own failure when the key cannot be
// opened, else the value's.
int FailOnValue(const KeyName& key, const std::string& name, LONG result) {
  CStringArray subKeys;
  const LONG open = GetRegistrySubKeys(key.root, key.subKey.c_str(), subKeys);
  if (open != ERROR_SUCCESS) return Fail(key.fullName, open);
  return Fail(key.fullName + " \"" + name + "\"", result);
}

std::string Hex(const std::string& data) {
  std::string out;
  char piece[4];
  for (size_t i = 0; i < data.size(); ++i) {
    std::snprintf(piece, sizeof piece, i == 0 ? "%02x" : ",%02x", static_cast<unsigned char>(data[i]));
    out += piece;
  }
  return out;
}

int Get(Args& args) {
  ExpectCount(args, 2, 2);
  const KeyName key = ParseKey(args[0]);
  DWORD type = REG_NONE;
  CByteArray value;
  const LONG result = GetRegistryValue(key.root, key.subKey.c_str(), args[1].c_str(), type, value);
  if (result != ERROR_SUCCESS) return FailOnValue(key, args[1], result);
  const std::string data(reinterpret_cast<const char*>(value.GetData()), static_cast<size_t>(value.GetSize()));
  if (type == REG_DWORD && data.size() == 4) {
    const DWORD number = static_cast<unsigned char>(data[0]) | (static_cast<unsigned char>(data[1]) << 8) |
                         (static_cast<unsigned char>(data[2]) << 16) | (static_cast<DWORD>(static_cast<unsigned char>(data[3])) << 24);
    std::printf("%lu\n", static_cast<unsigned long>(number));
  } else if ((type == REG_SZ || type == REG_EXPAND_SZ) && data.find('\0') >= data.size() - 1 && !data.empty()) {
    std::printf("%s\n", data.c_str());
  } else {
    std::printf("%s\n", Hex(data).c_str());
  }
  return kSuccess;
}

bool ParseHex(const std::string& text, std::string& bytes) {
  bytes.clear();
  std::string digits;
  for (char c : text)
    if (c != ',' && c != ' ' && c != ':') digits.push_back(c);
  if (digits.size() % 2 != 0) return false;
  for (size_t i = 0; i < digits.size(); i += 2) {
    char* end = nullptr;
    const std::string pair = digits.substr(i, 2);
    const unsigned long value = std::strtoul(pair.c_str(), &end, 16);
    if (end == nullptr || *end != '\0') return false;
    bytes.push_back(static_cast<char>(value));
  }
  return true;
}

int Put(Args& args) {
  std::string text, number, flag, hex;
  const bool isText = TakeOption(args, "--sz", text);
  const bool isNumber = TakeOption(args, "--dword", number);
  const bool isFlag = TakeOption(args, "--bool", flag);
  const bool isBinary = TakeOption(args, "--binary", hex);
  if (isText + isNumber + isFlag + isBinary != 1) throw UsageError("give exactly one of --sz, --dword, --bool, --binary");
  ExpectCount(args, 2, 2);
  const KeyName key = ParseKey(args[0]);
  const Split split = ParentAndLeaf(key);
  const char* name = args[1].c_str();
  std::string bytes;
  DWORD value = 0;
  if (isNumber) {
    value = ParseNumber(number);
  }
  if (isFlag && flag != "0" && flag != "1") throw UsageError("--bool takes 0 or 1");
  if (isBinary && !ParseHex(hex, bytes)) throw UsageError("--binary takes hexadecimal bytes, such as 01ff or 01,ff");
  CNuRegistry settings(key.root, split.base.c_str(), split.section.c_str());
  BOOL ok = FALSE;
  if (isText) ok = settings.PutString(name, text.c_str());
  else if (isNumber) ok = settings.PutInt(name, value);
  else if (isFlag) ok = settings.PutBool(name, flag == "1");
  else ok = settings.PutBinary(name, bytes.data(), static_cast<DWORD>(bytes.size()));
  if (!ok) {
    std::fprintf(stderr, "hostkit reg: could not write %s \"%s\"\n", key.fullName.c_str(), name);
    return kFailure;
  }
  return kSuccess;
}

int DeleteEntry(Args& args) {
  ExpectCount(args, 2, 2);
  const KeyName key = ParseKey(args[0]);
  const LONG result = DeleteRegistryValue(key.root, key.subKey.c_str(), args[1].c_str());
  return result == ERROR_SUCCESS ? kSuccess : FailOnValue(key, args[1], result);
}

int List(Args& args) {
  ExpectCount(args, 1, 1);
  const KeyName key = ParseKey(args[0]);
  CStringArray names;
  const LONG result = GetRegistrySubKeys(key.root, key.subKey.c_str(), names);
  for (int i = 0; i < names.GetSize(); ++i) std::printf("%s\n", static_cast<const char*>(names[i]));
  return result == ERROR_SUCCESS ? kSuccess : Fail(key.fullName, result);
}

int Delete(Args& args) {
  const bool recursive = TakeFlag(args, "--recursive");
  ExpectCount(args, 1, 1);
  const KeyName key = ParseKey(args[0]);
  const Split split = ParentAndLeaf(key);
  CNuRegistry settings;
  BOOL ok = FALSE;
  if (recursive) {
    ok = settings.DeleteSection(key.root, split.base.c_str(), split.section.c_str());
  } else {
    settings.SetBaseKey(key.root, split.base.c_str(), FALSE);
    ok = settings.DeleteSection(split.section.c_str());
  }
  if (!ok) {
    std::fprintf(stderr, "hostkit reg: could not delete %s%s\n", key.fullName.c_str(),
                 recursive ? "" : " (it may be missing or have sub-keys: see --recursive)");
    return kFailure;
  }
  return kSuccess;
}

int Export(Args& args) {
  ExpectCount(args, 2, 2);
  ParseKey(args[0]);
  CString error;
  if (!ExportRegistryKeyToFile(args[0].c_str(), args[1].c_str(), error)) {
    std::fprintf(stderr, "hostkit reg: %s\n", static_cast<const char*>(error));
    return kFailure;
  }
  return kSuccess;
}

int Import(Args& args) {
  ExpectCount(args, 1, 1);
  std::ifstream in(args[0], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "hostkit reg: could not read %s\n", args[0].c_str());
    return kFailure;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  DWORD applied = 0;
  CString error;
  if (!ImportRegistryText(bytes.data(), static_cast<DWORD>(bytes.size()), applied, error)) {
    std::fprintf(stderr, "hostkit reg: %s: %s\n", args[0].c_str(), static_cast<const char*>(error));
    return kFailure;
  }
  std::printf("%lu entries imported\n", static_cast<unsigned long>(applied));
  return kSuccess;
}

int Run(Args& args) {
  if (args.empty()) throw UsageError("missing sub-command");
  const std::string sub = args[0];
  args.erase(args.begin());
  if (sub == "get") return Get(args);
  if (sub == "put") return Put(args);
  if (sub == "delete-entry") return DeleteEntry(args);
  if (sub == "list") return List(args);
  if (sub == "delete") return Delete(args);
  if (sub == "export") return Export(args);
  if (sub == "import") return Import(args);
  throw UsageError("unknown sub-command '" + sub + "'");
}

Registration command(Command{
    "reg", "registry settings: read, write, list, delete, export and import",
    "usage: hostkit reg get KEY NAME\n"
    "       hostkit reg put KEY NAME (--sz TEXT | --dword N | --bool 0|1 | --binary HEX)\n"
    "       hostkit reg delete-entry KEY NAME\n"
    "       hostkit reg list KEY\n"
    "       hostkit reg delete KEY [--recursive]\n"
    "       hostkit reg export KEY FILE\n"
    "       hostkit reg import FILE\n"
    "\n"
    "KEY is HKEY_CURRENT_USER\\Software\\... or HKEY_LOCAL_MACHINE\\... (HKCU\\..., HKLM\\... for\n"
    "short); quote it in the shell. NAME \"\" is the key's default value.\n"
    "\n"
    "get           prints a value: text, a decimal number, or bytes as hex\n"
    "put           writes a value (REG_SZ, REG_DWORD, REG_DWORD 0/1, REG_BINARY), creating\n"
    "              the key; N is decimal or 0x hex, HEX is like 01ff or 01,ff\n"
    "delete-entry  deletes one value\n"
    "list          prints the key's sub-keys, one a line\n"
    "delete        deletes a key without sub-keys, or with --recursive everything below it\n"
    "export        writes the key and everything below it as a .reg file (\"Windows Registry\n"
    "              Editor Version 5.00\", UTF-16) that the registry editor imports; a name or\n"
    "              value the format cannot carry is refused, naming it, and no file is written\n"
    "import        applies a .reg file (version 5.00 or REGEDIT4, UTF-16 or UTF-8), all of it\n"
    "              or, when a line is malformed or an entry refused, nothing (on Windows, an\n"
    "              entry the registry refuses part way leaves the ones before it applied)\n"
    "\n"
    "On POSIX the registry is kept in SQLite files: HKEY_CURRENT_USER in\n"
    "$XDG_CONFIG_HOME/hostkit/HKEY_CURRENT_USER.db (~/.config/hostkit when unset),\n"
    "HKEY_LOCAL_MACHINE in /etc/xdg/hostkit/HKEY_LOCAL_MACHINE.db (the first of\n"
    "$XDG_CONFIG_DIRS). HOSTKIT_REGISTRY_DIR=DIR puts both files in DIR instead.\n",
    Run});

// The tour works in a store of its own (on Windows, a scratch key it removes), so it never
// touches the user's settings.
class ScratchRegistry {
 public:
  ScratchRegistry() {
#if defined(_WIN32)
    m_base = "Software\\HOSTKIT tour " + std::to_string(GetCurrentProcessId());
#else
    std::string dir = (std::filesystem::temp_directory_path() / "hostkit-tour-XXXXXX").string();
    if (mkdtemp(dir.data()) != nullptr) m_dir = dir;
    const char* old = std::getenv("HOSTKIT_REGISTRY_DIR");
    m_hadOld = old != nullptr;
    if (m_hadOld) m_old = old;
    setenv("HOSTKIT_REGISTRY_DIR", m_dir.c_str(), 1);
    m_base = "Software\\HOSTKIT tour";
#endif
  }
  ~ScratchRegistry() {
    CNuRegistry cleaner;
    cleaner.DeleteSection(HKEY_CURRENT_USER, "Software", m_base.substr(9).c_str());
#if !defined(_WIN32)
    if (m_hadOld) setenv("HOSTKIT_REGISTRY_DIR", m_old.c_str(), 1);
    else unsetenv("HOSTKIT_REGISTRY_DIR");
    std::error_code ec;
    if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ec);
#endif
  }
  const std::string& Base() const { return m_base; }
  bool Ok() const {
#if defined(_WIN32)
    return true;
#else
    return !m_dir.empty();
#endif
  }

 private:
  std::string m_base;
#if !defined(_WIN32)
  std::string m_dir;
  std::string m_old;
  bool m_hadOld = false;
#endif
};

Registration tour(TourStep{50, "registry settings", [](std::FILE* out) {
  ScratchRegistry scratch;
  if (!scratch.Ok()) return false;
  CNuRegistry settings(HKEY_CURRENT_USER, scratch.Base().c_str(), "Window");
  bool ok = settings.PutInt("Width", 640) && settings.PutBool("Maximized", TRUE) &&
            settings.PutString("Title", "Tour");
  CNuRegistry recent(HKEY_CURRENT_USER, scratch.Base().c_str(), "Recent");
  ok = recent.PutString("File1", "report.doc") && ok;
  std::fprintf(out, "  HKCU\\%s\\Window: Width=%lu Maximized=%d Title=%s; Height falls back to %lu\n",
               scratch.Base().c_str(), static_cast<unsigned long>(settings.GetInt("Width", 0)),
               settings.GetBool("Maximized", FALSE), static_cast<const char*>(settings.GetString("Title", "?")),
               static_cast<unsigned long>(settings.GetInt("Height", 480)));
  CStringList sections;
  ok = settings.GetKeyList(nullptr, sections) && ok;
  std::fprintf(out, "  sections:");
  POSITION position = sections.GetHeadPosition();
  while (position != nullptr) std::fprintf(out, " %s", static_cast<const char*>(sections.GetNext(position)));
  std::fprintf(out, "\n");
  CByteArray bytes;
  CString error;
  ok = ExportRegistryKey(("HKCU\\" + scratch.Base() + "\\Recent").c_str(), bytes, error) && ok;
  std::fprintf(out, "  exported as %d bytes of UTF-16 .reg text\n", bytes.GetSize());
  ok = settings.DeleteSection(HKEY_CURRENT_USER, "Software", scratch.Base().substr(9).c_str()) && ok;
  std::fprintf(out, "  deleted the whole tree again: %s\n", ok ? "yes" : "no");
  return ok;
}});

}  // namespace
}  // namespace hk::cli
