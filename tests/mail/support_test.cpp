// The mail service end to end into an outbox: what SendFiles hands over, logon on demand with
// the user's profile, and refusals before any logon.
#include "tests/mail/mailtest.h"
#include "tests/support/capture.h"

#include <hostkit/hostkit.h>

#include "platform/win32.h"

#include <filesystem>
#include <iterator>

namespace {

using namespace hk::test::mail;

class MailService : public ::testing::Test {
 protected:
  void SetUp() override { HK_REQUIRE_MAIL_PROVIDER("full"); }
  void TearDown() override { m_mail.Logoff(); }
  template <typename Body>
  static DWORD CodeOf(Body body) {
    return hk::test::ErrorOf<CNuMailException>(body);
  }

  ProfileScope m_profile;
  CNuMAPISupport m_mail;
};

// Logged on by itself, and so it stays until the log-off; the files sit on blanks appended to
// the text.
TEST_F(MailService, FilesGoToEveryRecipientWithALogonOnDemand) {
  hk::test::TempDir dir;
  CStringArray files, titles, to;
  files.Add(dir.WriteFile("one.txt", "first file").c_str());
  files.Add(dir.WriteFile("two.dat", std::string("\x00\x7F\x80\xFF", 4)).c_str());
  titles.Add("Shown Name.txt");  // a title for the first only
  to.Add("Alice");
  to.Add("carol@example.com");
  m_mail.SendFiles("Two files", "ab", files, titles, to, FALSE, FALSE);
  EXPECT_TRUE(m_mail.IsLogged());
  m_mail.Logoff();
  EXPECT_FALSE(m_mail.IsLogged());
  ASSERT_EQ(m_profile.Delivered().size(), 1u);
#if !defined(_WIN32)
  const PythonRead m = ReadWithPython(m_profile.Delivered()[0]);
  EXPECT_EQ(m.Value("subject") + "|" + m.Value("to") + "|" + m.Value("body"),
            "Two files|Alice <alice@example.org>, carol@example.com|ab  ");
  using File = std::pair<std::string, std::string>;
  EXPECT_EQ(m.attachments, (std::vector<File>{{"Shown Name.txt", "first file"}, {"two.dat", {"\x00\x7F\x80\xFF", 4}}}));
#endif
}
TEST_F(MailService, RefusalsComeBeforeAnyLogon) {
  CStringArray files, titles, to, many;
  to.Add("alice");
  files.Add("/no/such/folder/anything.txt");
  EXPECT_EQ(CodeOf([&] { m_mail.SendFiles("s", "t", files, titles, to, FALSE, FALSE); }), 11u);
  // Lists beyond 16-bit counts would be cut short and written past their arrays.
  many.SetSize(0x10000);
  for (int i = 0; i < many.GetSize(); ++i) many[i] = "x@example.org";
  EXPECT_EQ(CodeOf([&] { m_mail.SendNote("s", "t", many, FALSE, FALSE); }), 10u);
  EXPECT_EQ(CodeOf([&] { m_mail.SendFiles("s", "t", many, titles, to, FALSE, FALSE); }), 9u);
  EXPECT_FALSE(m_mail.IsLogged());
  EXPECT_TRUE(m_profile.Delivered().empty());
}

TEST_F(MailService, LogonUsesTheRunningUsersProfileAndIsRetriedAfterARefusal) {
  const std::string mine = std::string(GetThisUserName()) + ".conf";
  ASSERT_NE(mine, ".conf");
  m_profile.Dir().WriteFile(mine, "[delivery]\nmethod = teleport\n");
  CStringArray to;
  to.Add("alice");
  EXPECT_EQ(CodeOf([&] { m_mail.SendNote("s", "t", to, FALSE, TRUE); }), 3u);
  EXPECT_FALSE(m_mail.IsLogged());
  hk::test::TempDir other;
  m_profile.Dir().WriteFile(mine, OutboxSettings(other / "mine"));
  EXPECT_EQ(m_mail.ResolveName("alice", FALSE), "alice@example.org");
  m_mail.SendNote("mine", "x", to, FALSE, FALSE);
  EXPECT_TRUE(m_profile.Delivered().empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(other / "mine/new"), {}), 1);
}
}  // namespace
