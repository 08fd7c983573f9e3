// Starting programs: RunApp's messages, waits and wait cursor, and the arguments a command
// line gives the started program.
#include "tests/launch/launch_support.h"

#include "platform/win32.h"

#include <cstdio>
#include <filesystem>

namespace {

using hk::test::ChildPath;
using hk::test::Quoted;

TEST(RunApp, AMissingProgramShowsTheCommandLineAndFails) {
  hk::test::TempDir dir;
  hk::test::RecordingMessageBoxes boxes;
  hk::test::RecordingWaitCursor cursor;
  const std::string line = Quoted(dir / "no-such-program") + " --option 100%";
  CString commandLine(line.c_str());
  EXPECT_FALSE(RunApp(commandLine, TRUE, TRUE, TRUE));
  EXPECT_EQ(std::string(commandLine), line);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Cannot launch the application " + line + ".");
  EXPECT_EQ(boxes.Boxes()[0].style, static_cast<UINT>(MB_OK));
  EXPECT_EQ(boxes.Boxes()[0].helpId, 0u);
  EXPECT_EQ(cursor.Changes(), (std::vector<int>{+1, -1}));
}

TEST(RunApp, WithoutWaitingItReturnsWhileTheProgramRuns) {
  hk::test::TempDir dir;
  hk::test::RecordingMessageBoxes boxes;
  hk::test::RecordingWaitCursor cursor;
  const std::string go = dir / "go", done = dir / "done";
  CString commandLine((Quoted(ChildPath()) + " wait " + Quoted(go) + " " + Quoted(done)).c_str());
  ASSERT_TRUE(RunApp(commandLine, FALSE, FALSE, FALSE));
  // The child cannot have finished: it waits for a file that does not exist yet.
  EXPECT_FALSE(hk::test::FileExists(done));
  dir.WriteFile("go", "");
  EXPECT_TRUE(hk::test::WaitForFile(done, 60));
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(cursor.Changes(), (std::vector<int>{+1, -1}));
}

TEST(RunApp, WaitingForTheEndReturnsAfterTheProgramHasEnded) {
  hk::test::TempDir dir;
  hk::test::RecordingWaitCursor cursor;
  const std::string done = dir / "done";
  CString commandLine((Quoted(ChildPath()) + " sleep 300 " + Quoted(done)).c_str());
  ASSERT_TRUE(RunApp(commandLine, TRUE, TRUE, FALSE));
  EXPECT_TRUE(hk::test::FileExists(done));
  EXPECT_EQ(cursor.Changes(), (std::vector<int>{+1, -1}));
}

TEST(RunApp, GivesTheExitCodeOnlyOfAProgramWaitedFor) {
  hk::test::RecordingMessageBoxes boxes;
  hk::test::RecordingWaitCursor cursor;
  for (DWORD status : {0u, 7u, 255u}) {
    CString commandLine((Quoted(ChildPath()) + " exit " + std::to_string(status)).c_str());
    DWORD code = 12345;
    EXPECT_TRUE(RunApp(commandLine, FALSE, TRUE, FALSE, &code));
    EXPECT_EQ(code, status);
  }
  hk::test::TempDir dir;
  DWORD code = 12345;
  CString notWaited((Quoted(ChildPath()) + " exit 7").c_str());
  EXPECT_TRUE(RunApp(notWaited, FALSE, FALSE, FALSE, &code));
  CString missing(Quoted(dir / "no-such-program").c_str());
  EXPECT_FALSE(RunApp(missing, FALSE, TRUE, FALSE, &code));
  EXPECT_EQ(code, 12345u);
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  CString withoutCode((Quoted(ChildPath()) + " exit 3").c_str());
  EXPECT_TRUE(RunApp(withoutCode, FALSE, TRUE, FALSE, nullptr));
}

TEST(RunApp, TheIdleWaitComesBeforeTheExitWait) {
  hk::test::TempDir dir;
  hk::test::RecordingMessageBoxes boxes;
  hk::test::RecordingWaitCursor cursor;
  const std::string done = dir / "done";
  CString commandLine((Quoted(ChildPath()) + " sleep 1000 " + Quoted(done)).c_str());
  ASSERT_TRUE(RunApp(commandLine, FALSE, TRUE, TRUE));
  EXPECT_TRUE(hk::test::FileExists(done));
  EXPECT_TRUE(boxes.Boxes().empty());
#if defined(_WIN32)
  // A console program has no message queue: the system answers the idle wait at once with a
  // failure, which passes silently and leaves the cursor as it is.
  EXPECT_EQ(cursor.Changes(), (std::vector<int>{+1, -1}));
#else
  // The sleeping child is ready for input: the cursor is restored, then ends.
  EXPECT_EQ(cursor.Changes(), (std::vector<int>{+1, 0, -1}));
#endif
}

// What the C runtime of a Windows program makes of a command line's arguments.
struct SplitCase {
  const char* tail;
  std::vector<std::string> args;
};

const SplitCase kSplitCases[] = {
    {"a;b && c | d $(touch x) `id` > out", {"a;b", "&&", "c", "|", "d", "$(touch", "x)", "`id`", ">", "out"}},
    {"\"a;b && c\" '$(x)'", {"a;b && c", "'$(x)'"}},
    {"\"a b\"  \tc", {"a b", "c"}},
    {"a\\\\b c\\d\\", {"a\\\\b", "c\\d\\"}},
    {"a\\\"b", {"a\"b"}},
    {"a\\\\\"b c\"", {"a\\b c"}},
    {"a\\\\\\\"b", {"a\\\"b"}},
    {"\"a\\\\\" b", {"a\\", "b"}},
    {"\"\" x \"\"", {"", "x", ""}},
    {"ab\"c d\"ef", {"abc def"}},
    {"\"unclosed quote", {"unclosed quote"}},
    {"%PATH% $HOME ~ *", {"%PATH%", "$HOME", "~", "*"}},
    {"", {}},
};

TEST(RunApp, ArgumentsFollowTheWindowsRulesAndNoShell) {
  hk::test::TempDir dir;
  const std::string out = dir / "args";
  for (const SplitCase& c : kSplitCases) {
    std::remove(out.c_str());
    CString commandLine((Quoted(ChildPath()) + " argv " + Quoted(out) + " " + c.tail).c_str());
    ASSERT_TRUE(RunApp(commandLine, FALSE, TRUE, FALSE)) << c.tail;
    std::vector<std::string> args = hk::test::ReadArguments(out);
    ASSERT_GE(args.size(), 3u) << c.tail;
    EXPECT_EQ(args[0], ChildPath()) << c.tail;
    EXPECT_EQ(std::vector<std::string>(args.begin() + 3, args.end()), c.args) << c.tail;
  }
  EXPECT_FALSE(hk::test::FileExists("x"));
}

TEST(Process, ExitCodeAndWaitsOnTheProcessHandle) {
  hk::test::TempDir dir;
  std::string line = Quoted(ChildPath()) + " wait " + Quoted(dir / "go") + " " + Quoted(dir / "done");
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  dir.WriteFile("go", "");
  EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(process.hThread, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(CloseHandle(process.hThread));
  EXPECT_TRUE(CloseHandle(process.hProcess));
  EXPECT_FALSE(CloseHandle(process.hProcess));

  line = Quoted(ChildPath()) + " exit 7";
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(GetExitCodeProcess(process.hProcess, &code));
  EXPECT_EQ(code, 7u);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

TEST(Process, ANameWithBlanksIsTheProgramWhenQuoted) {
  hk::test::TempDir dir;
  std::filesystem::create_directory(dir / "with blank");
  const std::string copy = dir / "with blank" + hk::kPathSeparatorText + LAUNCH_CHILD_NAME;
  ASSERT_TRUE(std::filesystem::copy_file(ChildPath(), copy));
  const std::string out = dir / "args";
  CString commandLine((Quoted(copy) + " argv " + Quoted(out) + " 1").c_str());
  ASSERT_TRUE(RunApp(commandLine, FALSE, TRUE, FALSE));
  const std::vector<std::string> args = hk::test::ReadArguments(out);
  ASSERT_EQ(args.size(), 4u);
  EXPECT_EQ(args[0], copy);
  EXPECT_EQ(args[3], "1");
}

#if defined(_WIN32)
TEST(Process, ReadyForInputOnPosix) {
  GTEST_SKIP() << "Windows answers the idle wait of a console program at once; the POSIX "
                  "meaning of ready for input is tested on POSIX";
}
#else
TEST(Process, ReadyForInputOnPosix) {
  hk::test::TempDir dir;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION sleeping = {}, busy = {};
  std::string line = Quoted(ChildPath()) + " sleep 2000 " + Quoted(dir / "done");
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &sleeping));
  line = Quoted(ChildPath()) + " busy 1500";
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &busy));
  EXPECT_EQ(WaitForInputIdle(sleeping.hProcess, 60000), 0u);
  EXPECT_EQ(WaitForInputIdle(busy.hProcess, 200), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForSingleObject(busy.hProcess, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForInputIdle(busy.hProcess, 200), WAIT_FAILED);
  for (HANDLE h : {sleeping.hThread, sleeping.hProcess, busy.hThread, busy.hProcess}) CloseHandle(h);
}

TEST(Process, SplittingReadsTheProgramNameWithoutEscapes) {
  using hk::posix::ProgramOfCommandLine;
  using hk::posix::SplitCommandLine;
  EXPECT_EQ(ProgramOfCommandLine("\"C:\\Program Files\\x\" a"), "C:\\Program Files\\x");
  EXPECT_EQ(ProgramOfCommandLine("C:\\Program Files\\x a"), "C:\\Program");
  EXPECT_EQ(ProgramOfCommandLine("prog;rm\targ"), "prog;rm");
  // In the program's name a quote only toggles, so the second one opens a quoted part.
  EXPECT_EQ(SplitCommandLine("\"a b\"c\\\" d"), (std::vector<std::string>{"a bc\\ d"}));
  EXPECT_EQ(SplitCommandLine("x \"a\"\"b\""), (std::vector<std::string>{"x", "a\"b"}));
  EXPECT_TRUE(SplitCommandLine("").empty());
  char empty[] = "";
  STARTUPINFOA startup = {};
  PROCESS_INFORMATION process = {};
  EXPECT_FALSE(CreateProcessA(nullptr, empty, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}
#endif

}  // namespace
