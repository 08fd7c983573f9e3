// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/posix/net/netconfig.h"
#include "platform/text.h"

#include <strings.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace hk::posix::netconfig {
namespace {

using hk::text::Lower;
using hk::text::Trim;

std::vector<std::string> SplitList(const std::string& text, const char* separators) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find_first_of(separators, start);
    const std::string item = Trim(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (!item.empty()) items.push_back(item);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return items;
}

// An INI file as sssd and samba write them: "[section]" lines, "key = value" lines, comments
// starting with '#' or ';'. Section and key names are looked up in lower case; the sections'
// own spelling is kept in file order.
struct Sections : std::map<std::string, std::map<std::string, std::string>> {
  std::vector<std::string> names;
};

bool ReadIni(const std::string& path, Sections& sections) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  std::string section;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      const std::string name = Trim(line.substr(1, line.size() - 2));
      section = Lower(name);
      if (sections.count(section) == 0) sections.names.push_back(name);
      sections[section];
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    sections[section][Lower(Trim(line.substr(0, equals)))] = Trim(line.substr(equals + 1));
  }
  return true;
}

std::string Value(const Sections& sections, const std::string& section, const std::string& key) {
  auto s = sections.find(section);
  if (s == sections.end()) return std::string();
  auto k = s->second.find(key);
  return k == s->second.end() ? std::string() : k->second;
}

// "ldap://dc1.example.com:389/" => "dc1.example.com"; "_srv_" (discovery) => "".
std::string HostOfServerEntry(std::string entry) {
  if (entry == "_srv_" || entry == "*") return std::string();
  if (const size_t scheme = entry.find("://"); scheme != std::string::npos) entry = entry.substr(scheme + 3);
  if (const size_t slash = entry.find('/'); slash != std::string::npos) entry.resize(slash);
  if (!entry.empty() && entry.front() == '[') {  // [v6 address]:port
    const size_t close = entry.find(']');
    return close == std::string::npos ? std::string() : entry.substr(1, close - 1);
  }
  if (const size_t colon = entry.find(':'); colon != std::string::npos && entry.find(':', colon + 1) == std::string::npos)
    entry.resize(colon);
  return entry;
}

std::string FirstServer(const std::string& list) {
  for (const std::string& item : SplitList(list, ", \t"))
    if (std::string host = HostOfServerEntry(item); !host.empty()) return host;
  return std::string();
}

void AddDomain(std::vector<Domain>& domains, const std::string& name, const std::string& controller) {
  if (name.empty()) return;
  for (Domain& d : domains)
    if (SameName(d.name, name)) {
      if (d.controller.empty()) d.controller = controller;
      return;
    }
  domains.push_back(Domain{name, controller});
}

void SssdDomains(std::vector<Domain>& domains) {
  Sections sssd;
  if (!ReadIni(SystemFile("sssd/sssd.conf"), sssd)) return;
  std::vector<std::string> names = SplitList(Value(sssd, "sssd", "domains"), ",");
  if (names.empty())
    for (const std::string& section : sssd.names)
      if (Lower(section).rfind("domain/", 0) == 0) names.push_back(Trim(section.substr(7)));
  for (const std::string& name : names) {
    const std::string section = "domain/" + Lower(name);
    std::string controller;
    for (const char* key : {"ad_server", "ipa_server", "ldap_uri", "krb5_server"}) {
      controller = FirstServer(Value(sssd, section, key));
      if (!controller.empty()) break;
    }
    AddDomain(domains, name, controller);
  }
}

void SambaDomains(std::vector<Domain>& domains) {
  Sections smb;
  if (!ReadIni(SystemFile("samba/smb.conf"), smb)) return;
  std::string workgroup = Value(smb, "global", "workgroup");
  if (workgroup.empty()) workgroup = "WORKGROUP";
  const std::string controller = FirstServer(Value(smb, "global", "password server"));
  AddDomain(domains, workgroup, controller);
  AddDomain(domains, Value(smb, "global", "realm"), controller);
}

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return std::string();
  return name;
}

std::string DnsDomain() {
  const std::string host = HostName();
  if (const size_t dot = host.find('.'); dot != std::string::npos && dot + 1 < host.size())
    return host.substr(dot + 1);
  std::ifstream in(SystemFile("resolv.conf"));
  std::string line;
  std::string search;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string keyword;
    std::string first;
    words >> keyword >> first;
    if (first.empty() || first == ".") continue;
    if (keyword == "domain") return first;  // the resolver prefers "domain" to "search"
    if (keyword == "search" && search.empty()) search = first;
  }
  return search;
}

}  // namespace

std::string SystemFile(const std::string& relative) {
  const char* root = std::getenv("HOSTKIT_SYSCONF_DIR");
  std::string path = root != nullptr && *root != '\0' ? root : "/etc";
  if (path.back() != '/') path += '/';
  return path + relative;
}

std::vector<Domain> HostDomains() {
  std::vector<Domain> domains;
  SssdDomains(domains);
  SambaDomains(domains);
  if (domains.empty()) AddDomain(domains, DnsDomain(), std::string());
  if (domains.empty()) AddDomain(domains, "WORKGROUP", std::string());
  return domains;
}

std::string LocalComputerName() {
  const std::string host = HostName();
  return host.substr(0, host.find('.'));
}

bool IsLocalComputer(const char* server) {
  if (server == nullptr) return true;
  std::string name = server;
  if (name.rfind("\\\\", 0) == 0) name = name.substr(2);
  if (name.empty()) return server[0] == '\0';  // a bare "\\\\" names no computer
  const std::string host = HostName();
  return SameName(name, host) || SameName(name, LocalComputerName()) || SameName(name, "localhost");
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace hk::posix::netconfig
