// Child processes of a test. A forked child (POSIX) for a process killed on the way, for a call
// that might block, and for another user than the one running the suite (CI runs as root).
// This test program started again on some of its own tests, for a case that needs a process
// of its own from the start: a library bound at start-up, a preloaded library, two senders.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace hk::test {

#if !defined(_WIN32)
// How a child ended: its exit code, or the signal that killed it (0 when it exited).
struct ChildEnd {
  int code;
  int signal;
};

// Runs body in a forked child, which exits with body's answer. A child still running after
// `seconds` is killed with SIGALRM: a call that blocks ends the case as a failure rather than
// hanging the suite.
ChildEnd RunInChild(const std::function<int()>& body, unsigned seconds = 60);

// For use in a child: gives up root for the user nobody, so that permissions apply to it.
// False when the process cannot (it is not root, or there is no such user).
bool BecomeNobody();
#endif

// Variables set for a program started by a test, beyond or instead of the suite's own.
using Environment = std::vector<std::pair<std::string, std::string>>;

// This test program, started at construction to run the tests `filter` names, DISABLED_ ones
// included: those are the cases written for such a child, which asserts; the parent checks
// that it passed. A child on Windows runs in the suite's environment.
class TestChild {
 public:
  explicit TestChild(const std::string& filter, const Environment& env = {});
  ~TestChild();
  TestChild(const TestChild&) = delete;
  TestChild& operator=(const TestChild&) = delete;
  // Waits for the end: true when the child ran tests and every one passed. Output() then holds
  // what it printed, for the failure message.
  bool Passed();
  const std::string& Output() const { return m_output; }

 private:
  std::FILE* m_pipe = nullptr;
  std::string m_output;
};

}  // namespace hk::test
