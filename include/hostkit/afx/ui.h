// The user-interface entry points the library calls on its host's behalf: message boxes,
// context help through the application object, the wait cursor, menus and bitmaps. Each goes
// through a replaceable handler, so a host (or a test) decides what the user sees. On Windows
// the default handlers call the system; on POSIX the message box writes its text to standard
// error and answers as a user who declines would (IDOK for MB_OK, IDCANCEL where the style has
// a Cancel button, IDNO for MB_YESNO, IDABORT for MB_ABORTRETRYIGNORE), the wait cursor does
// nothing and help requests are written to standard error.
#pragma once

#include <hostkit/afx/string.h>

#include <functional>

// ---- message boxes --------------------------------------------------------------------------

using AfxMessageBoxHandler = std::function<int(const char* text, UINT style, UINT helpId)>;

// Installs a handler and returns the one it replaces; an empty handler restores the default.
HOSTKIT_API AfxMessageBoxHandler AfxSetMessageBoxHandler(AfxMessageBoxHandler handler);
HOSTKIT_API int AfxMessageBox(const char* text, UINT style = MB_OK, UINT helpId = 0);
// The text is a string of the application's own module (the executable).
HOSTKIT_API int AfxMessageBox(UINT stringId, UINT style = MB_OK, UINT helpId = (UINT)-1);

// ---- wait cursor ----------------------------------------------------------------------------

// change: +1 begin, 0 restore, -1 end.
using AfxWaitCursorHandler = std::function<void(int change)>;
HOSTKIT_API AfxWaitCursorHandler AfxSetWaitCursorHandler(AfxWaitCursorHandler handler);

class HOSTKIT_API CCmdTarget {
 public:
  virtual ~CCmdTarget() = default;
  void BeginWaitCursor();
  void EndWaitCursor();
  void RestoreWaitCursor();
};

// ---- help and the application object --------------------------------------------------------

// Receives every help request with the help file in force, the context data and the command.
using AfxHelpHandler = std::function<void(const char* helpFile, DWORD_PTR data, UINT command)>;
HOSTKIT_API AfxHelpHandler AfxSetHelpHandler(AfxHelpHandler handler);

// The host's application object. A host that has its own makes it current with AfxSetApp;
// otherwise the library's default object stands in.
class HOSTKIT_API CWinApp : public CCmdTarget {
 public:
  CWinApp() = default;
  ~CWinApp() override = default;
  // Shows help context data with the command in the help file m_pszHelpFilePath.
  virtual void WinHelp(DWORD_PTR data, UINT command = HELP_CONTEXT);

  const char* m_pszHelpFilePath = nullptr;
};

HOSTKIT_API CWinApp* AfxGetApp();
HOSTKIT_API void AfxSetApp(CWinApp* app);

// ---- windows, menus and bitmaps --------------------------------------------------------------

struct HOSTKIT_API CPoint : public POINT {
  CPoint() { x = 0; y = 0; }
  CPoint(LONG px, LONG py) { x = px; y = py; }
};

class HOSTKIT_API CWnd {
 public:
  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  // A temporary wrapper of the handle (one per thread is enough for the library's use).
  static CWnd* FromHandle(HWND hwnd);
};

class HOSTKIT_API CGdiObject {
 public:
  virtual ~CGdiObject();
  BOOL Attach(HANDLE handle);
  HANDLE Detach();
  HANDLE m_hObject = nullptr;
};

class HOSTKIT_API CBitmap : public CGdiObject {};

class HOSTKIT_API CMenu {
 public:
  ~CMenu();
  BOOL Attach(HMENU menu);
  HMENU Detach();
  HMENU m_hMenu = nullptr;
};
