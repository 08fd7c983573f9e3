// CNuMAPI: the Simple MAPI entry points of the system's mail library, bound at run time.
// The one instance and its loading live with the library's ordered static objects.
#include <hostkit/mail.h>

#include "platform/win32.h"

namespace {

// Binds one entry point; FALSE when the library lacks it.
template <typename Function>
bool Bind(HINSTANCE library, const char* name, Function& field) {
  field = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return field != nullptr;
}

}  // namespace

CNuMAPI::CNuMAPI()
    : m_pfnLogon(nullptr),
      m_pfnLogoff(nullptr),
      m_pfnSendMail(nullptr),
      m_pfnResolveName(nullptr),
      m_pfnFreeBuffer(nullptr) {}

BOOL CNuMAPI::LoadEntryPoints() {
  // In this order; the first missing name ends the binding and leaves the rest null.
  return Bind(m_hLibrary, "MAPILogon", m_pfnLogon) && Bind(m_hLibrary, "MAPILogoff", m_pfnLogoff) &&
                 Bind(m_hLibrary, "MAPISendMail", m_pfnSendMail) &&
                 Bind(m_hLibrary, "MAPIResolveName", m_pfnResolveName) &&
                 Bind(m_hLibrary, "MAPIFreeBuffer", m_pfnFreeBuffer)
             ? TRUE
             : FALSE;
}

BOOL CNuMAPI::IsAvailable() { return s_instance.CNuBaseAPI::IsAvailable(); }

CString CNuMAPI::GetLibraryFileName() {
  if (!IsAvailable()) return CString();
  char path[MAX_PATH + 1] = {};
  return GetModuleFileNameA(s_instance.m_hLibrary, path, MAX_PATH) != 0 ? CString(path) : CString();
}

BOOL CNuMAPI::DescribeProfile(const char* profile, CString& description, BOOL& usable) {
  // Beyond Simple MAPI: only the library's own provider has this entry point.
  typedef ULONG(WINAPI * DescribeFunction)(LPCSTR, LPSTR, ULONG);
  DescribeFunction describe = nullptr;
  if (!IsAvailable() || !Bind(s_instance.m_hLibrary, "HostkitMailDescribeProfile", describe)) return FALSE;
  char text[4096] = {};
  usable = describe(profile, text, sizeof text) == SUCCESS_SUCCESS ? TRUE : FALSE;
  description = text;
  return TRUE;
}

ULONG CNuMAPI::MAPILogon(ULONG_PTR uiParam, LPSTR profile, LPSTR password, FLAGS flags, ULONG reserved,
                         LPLHANDLE session) {
  return s_instance.m_pfnLogon(uiParam, profile, password, flags, reserved, session);
}

ULONG CNuMAPI::MAPILogoff(LHANDLE session, ULONG_PTR uiParam, FLAGS flags, ULONG reserved) {
  return s_instance.m_pfnLogoff(session, uiParam, flags, reserved);
}

ULONG CNuMAPI::MAPISendMail(LHANDLE session, ULONG_PTR uiParam, lpMapiMessage message, FLAGS flags,
                            ULONG reserved) {
  return s_instance.m_pfnSendMail(session, uiParam, message, flags, reserved);
}

ULONG CNuMAPI::MAPIResolveName(LHANDLE session, ULONG_PTR uiParam, LPSTR name, FLAGS flags, ULONG reserved,
                               lpMapiRecipDesc* recipient) {
  return s_instance.m_pfnResolveName(session, uiParam, name, flags, reserved, recipient);
}

ULONG CNuMAPI::MAPIFreeBuffer(LPVOID buffer) { return s_instance.m_pfnFreeBuffer(buffer); }
