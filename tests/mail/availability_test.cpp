// Whether mail is available is settled when the library starts: each case runs in the
// process started with that mail library (see CMakeLists.txt).
#include "tests/mail/mailtest.h"
#include "tests/support/capture.h"

#include "platform/text.h"
#include "platform/win32.h"

#if !defined(_WIN32)
#  include <dlfcn.h>
#endif

#include <cstdlib>
#include <functional>

namespace {

// Every request of the mail service ends in "Mail is not available.".
void ExpectEveryRequestRefused() {
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
  CString description = "unchanged";
  BOOL usable = 7;
  EXPECT_FALSE(CNuMAPI::DescribeProfile("tester", description, usable));
  EXPECT_EQ(description, "unchanged");
  EXPECT_EQ(usable, 7);
}

#if defined(_WIN32)
constexpr const char* kLibraryFile = "mapi32.dll";
#else
constexpr const char* kLibraryFile = "/libhostkit-mapi.so";
#endif

// Whether the mail library is still mapped into the process.
bool MailLibraryLoaded() {
#if defined(_WIN32)
  return GetModuleHandleA(kLibraryFile) != nullptr;
#else
  const char* dir = std::getenv("HOSTKIT_PROVIDER_DIR");
  const std::string path = std::string(dir != nullptr ? dir : ".") + kLibraryFile;
  void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return handle != nullptr;
#endif
}

TEST(MailAvailability, TheProviderIsBoundNamesItsFileAndDescribesProfiles) {
  HK_REQUIRE_MAIL_PROVIDER("full");
  EXPECT_TRUE(CNuMAPI::IsAvailable());
  EXPECT_TRUE(MailLibraryLoaded());
  CNuMAPISupport mail;
  mail.Enable(TRUE);
  EXPECT_TRUE(mail.IsEnabled());
  const std::string file = hk::text::Lower(std::string(CNuMAPI::GetLibraryFileName()));
  EXPECT_NE(file.find(kLibraryFile), std::string::npos) << file;
  CString description;
  BOOL usable = FALSE;
  for (const bool works : {true, false}) {
    hk::test::mail::ProfileScope profile(works ? "" : "[delivery]\nmethod = carrier pigeon\n");
    ASSERT_TRUE(CNuMAPI::DescribeProfile("tester", description, usable));
    EXPECT_EQ(usable != FALSE, works);
    EXPECT_NE(std::string(description).find(works ? "delivery: outbox" : "problem: "), std::string::npos) << description;
  }
}

TEST(MailAvailability, NoMailLibrary) {
  HK_REQUIRE_MAIL_PROVIDER("none");
  EXPECT_FALSE(CNuMAPI::IsAvailable());
  ExpectEveryRequestRefused();
}

TEST(MailAvailability, LibraryLackingItsLastEntryPointIsReleased) {
  HK_REQUIRE_MAIL_PROVIDER("partial");
  EXPECT_FALSE(CNuMAPI::IsAvailable());
  EXPECT_FALSE(MailLibraryLoaded());
  ExpectEveryRequestRefused();
}

}  // namespace
