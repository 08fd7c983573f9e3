// The path and match commands as a user runs them: their answers and exit statuses.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <string>

namespace {

using hk::test::RunTool;
using hk::test::ToolRun;

using PathCli = hk::test::ToolTest;

TEST_F(PathCli, AnswersAndExitStatuses) {
  const struct {
    const char* arguments;
    int status;
    const char* out;  // nullptr: not compared
  } runs[] = {{"match Report.TXT \"*.txt; *.doc\"", 0, "matches\n"},
              {"match README \"*.*\"", 1, nullptr},
              {"path canon C:/Dir/./Sub/../F.TXT", 0, "c:\\dir\\f.txt\n"},
              {"path canon --keep-case C:/Dir/../F.TXT", 0, "C:\\F.TXT\n"},
              {"path split C:/dir/file.txt", 0, "directory: C:/dir/\nfile: file.txt\n"},
              {"path is-abs C:rel", 0, "yes\n"},
              {"path is-abs rel", 1, nullptr},
              {"path root-type //server/share", 0, "4 (network share)\n"},
              {"path valid a?b", 1, nullptr},
              {"path --help", 0, nullptr},
              // Usage errors.
              {"match onlyone", 2, nullptr}, {"path", 2, nullptr}, {"path nonsense x", 2, nullptr},
              {"path cwd extra", 2, nullptr}};
  for (const auto& run : runs) {
    const ToolRun r = RunTool(run.arguments);
    EXPECT_EQ(r.status, run.status) << run.arguments;
    if (run.out != nullptr) {
      EXPECT_EQ(r.out, run.out) << run.arguments;
    }
  }
  EXPECT_NE(RunTool("path app").out.find("cli"), std::string::npos);
}

}  // namespace
