// Profile files: INI-style text, "[section]" headers, "key = value" lines, '#' or ';' comments.
#include "providers/mapi/profile.h"

#include "platform/environment.h"
#include "platform/text.h"
#include "providers/mapi/address.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <pwd.h>
#  include <unistd.h>
#endif

namespace hk::mapi {
namespace {

#if defined(_WIN32)
constexpr char kSlash = '\\';
#else
constexpr char kSlash = '/';
#endif

std::string Env(const char* name) {
  const char* value = hk::EnvironmentSetting(name);
  return value != nullptr ? std::string(value) : std::string();
}

using hk::text::Lower;
using hk::text::Trim;

bool SameNoCase(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

std::string Join(std::string folder, const std::string& name) {
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += kSlash;
  return folder + name;
}

std::string DataFolder() {
#if defined(_WIN32)
  std::string base = Env("LOCALAPPDATA");
  if (base.empty()) base = Env("APPDATA");
  return Join(Join(base, "hostkit"), "mail");
#else
  std::string base = Env("XDG_DATA_HOME");
  if (base.empty() || base[0] != '/') base = Join(Join(Env("HOME"), ".local"), "share");
  return Join(Join(base, "hostkit"), "mail");
#endif
}

bool ParseBool(const std::string& value, bool& out) {
  const std::string v = Lower(value);
  if (v == "yes" || v == "true" || v == "on" || v == "1") return out = true, true;
  if (v == "no" || v == "false" || v == "off" || v == "0") return out = false, true;
  return false;
}

bool Apply(Profile& p, const std::string& section, const std::string& key, const std::string& value,
           std::string& problem) {
  if (section == "addressbook") {
    p.book.emplace_back(key, value);
    return true;
  }
  const std::string k = Lower(key);
  if (section == "delivery") {
    if (k == "method") {
      if (SameNoCase(value, "outbox")) p.delivery = Delivery::Outbox;
      else if (SameNoCase(value, "smtp")) p.delivery = Delivery::Smtp;
      else return problem = "method is 'outbox' or 'smtp'", false;
      return true;
    }
    if (k == "outbox") return p.outbox = value, true;
  } else if (section == "sender") {
    if (k == "address") return p.senderAddress = value, true;
    if (k == "name") return p.senderName = value, true;
  } else if (section == "smtp") {
    if (k == "url") return p.smtpUrl = value, true;
    if (k == "starttls") {
      if (!ParseBool(value, p.starttls)) return problem = "starttls is yes or no", false;
      return true;
    }
    if (k == "cleartext_auth") {
      if (!ParseBool(value, p.cleartextAuth)) return problem = "cleartext_auth is yes or no", false;
      return true;
    }
    if (k == "user") return p.user = value, true;
    if (k == "password") return p.password = value, true;
    if (k == "ca_file") return p.caFile = value, true;
    if (k == "timeout") {
      char* end = nullptr;
      const long seconds = std::strtol(value.c_str(), &end, 10);
      if (end == value.c_str() || *end != '\0' || seconds <= 0)
        return problem = "timeout is a positive number of seconds", false;
      return p.timeoutSeconds = seconds, true;
    }
  }
  problem = "unknown setting '" + key + "' in [" + section + "]";
  return false;
}

bool ReadFile(const std::string& file, Profile& p, std::string& problem) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return problem = "cannot read " + file, false;
  std::string line, section;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    const std::string text = Trim(line);
    if (text.empty() || text[0] == '#' || text[0] == ';') continue;
    const std::string where = file + ":" + std::to_string(number) + ": ";
    if (text[0] == '[') {
      if (text.back() != ']') return problem = where + "unclosed section", false;
      section = Lower(Trim(text.substr(1, text.size() - 2)));
      if (section != "delivery" && section != "sender" && section != "smtp" && section != "addressbook")
        return problem = where + "unknown section [" + section + "]", false;
      continue;
    }
    const size_t equals = text.find('=');
    if (equals == std::string::npos || section.empty())
      return problem = where + "expected 'key = value' inside a section", false;
    const std::string key = Trim(text.substr(0, equals));
    if (key.empty()) return problem = where + "empty key", false;
    if (!Apply(p, section, key, Trim(text.substr(equals + 1)), problem)) {
      problem = where + problem;
      return false;
    }
  }
  return true;
}

bool Exists(const std::string& file) { return std::ifstream(file).good(); }

}  // namespace

