// The file-system commands of the tool as a user runs them: find, store, mkdir, copy-folder,
// temp-file and readonly.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#if !defined(_WIN32)
#  include <sys/stat.h>
#endif

namespace {

using hk::test::Lines;
using hk::test::ReadWholeFile;
using hk::test::RunTool;
using hk::test::TempDir;
using hk::test::ToolRun;
using hk::test::Quote;

bool IsReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

class FsCli : public hk::test::ToolTest {
 protected:
  // Without the trailing separator, as a user types it.
  std::string Dir() const { return dir.Path().substr(0, dir.Path().size() - 1); }
  TempDir dir;
};

TEST_F(FsCli, FindListsFullPathsByPatternKindAndExclusion) {
  std::filesystem::create_directory(dir / "sub.txt");
  const std::string a = dir.WriteFile("a.txt", "a");
  const std::string b = dir.WriteFile("B.TXT", "b");
  dir.WriteFile("c.log", "c");
  ToolRun r = RunTool("find " + Quote(Dir()) + " --files --pattern " + Quote("*.txt") + " --exclude " + Quote("a.*;x"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{b}));
  r = RunTool("find " + Quote(Dir()) + " --dirs --match any");
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{dir / "sub.txt"}));
  EXPECT_EQ(RunTool("find " + Quote(Dir()) + " --match most").status, 2);
}
TEST_F(FsCli, StorePutsListsAndNamesFiles) {
  std::filesystem::create_directory(dir / "store");
  const std::string root = dir / "store";
  const std::string data = dir.WriteFile("data.bin", "stored");
  const ToolRun r = RunTool("store " + Quote(root) + " put 0x1A.-1 " + Quote(data));
  ASSERT_EQ(r.status, 0);
  const std::string stored = root + hk::kPathSeparator + "0000001A.-1";
  EXPECT_EQ(r.out, stored + "\n");
  EXPECT_EQ(RunTool("store " + Quote(root) + " list").out, stored + "\n");
  EXPECT_EQ(RunTool("store " + Quote(root) + " ids " + Quote(stored)).out, "0x0000001A -1\n");
  EXPECT_EQ(RunTool("store " + Quote(root) + " put 2 " + Quote(dir / "missing")).status, 1);
}
TEST_F(FsCli, MkdirCopyFolderAndReadOnly) {
  EXPECT_EQ(RunTool("mkdir " + Quote(dir / "src/deep")).status, 0);
  dir.WriteFile("src/deep/leaf.txt", "leaf");
  EXPECT_EQ(RunTool("mkdir " + Quote(dir / "src/deep/leaf.txt/x")).status, 1);
  EXPECT_EQ(RunTool("copy-folder " + Quote(dir / "src") + " " + Quote(dir / "dst")).status, 0);
  const std::string copied = dir / "dst/deep/leaf.txt";
  EXPECT_EQ(ReadWholeFile(copied), "leaf");
  EXPECT_EQ(RunTool("readonly on " + Quote(copied)).status, 0);
  EXPECT_TRUE(IsReadOnly(copied));
  EXPECT_EQ(RunTool("readonly off " + Quote(copied)).status, 0);
  EXPECT_FALSE(IsReadOnly(copied));
  EXPECT_EQ(RunTool("readonly maybe " + Quote(copied)).status, 2);
}
TEST_F(FsCli, CopyFolderNamesTheEntryItStoppedAt) {
#if defined(_WIN32)
  GTEST_SKIP() << "no FIFOs in Windows file systems";
#else
  std::filesystem::create_directory(dir / "src");
  dir.WriteFile("src/a.txt", "a");
  // A FIFO without a writer stops the copy, named. Bounded: a copy that waits for the FIFO's
  // writer is killed and fails the case.
  const std::string name = dir / "src/pipe";
  ASSERT_EQ(mkfifo(name.c_str(), 0644), 0);
  const ToolRun r = RunTool("copy-folder '" + dir / "src" + "' '" + dir / "dst" + "'", "timeout 60");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
#endif
}

TEST_F(FsCli, TempFileHoldsTheDataUnderTheTemporaryDirectory) {
  hk::test::ScopedEnv tmpdir("TMPDIR", dir.Path().c_str()), tmp("TMP", dir.Path().c_str()),
      temp("TEMP", dir.Path().c_str());
  const ToolRun r = RunTool("temp-file " + Quote(dir.WriteFile("note.txt", "a note")));
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind(dir.Path(), 0), 0u) << r.out;
  EXPECT_EQ(ReadWholeFile(Lines(r.out).at(0)), "a note");
  EXPECT_EQ(RunTool("temp-file " + Quote(dir / "missing")).status, 1);
}
}  // namespace
