// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
#include "platform/posix/system/internal.h"
#include "platform/text.h"
#include "platform/win32.h"

#include <cctype>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace hk::posix {
namespace {

using hk::text::EqualsNoCase;

HINSTANCE ShellResult(INT_PTR code) { return reinterpret_cast<HINSTANCE>(code); }

// "scheme:..." with a scheme of two or more characters; one letter is a drive.
bool IsUrl(const std::string& name) {
  const size_t colon = name.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return std::isalpha(static_cast<unsigned char>(name[0])) != 0;
}

// The shell's answer for a document name that cannot be reached.
INT_PTR DocumentProblem(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return 0;
  const int err = errno;
  if (err == ENOENT) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    return stat(folder.c_str(), &st) == 0 ? SE_ERR_FNF : SE_ERR_PNF;
  }
  if (err == ENOTDIR) return SE_ERR_PNF;
  if (err == EACCES || err == EPERM) return SE_ERR_ACCESSDENIED;
  return SE_ERR_FNF;
}

struct DropHandle : HandleObject {
  std::vector<std::string> names;
};

}  // namespace
}  // namespace hk::posix

HINSTANCE ShellExecuteA(HWND, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT_PTR) {
  using namespace hk::posix;
  if (file == nullptr || *file == '\0') {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return ShellResult(SE_ERR_FNF);
  }
  if ((verb != nullptr && *verb != '\0' && !EqualsNoCase(verb, "open")) ||
      (parameters != nullptr && *parameters != '\0')) {
    SetLastError(ERROR_NO_ASSOCIATION);
    return ShellResult(SE_ERR_NOASSOC);
  }
  if (directory != nullptr && *directory != '\0') {
    SetLastError(ERROR_NOT_SUPPORTED);
    return ShellResult(SE_ERR_NOASSOC);
  }
  std::string document = file;
  if (!IsUrl(document)) {
    if (!NativePath(file, document)) return ShellResult(SE_ERR_FNF);
    if (const INT_PTR problem = DocumentProblem(document)) {
      SetLastError(problem == SE_ERR_ACCESSDENIED ? ERROR_ACCESS_DENIED
                   : problem == SE_ERR_PNF        ? ERROR_PATH_NOT_FOUND
                                                  : ERROR_FILE_NOT_FOUND);
      return ShellResult(problem);
    }
    // A name starting with '-' would read as an option of the opener.
    if (document[0] == '-') document = "./" + document;
  }

  const int pid = SpawnProgram("xdg-open", {"xdg-open", document}, true);
  if (pid < 0) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_ACCESS_DENIED) {
      SetLastError(ERROR_NO_ASSOCIATION);
      return ShellResult(SE_ERR_NOASSOC);
    }
    return ShellResult(SE_ERR_OOM);
  }
  DWORD status = 0;
  if (!ReapProcess(pid, 10000, status)) {
    AbandonProcess(pid);
    return ShellResult(42);
  }
  switch (status) {
    case 0: return ShellResult(42);
    case 2: SetLastError(ERROR_FILE_NOT_FOUND); return ShellResult(SE_ERR_FNF);
    case 3: SetLastError(ERROR_NO_ASSOCIATION); return ShellResult(SE_ERR_NOASSOC);
    default: SetLastError(ERROR_DDE_FAIL); return ShellResult(SE_ERR_DDEFAIL);
  }
}

UINT DragQueryFileA(HDROP drop, UINT index, LPSTR buffer, UINT size) {
  auto* d = hk::posix::HandleAs<hk::posix::DropHandle>(drop);
  if (d == nullptr) return 0;
  if (index == 0xFFFFFFFFu) return static_cast<UINT>(d->names.size());
  if (index >= d->names.size()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::string& name = d->names[index];
  if (buffer == nullptr) return static_cast<UINT>(name.size());
  if (size == 0) return 0;
  const size_t n = std::min<size_t>(name.size(), size - 1);
  std::memcpy(buffer, name.data(), n);
  buffer[n] = '\0';
  return static_cast<UINT>(n);
}

void DragFinish(HDROP drop) {
  if (hk::posix::HandleAs<hk::posix::DropHandle>(drop) != nullptr) CloseHandle(drop);
}

HDROP hk::CreateDropHandle(const char* names) {
  auto* drop = new hk::posix::DropHandle;
  for (const char* name = names; *name != '\0'; name += std::strlen(name) + 1) drop->names.emplace_back(name);
  return static_cast<HDROP>(hk::posix::RegisterHandle(drop));
}
