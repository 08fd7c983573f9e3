// "hostkit mail" as a user runs it with the project's mail provider: status, resolve and send
// against a profile folder of the test's own (HOSTKIT_MAIL_DIR) that delivers into a temporary
// outbox, how failures are reported, and SMTP without libcurl. Its usage errors: cli_test.cpp.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

#if !defined(_WIN32)

using hk::test::Quote;
using hk::test::RunTool;
using hk::test::ToolRun;

ToolRun RunMail(const std::string& arguments) { return RunTool("mail " + arguments); }

namespace fs = std::filesystem;

// The project's provider behind the tool, with a profile folder of the test's own. (The
// Windows tool binds the system's mail library, which under Wine does not send.)
class MailCliWithProvider : public hk::test::ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    if (IsSkipped()) return;
    m_env = std::make_unique<hk::test::ScopedEnv>("HOSTKIT_MAIL_DIR", m_dir.Path().c_str());
    // Named outright: the tool's run path does not reach a loader that a sanitizer run-time
    // has taken over, and the provider lands at the top of the build tree.
    m_providers = std::make_unique<hk::test::ScopedEnv>("HOSTKIT_PROVIDER_DIR", std::getenv("HOSTKIT_TEST_BINARY_DIR"));
    WriteProfile(OutboxProfile());
  }
  std::string OutboxProfile() const {
    return "[delivery]\nmethod = outbox\noutbox = " + Outbox() +
           "\n[sender]\naddress = tester@example.org\n"
           "[addressbook]\nAlice = alice@example.org\nBob Builder = bob@example.net\n";
  }
  void WriteProfile(const std::string& text) const { m_dir.WriteFile("default.conf", text); }
  std::string Outbox() const { return m_dir / "outbox"; }

  hk::test::TempDir m_dir;
  std::unique_ptr<hk::test::ScopedEnv> m_env;
  std::unique_ptr<hk::test::ScopedEnv> m_providers;
};

TEST_F(MailCliWithProvider, StatusResolveAndSendThroughTheOutbox) {
  ToolRun r = RunMail("status");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("available: yes\nprovider: ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\ndelivery: outbox " + Outbox() + "\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nsender: tester@example.org\naddress book: 2 name(s)\n"), std::string::npos) << r.out;

  EXPECT_EQ(RunMail("resolve " + Quote("bob builder")).out, "bob@example.net\n");

  hk::test::TempDir files;
  const std::string text = files.WriteFile("note.txt", "Hello from a file.\n");
  files.WriteFile("second.log", "log\n");
  r = RunMail("send --to Alice bob@example.net --subject " + Quote("Weekly report") + " --text-file " +
              Quote(text) + " --attach " + Quote(text) + " --title Shown.txt --attach " +
              Quote(files / "*.log") + " --dialog");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "sent to 2 recipient(s) with 2 attachment(s)\n");
  const fs::directory_iterator sent(Outbox() + "/new");
  ASSERT_NE(sent, fs::directory_iterator());
  // What the message holds is the mail suite's matter; here, that the options reached it.
  const std::string message = hk::test::ReadWholeFile(sent->path().string());
  for (const char* part : {"Subject: Weekly report\r\n", "bob@example.net", "Shown.txt", "*.log"})
    EXPECT_NE(message.find(part), std::string::npos) << part;
}

// A failure's text: SmtpWithoutLibcurlFailsClearly.
TEST_F(MailCliWithProvider, StatusOfAProfileThatCannotWorkFails) {
  WriteProfile("[delivery]\nmethod = pigeon\n");
  const ToolRun r = RunMail("status");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("\nproblem: "), std::string::npos) << r.out;
}

// The tour sends through a profile folder of its own, named by the variable it sets for the while;
// its other families run as well.
TEST_F(MailCliWithProvider, TourSendsThroughAFolderOfItsOwn) {
  const ToolRun r = RunTool("tour");
  EXPECT_NE(r.out.find("\n  \"Tour Guide\" resolves to guide@example.org\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("a shell launch with no associated program throws Win32 error 1155\n"), std::string::npos);
}

TEST_F(MailCliWithProvider, SmtpWithoutLibcurlFailsClearly) {
  // libcurl is opened on the first SMTP use; here it cannot be, as on a system without it.
  hk::test::ScopedEnv noCurl("HOSTKIT_CURL_LIBRARY", (m_dir / "missing/libcurl.so.4").c_str());
  WriteProfile("[delivery]\nmethod = smtp\n[smtp]\nurl = smtp://127.0.0.1:25\nuser = me\n");
  const ToolRun r = RunMail("send --to alice --text hi");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "hostkit: Unsupported mail call.\n");
}

#endif

}  // namespace
