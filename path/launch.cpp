// Starting programs and opening documents through the shell.
#include <hostkit/frame.h>
#include <hostkit/path.h>

#include "frame/instance.h"
#include "platform/win32.h"
#include "resources/ids.h"

namespace {

constexpr DWORD kIdleTimeout = 50000;

// Ends the host's wait cursor however the launch is left, exceptions included.
class WaitCursor {
 public:
  explicit WaitCursor(CCmdTarget* target) : m_target(target) { m_target->BeginWaitCursor(); }
  ~WaitCursor() { m_target->EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  void Restore() { m_target->RestoreWaitCursor(); }

 private:
  CCmdTarget* m_target;
};

}  // namespace

int RunApp(CString& commandLine, int show, int waitForExit, int waitForIdle, DWORD* exitCode) {
  WaitCursor cursor(AfxGetApp());

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show ? SW_SHOWNORMAL : SW_HIDE);
  PROCESS_INFORMATION process = {};
  const BOOL created =
      CreateProcessA(nullptr, commandLine.GetBuffer(0), nullptr, nullptr, FALSE,
                     CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &startup, &process);
  commandLine.ReleaseBuffer(-1);
  if (!created) {
    CString format, text;
    LoadLocalString(GetLibraryInstance(), IDS_CANNOT_LAUNCH, format);
    text.Format(format, static_cast<const char*>(commandLine));
    AfxMessageBox(text, MB_OK, 0);
    return FALSE;
  }

  // The handles are closed whatever happens below, thread first.
  struct Handles {
    PROCESS_INFORMATION& p;
    ~Handles() {
      CloseHandle(p.hThread);
      CloseHandle(p.hProcess);
    }
  } handles{process};

  if (waitForIdle) {
    const DWORD idle = WaitForInputIdle(process.hProcess, kIdleTimeout);
    if (idle == 0) {
      cursor.Restore();
    } else if (idle == static_cast<DWORD>(WAIT_TIMEOUT)) {
      cursor.Restore();
      CString text;
      LoadLocalString(GetLibraryInstance(), IDS_LAUNCH_TIMEOUT, text);
      AfxMessageBox(text, MB_OK, 0);
    }
  }
  if (waitForExit) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (exitCode != nullptr && GetExitCodeProcess(process.hProcess, &code)) *exitCode = code;
  }
  return TRUE;
}

int RunApp(CString& commandLine, int show, int waitForExit, int waitForIdle) {
  return RunApp(commandLine, show, waitForExit, waitForIdle, nullptr);
}

void OpenFileAssociation(const char* document) {
  const INT_PTR result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "open", document, nullptr, nullptr, SW_RESTORE));
  if (result <= 32) AfxThrowShellException(static_cast<DWORD>(result));
}
