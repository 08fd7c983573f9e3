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

// Delivery through the server at url, with more [smtp] settings, from SENDER@example.org.
std::string SmtpSettings(const std::string& url, const std::string& extra = "", const std::string& sender = "sender") {
  return "[delivery]\nmethod = smtp\n[smtp]\nurl = " + url + "\ntimeout = 10\n" + extra + "[sender]\naddress = " +
         sender + "@example.org\n[addressbook]\nAlice = alice@example.org\n";
}
#endif

// One real delivery: the envelope holds every recipient, the headers not the blind copy.
TEST(SmtpProvider, MessageArrivesAsSent) {
  HK_REQUIRE_SMTP();
#if !defined(_WIN32)
  SmtpServer server;
  ProfileScope profile(SmtpSettings(server.Url()));
  LHANDLE session = 0;
  ASSERT_EQ(CNuMAPI::MAPILogon(0, Text("default"), nullptr, 0, 0, &session), 0u);
  MapiRecipDesc recipients[2] = {{0, MAPI_TO, Text("Alice"), nullptr, 0, nullptr},
                                 {0, MAPI_BCC, nullptr, Text("hidden@example.net"), 0, nullptr}};
  MapiMessage message = MessageOf(recipients, 2, nullptr, 0, "Hello", ".\nHi ");
  ASSERT_EQ(CNuMAPI::MAPISendMail(session, 0, &message, 0, 0), 0u);
  EXPECT_EQ(CNuMAPI::MAPILogoff(session, 0, 0, 0), 0u);
  ASSERT_EQ(server.Files().size(), 1u);
  EXPECT_EQ(server.Recipients(0), "alice@example.org\nhidden@example.net\n");
  // The content as the outbox stores it (provider_test.cpp); here, what the wire may change.
  EXPECT_EQ(ReadWithPython(server.Files()[0]).Value("body"), ".\nHi ");
  EXPECT_EQ(hk::test::ReadWholeFile(server.Files()[0]).find("hidden@"), std::string::npos);
#endif
}

