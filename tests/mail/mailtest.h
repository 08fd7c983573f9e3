// Shared pieces of the mail suite: which mail library the run has, a profile folder of its
// own per test, a reader of stored messages, and (POSIX) a loopback SMTP server.
#pragma once

#include "tests/support/fixtures.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hk::test::mail {

// "full", "none" or "partial": the mail library this run of the suite was started with.
std::string ProviderMode();
// Skips the current test unless the run has the given mail library.
#define HK_REQUIRE_MAIL_PROVIDER(mode)                                                   \
  if (::hk::test::mail::ProviderMode() != (mode))                                       \
  GTEST_SKIP() << "this run has the mail library '" << ::hk::test::mail::ProviderMode() \
               << "'; the test needs '" << (mode) << "'"

// A temporary profile folder (HOSTKIT_MAIL_DIR) holding default.conf with the given text,
// and an outbox folder inside the temporary directory for profiles that want one.
class ProfileScope {
 public:
  explicit ProfileScope(const std::string& settings);
  ~ProfileScope();
  const TempDir& Dir() const { return m_dir; }
  std::string Outbox() const { return m_dir / "outbox"; }
  // The complete messages delivered into the outbox (new/), and what is left in tmp/.
  std::vector<std::string> Delivered() const;
  std::vector<std::string> Unfinished() const;

 private:
  TempDir m_dir;
  std::unique_ptr<ScopedEnv> m_env;
};

// Settings of a profile that delivers into the outbox of the scope, with an address book.
std::string OutboxSettings(const std::string& outbox);

// What a MIME reader finds in a message.
struct ReadMessage {
  std::map<std::string, std::string> headers;  // lower-case name => unfolded raw value
  std::string body;                            // decoded text of the note
  struct Part {
    std::string fileName;
    std::string bytes;
  };
  std::vector<Part> attachments;
};
ReadMessage ParseMessage(const std::string& raw);


}  // namespace hk::test::mail
