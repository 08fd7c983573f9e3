// Helpers of the path suite.
#pragma once

#include "tests/support/fixtures.h"
#include "platform/win32.h"

#include <filesystem>
#include <string>

namespace hk::test {

// Makes a directory the process's current directory until the end of the scope.
class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::string& directory)
      : m_previous(std::filesystem::current_path()) {
    std::filesystem::current_path(directory);
  }
  ~ScopedCurrentDirectory() {
    std::error_code ec;
    std::filesystem::current_path(m_previous, ec);
  }
  ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
  ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

 private:
  std::filesystem::path m_previous;
};

// Text with every '|' replaced by the separator the library adds, so that expected results
// read the same for both platforms: Sep("C:|dir|") is C:\dir\ on Windows and C:/dir/ elsewhere.
inline std::string Sep(std::string text) {
  for (char& c : text)
    if (c == '|') c = hk::kPathSeparator;
  return text;
}

}  // namespace hk::test
