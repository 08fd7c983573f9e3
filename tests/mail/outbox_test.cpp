// The outbox's last step on its own: a finished file is published under its final name
// without ever replacing a file there, by hard link or, where the file system has none, by a
// rename that refuses to replace.
#include "tests/mail/mailtest.h"

#if !defined(_WIN32)

#include "providers/mapi/outbox.h"

#include <filesystem>

namespace {

using hk::test::ReadWholeFile;

TEST(OutboxPublish, NeverReplacesAFileWithOrWithoutHardLinks) {
  HK_REQUIRE_MAIL_PROVIDER("full");
  for (const bool withLink : {true, false}) {
    SCOPED_TRACE(withLink ? "hard link" : "rename");
    hk::test::TempDir dir;
    const std::string from = dir.WriteFile("tmp-name", "the whole message");
    const std::string to = dir / "final-name";
    EXPECT_EQ(hk::mapi::PublishFile(from, to, withLink), 0u);
    EXPECT_EQ(ReadWholeFile(to), "the whole message");
    EXPECT_FALSE(std::filesystem::exists(from));

    // A second file for the same name fails and is dropped; the first stays as it was.
    const std::string second = dir.WriteFile("other-tmp-name", "another message");
    EXPECT_EQ(hk::mapi::PublishFile(second, to, withLink), static_cast<ULONG>(MAPI_E_FAILURE));
    EXPECT_EQ(ReadWholeFile(to), "the whole message");
    EXPECT_FALSE(std::filesystem::exists(second));
  }
}

}  // namespace

#endif
