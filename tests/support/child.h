// Running a case in a child process (POSIX): for a process killed on the way, for a call that
// might block, and for another user than the one running the suite (CI runs as root).
#pragma once

#if !defined(_WIN32)

#include <functional>

namespace hk::test {

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

}  // namespace hk::test

#endif
