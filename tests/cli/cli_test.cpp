// The command-line tool as a user runs it: exit statuses and the error family. Its help: the
// completion made from it (completion_test.cpp) and "path --help" (path_cli_test.cpp).
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using hk::test::RunTool;
using hk::test::ToolRun;

using Cli = hk::test::ToolTest;

// Malformed command lines of every command that needs no set-up; the others are in the files of
// their commands.
TEST_F(Cli, UsageErrorsExitWithTwo) {
  for (const char* line : {"", "no-such-command", "error os", "error os five", "error disk 5", "tour again",
                           // Numbers beyond 32 bits, or with a sign, are no numbers of any command.
                           "error os 4294967298", "error shell 4294967322", "error os -1", "ip 4294967296",
                           "store . path 0x100000001", "find . --attrs 4294967311",
                           "crc32", "md5", "guid", "guid shuffle", "ip", "env extra", "time", "time later",
                           "time to-local yesterday", "run", "run --bogus x",
                           "mail", "mail deliver", "mail send", "mail send --to", "mail send --subject S",
                           "mail send --to a --text t --text-file f", "mail send --title T --to a",
                           "mail send --to a --attach", "mail send --to a --bogus", "mail resolve", "mail resolve a b",
                           "mail status now", "net", "net no-such-listing", "net members", "net users a b",
                           "net groups a b", "net dc a b", "net domains extra", "net members staff here extra"})
    EXPECT_EQ(RunTool(line).status, 2) << line;
}

TEST_F(Cli, ErrorOsPrintsTheSystemsText) {
  char expected[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 5, 0, expected, sizeof expected - 1, nullptr);
  const ToolRun r = RunTool("error os 5");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("5: ") + expected);
}

// "--" ends the options: what follows is the command line, even when it looks like an option.
TEST_F(Cli, RunTakesEverythingAfterTheMarkAsTheCommandLine) {
  const ToolRun r = RunTool("run -- --no-such-program");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Cannot launch the application --no-such-program."), std::string::npos) << r.err;
}

TEST_F(Cli, ErrorShellPrintsTheMappedCodeAndACodeWithoutTextFails) {
  const ToolRun r = RunTool("error shell 26");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("32: ", 0), 0u) << r.out;
  EXPECT_EQ(RunTool("error os 0x2000FFFF").status, 1);
}
}  // namespace
