// Starting programs: RunApp's messages, waits and wait cursor, and the arguments a command
// line gives the started program.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <thread>

namespace {

// The child program built beside this suite (see child/child.cpp).
std::string ChildPath() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof self);
  const std::string path = self;
  return path.substr(0, path.find_last_of("\\/") + 1) + LAUNCH_CHILD_NAME;
}

using hk::test::Quote;
using std::filesystem::exists;

// Records every change of the wait cursor: +1 begin, 0 restore, -1 end.
class RecordingWaitCursor {
 public:
  RecordingWaitCursor() : m_previous(AfxSetWaitCursorHandler([this](int change) { m_changes.push_back(change); })) {}
  ~RecordingWaitCursor() { AfxSetWaitCursorHandler(m_previous); }
  const std::vector<int>& Changes() const { return m_changes; }

 private:
  std::vector<int> m_changes;
  AfxWaitCursorHandler m_previous;
};

class RunAppTest : public ::testing::Test {
 protected:
  hk::test::TempDir dir;
  hk::test::RecordingMessageBoxes boxes;
  RecordingWaitCursor cursor;
};

TEST_F(RunAppTest, AMissingProgramShowsTheCommandLineAndFails) {
  const std::string line = Quote(dir / "no-such-program") + " --option 100%";
  CString commandLine(line.c_str());
  DWORD code = 12345;
  EXPECT_FALSE(RunApp(commandLine, TRUE, TRUE, TRUE, &code));
  EXPECT_EQ(code, 12345u);
  EXPECT_EQ(std::string(commandLine), line);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "Cannot launch the application " + line + ".");
  EXPECT_EQ(cursor.Changes(), (std::vector<int>{+1, -1}));
}

TEST_F(RunAppTest, WithoutWaitingItReturnsWhileTheProgramRunsAndGivesNoExitCode) {
  const std::string go = dir / "go", done = dir / "done";
  CString commandLine((Quote(ChildPath()) + " wait " + Quote(go) + " " + Quote(done)).c_str());
  DWORD code = 12345;
  ASSERT_TRUE(RunApp(commandLine, FALSE, FALSE, FALSE, &code));
  // The child cannot have finished: it waits for a file that does not exist yet.
  EXPECT_FALSE(exists(done));
  dir.WriteFile("go", "");
  for (int i = 0; i < 6000 && !exists(done); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(exists(done));
  EXPECT_EQ(code, 12345u);
  EXPECT_EQ(cursor.Changes(), (std::vector<int>{+1, -1}));
}

TEST(RunApp, GivesTheExitCodeOfAProgramWaitedFor) {
  for (DWORD status : {0u, 7u, 255u}) {
    CString commandLine((Quote(ChildPath()) + " exit " + std::to_string(status)).c_str());
    DWORD code = 12345;
    EXPECT_TRUE(RunApp(commandLine, FALSE, TRUE, FALSE, &code));
    EXPECT_EQ(code, status);
  }
  CString withoutCode((Quote(ChildPath()) + " exit 3").c_str());
  EXPECT_TRUE(RunApp(withoutCode, FALSE, TRUE, FALSE, nullptr));
}

TEST_F(RunAppTest, TheIdleWaitComesBeforeTheExitWait) {
  const std::string done = dir / "done";
  CString commandLine((Quote(ChildPath()) + " sleep 1000 " + Quote(done)).c_str());
  ASSERT_TRUE(RunApp(commandLine, FALSE, TRUE, TRUE));
  EXPECT_TRUE(exists(done));  // waited for the end
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

// What the C runtime of a Windows program makes of a command line's arguments: no shell.
TEST(RunApp, ArgumentsFollowTheWindowsRulesAndNoShell) {
  const struct {
    const char* tail;
    std::vector<std::string> args;
  } cases[] = {
      {"a;b && c | d $(touch x) `id` > out", {"a;b", "&&", "c", "|", "d", "$(touch", "x)", "`id`", ">", "out"}},
      {"\"a;b && c\" '$(x)'", {"a;b && c", "'$(x)'"}},
      {"\"a b\"  \tc", {"a b", "c"}},
      {"a\\\\b c\\d\\", {"a\\\\b", "c\\d\\"}},
      {"a\\\"b", {"a\"b"}},
      {"a\\\\\"b c\"", {"a\\b c"}},
      {"\"a\\\\\" b", {"a\\", "b"}},
      {"\"\" x \"\"", {"", "x", ""}},
      {"ab\"c d\"ef", {"abc def"}},
      {"\"unclosed quote", {"unclosed quote"}},
      {"", {}},
  };
  hk::test::TempDir dir;
  const std::string out = dir / "args";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tail);
    std::remove(out.c_str());
    CString commandLine((Quote(ChildPath()) + " argv " + Quote(out) + " " + c.tail).c_str());
    ASSERT_TRUE(RunApp(commandLine, FALSE, TRUE, FALSE));
    std::vector<std::string> args;  // the NUL-ended strings the child wrote
    std::istringstream bytes(hk::test::ReadWholeFile(out));
    for (std::string arg; std::getline(bytes, arg, '\0');) args.push_back(arg);
    ASSERT_GE(args.size(), 3u);
    EXPECT_EQ(args[0], ChildPath());
    EXPECT_EQ(std::vector<std::string>(args.begin() + 3, args.end()), c.args);
  }
  EXPECT_FALSE(exists("x"));
}

