// The mail service end to end into an outbox: what SendNote, SendFiles and SendMail hand
// over, logon on demand with the user's profile, refusals before any logon, a send that asks
// for the dialog, and two senders at once (threads and processes).
#include "tests/mail/mailtest.h"
#include "tests/support/capture.h"

#include <hostkit/hostkit.h>

#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <thread>

#if !defined(_WIN32)
#  include <sys/wait.h>
#endif

namespace {

using namespace hk::test::mail;
using hk::test::ReadWholeFile;

class MailService : public ::testing::Test {
 protected:
  void SetUp() override {
    HK_REQUIRE_MAIL_PROVIDER("full");
    m_profile = std::make_unique<ProfileScope>("");
    m_profile->Dir().WriteFile("default.conf", OutboxSettings(m_profile->Outbox()));
  }
  void TearDown() override { m_mail.Logoff(); }

  ReadMessage OnlyMessage() {
    const auto delivered = m_profile->Delivered();
    EXPECT_EQ(delivered.size(), 1);
    return delivered.empty() ? ReadMessage() : ParseMessage(ReadWholeFile(delivered[0]));
  }
  template <typename Body>
  static DWORD CodeOf(Body body) {
    return hk::test::ErrorOf<CNuMailException>(body);
  }

  std::unique_ptr<ProfileScope> m_profile;
  CNuMAPISupport m_mail;
};

TEST_F(MailService, NoteGoesToEveryRecipient) {
  CStringArray to;
  to.Add("Alice");
  to.Add("carol@example.com");
  EXPECT_FALSE(m_mail.IsLogged());
  m_mail.SendNote("Status", "All well.\nSee you ", to, TRUE, FALSE);
  EXPECT_TRUE(m_mail.IsLogged());  // logged on by itself, and stays so
  const ReadMessage m = OnlyMessage();
  EXPECT_EQ(m.headers.at("subject"), "Status");
  EXPECT_EQ(m.headers.at("to"), "\"Alice\" <alice@example.org>, carol@example.com");
  EXPECT_EQ(m.body, "All well.\nSee you ");
  EXPECT_TRUE(m.attachments.empty());
  m_mail.Logoff();
  EXPECT_FALSE(m_mail.IsLogged());
  m_mail.Logoff();
  EXPECT_FALSE(m_mail.IsLogged());
}

TEST_F(MailService, FilesSitOnBlanksAppendedToTheText) {
  hk::test::TempDir dir;
  const std::string first = dir.WriteFile("one.txt", "first file");
  const std::string second = dir.WriteFile("two.dat", std::string("\x00\x7F\x80\xFF", 4));
  CStringArray files, titles, to;
  files.Add(first.c_str());
  files.Add(second.c_str());
  titles.Add("Shown Name.txt");  // a title for the first only
  to.Add("alice");
  m_mail.SendFiles("Two files", "ab", files, titles, to, FALSE, FALSE);
  ReadMessage m = OnlyMessage();
  EXPECT_EQ(m.body, "ab  ");
  ASSERT_EQ(m.attachments.size(), 2);
  EXPECT_EQ(m.attachments[0].fileName, "Shown Name.txt");
  EXPECT_EQ(m.attachments[0].bytes, "first file");
  EXPECT_EQ(m.attachments[1].fileName, "two.dat");
  EXPECT_EQ(m.attachments[1].bytes, std::string("\x00\x7F\x80\xFF", 4));
}

TEST_F(MailService, MailInfoWithoutTextAndWithAPattern) {
  hk::test::TempDir dir;
  dir.WriteFile("only.log", "log lines\n");
  MailInfo info;
  info.strSubject = "Logs";
  info.arrFiles.Add((dir.Path() + "*.log").c_str());
  info.arrFiles.Add((dir.Path() + "only.log").c_str());
  info.arrRecipients.Add("bob builder");
  m_mail.SendMail(info, TRUE);
  ReadMessage m = OnlyMessage();
  EXPECT_EQ(m.body, "  ");
  ASSERT_EQ(m.attachments.size(), 2);
  EXPECT_EQ(m.attachments[0].fileName, "*.log");  // the name as the caller wrote it
  EXPECT_EQ(m.attachments[0].bytes, "log lines\n");
  EXPECT_EQ(m.headers.at("to"), "\"bob builder\" <bob@example.net>");

  // With no files the mail is a note and titles are not looked at.
  MailInfo note;
  note.strText = "note";
  note.arrTitles.Add("unused");
  note.arrRecipients.Add("alice");
  m_mail.SendMail(note, FALSE);
  EXPECT_EQ(m_profile->Delivered().size(), 2);
}

TEST_F(MailService, RefusalsComeBeforeAnyLogon) {
  CStringArray files, titles, to;
  to.Add("alice");
  files.Add("/no/such/folder/anything.txt");
  EXPECT_EQ(CodeOf([&] { m_mail.SendFiles("s", "t", files, titles, to, FALSE, FALSE); }), 11u);
  EXPECT_FALSE(m_mail.IsLogged());

  // Lists beyond 16-bit counts would be cut short and written past their arrays.
  CStringArray many;
  many.SetSize(0x10000);
  for (int i = 0; i < many.GetSize(); ++i) many[i] = "x@example.org";
  EXPECT_EQ(CodeOf([&] { m_mail.SendNote("s", "t", many, FALSE, FALSE); }), 10u);
  CStringArray one;
  one.Add("alice");
  EXPECT_EQ(CodeOf([&] { m_mail.SendFiles("s", "t", many, titles, one, FALSE, FALSE); }), 9u);
  EXPECT_FALSE(m_mail.IsLogged());
  EXPECT_TRUE(m_profile->Delivered().empty());
}

TEST_F(MailService, LogonUsesTheRunningUsersProfile) {
  const CString user = GetThisUserName();
  ASSERT_FALSE(user.IsEmpty());
  hk::test::TempDir other;
  m_profile->Dir().WriteFile(std::string(user) + ".conf", OutboxSettings(other.Path() + "mine"));
  CStringArray to;
  to.Add("alice");
  m_mail.SendNote("mine", "x", to, FALSE, FALSE);
  EXPECT_TRUE(m_profile->Delivered().empty());
  size_t mine = 0;
  for (const auto& entry : std::filesystem::directory_iterator(other.Path() + "mine/new")) {
    EXPECT_EQ(ParseMessage(ReadWholeFile(entry.path().string())).headers.at("subject"), "mine");
    ++mine;
  }
  EXPECT_EQ(mine, 1u);
}

TEST_F(MailService, RefusedLogonIsThrownAndRetried) {
  const CString user = GetThisUserName();
  m_profile->Dir().WriteFile(std::string(user) + ".conf", "[delivery]\nmethod = teleport\n");
  CStringArray to;
  to.Add("alice");
  EXPECT_EQ(CodeOf([&] { m_mail.SendNote("s", "t", to, FALSE, TRUE); }), 3u);
  EXPECT_FALSE(m_mail.IsLogged());
  EXPECT_EQ(CodeOf([&] { m_mail.ResolveName("alice", FALSE); }), 3u);
  m_profile->Dir().WriteFile(std::string(user) + ".conf", OutboxSettings(m_profile->Outbox()));
  EXPECT_EQ(m_mail.ResolveName("alice", FALSE), "alice@example.org");
  EXPECT_TRUE(m_mail.ResolveName("Mallory", FALSE).IsEmpty());
  EXPECT_TRUE(m_mail.ResolveName("x@y.example\r\nBcc: z@y.example", FALSE).IsEmpty());
  EXPECT_EQ(m_mail.ResolveName("x@y.example", TRUE), "x@y.example");
}

TEST_F(MailService, TwoSendersAtOnceWriteWholeSeparateFiles) {
  constexpr int kEach = 25;
  auto sender = [&](int who) {
    CNuMAPISupport mail;
    CStringArray to;
    to.Add("alice");
    CString text;
    for (int i = 0; i < kEach; ++i) {
      text.Format("sender %d message %d %s", who, i, std::string(20000, 'x').c_str());
      CString subject;
      subject.Format("%d-%d", who, i);
      mail.SendNote(subject, text, to, FALSE, FALSE);
    }
    mail.Logoff();
  };
  std::thread a(sender, 1), b(sender, 2);
  a.join();
  b.join();
  const auto delivered = m_profile->Delivered();
  ASSERT_EQ(delivered.size(), 2u * kEach);
  EXPECT_TRUE(m_profile->Unfinished().empty());
  std::set<std::string> subjects;
  for (const std::string& file : delivered) {
    const ReadMessage m = ParseMessage(ReadWholeFile(file));
    const std::string subject = m.headers.at("subject");
    subjects.insert(subject);
    const std::string who = subject.substr(0, subject.find('-'));
    const std::string number = subject.substr(subject.find('-') + 1);
    EXPECT_EQ(m.body, "sender " + who + " message " + number + " " + std::string(20000, 'x')) << file;
  }
  EXPECT_EQ(subjects.size(), 2u * kEach);
}

TEST_F(MailService, DialogOnAnInteractiveSendDeliversTheMessageAsItStands) {
  // There is no send dialog on POSIX (nor in the test library): the send goes out as a user
  // confirming the dialog unchanged would send it, without waiting for anyone.
  MailInfo info;
  info.strSubject = "Reviewed";
  info.strText = "Please look.";
  info.arrRecipients.Add("Alice");
  info.bDialog = TRUE;
  m_mail.SendMail(info, TRUE);
  EXPECT_TRUE(m_mail.IsLogged());
  const ReadMessage m = OnlyMessage();
  EXPECT_EQ(m.headers.at("subject"), "Reviewed");
  EXPECT_EQ(m.headers.at("to"), "\"Alice\" <alice@example.org>");
  EXPECT_EQ(m.body, "Please look.");
}

// What one sending process does: kNotesPerProcess notes into the outbox its parent set up,
// subjects "<sender>-<n>" with a random sender token. Run only by the test below, in processes
// of its own.
constexpr int kNotesPerProcess = 20;

std::string NoteBody(const std::string& subject) { return "note " + subject + " " + std::string(30000, 'y'); }

TEST(MailServiceChild, DISABLED_SendNotesIntoTheOutbox) {
  HK_REQUIRE_MAIL_PROVIDER("full");
  CNuMAPISupport mail;
  CStringArray to;
  to.Add("alice");
  const std::string sender = std::to_string(std::random_device{}());
  for (int i = 0; i < kNotesPerProcess; ++i) {
    const std::string subject = sender + "-" + std::to_string(i);
    mail.SendNote(subject.c_str(), NoteBody(subject).c_str(), to, FALSE, FALSE);
  }
  mail.Logoff();
#if defined(__linux__)
  // Delivery into the outbox never needs libcurl, so it is never loaded.
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) EXPECT_EQ(line.find("libcurl"), std::string::npos) << line;
#endif
}

