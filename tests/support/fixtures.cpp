// Helpers shared by the suites.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#if !defined(_WIN32)
#  include <sys/wait.h>
#endif

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

ScriptedDialog::ScriptedDialog(std::deque<Names> script) : m_script(std::move(script)) {
  m_previous = AfxSetFileDialogHandler([this](const OPENFILENAMEA& ofn, CStringArray& selection) {
    Opened opened{ofn.Flags, ofn.nMaxFile, {}};
    for (const char* f = ofn.lpstrFilter; f != nullptr && *f != '\0'; f += std::strlen(f) + 1)
      opened.filter.push_back(f);
    m_opened.push_back(opened);
    if (m_script.empty()) return FALSE;
    const Names names = m_script.front();
    m_script.pop_front();
    for (const std::string& n : names) selection.Add(n.c_str());
    return names.empty() ? FALSE : TRUE;
  });
}

ScriptedDialog::~ScriptedDialog() { AfxSetFileDialogHandler(m_previous); }

ScriptedDialog::Names ScriptedDialog::InOneFolder(std::initializer_list<const char*> names) {
  const std::string folder = std::string("data") + hk::kPathSeparator + "in";
  Names out;
  for (const char* n : names) out.push_back(folder + hk::kPathSeparator + n);
  return out;
}

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

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

ToolRun RunTool(const std::string& arguments, const std::string& posixPrefix) {
  const char* build = std::getenv("HOSTKIT_TEST_BINARY_DIR");
  if (build == nullptr) return {-1, "", ""};
  TempDir scratch;
  const std::string errors = scratch / "stderr.txt";
#if defined(_WIN32)
  (void)posixPrefix;
  // Under Wine the build tree is a POSIX path; its drive Z: maps the POSIX root.
  std::string dir = build;
  if (!dir.empty() && dir.front() == '/') dir = "Z:" + dir;
  for (char& c : dir)
    if (c == '/') c = '\\';
  const std::string command = "\"\"" + dir + "\\cli\\hostkit.exe\" " + arguments + " 2>\"" + errors + "\"\"";
  FILE* pipe = _popen(command.c_str(), "r");
#else
  const std::string command =
      posixPrefix + " '" + std::string(build) + "/cli/hostkit' " + arguments + " 2>'" + errors + "'";
  FILE* pipe = popen(command.c_str(), "r");
#endif
  if (pipe == nullptr) return {-1, "", ""};
  std::string out;
  char buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
#if defined(_WIN32)
  const int status = _pclose(pipe);
#else
  const int raw = pclose(pipe);
  const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
  return {status, out, ReadWholeFile(errors)};
}

void ToolTest::SetUp() {
  if (std::getenv("HOSTKIT_TEST_BINARY_DIR") == nullptr) GTEST_SKIP() << "not run through ctest";
}

}  // namespace hk::test
