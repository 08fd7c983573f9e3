// The mail service end to end into an outbox: what SendNote, SendFiles and SendMail hand
// over, logon on demand with the user's profile, refusals before any logon, and two senders
// at once.
#include "tests/mail/mailtest.h"

#include <hostkit/hostkit.h>

#include <filesystem>
#include <set>
#include <thread>

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
    EXPECT_EQ(delivered.size(), 1u);
    return delivered.empty() ? ReadMessage() : ParseMessage(ReadWholeFile(delivered[0]));
  }
  // Runs body and returns the code of the CNuMailException it throws, or 0.
  template <typename Body>
  DWORD CodeOf(Body body) {
    try {
      body();
    } catch (CNuMailException* e) {
      const DWORD code = e->m_dwError;
      e->Delete();
      return code;
    }
    return 0;
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
  ASSERT_EQ(m.attachments.size(), 2u);
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
  ASSERT_EQ(m.attachments.size(), 2u);
  EXPECT_EQ(m.attachments[0].fileName, "*.log");  // the name as the caller wrote it
  EXPECT_EQ(m.attachments[0].bytes, "log lines\n");
  EXPECT_EQ(m.headers.at("to"), "\"bob builder\" <bob@example.net>");

  // With no files the mail is a note and titles are not looked at.
  MailInfo note;
  note.strText = "note";
  note.arrTitles.Add("unused");
  note.arrRecipients.Add("alice");
  m_mail.SendMail(note, FALSE);
  EXPECT_EQ(m_profile->Delivered().size(), 2u);
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

}  // namespace
