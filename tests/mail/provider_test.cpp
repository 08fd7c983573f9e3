// The project's mail provider, driven through the library's bound entry points: sessions,
// profiles, name resolution, and what arrives in the outbox.
#include "tests/mail/mailtest.h"
#include "tests/support/files.h"

#include <hostkit/mail.h>

#include "platform/win32.h"

#include <algorithm>
#include <csignal>
#include <cstring>

#if !defined(_WIN32)
#  include <sys/resource.h>
#endif

namespace {

using namespace hk::test::mail;
using hk::test::ReadWholeFile;

LPSTR Text(const char* s) { return const_cast<LPSTR>(s); }

class Provider : public ::testing::Test {
 protected:
  void SetUp() override {
    HK_REQUIRE_MAIL_PROVIDER("full");
    ASSERT_TRUE(CNuMAPI::IsAvailable());
  }
  void TearDown() override {
    for (LHANDLE s : m_sessions) CNuMAPI::MAPILogoff(s, 0, 0, 0);
  }
  LHANDLE Logon(const char* profile = "default") {
    LHANDLE session = 0;
    EXPECT_EQ(CNuMAPI::MAPILogon(0, Text(profile), nullptr, 0, 0, &session), 0u);
    if (session != 0) m_sessions.push_back(session);
    return session;
  }
  ProfileScope m_profile;
  std::vector<LHANDLE> m_sessions;
};

TEST_F(Provider, SessionsAndTheSharedSession) {
  LHANDLE shared = 0;
  // No session open in this process, no profile and no dialog: nothing to join.
  EXPECT_EQ(CNuMAPI::MAPILogon(0, nullptr, nullptr, 0, 0, &shared), static_cast<ULONG>(MAPI_E_LOGIN_FAILURE));
  const LHANDLE first = Logon("someone");  // no someone.conf: default.conf applies
  ASSERT_NE(first, 0u);
  ASSERT_EQ(CNuMAPI::MAPILogon(0, nullptr, nullptr, 0, 0, &shared), 0u);
  EXPECT_NE(shared, first);
  EXPECT_EQ(CNuMAPI::MAPILogoff(shared, 0, 0, 0), 0u);
  EXPECT_EQ(CNuMAPI::MAPILogoff(shared, 0, 0, 0), static_cast<ULONG>(MAPI_E_INVALID_SESSION));
}

TEST_F(Provider, ProfilesThatCannotBeUsedRefuseTheLogon) {
  m_profile.Dir().WriteFile("typo.conf", "[smtp]\nurll = smtp://localhost\n");
  for (const char* name : {"../escape", "typo"}) {
    LHANDLE session = 0;
    EXPECT_EQ(CNuMAPI::MAPILogon(0, Text(name), nullptr, 0, 0, &session), static_cast<ULONG>(MAPI_E_LOGIN_FAILURE))
        << name;
    EXPECT_EQ(session, 0u);
  }
}

// A name resolves exactly when a mail to it could be sent: to one usable address.
TEST_F(Provider, ResolvesOnlyToAddressesThatCanBeSentTo) {
  m_profile.Dir().WriteFile("default.conf", OutboxSettings(m_profile.Outbox()) + "Broken = not an address\n");
  const LHANDLE session = Logon();
  const std::pair<const char*, const char*> known[] = {{"carol@example.com", "carol@example.com"},
                                                       {"  carol@example.com ", "carol@example.com"},
                                                       {"alice", "alice@example.org"},
                                                       {"BOB BUILDER", "bob@example.net"}};
  // No such entry, nothing, a header slipped in, no address or not one, an entry that is none.
  const char* unknown[] = {"Mallory",  "", "x@y\r\nBcc: z@example.org", "tab\t@example.org", "<@>", "@example.org",
                           "someone@", "a@b@example.org", "Alice <alice@example.org>", "Broken"};
  std::vector<std::pair<const char*, const char*>> cases(std::begin(known), std::end(known));
  for (const char* name : unknown) cases.emplace_back(name, nullptr);
  for (const auto& [name, address] : cases) {
    SCOPED_TRACE(name);
    const ULONG expected = address != nullptr ? SUCCESS_SUCCESS : MAPI_E_UNKNOWN_RECIPIENT;
    lpMapiRecipDesc recipient = nullptr;
    EXPECT_EQ(CNuMAPI::MAPIResolveName(session, 0, Text(name), 0, 0, &recipient), expected);
    EXPECT_STREQ(recipient != nullptr ? recipient->lpszAddress : nullptr, address);
    EXPECT_EQ(recipient != nullptr ? CNuMAPI::MAPIFreeBuffer(recipient) : 0u, 0u);
    MapiRecipDesc to{0, MAPI_TO, Text(name), nullptr, 0, nullptr};
    MapiMessage message = MessageOf(&to, 1);
    EXPECT_EQ(CNuMAPI::MAPISendMail(session, 0, &message, 0, 0), expected);
  }
  EXPECT_EQ(m_profile.Delivered().size(), std::size(known));
  // Only what the provider handed out is freed.
  char foreign[sizeof(MapiRecipDesc)] = {};
  EXPECT_NE(CNuMAPI::MAPIFreeBuffer(foreign), 0u);
}

// A note arrives as it was given, in lines no longer than RFC 5322 allows (998), none of which
// could end an SMTP transfer early or break a header.
TEST_F(Provider, NoteReadsBackExactlyInShortLines) {
  // Names that would each make a line too long as they stand: words to fold, a solid word with
  // nowhere to fold, quotes and backslashes to escape.
  std::string words;
  for (int i = 0; words.size() < 1500; ++i) words += (i == 0 ? "word" : " word") + std::to_string(i);
  const std::string solid(1200, 'n');
  const std::string quoted = "\"Quoted\" \\ and\\ , " + words.substr(0, 1000);
  // A title long enough for several continuations, of two- to four-byte characters that a
  // split must not break.
  std::string longTitle;
  for (int i = 0; longTitle.size() < 400; ++i)
    longTitle += "J\xC3\xA4hr " + std::to_string(i) + " \xE2\x80\x93 \xF0\x9F\x93\x8A ";
  longTitle += "(endg\xC3\xBCltig; \"3\").txt";
  const LHANDLE session = Logon();
  hk::test::TempDir files;
  const std::string bytes("\x00\x01\xFF\r\n.\r\nend", 10);
  const std::string first = files.WriteFile("data.bin", bytes), second = files.WriteFile("r.txt", "report\n");
  MapiRecipDesc recipients[5] = {{0, MAPI_TO, Text("Alice"), nullptr, 0, nullptr},
                                 {0, MAPI_TO, Text(words.c_str()), Text("a@example.org"), 0, nullptr},
                                 {0, MAPI_CC, Text(quoted.c_str()), Text("SMTP:dora@example.com"), 0, nullptr},
                                 {0, MAPI_CC, Text(solid.c_str()), Text("c@example.org"), 0, nullptr},
                                 {0, MAPI_BCC, Text("hidden@example.com"), nullptr, 0, nullptr}};
  // Listed out of order: the message keeps them in the order of their positions.
  MapiFileDesc attachments[2] = {{0, 0, 12, Text(second.c_str()), Text(longTitle.c_str()), nullptr},
                                 {0, 0, 11, Text(first.c_str()), nullptr, nullptr}};
  const std::string subject = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x93 " + solid;
  MapiMessage message = MessageOf(recipients, 5, attachments, 2, subject.c_str(), "Line one\n.dot line\nends with  ");
  ASSERT_EQ(CNuMAPI::MAPISendMail(session, 0, &message, 0, 0), 0u);
  ASSERT_EQ(m_profile.Delivered().size(), 1u);
  const std::string raw = ReadWholeFile(m_profile.Delivered()[0]);
  EXPECT_EQ(raw.find("\r\n.\r\n"), std::string::npos);
  EXPECT_EQ(raw.find("\n\n"), std::string::npos);
  EXPECT_NE(raw.find("<dora@example.com>"), std::string::npos);
  for (size_t start = 0, end; start < raw.size(); start = end + 2) {
    end = std::min(raw.find("\r\n", start), raw.size());
    EXPECT_LE(end - start, 998u) << raw.substr(start, 60);
  }
#if !defined(_WIN32)
  const PythonRead read = ReadWithPython(m_profile.Delivered()[0]);
  EXPECT_EQ(read.Value("from") + "|" + read.Value("bcc"), "Test Sender <tester@example.org>|hidden@example.com");
  EXPECT_EQ(read.Value("subject") + "|" + read.Value("body"), subject + "|Line one\n.dot line\nends with  ");
  // The solid name can only go as encoded words; Python's parser reads those of a display name
  // with blanks between them, which RFC 2047 has readers drop.
  auto names = read.Values("name");
  ASSERT_EQ(names.size(), 4u);
  names.pop_back();
  EXPECT_EQ(names, (std::vector<std::string>{"Alice", words, quoted}));
  using File = std::pair<std::string, std::string>;
  EXPECT_EQ(read.attachments, (std::vector<File>{{"data.bin", bytes}, {longTitle, "report\n"}}));
#endif
}

TEST_F(Provider, RefusesWhatCannotBeSent) {
  const LHANDLE session = Logon();
  MapiRecipDesc badClass{0, MAPI_ORIG, Text("alice"), nullptr, 0, nullptr};
  MapiRecipDesc alice{0, MAPI_TO, Text("alice"), nullptr, 0, nullptr};
  MapiFileDesc missing{0, 0, 0, Text("/no/such/file/anywhere.txt"), nullptr, nullptr};
  struct Case {
    MapiRecipDesc* recipient;
    MapiFileDesc* file;
    ULONG result;
  } cases[] = {
      {nullptr, nullptr, MAPI_E_INVALID_RECIPS},
      {&badClass, nullptr, MAPI_E_BAD_RECIPTYPE},
      {&alice, &missing, MAPI_E_ATTACHMENT_NOT_FOUND},
  };
  for (const Case& c : cases) {
    MapiMessage message = MessageOf(c.recipient, c.recipient != nullptr ? 1 : 0, c.file, c.file != nullptr ? 1 : 0);
    EXPECT_EQ(CNuMAPI::MAPISendMail(session, 0, &message, 0, 0), c.result);
  }
  EXPECT_EQ(CNuMAPI::MAPISendMail(session, 0, nullptr, 0, 0), static_cast<ULONG>(MAPI_E_INVALID_MESSAGE));
  EXPECT_TRUE(m_profile.Delivered().empty());
}

#if !defined(_WIN32)
// A volume too small for the message (a file-size limit stands in for it): the send fails,
// and neither a partial file nor an open descriptor is left behind.
TEST_F(Provider, AWriteThatFailsLeavesNothingBehind) {
  const LHANDLE session = Logon();
  MapiRecipDesc alice{0, MAPI_TO, Text("alice"), nullptr, 0, nullptr};
  const std::string text(64 * 1024, 't');
  MapiMessage message = MessageOf(&alice, 1, nullptr, 0, "s", text.c_str());
  ASSERT_EQ(CNuMAPI::MAPISendMail(session, 0, &message, 0, 0), 0u);  // the folders exist now
  const int open = hk::test::OpenDescriptors();
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const ULONG result = CNuMAPI::MAPISendMail(session, 0, &message, 0, 0);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);
  EXPECT_NE(result, 0u);
  EXPECT_EQ(m_profile.Delivered().size(), 1u);
  EXPECT_TRUE(m_profile.Unfinished().empty());
  for (int i = 0; i < 3; ++i) ASSERT_EQ(CNuMAPI::MAPISendMail(session, 0, &message, 0, 0), 0u);
  EXPECT_EQ(hk::test::OpenDescriptors(), open);
}
#endif

}  // namespace
