// Files that are not regular files (a FIFO without a writer, a socket, a device, a link to
// /dev/zero) are answered at once and never copied: nothing waits for a writer, and no device
// is read without end.
#include "tests/support/child.h"
#include "tests/support/fixtures.h"

#include <hostkit/path.h>

#include "platform/win32.h"

#include <filesystem>
#include <string>

#if !defined(_WIN32)
#  include <sys/socket.h>
#  include <sys/stat.h>
#  include <sys/un.h>
#  include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using hk::test::TempDir;

#if !defined(_WIN32)
// Makes a special file of the given kind under name; false when the system refuses.
bool MakeSpecial(const std::string& kind, const std::string& name) {
  if (kind == "fifo") return mkfifo(name.c_str(), 0644) == 0;
  if (kind == "zero") return symlink("/dev/zero", name.c_str()) == 0;
  if (kind == "null") return symlink("/dev/null", name.c_str()) == 0;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (name.size() >= sizeof address.sun_path) return false;
  name.copy(address.sun_path, name.size());
  const int s = socket(AF_UNIX, SOCK_STREAM, 0);
  const bool bound = s >= 0 && bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  if (s >= 0) close(s);
  return bound;
}
#endif

TEST(SpecialFiles, AreNoFilesAndAreNeverCopied) {
#if defined(_WIN32)
  GTEST_SKIP() << "no FIFOs, sockets or device links in the Windows file system";
#else
  TempDir dir;
  for (const std::string kind : {"fifo", "socket", "zero", "null"}) {
    const std::string tree = dir / kind;
    fs::create_directories(tree + "/src");
    dir.WriteFile(kind + "/src/a.txt", "A");
    const std::string special = tree + "/src/special";
    ASSERT_TRUE(MakeSpecial(kind, special)) << kind;
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
    EXPECT_FALSE(fs::exists(fs::symlink_status(tree + "/dst/special"))) << kind;
    // Nothing of the special file's kind, and no scratch file, is left in the target.
    for (const auto& entry : fs::directory_iterator(tree + "/dst"))
      EXPECT_EQ(entry.path().filename(), "a.txt") << kind;
  }
#endif
}

}  // namespace
