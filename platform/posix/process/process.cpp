// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/posix/system/internal.h"
#include "platform/win32.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace hk::posix {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Children given up while still running, reaped as soon as they have ended: the library
// starts no thread of its own, so each later process call looks after them.
struct Abandoned {
  std::mutex lock;
  std::vector<int> pids;
};

Abandoned& AbandonedChildren() {
  static Abandoned* list = new Abandoned;  // outlives every static destructor
  return *list;
}

void ReapAbandoned() {
  Abandoned& a = AbandonedChildren();
  std::lock_guard<std::mutex> guard(a.lock);
  std::erase_if(a.pids, [](int pid) {
    int status = 0;
    const pid_t r = waitpid(pid, &status, WNOHANG);
    return r == pid || (r == -1 && errno == ECHILD);
  });
}

DWORD ExitCodeFromStatus(int status) {
  if (WIFEXITED(status)) return static_cast<DWORD>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128u + static_cast<DWORD>(WTERMSIG(status));
  return 0;
}

// One started process, shared by its process and thread handles.
struct ProcessState {
  explicit ProcessState(int id) : pid(id) {}
  ~ProcessState() {
    if (!ended.load()) AbandonProcess(pid);
  }
  // Only one thread waits in the system at a time, so a process id is reaped once.
  bool Wait(DWORD milliseconds) {
    if (ended.load()) return true;
    if (milliseconds == INFINITE) {
      std::lock_guard<std::mutex> guard(waiting);
      return Settle(INFINITE);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    auto step = std::chrono::milliseconds(1);
    for (;;) {
      if (waiting.try_lock()) {
        const bool done = Settle(0);
        waiting.unlock();
        if (done) return true;
      } else if (ended.load()) {
        return true;
      }
      const auto now = std::chrono::steady_clock::now();
      if (now >= deadline) return false;
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(step, deadline - now));
      step = std::min(step * 2, std::chrono::milliseconds(20));
    }
  }
  // Caller holds 'waiting'.
  bool Settle(DWORD milliseconds) {
    if (ended.load()) return true;
    DWORD code = 0;
    if (!ReapProcess(pid, milliseconds, code)) return false;
    exitCode.store(code);
    ended.store(true);
    return true;
  }

  const int pid;
  std::mutex waiting;
  std::atomic<bool> ended{false};
  std::atomic<DWORD> exitCode{STILL_ACTIVE};
};

struct ProcessHandle : HandleObject {
  explicit ProcessHandle(std::shared_ptr<ProcessState> s) : state(std::move(s)) {}
  std::shared_ptr<ProcessState> state;
};
struct ThreadHandle : ProcessHandle {
  using ProcessHandle::ProcessHandle;
};

// "pid (name) S ..." : the state letter and the processor time used, from /proc.
bool ReadProcessStat(int pid, char& state, unsigned long long& cpu) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
  FILE* f = std::fopen(path, "r");
  if (f == nullptr) return false;
  char text[1024];
  const size_t n = std::fread(text, 1, sizeof text - 1, f);
  std::fclose(f);
  text[n] = '\0';
  const char* close = std::strrchr(text, ')');  // the name itself may hold parentheses
  if (close == nullptr) return false;
  unsigned long long utime = 0, stime = 0;
  // Fields after the name: state ppid pgrp session tty tpgid flags minflt cminflt majflt
  // cmajflt utime stime.
  if (std::sscanf(close + 1, " %c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &state,
                  &utime, &stime) != 3)
    return false;
  cpu = utime + stime;
  return true;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> args;
  size_t i = 0;
  const size_t n = line.size();
  // argv[0]: quotes toggle, backslashes are plain.
  {
    std::string first;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(line[i]))) {
      if (line[i] == '"') quoted = !quoted;
      else first += line[i];
      ++i;
    }
    if (n == 0) return args;
    args.push_back(first);
  }
  for (;;) {
    while (i < n && IsBlank(line[i])) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(line[i]))) {
      size_t backslashes = 0;
      while (i < n && line[i] == '\\') {
        ++backslashes;
        ++i;
      }
      if (i < n && line[i] == '"') {
        arg.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          arg += '"';
        } else if (quoted && i + 1 < n && line[i + 1] == '"') {
          arg += '"';
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        arg.append(backslashes, '\\');
        if (i < n && (quoted || !IsBlank(line[i]))) arg += line[i++];
      }
    }
    args.push_back(arg);
  }
  return args;
}

std::string ProgramOfCommandLine(const std::string& line) {
  if (!line.empty() && line[0] == '"') {
    const size_t end = line.find('"', 1);
    return line.substr(1, end == std::string::npos ? std::string::npos : end - 1);
  }
  size_t end = 0;
  while (end < line.size() && !IsBlank(line[end])) ++end;
  return line.substr(0, end);
}

