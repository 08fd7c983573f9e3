// The mail service through a real SMTP server on loopback: what arrives is read back with
// Python's email package.
#include "tests/mail/mailtest.h"

#include <hostkit/hostkit.h>

namespace {

using namespace hk::test::mail;

#if !defined(_WIN32)
std::string Settings(const std::string& url) {
  return "[delivery]\nmethod = smtp\n[smtp]\nurl = " + url + "\ntimeout = 10\n"
         "[sender]\naddress = sender@example.org\nname = Sender\n"
         "[addressbook]\nAlice = alice@example.org\nBob = bob@example.net\n";
}

DWORD CodeOf(const std::function<void()>& body) {
  try {
    body();
  } catch (CNuMailException* e) {
    const DWORD code = e->m_dwError;
    e->Delete();
    return code;
  }
  return 0;
}
#endif

class SmtpService : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(_WIN32)
    GTEST_SKIP() << "the Windows test mail library delivers into an outbox only";
#else
    HK_REQUIRE_MAIL_PROVIDER("full");
#endif
  }
};

TEST_F(SmtpService, NoteAndMailWithTwoAttachmentsArrive) {
#if !defined(_WIN32)
  SmtpServer server;
  ProfileScope profile(Settings(server.Url()));
  hk::test::TempDir dir;
  const std::string report = dir.WriteFile("report.txt", "line 1\r\nline 2\n");
  const std::string image = dir.WriteFile("pixel.png", std::string("\x89PNG\r\n\x1A\n\x00\x00", 10));
  CNuMAPISupport mail;
  CStringArray to;
  to.Add("Alice");
  to.Add("Bob");
  mail.SendNote("A note", "Just text.", to, FALSE, FALSE);

  MailInfo info;
  info.strSubject = "Two attachments \xE2\x9C\x93";
  info.strText = "See the files:";
  info.arrFiles.Add(report.c_str());
  info.arrFiles.Add(image.c_str());
  info.arrTitles.Add("");
  info.arrTitles.Add("B\xC3\xBCro-Bild.png");
  info.arrRecipients.Add("alice");
  mail.SendMail(info, FALSE);
  mail.Logoff();

  const auto files = server.Files();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(server.Recipients(0), "alice@example.org\nbob@example.net\n");
  const PythonRead note = ReadWithPython(files[0]);
  EXPECT_EQ(note.subject, "A note");
  EXPECT_EQ(note.to, "Alice <alice@example.org>, Bob <bob@example.net>");
  EXPECT_EQ(note.body, "Just text.");
  EXPECT_TRUE(note.attachments.empty());

  const PythonRead both = ReadWithPython(files[1]);
  EXPECT_EQ(both.subject, "Two attachments \xE2\x9C\x93");
  EXPECT_EQ(both.to, "alice <alice@example.org>");
  EXPECT_EQ(both.body, "See the files:  ");  // one blank per attachment, as positions
  ASSERT_EQ(both.attachments.size(), 2u);
  EXPECT_EQ(both.attachments[0].first, "report.txt");
  EXPECT_EQ(both.attachments[0].second, "line 1\r\nline 2\n");
  EXPECT_EQ(both.attachments[1].first, "B\xC3\xBCro-Bild.png");
  EXPECT_EQ(both.attachments[1].second, std::string("\x89PNG\r\n\x1A\n\x00\x00", 10));
#endif
}

TEST_F(SmtpService, MissingFileEndsTheCallBeforeAnyConnection) {
#if !defined(_WIN32)
  SmtpServer server;
  ProfileScope profile(Settings(server.Url()));
  CStringArray files, titles, to;
  files.Add("/no/such/dir/file.bin");
  to.Add("alice");
  const int before = server.Connections();  // the server's own check that it is up
  CNuMAPISupport mail;
  EXPECT_EQ(CodeOf([&] { mail.SendFiles("s", "t", files, titles, to, FALSE, FALSE); }), 11u);
  EXPECT_FALSE(mail.IsLogged());
  EXPECT_EQ(server.Connections(), before);
#endif
}

}  // namespace