// Windows answers the idle wait of a console program at once; the rest is POSIX's own.
#if !defined(_WIN32)
TEST(Process, ReadyForInputOnPosix) {
  hk::test::TempDir dir;
  STARTUPINFOA startup = {};
  PROCESS_INFORMATION sleeping = {}, busy = {};
  std::string line = Quote(ChildPath()) + " sleep 2000 " + Quote(dir / "done");
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &sleeping));
  line = Quote(ChildPath()) + " busy 1500";
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &busy));
  EXPECT_EQ(WaitForInputIdle(sleeping.hProcess, 60000), 0u);
  EXPECT_EQ(WaitForInputIdle(busy.hProcess, 200), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForSingleObject(busy.hProcess, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForInputIdle(busy.hProcess, 200), WAIT_FAILED);
  for (HANDLE h : {sleeping.hThread, sleeping.hProcess, busy.hThread, busy.hProcess}) CloseHandle(h);
}

// The state letter /proc shows for a process, or 0 once nothing of it is left.
char ProcessState(const std::string& pid) {
  const std::string stat = hk::test::ReadWholeFile("/proc/" + pid + "/stat");
  const size_t close = stat.rfind(')');
  return close == std::string::npos || close + 2 >= stat.size() ? 0 : stat[close + 2];
}

TEST(RunApp, AProgramLeftToItselfLeavesNothingBehindWhenItEnds) {
  // Started without waiting, the program is given up at once; when it ends later, no zombie
  // may stay behind for the life of the host (the library has no thread or signal handler
  // that could reap it then).
  hk::test::TempDir dir;
  CString commandLine((Quote(ChildPath()) + " wait " + Quote(dir / "go") + " " + Quote(dir / "done")).c_str());
  ASSERT_TRUE(RunApp(commandLine, FALSE, FALSE, FALSE));
  dir.WriteFile("go", "");
  std::string pid;
  for (int i = 0; i < 6000 && pid.find('\n') == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    pid = hk::test::ReadWholeFile(dir / "done");
  }
  ASSERT_NE(pid.find('\n'), std::string::npos) << "the child did not finish";
  pid.pop_back();
  for (int i = 0; i < 3000 && ProcessState(pid) != 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ProcessState(pid), 0) << "process " << pid << " stayed behind";
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
  char empty[] = "";
  STARTUPINFOA startup = {};
  PROCESS_INFORMATION process = {};
  EXPECT_FALSE(CreateProcessA(nullptr, empty, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}
#endif

}  // namespace
