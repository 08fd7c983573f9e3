// The file-system commands of the tool as a user runs them: find, store, mkdir, copy-folder,
// temp-file and readonly.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#  include <sys/stat.h>
#endif

namespace {

using hk::test::RunTool;
using hk::test::ToolRun;

using hk::test::ReadWholeFile;
using hk::test::TempDir;

// One argument, quoted for the shell (no globbing, spaces kept).
std::string Q(const std::string& argument) { return "\"" + argument + "\""; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

bool IsReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

class FsCli : public testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("HOSTKIT_TEST_BINARY_DIR") == nullptr) GTEST_SKIP() << "not run through ctest";
  }
  // Without the trailing separator, as a user types it.
  std::string Dir() const { return dir.Path().substr(0, dir.Path().size() - 1); }
  TempDir dir;
};

TEST_F(FsCli, FindListsFullPathsByPatternKindAndExclusion) {
  std::filesystem::create_directory(dir / "sub.txt");
  const std::string a = dir.WriteFile("a.txt", "a");
  const std::string b = dir.WriteFile("B.TXT", "b");
  dir.WriteFile("c.log", "c");
  ToolRun r = RunTool("find " + Q(Dir()) + " --pattern " + Q("*.txt"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Lines(r.out), Lines(b + "\n" + a + "\n" + dir / "sub.txt\n"));
  r = RunTool("find " + Q(Dir()) + " --files --pattern " + Q("*.txt") + " --exclude " + Q("a.*;x"));
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{b}));
  r = RunTool("find " + Q(Dir()) + " --dirs --exclude " + Q("*.txt"));  // never hides a directory
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{dir / "sub.txt"}));
  r = RunTool("find " + Q(dir / "missing"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(RunTool("find " + Q(Dir()) + " --match most").status, 2);
}

TEST_F(FsCli, StorePutsListsAndNamesFiles) {
  std::filesystem::create_directory(dir / "store");
  const std::string root = dir / "store";
  const std::string data = dir.WriteFile("data.bin", std::string("stored\0bytes", 12));
  ToolRun r = RunTool("store " + Q(root) + " put 0x1A.-1 " + Q(data));
  ASSERT_EQ(r.status, 0);
  const std::string stored = root + hk::kPathSeparator + "0000001A.-1";
  EXPECT_EQ(r.out, stored + "\n");
  EXPECT_EQ(ReadWholeFile(stored), std::string("stored\0bytes", 12));
  r = RunTool("store " + Q(root) + " list");
  EXPECT_EQ(r.out, stored + "\n");
  r = RunTool("store " + Q(root) + " ids " + Q(stored));
  EXPECT_EQ(r.out, "0x0000001A -1\n");
  EXPECT_EQ(RunTool("store " + Q(root) + " path 26 tmp").out, root + hk::kPathSeparator + "0000001A.tmp\n");
  EXPECT_EQ(RunTool("store " + Q(root) + " ids " + Q(root + "/0000001A.tmp")).status, 1);
  // Data that cannot be read stores nothing.
  EXPECT_EQ(RunTool("store " + Q(root) + " put 2 " + Q(dir / "missing")).status, 1);
  EXPECT_EQ(Lines(RunTool("store " + Q(root) + " list").out), (std::vector<std::string>{stored}));
  EXPECT_EQ(RunTool("store " + Q(root) + " put 0x1A.x " + Q(data)).status, 2);
  EXPECT_EQ(RunTool("store " + Q(root) + " shred").status, 2);
}

TEST_F(FsCli, MkdirCopyFolderAndReadOnly) {
  ToolRun r = RunTool("mkdir " + Q(dir / "src/deep/er"));
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "src/deep/er"));
  dir.WriteFile("src/top.txt", "top");
  dir.WriteFile("src/deep/er/leaf.txt", "leaf");
  EXPECT_EQ(RunTool("mkdir " + Q(dir / "src/top.txt/x")).status, 1);

  EXPECT_EQ(RunTool("copy-folder " + Q(dir / "src") + " " + Q(dir / "dst")).status, 0);
  EXPECT_EQ(ReadWholeFile(dir / "dst/top.txt"), "top");
  EXPECT_EQ(ReadWholeFile(dir / "dst/deep/er/leaf.txt"), "leaf");

  const std::string locked = dir / "dst/top.txt";
  EXPECT_EQ(RunTool("readonly on " + Q(locked)).status, 0);
  EXPECT_TRUE(IsReadOnly(locked));
  HANDLE h = CreateFileA(locked.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool honoured = h == INVALID_HANDLE_VALUE;
  if (!honoured) CloseHandle(h);  // Wine running as root writes read-only files
  dir.WriteFile("src/top.txt", "changed");
  EXPECT_EQ(RunTool("copy-folder " + Q(dir / "src") + " " + Q(dir / "dst")).status, honoured ? 1 : 0);
  if (honoured) {
    EXPECT_EQ(ReadWholeFile(locked), "top");
  }
  EXPECT_EQ(RunTool("readonly off " + Q(locked)).status, 0);
  EXPECT_FALSE(IsReadOnly(locked));
  EXPECT_EQ(RunTool("copy-folder " + Q(dir / "src") + " " + Q(dir / "dst")).status, 0);
  EXPECT_EQ(ReadWholeFile(locked), "changed");

  EXPECT_EQ(RunTool("readonly on " + Q(dir / "missing")).status, 1);
  EXPECT_EQ(RunTool("readonly maybe " + Q(locked)).status, 2);
}

TEST_F(FsCli, CopyFolderNamesTheEntryItStoppedAt) {
#if defined(_WIN32)
  GTEST_SKIP() << "no FIFOs or backslashes in Windows file names";
#else
  std::filesystem::create_directory(dir / "src");
  dir.WriteFile("src/a.txt", "a");
  // A FIFO without a writer, then a name holding a backslash: each stops the copy, named.
  for (const std::string entry : {"pipe", "x\\y"}) {
    const std::string name = dir / ("src/" + entry);
    if (entry == "pipe") ASSERT_EQ(mkfifo(name.c_str(), 0644), 0);
    else dir.WriteFile("src/" + entry, "xy");
    // Bounded: a copy that waits for the FIFO's writer is killed and fails the case.
    const ToolRun r = RunTool("copy-folder '" + dir / "src" + "' '" + dir / "dst" + "'", "timeout 60");
    EXPECT_EQ(r.status, 1) << entry;
    EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
    std::filesystem::remove(name);
  }
#endif
}

TEST_F(FsCli, TempFileHoldsTheDataUnderTheTemporaryDirectory) {
  hk::test::ScopedEnv tmpdir("TMPDIR", dir.Path().c_str()), tmp("TMP", dir.Path().c_str()),
      temp("TEMP", dir.Path().c_str());
  const std::string data = dir.WriteFile("note.txt", "a note");
  const ToolRun first = RunTool("temp-file " + Q(data));
  const ToolRun second = RunTool("temp-file");
  ASSERT_EQ(first.status, 0);
  ASSERT_EQ(second.status, 0);
  const std::vector<std::string> a = Lines(first.out), b = Lines(second.out);
  ASSERT_EQ(a.size(), 1u);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_NE(a[0], b[0]);
  EXPECT_EQ(a[0].rfind(dir.Path(), 0), 0u) << a[0];
  EXPECT_EQ(ReadWholeFile(a[0]), "a note");
  EXPECT_EQ(ReadWholeFile(b[0]), "");
  EXPECT_EQ(RunTool("temp-file " + Q(dir / "missing")).status, 1);
}

}  // namespace
