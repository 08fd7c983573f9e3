// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// Starting programs so that none is left behind unreaped. A child a process gives up while it
// runs stays a zombie from its end until its parent waits for it, and the library may neither
// start a thread nor install a SIGCHLD handler to do that. So the program is not made a child
// of the caller: a short-lived intermediate process starts a waiter and ends at once (the
// caller reaps it on the spot); the waiter starts the program with posix_spawnp, reports its
// process id (or the error that kept it from starting), waits for it, reports its end through
// a pipe, and ends itself. Orphaned, the waiter is reaped by the system. Letting go of a
// program is closing the pipe.
//
// The forked processes allocate nothing and take no lock: the caller may have other threads,
// whose locks a forked copy inherits in whatever state they were. Everything they need is
// prepared before the first fork.
#include "platform/posix/system/internal.h"
#include "platform/win32.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>

extern char** environ;

namespace hk::posix {

namespace {

// What the waiter writes to the pipe, each in one write (well under PIPE_BUF, so whole).
struct Report {
  int kind;
  int value;  // kStarted: the program's process id; kFailed: the errno; kEnded: its wait status
};
constexpr int kStarted = 1;
constexpr int kFailed = 2;
constexpr int kEnded = 3;

DWORD ExitCodeFromStatus(int status) {
  if (WIFEXITED(status)) return static_cast<DWORD>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128u + static_cast<DWORD>(WTERMSIG(status));
  return 0;
}

// Reads exactly `size` bytes unless the pipe ends first; the bytes read.
size_t ReadFully(int fd, void* buffer, size_t size) {
  size_t got = 0;
  while (got < size) {
    const ssize_t n = RetryOnInterrupt([&] { return read(fd, static_cast<char*>(buffer) + got, size - got); });
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  return got;
}

// One small write to a pipe; a reader that is gone is no failure here.
void Send(int fd, const Report& report) {
  RetryOnInterrupt([&] { return write(fd, &report, sizeof report); });
}

struct Launch {
  const char* program;
  char* const* argv;
  const posix_spawn_file_actions_t* actions;
  const posix_spawnattr_t* attributes;
  int reportFd;   // the write end of the report pipe
  int highestFd;  // where closing descriptors ends when close_range is not there
};

// The waiter: starts the program, reports its process id, waits for its end and reports that.
[[noreturn]] void RunWaiter(const Launch& launch) {
  // A host that has the system reap its children (SIGCHLD ignored) must not take the
  // program's status from the waiter.
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  sigaction(SIGCHLD, &standard, nullptr);
  const int keep = launch.reportFd;
  pid_t program = -1;
  const int error = posix_spawnp(&program, launch.program, launch.actions, launch.attributes, launch.argv, environ);
  if (error != 0) {
    Send(keep, Report{kFailed, error});
    _exit(0);
  }
  // A terminal's signals go to its whole foreground group, this process too: it stays to
  // report the program's end. Once nobody reads the reports, writing them fails quietly.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  for (int signal : {SIGPIPE, SIGINT, SIGQUIT, SIGHUP, SIGTSTP, SIGTTIN, SIGTTOU})
    sigaction(signal, &ignore, nullptr);
  // Nothing of the host's stays open here for the life of the program (its files and their
  // locks, the write ends of pipes others wait to see closed).
  const bool closed = (keep == 0 || close_range(0, static_cast<unsigned>(keep) - 1, 0) == 0) &&
                      close_range(static_cast<unsigned>(keep) + 1, ~0u, 0) == 0;
  for (int fd = 0; !closed && fd <= launch.highestFd; ++fd)
    if (fd != keep) close(fd);
  Send(keep, Report{kStarted, program});
  int status = 0;
  while (waitpid(program, &status, 0) < 0 && errno == EINTR) {
  }
  Send(keep, Report{kEnded, status});
  _exit(0);
}

int HighestDescriptor() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > 65536)
    return 65535;
  return static_cast<int>(limit.rlim_cur) - 1;
}

}  // namespace

std::shared_ptr<StartedProgram> StartedProgram::Start(const std::string& program,
                                                      const std::vector<std::string>& argv,
                                                      bool quietInput) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  // The program starts with the signal dispositions and mask a freshly started program
  // expects, whatever the host has changed for itself.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quietInput) posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  const auto release = [&] {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  };

  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    const int error = errno;
    release();
    FailWithErrno(error);
    return nullptr;
  }
  const Launch launch{program.c_str(), args.data(), &actions, &attributes, report[1], HighestDescriptor()};
  const pid_t intermediate = fork();
  if (intermediate == 0) {
    close(report[0]);
    if (fork() == 0) RunWaiter(launch);
    _exit(0);
  }
  const int forkError = errno;
  close(report[1]);
  release();
  if (intermediate < 0) {
    close(report[0]);
    FailWithErrno(forkError);
    return nullptr;
  }
  // Reaped at once; a host that has the system reap its children finds it gone already.
  RetryOnInterrupt([&] { return waitpid(intermediate, nullptr, 0); });
  Report started{};
  if (ReadFully(report[0], &started, sizeof started) != sizeof started || started.kind != kStarted) {
    close(report[0]);
    // No report: the intermediate process could not start the waiter.
    FailWithErrno(started.kind == kFailed ? started.value : EAGAIN);
    return nullptr;
  }
  return std::shared_ptr<StartedProgram>(new StartedProgram(started.value, report[0]));
}

StartedProgram::StartedProgram(int pid, int reportFd) : m_pid(pid), m_reportFd(reportFd) {}

StartedProgram::~StartedProgram() { close(m_reportFd); }

bool StartedProgram::Wait(DWORD milliseconds) {
  if (m_ended.load()) return true;
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    int timeout = -1;
    if (milliseconds != INFINITE) {
      const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
      const long long left = static_cast<long long>(milliseconds) - spent.count();
      timeout = static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
    }
    pollfd watch{m_reportFd, POLLIN, 0};
    const int ready = poll(&watch, 1, timeout);
    if (ready < 0 && errno != EINTR) return m_ended.load();
    if (ready > 0) {
      // Several threads may have seen the report; one reads it.
      std::lock_guard<std::mutex> guard(m_reading);
      if (!m_ended.load()) {
        Report ended{};
        // A waiter that is gone without a word (killed) leaves no status to give.
        const bool told = ReadFully(m_reportFd, &ended, sizeof ended) == sizeof ended && ended.kind == kEnded;
        m_exitCode.store(told ? ExitCodeFromStatus(ended.value) : 0);
        m_ended.store(true);
      }
      return true;
    }
    if (m_ended.load()) return true;
    if (ready == 0 && timeout == 0) return false;
  }
}

}  // namespace hk::posix