TEST_F(MailService, TwoProcessesAtOnceWriteWholeSeparateFiles) {
  char self[MAX_PATH + 1] = {};
  ASSERT_NE(GetModuleFileNameA(nullptr, self, MAX_PATH), 0);
  const std::string arguments =
      " --gtest_filter=MailServiceChild.DISABLED_SendNotesIntoTheOutbox --gtest_also_run_disabled_tests";
#if defined(_WIN32)
  const std::string command = "\"\"" + std::string(self) + "\"" + arguments + " 2>&1\"";
#else
  const std::string command = "'" + std::string(self) + "'" + arguments + " 2>&1";
#endif
  // Both children are started before either is read, so they send at the same time.
  FILE* children[2] = {};
  for (FILE*& child : children) {
#if defined(_WIN32)
    child = _popen(command.c_str(), "r");
#else
    child = popen(command.c_str(), "r");
#endif
    ASSERT_NE(child, nullptr);
  }
  for (FILE* child : children) {
    std::string output;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, child)) > 0;) output.append(buffer, n);
#if defined(_WIN32)
    EXPECT_EQ(_pclose(child), 0) << output;
#else
    const int status = pclose(child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
#endif
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
  }

  const auto delivered = m_profile->Delivered();
  ASSERT_EQ(delivered.size(), 2u * kNotesPerProcess);
  EXPECT_TRUE(m_profile->Unfinished().empty());
  std::set<std::string> subjects, processes;
  for (const std::string& file : delivered) {
    const ReadMessage m = ParseMessage(ReadWholeFile(file));
    const std::string subject = m.headers.at("subject");
    subjects.insert(subject);
    processes.insert(subject.substr(0, subject.find('-')));
    EXPECT_EQ(m.body, NoteBody(subject)) << file;
  }
  EXPECT_EQ(subjects.size(), 2u * kNotesPerProcess);
  EXPECT_EQ(processes.size(), 2);
}

}  // namespace
