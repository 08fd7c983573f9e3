// Resources loaded from an explicitly named module, and that module's context help.
#include <hostkit/frame.h>

#include "frame/instance.h"
#include "platform/win32.h"

#include <cstring>
#include <vector>

BOOL LoadLocalString(HINSTANCE module, unsigned int id, CString& text) {
  std::vector<char> buffer(8192);
  const int length = LoadStringA(module, id, buffer.data(), 8192);
  text.Empty();
  if (length > 0) text = buffer.data();
  return length > 0 ? TRUE : FALSE;
}

BOOL LoadLocalMenu(HINSTANCE module, unsigned int id, CMenu& menu) {
  HMENU handle = LoadMenuA(module, MAKEINTRESOURCEA(id & 0xFFFF));
  if (handle == nullptr) return FALSE;
  return menu.Attach(handle);
}

BOOL LoadLocalBitmap(HINSTANCE module, unsigned int id, CBitmap& bitmap) {
  HBITMAP handle = LoadBitmapA(module, MAKEINTRESOURCEA(id & 0xFFFF));
  if (handle == nullptr) return FALSE;
  return bitmap.Attach(handle);
}

namespace hk::frame {

CString HelpFileName(const char* moduleFile) {
  CString name(moduleFile);
  const int dot = name.ReverseFind('.');
  if (dot >= 0) name = name.Left(dot);
  return name + ".hlp";
}

}  // namespace hk::frame

void LocalContextHelp(HINSTANCE module, DWORD contextId, unsigned int command) {
  if (contextId == 0) return;
  char moduleFile[MAX_PATH];
  if (GetModuleFileNameA(module, moduleFile, MAX_PATH) == 0) return;
  const CString helpFile = hk::frame::HelpFileName(moduleFile);
  CWinApp* app = AfxGetApp();
  const char* saved = app->m_pszHelpFilePath;
  app->m_pszHelpFilePath = helpFile;
  app->WinHelp(contextId, command);
  app->m_pszHelpFilePath = saved;
}

void LocalContextHelp(CWnd* window, HINSTANCE module, CPoint& point, unsigned int command) {
  DWORD id = 0;
  if (HWND under = WindowFromPoint(point); under != nullptr) id = GetWindowContextHelpId(under);
  if (id == 0 && window != nullptr) {
    HWND parent = window->GetSafeHwnd();
    ScreenToClient(parent, &point);
    if (HWND child = ChildWindowFromPointEx(parent, point, 0); child != nullptr)
      id = GetWindowContextHelpId(child);
  }
  LocalContextHelp(module, id, command);
}

int AfxLocalMessageBox(HINSTANCE module, unsigned int id, unsigned int style, unsigned int helpId) {
  CString text;
  if (!LoadLocalString(module, id, text)) return 0;
  return AfxMessageBox(text, style, helpId);
}

void RegisterLocalStrings(const void* addressInModule, const LOCALSTRING* table, UINT count) {
  static_assert(sizeof(LOCALSTRING) == sizeof(hk::ModuleString));
  hk::RegisterModuleStrings(hk::ModuleOfAddress(addressInModule),
                            reinterpret_cast<const hk::ModuleString*>(table), count);
}
