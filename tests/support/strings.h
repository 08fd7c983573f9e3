// CString containers to and from standard ones, so that a whole list compares in one line.
#pragma once

#include <hostkit/hostkit.h>

#include <string>
#include <vector>

namespace hk::test {

inline std::vector<std::string> Strings(const CStringArray& array) {
  std::vector<std::string> out;
  for (int i = 0; i < array.GetSize(); ++i) out.push_back(static_cast<const char*>(array[i]));
  return out;
}

inline std::vector<std::string> Strings(const CStringList& list) {
  std::vector<std::string> out;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) out.push_back(static_cast<const char*>(list.GetNext(pos)));
  return out;
}

}  // namespace hk::test
