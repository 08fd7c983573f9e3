// Helpers shared by the suites.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace hk::test {

TempDir::TempDir() {
  std::random_device random;
  const fs::path base = fs::temp_directory_path();
  for (;;) {
    const fs::path candidate = base / ("hostkit-test-" + std::to_string(random()));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      m_path = candidate.string() + hk::kPathSeparator;
      break;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only entries left by a test would stop the removal on some systems.
  for (auto it = fs::recursive_directory_iterator(m_path, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(m_path, ec);
}

std::string TempDir::WriteFile(const std::string& name, const std::string& bytes) const {
  const std::string path = m_path + name;
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return path;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool PlatformHasModuleResources() {
#if defined(_WIN32)
  return true;
#else
  return false;
#endif
}

RecordingMessageBoxes::RecordingMessageBoxes(int answer) {
  m_previous = AfxSetMessageBoxHandler([this, answer](const char* text, UINT style, UINT helpId) {
    m_boxes.push_back(Box{text, style, helpId});
    return answer;
  });
}

RecordingMessageBoxes::~RecordingMessageBoxes() { AfxSetMessageBoxHandler(m_previous); }

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name) {
  const char* old = std::getenv(name);
  m_had = old != nullptr;
  if (m_had) m_old = old;
#if defined(_WIN32)
  _putenv_s(name, value != nullptr ? value : "");
#else
  if (value != nullptr) setenv(name, value, 1);
  else unsetenv(name);
#endif
}

ScopedEnv::~ScopedEnv() {
#if defined(_WIN32)
  _putenv_s(m_name.c_str(), m_had ? m_old.c_str() : "");
#else
  if (m_had) setenv(m_name.c_str(), m_old.c_str(), 1);
  else unsetenv(m_name.c_str());
#endif
}

}  // namespace hk::test
