// Running a case in a child process (POSIX).
#include "tests/support/child.h"

#if !defined(_WIN32)

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hk::test {

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

}  // namespace hk::test

#endif
