// Helpers of the launch suite.
#include "tests/launch/launch_support.h"

#include "platform/win32.h"

#include <chrono>
#include <fstream>
#include <thread>

namespace hk::test {

std::string ChildPath() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string path = self;
  path.erase(path.find_last_of("\\/") + 1);
  return path + LAUNCH_CHILD_NAME;
}

std::string Quoted(const std::string& name) { return '"' + name + '"'; }

bool FileExists(const std::string& name) { return std::ifstream(name).good(); }

bool WaitForFile(const std::string& name, int seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!FileExists(name)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

std::vector<std::string> ReadArguments(const std::string& name) {
  const std::string bytes = ReadWholeFile(name);
  std::vector<std::string> args;
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\0') continue;
    args.push_back(bytes.substr(start, i - start));
    start = i + 1;
  }
  return args;
}

RecordingWaitCursor::RecordingWaitCursor() {
  m_previous = AfxSetWaitCursorHandler([this](int change) { m_changes.push_back(change); });
}

RecordingWaitCursor::~RecordingWaitCursor() { AfxSetWaitCursorHandler(m_previous); }

}  // namespace hk::test
