// Delivery through a real SMTP server on loopback, read back with Python's email package.
#include "tests/mail/mailtest.h"

#include <hostkit/mail.h>

namespace {

using namespace hk::test::mail;

#if defined(_WIN32)
#  define HK_REQUIRE_SMTP() GTEST_SKIP() << "the Windows test mail library delivers into an outbox only"
#else
#  define HK_REQUIRE_SMTP() HK_REQUIRE_MAIL_PROVIDER("full")
#endif

#if !defined(_WIN32)
LPSTR Text(const char* s) { return const_cast<LPSTR>(s); }

std::string SmtpSettings(const std::string& url, const char* extra = "") {
  return "[delivery]\nmethod = smtp\n[smtp]\nurl = " + url + "\ntimeout = 10\n" + extra +
         "[sender]\naddress = sender@example.org\n[addressbook]\nAlice = alice@example.org\n";
}
#endif

TEST(SmtpProvider, MessageArrivesAsSent) {
  HK_REQUIRE_SMTP();
#if !defined(_WIN32)
  SmtpServer server;
  ProfileScope profile(SmtpSettings(server.Url()));
  LHANDLE session = 0;
  ASSERT_EQ(CNuMAPI::MAPILogon(0, Text("default"), nullptr, 0, 0, &session), 0u);
  hk::test::TempDir files;
  const std::string path = files.WriteFile("n\xC3\xA4me.bin", std::string("\0\r\n.\r\nx", 7));
  MapiRecipDesc recipients[2] = {{0, MAPI_TO, Text("Alice"), nullptr, 0, nullptr},
                                 {0, MAPI_BCC, nullptr, Text("hidden@example.net"), 0, nullptr}};
  MapiFileDesc file{0, 0, 4, Text(path.c_str()), nullptr, nullptr};
  MapiMessage message{};
  message.lpszSubject = Text("Hello");
  message.lpszNoteText = Text(".\nHi ");
  message.nRecipCount = 2;
  message.lpRecips = recipients;
  message.nFileCount = 1;
  message.lpFiles = &file;
  ASSERT_EQ(CNuMAPI::MAPISendMail(session, 0, &message, 0, 0), 0u);
  EXPECT_EQ(CNuMAPI::MAPILogoff(session, 0, 0, 0), 0u);
  const auto stored = server.Files();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(server.Recipients(0), "alice@example.org\nhidden@example.net\n");
  const PythonRead read = ReadWithPython(stored[0]);
  EXPECT_EQ(read.subject, "Hello");
  EXPECT_EQ(read.to, "Alice <alice@example.org>");
  EXPECT_EQ(read.body, ".\nHi ");
  ASSERT_EQ(read.attachments.size(), 1u);
  EXPECT_EQ(read.attachments[0].first, "n\xC3\xA4me.bin");
  EXPECT_EQ(read.attachments[0].second, std::string("\0\r\n.\r\nx", 7));
  // The blind copy went to the envelope only.
  EXPECT_EQ(hk::test::ReadWholeFile(stored[0]).find("hidden@"), std::string::npos);
#endif
}

TEST(SmtpProvider, RefusedCredentialsAndAMissingServerFailTheLogon) {
  HK_REQUIRE_SMTP();
#if !defined(_WIN32)
  SmtpServer server(true);
  {
    // This server has no TLS: credentials go out in the clear only when the profile allows it.
    ProfileScope profile(SmtpSettings(server.Url(), "user = someone\npassword = wrong\ncleartext_auth = yes\n"));
    LHANDLE session = 0;
    EXPECT_EQ(CNuMAPI::MAPILogon(0, Text("default"), nullptr, 0, 0, &session),
              static_cast<ULONG>(MAPI_E_LOGIN_FAILURE));
    EXPECT_EQ(session, 0u);
  }
  const int offered = server.AuthAttempts();
  EXPECT_GE(offered, 1);
  {
    // Without that permission AUTH waits for TLS, which never comes: no password is offered.
    ProfileScope profile(SmtpSettings(server.Url(), "user = someone\npassword = secret\n"));
    LHANDLE session = 0;
    EXPECT_EQ(CNuMAPI::MAPILogon(0, Text("default"), nullptr, 0, 0, &session),
              static_cast<ULONG>(MAPI_E_NETWORK_FAILURE));
    EXPECT_EQ(server.AuthAttempts(), offered);
  }
  {
    ProfileScope profile(SmtpSettings("smtp://127.0.0.1:" + std::to_string(FreePort())));
    LHANDLE session = 0;
    EXPECT_EQ(CNuMAPI::MAPILogon(0, Text("default"), nullptr, 0, 0, &session),
              static_cast<ULONG>(MAPI_E_NETWORK_FAILURE));
  }
  {
    // A server that requires TLS it cannot have: nothing goes out in the clear.
    ProfileScope profile(SmtpSettings(server.Url(), "starttls = yes\n"));
    LHANDLE session = 0;
    EXPECT_EQ(CNuMAPI::MAPILogon(0, Text("default"), nullptr, 0, 0, &session),
              static_cast<ULONG>(MAPI_E_NETWORK_FAILURE));
  }
  EXPECT_TRUE(server.Files().empty());
#endif
}

}  // namespace