// Each way a server can refuse, drop or ignore a mail, with the Simple MAPI code it gives: the
// table of docs/mail.md. The sender's name and the EHLO name script the server's answers.
TEST(SmtpProvider, RefusalsGetTheCodeThatNamesThem) {
  HK_REQUIRE_SMTP();
#if !defined(_WIN32)
  SmtpServer server({"--refuse-auth"});
  const std::string nowhere = "smtp://127.0.0.1:" + std::to_string(FreePort());
  struct Row {
    const char* what;
    const char* url;     // nullptr: the server's; else a path after it, or the unused port
    const char* sender;  // scripts the server: STEP-ANSWER
    const char* extra;   // more [smtp] settings
    ULONG code;          // of the logon when it fails, else of the send
  } rows[] = {
      {"no server listening", "nowhere", "ok", "", MAPI_E_NETWORK_FAILURE},
      {"TLS demanded, none offered", nullptr, "ok", "starttls = yes\n", MAPI_E_NETWORK_FAILURE},
      {"credentials without TLS", nullptr, "ok", "user = me\npassword = secret\n", MAPI_E_NETWORK_FAILURE},
      {"credentials refused", nullptr, "ok", "user = me\npassword = wrong\ncleartext_auth = yes\n",
       MAPI_E_LOGIN_FAILURE},
      {"EHLO and HELO refused", "/refuse-554", "ok", "", MAPI_E_LOGIN_FAILURE},
      {"sender refused", nullptr, "mail-550", "", MAPI_E_ACCESS_DENIED},
      {"sender must authenticate", nullptr, "mail-530", "", MAPI_E_LOGIN_FAILURE},
      {"recipient refused", nullptr, "rcpt-550", "", MAPI_E_UNKNOWN_RECIPIENT},
      {"too many recipients", nullptr, "rcpt-452", "", MAPI_E_TOO_MANY_RECIPIENTS},
      {"recipients beyond storage", nullptr, "rcpt-552", "", MAPI_E_TOO_MANY_RECIPIENTS},
      {"service closing", nullptr, "rcpt-421", "", MAPI_E_NETWORK_FAILURE},
      {"connection dropped at RCPT", nullptr, "rcpt-hangup", "", MAPI_E_NETWORK_FAILURE},
      {"DATA refused", nullptr, "data-554", "", MAPI_E_INVALID_MESSAGE},
      {"no storage for the data", nullptr, "data-452", "", MAPI_E_DISK_FULL},
      {"message refused", nullptr, "end-554", "", MAPI_E_INVALID_MESSAGE},
      {"message too large", nullptr, "end-552", "", MAPI_E_TEXT_TOO_LARGE},
      {"message refused for now", nullptr, "end-451", "", MAPI_E_FAILURE},
      {"connection dropped after the data", nullptr, "end-hangup", "", MAPI_E_NETWORK_FAILURE},
      {"no answer to the data", nullptr, "end-silent", "", MAPI_E_NETWORK_FAILURE},
      {"accepted", nullptr, "ok", "", SUCCESS_SUCCESS},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string url = row.url == nullptr ? server.Url()
                            : std::string(row.url) == "nowhere" ? nowhere
                                                                : server.Url() + row.url;
    ProfileScope profile(SmtpSettings(url, std::string("timeout = 1\n") + row.extra, row.sender));
    const size_t stored = server.Files().size();
    const int offered = server.AuthAttempts();
    LHANDLE session = 0;
    ULONG code = CNuMAPI::MAPILogon(0, Text("default"), nullptr, 0, 0, &session);
    if (code == SUCCESS_SUCCESS) {
      MapiRecipDesc to{0, MAPI_TO, nullptr, Text("alice@example.org"), 0, nullptr};
      MapiMessage message = MessageOf(&to, 1, nullptr, 0, nullptr, "text");
      code = CNuMAPI::MAPISendMail(session, 0, &message, 0, 0);
      CNuMAPI::MAPILogoff(session, 0, 0, 0);
    }
    EXPECT_EQ(code, row.code);
    EXPECT_EQ(server.Files().size(), stored + (row.code == SUCCESS_SUCCESS ? 1 : 0));
    // A password goes out in the clear only where the profile allows it.
    if (std::string(row.extra).find("cleartext_auth") == std::string::npos) {
      EXPECT_EQ(server.AuthAttempts(), offered);
    }
  }
#endif
}

// The profile's timeout bounds silence, not the transfer: a message that takes longer than it to
// send over a slow but live link arrives, and its sender hears that it did.
TEST(SmtpProvider, TimeLimitIsForSilenceNotForTheWholeTransfer) {
  HK_REQUIRE_SMTP();
#if !defined(_WIN32)
  SmtpServer server({"--read-slowly"});
  ProfileScope profile(SmtpSettings(server.Url(), "timeout = 1\n"));
  hk::test::TempDir files;
  const std::string bytes(600 * 1000, '\xA5');
  const std::string path = files.WriteFile("large.bin", bytes);
  LHANDLE session = 0;
  ASSERT_EQ(CNuMAPI::MAPILogon(0, Text("default"), nullptr, 0, 0, &session), 0u);
  MapiRecipDesc to{0, MAPI_TO, nullptr, Text("alice@example.org"), 0, nullptr};
  MapiFileDesc file{0, 0, 0, Text(path.c_str()), nullptr, nullptr};
  MapiMessage message = MessageOf(&to, 1, &file, 1);
  EXPECT_EQ(CNuMAPI::MAPISendMail(session, 0, &message, 0, 0), 0u);
  CNuMAPI::MAPILogoff(session, 0, 0, 0);
  ASSERT_EQ(server.Files().size(), 1u);
  using File = std::pair<std::string, std::string>;
  EXPECT_EQ(ReadWithPython(server.Files()[0]).attachments, (std::vector<File>{{"large.bin", bytes}}));
#endif
}

}  // namespace
