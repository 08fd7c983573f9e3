// Helpers of the path suite.
#pragma once

#include "tests/support/fixtures.h"
#include "platform/win32.h"

#include <string>

namespace hk::test {

// Text with every '|' replaced by the separator the library adds, so that expected results
// read the same for both platforms: Sep("C:|dir|") is C:\dir\ on Windows and C:/dir/ elsewhere.
inline std::string Sep(std::string text) {
  for (char& c : text)
    if (c == '|') c = hk::kPathSeparator;
  return text;
}

}  // namespace hk::test
