// Child processes of a test.
#include "tests/support/child.h"

#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstdlib>

#if !defined(_WIN32)
#  include <grp.h>
#  include <pwd.h>
#  include <signal.h>
#  include <sys/wait.h>
#  include <unistd.h>
#endif

namespace hk::test {

#if !defined(_WIN32)
ChildEnd RunInChild(const std::function<int()>& body, unsigned seconds) {
  const pid_t child = fork();
  if (child < 0) return {-1, 0};
  if (child == 0) {
    alarm(seconds);
    _exit(body());
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
  }
  if (WIFSIGNALED(status)) return {-1, WTERMSIG(status)};
  return {WEXITSTATUS(status), 0};
}

bool BecomeNobody() {
  const passwd* nobody = getpwnam("nobody");
  if (geteuid() != 0 || nobody == nullptr) return false;
  return setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 && setuid(nobody->pw_uid) == 0;
}
#endif

namespace {

// One word for the command processor, whatever it holds.
std::string Word(const std::string& text) {
#if defined(_WIN32)
  return '"' + text + '"';
#else
  std::string word = "'";
  for (char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
#endif
}

}  // namespace

TestChild::TestChild(const std::string& filter, const Environment& env) {
  char self[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string command = Word(self) + " --gtest_filter=" + filter + " --gtest_also_run_disabled_tests 2>&1";
#if defined(_WIN32)
  if (!env.empty()) ADD_FAILURE() << "a child on Windows has the suite's environment";
  m_pipe = _popen(('"' + command + '"').c_str(), "r");  // the command processor drops the outer quotes
#else
  // env(1) sets the variables for the child alone, not for the shell that starts it.
  std::string variables = "env ";
  for (const auto& [name, value] : env) variables += Word(name + "=" + value) + " ";
  m_pipe = popen((variables + command).c_str(), "r");
#endif
  if (m_pipe == nullptr) ADD_FAILURE() << "cannot start " << command;
}

TestChild::~TestChild() {
  if (m_pipe != nullptr) Passed();
}

bool TestChild::Passed() {
  if (m_pipe == nullptr) return false;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, m_pipe)) > 0;) m_output.append(buffer, n);
#if defined(_WIN32)
  const int status = _pclose(m_pipe);
#else
  const int status = pclose(m_pipe);
#endif
  m_pipe = nullptr;
  const std::string mark = "[  PASSED  ] ";
  const size_t passed = m_output.rfind(mark);
  return status == 0 && passed != std::string::npos && std::atoi(m_output.c_str() + passed + mark.size()) > 0;
}

}  // namespace hk::test
