// The path and match commands as a user runs them: their answers and exit statuses.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using hk::test::RunTool;
using hk::test::ToolRun;

using PathCli = hk::test::ToolTest;

TEST_F(PathCli, MatchExitsZeroOnAMatchAndOneOtherwise) {
  EXPECT_EQ(RunTool("match Report.TXT \"*.txt; *.doc\"").status, 0);
  EXPECT_EQ(RunTool("match README \"*.*\"").status, 1);
  EXPECT_EQ(RunTool("match onlyone").status, 2);
}

TEST_F(PathCli, TextAnswers) {
  EXPECT_EQ(RunTool("path canon C:/Dir/./Sub/../F.TXT").out, "c:\\dir\\f.txt\n");
  EXPECT_EQ(RunTool("path canon --keep-case C:/Dir/../F.TXT").out, "C:\\F.TXT\n");
  EXPECT_EQ(RunTool("path split C:/dir/file.txt").out, "directory: C:/dir/\nfile: file.txt\n");
  const ToolRun yes = RunTool("path is-abs C:rel");
  EXPECT_EQ(yes.status, 0);
  EXPECT_EQ(yes.out, "yes\n");
  EXPECT_EQ(RunTool("path is-abs rel").status, 1);
  EXPECT_EQ(RunTool("path root-type //server/share").out, "4 (network share)\n");
}

TEST_F(PathCli, SystemAnswersAndUsageErrors) {
  const ToolRun app = RunTool("path app");
  EXPECT_EQ(app.status, 0);
  EXPECT_NE(app.out.find("cli"), std::string::npos);
  EXPECT_EQ(RunTool("path valid a?b").status, 1);
  EXPECT_EQ(RunTool("path").status, 2);
  EXPECT_EQ(RunTool("path nonsense x").status, 2);
  EXPECT_EQ(RunTool("path cwd extra").status, 2);
  EXPECT_EQ(RunTool("path --help").status, 0);
}

}  // namespace
