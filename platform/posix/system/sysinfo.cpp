// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/posix/system/internal.h"
#include "platform/win32.h"

#include <pwd.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const HWINSTA kProcessWindowStation = reinterpret_cast<HWINSTA>(static_cast<LONG_PTR>(-3));
const HANDLE kCurrentThread = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2));

// Reads a decimal number and moves past it and one following separator.
DWORD NextNumber(const char*& p) {
  DWORD value = 0;
  while (*p >= '0' && *p <= '9') value = value * 10 + static_cast<DWORD>(*p++ - '0');
  if (*p == '.' || *p == '-') ++p;
  return value;
}

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

FILETIME FromMicroseconds(int64_t us) { return hk::posix::FileTimeFromInt(us * 10); }

}  // namespace

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
  if (info == nullptr) return hk::posix::FailWith(ERROR_INVALID_PARAMETER);
  if (info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) return hk::posix::FailWith(ERROR_INSUFFICIENT_BUFFER);
  struct utsname names;
  if (uname(&names) != 0) return hk::posix::FailWithErrno(errno);
  const char* p = names.release;
  info->dwMajorVersion = NextNumber(p);
  info->dwMinorVersion = NextNumber(p);
  info->dwBuildNumber = NextNumber(p);
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  info->szCSDVersion[0] = '\0';
  return TRUE;
}

HWINSTA GetProcessWindowStation() { return kProcessWindowStation; }

BOOL GetUserObjectInformationA(HANDLE object, int index, LPVOID info, DWORD length, LPDWORD needed) {
  if (object != static_cast<HANDLE>(kProcessWindowStation)) return hk::posix::FailWith(ERROR_INVALID_HANDLE);
  if (index != UOI_FLAGS) return hk::posix::FailWith(ERROR_INVALID_PARAMETER);
  if (needed != nullptr) *needed = sizeof(USEROBJECTFLAGS);
  if (info == nullptr || length < sizeof(USEROBJECTFLAGS)) return hk::posix::FailWith(ERROR_INSUFFICIENT_BUFFER);
  USEROBJECTFLAGS flags{};
  flags.dwFlags = HasDisplay() ? WSF_VISIBLE : 0;
  std::memcpy(info, &flags, sizeof flags);
  return TRUE;
}

UINT_PTR SHAppBarMessage(DWORD, PAPPBARDATA) { return 0; }

namespace {

// The host name, whole or up to its first dot, with the Win32 conventions of the computer name
// functions: 'overflow' is the error they give when the name does not fit.
BOOL CopyHostName(bool whole, LPSTR buffer, LPDWORD size, DWORD overflow) {
  if (size == nullptr) return hk::posix::FailWith(ERROR_INVALID_PARAMETER);
  struct utsname names;
  if (uname(&names) != 0) return hk::posix::FailWithErrno(errno);
  const size_t length = whole ? std::strlen(names.nodename) : std::strcspn(names.nodename, ".");
  if (buffer == nullptr || length + 1 > *size) {
    *size = static_cast<DWORD>(length + 1);
    return hk::posix::FailWith(overflow);
  }
  std::memcpy(buffer, names.nodename, length);
  buffer[length] = '\0';
  *size = static_cast<DWORD>(length);
  return TRUE;
}

}  // namespace

BOOL GetComputerNameA(LPSTR buffer, LPDWORD size) { return CopyHostName(false, buffer, size, ERROR_BUFFER_OVERFLOW); }

BOOL GetComputerNameExA(COMPUTER_NAME_FORMAT format, LPSTR buffer, LPDWORD size) {
  if (format != ComputerNameDnsHostname && format != ComputerNameDnsFullyQualified)
    return hk::posix::FailWith(ERROR_INVALID_PARAMETER);
  return CopyHostName(format == ComputerNameDnsFullyQualified, buffer, size, ERROR_MORE_DATA);
}

BOOL GetUserNameA(LPSTR buffer, LPDWORD size) {
  if (size == nullptr) return hk::posix::FailWith(ERROR_INVALID_PARAMETER);
  const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> scratch(suggested > 0 ? static_cast<size_t>(suggested) : 1024);
  struct passwd entry;
  struct passwd* found = nullptr;
  int error;
  while ((error = getpwuid_r(geteuid(), &entry, scratch.data(), scratch.size(), &found)) == ERANGE &&
         scratch.size() < (1u << 20))
    scratch.resize(scratch.size() * 2);
  if (error != 0) return hk::posix::FailWithErrno(error);
  if (found == nullptr || found->pw_name == nullptr) return hk::posix::FailWith(ERROR_NONE_MAPPED);
  const size_t length = std::strlen(found->pw_name);
  if (buffer == nullptr || length + 1 > *size) {
    *size = static_cast<DWORD>(length + 1);
    return hk::posix::FailWith(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(buffer, found->pw_name, length + 1);
  *size = static_cast<DWORD>(length + 1);
  return TRUE;
}

HANDLE GetCurrentThread() { return kCurrentThread; }

BOOL GetThreadTimes(HANDLE thread, LPFILETIME creation, LPFILETIME exit, LPFILETIME kernel, LPFILETIME user) {
  if (thread != kCurrentThread) return hk::posix::FailWith(ERROR_INVALID_HANDLE);
  if (creation == nullptr || exit == nullptr || kernel == nullptr || user == nullptr)
    return hk::posix::FailWith(ERROR_NOACCESS);
  int64_t kernelUs = 0, userUs = 0;
#if defined(RUSAGE_THREAD)
  struct rusage usage;
  if (getrusage(RUSAGE_THREAD, &usage) != 0) return hk::posix::FailWithErrno(errno);
  kernelUs = static_cast<int64_t>(usage.ru_stime.tv_sec) * 1000000 + usage.ru_stime.tv_usec;
  userUs = static_cast<int64_t>(usage.ru_utime.tv_sec) * 1000000 + usage.ru_utime.tv_usec;
#else
  // Systems without per-thread resource usage still measure the thread's processor time as a
  // whole; it is reported as user time.
  timespec spent;
  if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &spent) != 0) return hk::posix::FailWithErrno(errno);
  userUs = static_cast<int64_t>(spent.tv_sec) * 1000000 + spent.tv_nsec / 1000;
#endif
  *creation = FILETIME{0, 0};
  *exit = FILETIME{0, 0};
  *kernel = FromMicroseconds(kernelUs);
  *user = FromMicroseconds(userUs);
  return TRUE;
}
