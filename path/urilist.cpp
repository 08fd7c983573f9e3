// Drops made from the "text/uri-list" a desktop delivers when files are dropped on a window.
#include <hostkit/path.h>

#include "platform/text.h"
#include "platform/win32.h"

#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using hk::text::EqualsNoCase;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A URI's host that names this machine: none, "localhost", or its name with or without domain.
bool IsThisMachine(std::string_view host) {
  if (host.empty() || EqualsNoCase(host, "localhost")) return true;
  for (const COMPUTER_NAME_FORMAT format : {ComputerNameDnsHostname, ComputerNameDnsFullyQualified}) {
    char name[256] = {};
    DWORD size = sizeof name;
    if (GetComputerNameExA(format, name, &size) && EqualsNoCase(host, name)) return true;
  }
  return false;
}

// The local file name of a "file:" URI, or false for other URIs, other hosts and names that
// cannot be file names (a NUL). Where names carry drives (the separator is a backslash),
// "/C:/dir/file" stands for C:\dir\file.
bool FileNameOfUri(std::string_view uri, std::string& name) {
  const size_t colon = uri.find(':');
  if (colon == std::string_view::npos || !EqualsNoCase(uri.substr(0, colon), "file")) return false;
  std::string_view rest = uri.substr(colon + 1);
  rest = rest.substr(0, rest.find_first_of("?#"));
  if (rest.substr(0, 2) == "//") {
    const size_t slash = rest.find('/', 2);
    if (slash == std::string_view::npos || !IsThisMachine(rest.substr(2, slash - 2))) return false;
    rest.remove_prefix(slash);
  }
  if (rest.empty() || rest[0] != '/') return false;
  name.clear();
  for (size_t i = 0; i < rest.size(); ++i) {
    const int high = rest[i] == '%' && i + 2 < rest.size() ? HexValue(rest[i + 1]) : -1;
    const int low = high >= 0 ? HexValue(rest[i + 2]) : -1;
    if (low < 0) {
      name += rest[i];
      continue;
    }
    const char c = static_cast<char>(high * 16 + low);
    if (c == '\0') return false;
    name += c;
    i += 2;
  }
  if (hk::kPathSeparator == '\\') {
    const bool drive = name.size() >= 3 && std::isalpha(static_cast<unsigned char>(name[1])) && name[2] == ':' &&
                       (name.size() == 3 || name[3] == '/');
    if (drive) name.erase(0, 1);
    for (char& c : name)
      if (c == '/') c = hk::kPathSeparator;
  }
  return true;
}

}  // namespace

HDROP CreateDropFromUriList(const char* uriList) {
  if (uriList == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string names;  // each ending in a NUL; an empty name ends the list
  const char* p = uriList;
  while (*p != '\0') {
    const char* end = p + std::strcspn(p, "\r\n");
    const std::string line = hk::text::Trim(std::string_view(p, static_cast<size_t>(end - p)));
    p = end + std::strspn(end, "\r\n");
    if (line.empty() || line[0] == '#') continue;  // blank or a comment
    std::string name;
    if (FileNameOfUri(line, name)) names.append(name).push_back('\0');
  }
  return hk::CreateDropHandle(names.c_str());
}