std::string LocalUserName() {
#if defined(_WIN32)
  char name[256];
  DWORD size = sizeof name;
  if (GetUserNameA(name, &size)) return name;
  return Env("USERNAME");
#else
  std::string name = Env("USER");
  if (name.empty()) name = Env("LOGNAME");
  if (name.empty()) {
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_name != nullptr) name = pw->pw_name;
  }
  return name.empty() ? std::string("user") : name;
#endif
}

std::string LocalHostName() {
#if defined(_WIN32)
  char name[256];
  DWORD size = sizeof name;
  if (GetComputerNameA(name, &size)) return Lower(name);
  return "localhost";
#else
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
#endif
}

std::string ProfileFolder() {
  std::string folder = Env("HOSTKIT_MAIL_DIR");
  if (!folder.empty()) return folder;
#if defined(_WIN32)
  return Join(Join(Env("APPDATA"), "hostkit"), "mail");
#else
  std::string base = Env("XDG_CONFIG_HOME");
  if (base.empty() || base[0] != '/') base = Join(Env("HOME"), ".config");
  return Join(Join(base, "hostkit"), "mail");
#endif
}

ULONG LoadProfile(const char* name, Profile& profile, std::string* problem) {
  std::string why;
  profile = Profile();
  profile.name = (name != nullptr && *name != '\0') ? name : "default";
  // A profile name is a file name inside the profile folder and nothing else.
  if (profile.name.find_first_of("/\\:") != std::string::npos || profile.name[0] == '.') {
    if (problem != nullptr) *problem = "profile names hold no path";
    return MAPI_E_LOGIN_FAILURE;
  }
  const std::string folder = ProfileFolder();
  for (const std::string& candidate : {profile.name, std::string("default")}) {
    const std::string file = Join(folder, candidate + ".conf");
    if (Exists(file)) {
      profile.file = file;
      if (!ReadFile(file, profile, why)) {
        if (problem != nullptr) *problem = why;
        return MAPI_E_LOGIN_FAILURE;
      }
      break;
    }
  }
  if (profile.outbox.empty()) profile.outbox = Join(DataFolder(), "outbox");
  if (profile.senderAddress.empty()) profile.senderAddress = LocalUserName() + "@" + LocalHostName();
  if (profile.delivery == Delivery::Smtp && profile.smtpUrl.empty()) {
    if (problem != nullptr) *problem = "SMTP delivery needs [smtp] url";
    return MAPI_E_LOGIN_FAILURE;
  }
  return SUCCESS_SUCCESS;
}

ULONG ResolveAddress(const Profile& profile, const std::string& name, std::string& address) {
  const std::string wanted = Trim(name);
  if (wanted.empty()) return MAPI_E_UNKNOWN_RECIPIENT;
  const std::string* found = nullptr;
  if (wanted.find('@') != std::string::npos) {
    found = &wanted;
  } else {
    for (const auto& [key, value] : profile.book) {
      if (!SameNoCase(key, wanted)) continue;
      if (found != nullptr && !SameNoCase(*found, value)) return MAPI_E_AMBIGUOUS_RECIPIENT;
      found = &value;
    }
  }
  // A name resolves only to an address that a message can be sent to.
  if (found == nullptr || !IsUsableAddress(*found)) return MAPI_E_UNKNOWN_RECIPIENT;
  address = *found;
  return SUCCESS_SUCCESS;
}

}  // namespace hk::mapi
