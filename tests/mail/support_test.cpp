// The mail service end to end into an outbox: what SendNote, SendFiles and SendMail hand
// over, logon on demand with the user's profile, refusals before any logon, and senders at
// once (threads in processes).
#include "tests/mail/mailtest.h"
#include "tests/support/capture.h"
#include "tests/support/child.h"

#include <hostkit/hostkit.h>

#include "platform/win32.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <thread>

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
  EXPECT_FALSE(m_mail.IsLogged());
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
TEST_F(MailService, MailInfoWithoutTextAndWithAPattern) {
  hk::test::TempDir dir;
  dir.WriteFile("only.log", "log lines\n");
  MailInfo info;
  info.arrFiles.Add((dir.Path() + "*.log").c_str());
  info.arrRecipients.Add("bob builder");
  info.bDialog = TRUE;  // there is no send dialog here: the message goes as it stands
  m_mail.SendMail(info, TRUE);
  ASSERT_EQ(m_profile.Delivered().size(), 1u);
#if !defined(_WIN32)
  const PythonRead m = ReadWithPython(m_profile.Delivered()[0]);
  EXPECT_EQ(m.Value("to") + "|" + m.Value("body"), "bob builder <bob@example.net>| ");
  using File = std::pair<std::string, std::string>;
  EXPECT_EQ(m.attachments, (std::vector<File>{{"*.log", "log lines\n"}}));  // the name as the caller wrote it
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
  EXPECT_EQ(CodeOf([&] { m_mail.ResolveName("alice", FALSE); }), 3u);
  hk::test::TempDir other;
  m_profile.Dir().WriteFile(mine, OutboxSettings(other / "mine"));
  EXPECT_EQ(m_mail.ResolveName("alice", FALSE), "alice@example.org");
  m_mail.SendNote("mine", "x", to, FALSE, FALSE);
  EXPECT_TRUE(m_profile.Delivered().empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(other / "mine/new"), {}), 1);
}
// What one sending process does: two threads each send kNotes notes into the outbox its
// parent set up, subjects "<process>-<thread>-<n>". Run only by the test below, in processes
// of its own.
constexpr int kNotes = 10;

std::string NoteBody(const std::string& subject) { return "note " + subject + " " + std::string(30000, 'y'); }

TEST(MailServiceChild, DISABLED_SendNotesIntoTheOutbox) {
  HK_REQUIRE_MAIL_PROVIDER("full");
  const std::string process = std::to_string(std::random_device{}());
  auto sender = [&](int thread) {
    CNuMAPISupport mail;
    CStringArray to;
    to.Add("alice");
    for (int i = 0; i < kNotes; ++i) {
      const std::string subject = process + "-" + std::to_string(thread) + "-" + std::to_string(i);
      mail.SendNote(subject.c_str(), NoteBody(subject).c_str(), to, FALSE, FALSE);
    }
    mail.Logoff();
  };
  std::thread a(sender, 1), b(sender, 2);
  a.join();
  b.join();
#if defined(__linux__)
  // Delivery into the outbox never needs libcurl, so it is never loaded.
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) EXPECT_EQ(line.find("libcurl"), std::string::npos) << line;
#endif
}

TEST_F(MailService, SendersAtOnceWriteWholeSeparateFiles) {
  hk::test::TestChild first("MailServiceChild.*"), second("MailServiceChild.*");  // both send at once
  EXPECT_TRUE(first.Passed()) << first.Output();
  EXPECT_TRUE(second.Passed()) << second.Output();
  const auto delivered = m_profile.Delivered();
  ASSERT_EQ(delivered.size(), 2u * 2 * kNotes);
  EXPECT_TRUE(m_profile.Unfinished().empty());
#if !defined(_WIN32)
  std::set<std::string> subjects, processes;
  for (const std::string& file : delivered) {
    const PythonRead m = ReadWithPython(file);
    const std::string subject = m.Value("subject");
    subjects.insert(subject);
    processes.insert(subject.substr(0, subject.find('-')));
    EXPECT_EQ(m.Value("body"), NoteBody(subject)) << file;
  }
  EXPECT_EQ(subjects.size(), 2u * 2 * kNotes);
  EXPECT_EQ(processes.size(), 2u);
#endif
}

}  // namespace
