// Default user-interface handlers and the objects that route to them. This is the one place
// in afx/ where the platforms differ: Windows shows real message boxes and help, POSIX has no
// desktop to show them on and reports to standard error instead.
#include <hostkit/afx/ui.h>

#include "platform/win32.h"

#include <cstdio>
#include <mutex>

namespace {

struct Handlers {
  std::mutex lock;
  AfxMessageBoxHandler messageBox;
  AfxWaitCursorHandler waitCursor;
  AfxHelpHandler help;
  CWinApp* app = nullptr;
};

Handlers& Current() {
  static Handlers* handlers = new Handlers;  // outlives every static destructor
  return *handlers;
}

template <typename H>
H Swap(H& slot, H handler) {
  std::lock_guard<std::mutex> guard(Current().lock);
  H previous = std::move(slot);
  slot = std::move(handler);
  return previous;
}

template <typename H>
H Get(H& slot) {
  std::lock_guard<std::mutex> guard(Current().lock);
  return slot;
}

int DefaultMessageBox(const char* text, UINT style, UINT) {
#if defined(_WIN32)
  return MessageBoxA(nullptr, text, "", style);
#else
  std::fprintf(stderr, "%s\n", text);
  switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL: return IDCANCEL;
    case MB_YESNO: return IDNO;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    default: return IDOK;
  }
#endif
}

void DefaultHelp(const char* helpFile, DWORD_PTR data, UINT command) {
#if defined(_WIN32)
  // The classic help viewer is gone from current systems; hand the request to whatever
  // help engine the system still has, and accept that nothing may show.
  (void)WinHelpA(nullptr, helpFile, command, data);
#else
  std::fprintf(stderr, "help: %s context %lu command %u\n", helpFile != nullptr ? helpFile : "",
               static_cast<unsigned long>(data), command);
#endif
}

void DefaultWaitCursor(int) {}

CWinApp& DefaultApp() {
  static CWinApp* app = new CWinApp;
  return *app;
}

}  // namespace

AfxMessageBoxHandler AfxSetMessageBoxHandler(AfxMessageBoxHandler handler) {
  return Swap(Current().messageBox, std::move(handler));
}

int AfxMessageBox(const char* text, UINT style, UINT helpId) {
  AfxMessageBoxHandler handler = Get(Current().messageBox);
  return handler ? handler(text, style, helpId) : DefaultMessageBox(text, style, helpId);
}

int AfxMessageBox(UINT stringId, UINT style, UINT helpId) {
  char text[8192];
  if (LoadStringA(GetModuleHandleA(nullptr), stringId, text, sizeof text) <= 0) text[0] = '\0';
  return AfxMessageBox(text, style, helpId == static_cast<UINT>(-1) ? stringId : helpId);
}

AfxWaitCursorHandler AfxSetWaitCursorHandler(AfxWaitCursorHandler handler) {
  return Swap(Current().waitCursor, std::move(handler));
}

static void ChangeWaitCursor(int change) {
  AfxWaitCursorHandler handler = Get(Current().waitCursor);
  if (handler) handler(change);
  else DefaultWaitCursor(change);
}

void CCmdTarget::BeginWaitCursor() { ChangeWaitCursor(+1); }
void CCmdTarget::EndWaitCursor() { ChangeWaitCursor(-1); }
void CCmdTarget::RestoreWaitCursor() { ChangeWaitCursor(0); }

AfxHelpHandler AfxSetHelpHandler(AfxHelpHandler handler) {
  return Swap(Current().help, std::move(handler));
}

void CWinApp::WinHelp(DWORD_PTR data, UINT command) {
  AfxHelpHandler handler = Get(Current().help);
  if (handler) handler(m_pszHelpFilePath, data, command);
  else DefaultHelp(m_pszHelpFilePath, data, command);
}

CWinApp* AfxGetApp() {
  CWinApp* app = Get(Current().app);
  return app != nullptr ? app : &DefaultApp();
}

void AfxSetApp(CWinApp* app) { Swap(Current().app, app); }

CWnd* CWnd::FromHandle(HWND hwnd) {
  thread_local CWnd wrapper;
  wrapper.m_hWnd = hwnd;
  return &wrapper;
}

CGdiObject::~CGdiObject() {
  if (m_hObject != nullptr) DeleteObject(m_hObject);
}

BOOL CGdiObject::Attach(HANDLE handle) {
  if (handle == nullptr) return FALSE;
  m_hObject = handle;
  return TRUE;
}

HANDLE CGdiObject::Detach() {
  HANDLE h = m_hObject;
  m_hObject = nullptr;
  return h;
}

CMenu::~CMenu() {
  if (m_hMenu != nullptr) DestroyMenu(m_hMenu);
}

BOOL CMenu::Attach(HMENU menu) {
  if (menu == nullptr) return FALSE;
  m_hMenu = menu;
  return TRUE;
}

HMENU CMenu::Detach() {
  HMENU h = m_hMenu;
  m_hMenu = nullptr;
  return h;
}
