// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/posix/system/internal.h"
#include "platform/win32.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

namespace hk::posix {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One started process, shared by its process and thread handles.
struct ProcessHandle : HandleObject {
  explicit ProcessHandle(std::shared_ptr<StartedProgram> p) : program(std::move(p)) {}
  std::shared_ptr<StartedProgram> program;
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

  auto started = hk::posix::StartedProgram::Start(program, argv, false);
  if (started == nullptr) return FALSE;

  const DWORD id = static_cast<DWORD>(started->Id());
  processInformation->hProcess = hk::posix::RegisterHandle(new ProcessHandle(started));
  processInformation->hThread = hk::posix::RegisterHandle(new hk::posix::ThreadHandle(started));
  processInformation->dwProcessId = id;
  processInformation->dwThreadId = id;
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  ProcessHandle* process = HandleAs<ProcessHandle>(handle);
  if (process == nullptr) return WAIT_FAILED;
  return process->program->Wait(milliseconds) ? WAIT_OBJECT_0 : static_cast<DWORD>(WAIT_TIMEOUT);
}

BOOL GetExitCodeProcess(HANDLE handle, LPDWORD exitCode) {
  ProcessHandle* process = HandleAs<ProcessHandle>(handle);
  if (process == nullptr) return FALSE;
  if (exitCode == nullptr) return hk::posix::FailWith(ERROR_INVALID_PARAMETER);
  process->program->Wait(0);
  *exitCode = process->program->ExitCode();
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
    if (process->program->Wait(0) || !hk::posix::ReadProcessStat(process->program->Id(), state, cpu)) {
      hk::posix::FailWith(process->program->Ended() ? ERROR_INVALID_HANDLE : ERROR_NOT_SUPPORTED);
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
