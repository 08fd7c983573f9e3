// Writing a buffer to a new temporary file.
#include <hostkit/frame.h>
#include <hostkit/path.h>

#include "frame/instance.h"
#include "path/tempfile.h"
#include "resources/ids.h"
#include "platform/win32.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <random>

namespace {

// Names tried before giving up: with 32 random bits each, running out means something other
// than chance is taking the names.
constexpr int kAttempts = 100;

// The name handed back lives here until the thread's next call.
thread_local char t_name[MAX_PATH + 1];

const char* const kNoName = "";

std::function<unsigned()>& NameSource() {
  static std::function<unsigned()> source;
  return source;
}

}  // namespace

namespace hk::path {

std::function<unsigned()> SetTempNameSource(std::function<unsigned()> source) {
  std::function<unsigned()> previous = std::move(NameSource());
  NameSource() = std::move(source);
  return previous;
}

}  // namespace hk::path

const char* CreateTempFile(unsigned char* data, int size) {
  if (size < 0 || (size > 0 && data == nullptr))
    AfxThrowFileException(CFileException::genericException, ERROR_INVALID_PARAMETER, nullptr);
  CString directory;
  GetTemporaryPath(directory);
  // The system's name already ends in a separator, to which one more was added.
  TrimEndSlash(directory);
  std::random_device random;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    CString name;
    const unsigned number = NameSource() ? NameSource()() : static_cast<unsigned>(random());
    name.Format("%shk%08X.tmp", static_cast<const char*>(directory), number);
    if (name.GetLength() > MAX_PATH) break;
    // Created in one step, and only if nothing (file or link) has the name: the data is never
    // written through something another user put there.
    HANDLE handle = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) continue;
      CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), name);
      AfxThrowFileException(CFileException::genericException, -1, name);
    }
    CFile file(handle);
    try {
      file.Write(data, static_cast<UINT>(size));
      file.Close();
    } catch (CException* e) {
      if (e->IsKindOf(RUNTIME_CLASS(CFileException))) static_cast<CFileException*>(e)->m_strFileName = name;
      file.Abort();
      DeleteFileA(name);
      throw;
    }
    std::strcpy(t_name, name);
    return t_name;
  }
  CString text;
  LoadLocalString(GetLibraryInstance(), IDS_NO_TEMP_NAME, text);
  AfxMessageBox(text, MB_OK, 0);
  return kNoName;
}