int SpawnProgram(const std::string& program, const std::vector<std::string>& argv,
                 bool quietInput) {
  ReapAbandoned();
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  // The child starts with the signal dispositions and mask a freshly started program expects,
  // whatever the host has changed for itself.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quietInput) posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);

  pid_t pid = -1;
  const int err = posix_spawnp(&pid, program.c_str(), &actions, &attr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (err != 0) {
    FailWithErrno(err);
    return -1;
  }
  return pid;
}

bool ReapProcess(int pid, DWORD milliseconds, DWORD& exitCode) {
  int status = 0;
  const pid_t r = RetryOnInterrupt(
      [&] { return waitpid(pid, &status, milliseconds == INFINITE ? 0 : WNOHANG); });
  if (r == pid) {
    exitCode = ExitCodeFromStatus(status);
    return true;
  }
  if (r == -1 && errno == ECHILD) {
    // The host has the system reap its children (SIGCHLD ignored): the child has ended, and
    // its status is gone.
    exitCode = 0;
    return true;
  }
  if (r == 0 && milliseconds != 0 && milliseconds != INFINITE) {
    ProcessState poll(pid);
    const bool done = poll.Wait(milliseconds);
    if (done) exitCode = poll.exitCode.load();
    poll.ended.store(true);  // not abandoned: the caller still owns the id
    return done;
  }
  return false;
}

void AbandonProcess(int pid) {
  {
    Abandoned& a = AbandonedChildren();
    std::lock_guard<std::mutex> guard(a.lock);
    a.pids.push_back(pid);
  }
  ReapAbandoned();
}

}  // namespace hk::posix

using hk::posix::HandleAs;
using hk::posix::ProcessHandle;

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                    LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation) {
  if (processInformation == nullptr || startupInfo == nullptr ||
      (applicationName == nullptr && (commandLine == nullptr || *commandLine == '\0')))
    return hk::posix::FailWith(ERROR_INVALID_PARAMETER);
  if (environment != nullptr || currentDirectory != nullptr)
    return hk::posix::FailWith(ERROR_NOT_SUPPORTED);

  const std::string line = commandLine != nullptr ? commandLine : "";
  std::vector<std::string> argv = hk::posix::SplitCommandLine(line);
  std::string program;
  const std::string named =
      applicationName != nullptr ? applicationName : hk::posix::ProgramOfCommandLine(line);
  if (named.empty()) return hk::posix::FailWith(ERROR_FILE_NOT_FOUND);
  if (!hk::posix::NativePath(named.c_str(), program)) return FALSE;
  if (argv.empty()) argv.push_back(named);

  const int pid = hk::posix::SpawnProgram(program, argv, false);
  if (pid < 0) return FALSE;

  auto state = std::make_shared<hk::posix::ProcessState>(pid);
  processInformation->hProcess = hk::posix::RegisterHandle(new ProcessHandle(state));
  processInformation->hThread = hk::posix::RegisterHandle(new hk::posix::ThreadHandle(state));
  processInformation->dwProcessId = static_cast<DWORD>(pid);
  processInformation->dwThreadId = static_cast<DWORD>(pid);
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  ProcessHandle* process = HandleAs<ProcessHandle>(handle);
  if (process == nullptr) return WAIT_FAILED;
  return process->state->Wait(milliseconds) ? WAIT_OBJECT_0 : static_cast<DWORD>(WAIT_TIMEOUT);
}

BOOL GetExitCodeProcess(HANDLE handle, LPDWORD exitCode) {
  ProcessHandle* process = HandleAs<ProcessHandle>(handle);
  if (process == nullptr) return FALSE;
  if (exitCode == nullptr) return hk::posix::FailWith(ERROR_INVALID_PARAMETER);
  process->state->Wait(0);
  *exitCode = process->state->exitCode.load();
  return TRUE;
}

DWORD WaitForInputIdle(HANDLE handle, DWORD milliseconds) {
  ProcessHandle* process = HandleAs<ProcessHandle>(handle);
  if (process == nullptr) return WAIT_FAILED;
  const auto start = std::chrono::steady_clock::now();
  bool restedBefore = false;
  unsigned long long cpuBefore = 0;
  for (;;) {
    char state = 0;
    unsigned long long cpu = 0;
    if (process->state->Wait(0) || !hk::posix::ReadProcessStat(process->state->pid, state, cpu)) {
      hk::posix::FailWith(process->state->ended.load() ? ERROR_INVALID_HANDLE : ERROR_NOT_SUPPORTED);
      return WAIT_FAILED;
    }
    if (state == 'Z' || state == 'X') {
      hk::posix::FailWith(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    const bool resting = state == 'S';
    if (resting && restedBefore && cpu == cpuBefore) return 0;
    restedBefore = resting;
    cpuBefore = cpu;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    if (milliseconds != INFINITE && elapsed.count() >= static_cast<long long>(milliseconds))
      return WAIT_TIMEOUT;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}
