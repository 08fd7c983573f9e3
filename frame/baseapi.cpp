// CNuBaseAPI: one system library loaded at run time and its entry points bound by name.
#include <hostkit/frame.h>

CNuBaseAPI::CNuBaseAPI() : m_hLibrary(nullptr) {}

CNuBaseAPI::~CNuBaseAPI() {
  if (m_hLibrary != nullptr) AfxFreeLibrary(m_hLibrary);
}

BOOL CNuBaseAPI::IsAvailable() { return m_hLibrary != nullptr; }

BOOL CNuBaseAPI::LoadAPILibrary(const char* name) {
  m_hLibrary = AfxLoadLibrary(name);
  if (m_hLibrary != nullptr && !LoadEntryPoints()) {
    AfxFreeLibrary(m_hLibrary);
    m_hLibrary = nullptr;
  }
  return IsAvailable();
}
