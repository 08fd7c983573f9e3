// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// Names whose entries hold a backslash. A POSIX entry may be called a\b; the Win32 interface
// reads that backslash as a separator, so a name built from the entry would reach a/b, another
// file or none. NativePath refuses such a name instead of misdirecting it.
#include "platform/posix/system/internal.h"

#include <sys/stat.h>

#include <algorithm>

namespace hk::posix {

namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// The name up to `end` with its backslashes read as separators.
std::string Translated(const std::string& name, size_t end) {
  std::string text = name.substr(0, end);
  for (char& c : text)
    if (c == '\\') c = '/';
  return text;
}

}  // namespace

bool BackslashEntryOnTheWay(const std::string& name) {
  // An entry that starts where a component starts and runs over at least one backslash: it
  // starts after any separator and ends at a later separator or at the next '/'. Each such text
  // is looked up literally in the directory the name has reached there.
  for (size_t start = 0; start < name.size(); ++start) {
    if (start > 0 && name[start - 1] != '/' && name[start - 1] != '\\') continue;
    const size_t runEnd = std::min(name.find('/', start), name.size());
    const size_t firstBackslash = name.find('\\', start);
    if (firstBackslash == std::string::npos || firstBackslash >= runEnd) continue;
    const std::string directory = Translated(name, start);
    // Nothing lies below a directory that is not there.
    if (!directory.empty() && directory != "/" && !Exists(directory)) continue;
    for (size_t end = firstBackslash + 1; end <= runEnd; ++end) {
      if (end < runEnd && name[end] != '\\') continue;
      if (Exists(directory + name.substr(start, end - start))) return true;
    }
  }
  return false;
}

}  // namespace hk::posix
