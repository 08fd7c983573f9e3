// Files that are not regular files (a FIFO without a writer, a link to the device /dev/zero)
// are answered at once and never copied: nothing waits for a writer, and no device is read
// without end.
#include "tests/support/child.h"
#include "tests/support/fixtures.h"

#include <hostkit/path.h>

#include "platform/win32.h"

#include <filesystem>
#include <string>

#if !defined(_WIN32)
#  include <sys/stat.h>
#  include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using hk::test::TempDir;

// No FIFOs or device links in the Windows file system.
#if !defined(_WIN32)
TEST(SpecialFiles, AreNoFilesAndAreNeverCopied) {
  TempDir dir;
  for (const std::string kind : {"fifo", "zero"}) {
    const std::string tree = dir / kind;
    fs::create_directories(tree + "/src");
    dir.WriteFile(kind + "/src/a.txt", "A");
    const std::string special = tree + "/src/special";
    ASSERT_EQ(kind == "fifo" ? mkfifo(special.c_str(), 0644) : symlink("/dev/zero", special.c_str()), 0) << kind;
    // Each answer comes at once: a call that blocks is killed with its child.
    const hk::test::ChildEnd end = hk::test::RunInChild([&] {
      int faults = 0;
      if (IsFile(special.c_str())) faults |= 1;
      if (EnsureValidFile(special.c_str())) faults |= 2;
      if (CopyFileA(special.c_str(), (tree + "/copy").c_str(), FALSE) || GetLastError() != ERROR_OPEN_FAILED)
        faults |= 4;
      if (CopyFolder((tree + "/src").c_str(), (tree + "/dst").c_str()) || GetLastError() != ERROR_OPEN_FAILED)
        faults |= 8;
      return faults;
    });
    EXPECT_EQ(end.signal, 0) << kind << ": blocked";
    EXPECT_EQ(end.code, 0) << kind;
    EXPECT_FALSE(fs::exists(tree + "/copy")) << kind;
    // Nothing of the special file's kind, and no scratch file, is left in the target.
    for (const auto& entry : fs::directory_iterator(tree + "/dst"))
      EXPECT_EQ(entry.path().filename(), "a.txt") << kind;
  }
}
#endif

}  // namespace
