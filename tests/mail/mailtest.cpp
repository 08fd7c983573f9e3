// Shared pieces of the mail suite.
#include "tests/mail/mailtest.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace hk::test::mail {

std::string ProviderMode() {
  const char* mode = std::getenv("HOSTKIT_TEST_MAIL_PROVIDER");
  return mode != nullptr ? mode : "full";
}

ProfileScope::ProfileScope(const std::string& settings) {
  m_dir.WriteFile("default.conf", settings.empty() ? OutboxSettings(Outbox()) : settings);
  // Named as users name folders, without a separator at the end.
  const std::string dir = m_dir.Path().substr(0, m_dir.Path().size() - 1);
  m_env = std::make_unique<ScopedEnv>("HOSTKIT_MAIL_DIR", dir.c_str());
}

namespace {
std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code ec;
  for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
    files.push_back(it->path().string());
  std::sort(files.begin(), files.end());
  return files;
}
}  // namespace

std::vector<std::string> ProfileScope::Delivered() const { return FilesIn(Outbox() + "/new"); }
std::vector<std::string> ProfileScope::Unfinished() const { return FilesIn(Outbox() + "/tmp"); }

std::string OutboxSettings(const std::string& outbox) {
  return "# written by the mail tests\n"
         "[delivery]\nmethod = outbox\noutbox = " + outbox + "\n"
         "[sender]\naddress = tester@example.org\nname = Test Sender\n"
         "[addressbook]\nAlice = alice@example.org\nBob Builder = bob@example.net\n";
}

}  // namespace hk::test::mail
