// Shared pieces of the mail suite: which mail library the run has, a profile folder of its
// own per test, a reader of stored messages, and (POSIX) a loopback SMTP server with Python's
// email package as the reader of what it received.
#pragma once

#include "tests/support/fixtures.h"

#include <hostkit/mail.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace hk::test::mail {

// "full", "none" or "partial": the mail library this run of the suite was started with.
std::string ProviderMode();
// Skips the current test unless the run has the given mail library.
#define HK_REQUIRE_MAIL_PROVIDER(mode)                                                   \
  if (::hk::test::mail::ProviderMode() != (mode))                                       \
  GTEST_SKIP() << "this run has the mail library '" << ::hk::test::mail::ProviderMode() \
               << "'; the test needs '" << (mode) << "'"

// A temporary profile folder (HOSTKIT_MAIL_DIR) holding default.conf with the given text, or
// with a profile that delivers into the outbox folder inside it.
class ProfileScope {
 public:
  explicit ProfileScope(const std::string& settings = std::string());
  const TempDir& Dir() const { return m_dir; }
  std::string Outbox() const { return m_dir / "outbox"; }
  // The complete messages delivered into the outbox (new/), and what is left in tmp/.
  std::vector<std::string> Delivered() const;
  std::vector<std::string> Unfinished() const;

 private:
  TempDir m_dir;
  std::unique_ptr<ScopedEnv> m_env;
};

// Settings of a profile that delivers into `outbox`, with a sender and an address book.
std::string OutboxSettings(const std::string& outbox);

// A message for MAPISendMail of the given entries (pointed to, not copied) and texts.
inline MapiMessage MessageOf(MapiRecipDesc* recipients, ULONG recipientCount, MapiFileDesc* files = nullptr,
                             ULONG fileCount = 0, const char* subject = nullptr, const char* text = nullptr) {
  MapiMessage message{};
  message.lpszSubject = const_cast<LPSTR>(subject);
  message.lpszNoteText = const_cast<LPSTR>(text);
  message.nRecipCount = recipientCount;
  message.lpRecips = recipients;
  message.nFileCount = fileCount;
  message.lpFiles = files;
  return message;
}

#if !defined(_WIN32)
// A real SMTP server on a free loopback port (Python's aiosmtpd under /usr/bin/python3),
// started by the constructor and stopped by the destructor. It stores what it receives.
// Options and the names that script its refusals: smtp_server.py.
class SmtpServer {
 public:
  explicit SmtpServer(const std::vector<std::string>& options = {});
  ~SmtpServer();
  SmtpServer(const SmtpServer&) = delete;
  SmtpServer& operator=(const SmtpServer&) = delete;
  std::string Url() const { return "smtp://127.0.0.1:" + std::to_string(m_port); }
  int AuthAttempts() const;                    // credentials offered so far (--refuse-auth only)
  std::vector<std::string> Files() const;      // the stored messages, in arrival order
  std::string Recipients(size_t index) const;  // envelope recipients of message index

 private:
  TempDir m_spool;
  int m_port = 0;
  int m_pid = -1;
};

// A loopback port that nothing listens on at the moment.
int FreePort();

// What Python's email package, a reader independent of the composer, reads from a stored
// message (read_message.py): decoded values by key ("subject", "from", "to", "cc", "bcc",
// "body"; "name" for each display name of To and Cc, in order), and the attachments. Composing
// is the same code on every platform; the reader runs where the suite has Python.
struct PythonRead {
  std::multimap<std::string, std::string> values;
  std::vector<std::pair<std::string, std::string>> attachments;  // name, bytes
  std::string Value(const std::string& key) const;
  std::vector<std::string> Values(const std::string& key) const;
};
PythonRead ReadWithPython(const std::string& file);
#endif

}  // namespace hk::test::mail
