// Whether mail is available is settled when the library starts: each case runs in the
// process started with that mail library (see CMakeLists.txt).
#include "tests/mail/mailtest.h"
#include "tests/support/capture.h"

#include "platform/text.h"
#include "platform/win32.h"

#include <functional>

namespace {

// Every request of the mail service ends in "Mail is not available.".
TEST(MailAvailability, NoMailLibrary) {
  HK_REQUIRE_MAIL_PROVIDER("none");
  CNuMAPISupport mail;
  mail.Enable(TRUE);
  EXPECT_FALSE(mail.IsAvailable());
  EXPECT_FALSE(mail.IsEnabled());
  CStringArray names, files, titles;
  names.Add("alice@example.org");
  files.Add("does-not-matter.txt");
  MailInfo info;
  info.arrRecipients.Add("alice@example.org");
  const std::function<void()> requests[] = {[&] { mail.SendNote("s", "t", names, FALSE, FALSE); },
                                            [&] { mail.SendFiles("s", "t", files, titles, names, FALSE, FALSE); },
                                            [&] { mail.SendMail(info, TRUE); },
                                            [&] { mail.ResolveName("alice", FALSE); }};
  for (const auto& request : requests) {
    const hk::test::Thrown thrown = hk::test::Capture<CNuMailException>(request);
    EXPECT_EQ(thrown.code, 0xFFFFFFFFLL);
    EXPECT_EQ(thrown.message, "Mail is not available.");
  }
  // Nor is there a library to name or to describe a profile.
  EXPECT_TRUE(CNuMAPI::GetLibraryFileName().IsEmpty());
  CString description;
  BOOL usable = FALSE;
  EXPECT_FALSE(CNuMAPI::DescribeProfile("tester", description, usable));
}

#if defined(_WIN32)
constexpr const char* kLibraryFile = "mapi32.dll";
#else
constexpr const char* kLibraryFile = "/libhostkit-mapi.so";
#endif

TEST(MailAvailability, TheProviderIsBoundAndNamesItsFile) {
  HK_REQUIRE_MAIL_PROVIDER("full");
  EXPECT_TRUE(CNuMAPI::IsAvailable());
  const std::string file = hk::text::Lower(std::string(CNuMAPI::GetLibraryFileName()));
  EXPECT_NE(file.find(kLibraryFile), std::string::npos) << file;
}

}  // namespace
