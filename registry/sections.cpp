// The settings object's binding to a base key and its sections.
#include <hostkit/registry.h>

#include "platform/win32.h"

namespace {

// Keys are created with an empty class; the system's declaration takes a writable string.
char g_emptyClass[] = "";

LONG CreateKey(HKEY parent, const char* name, HKEY& key) {
  DWORD disposition = 0;
  return RegCreateKeyExA(parent, name, 0, g_emptyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                         &key, &disposition);
}

bool IsEmpty(const char* text) { return text == nullptr || *text == '\0'; }

}  // namespace

CNuRegSection::CNuRegSection(HKEY parent, HKEY fallback, const char* name) : m_hKey(nullptr), m_bOwned(FALSE) {
  if (name != nullptr) {
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &m_hKey) != ERROR_SUCCESS) m_hKey = nullptr;
    m_bOwned = TRUE;
  } else {
    m_hKey = fallback;
  }
}

CNuRegSection::~CNuRegSection() {
  if (m_bOwned && m_hKey != nullptr) RegCloseKey(m_hKey);
}

CNuRegistry::CNuRegistry() : m_hRootKey(nullptr), m_hBaseKey(nullptr), m_hSectionKey(nullptr) {}

CNuRegistry::CNuRegistry(HKEY root, const char* baseSubKey, const char* section) : CNuRegistry() {
  SetBaseKey(root, baseSubKey, TRUE);
  if (section != nullptr) OpenSection(section, TRUE);
}

CNuRegistry::CNuRegistry(const CNuRegistry& other) : CNuRegistry() {
  SetBaseKey(other.m_hRootKey, other.m_strBaseSubKey, TRUE);
}

CNuRegistry& CNuRegistry::operator=(const CNuRegistry& other) {
  if (this != &other) {
    CloseSection();
    // Copied first: SetBaseKey replaces the text it might otherwise be handed by reference.
    const CString subKey = other.m_strBaseSubKey;
    SetBaseKey(other.m_hRootKey, subKey, TRUE);
  }
  return *this;
}

CNuRegistry::~CNuRegistry() {
  if (m_hSectionKey != nullptr) CloseSection();
  if (m_hBaseKey != nullptr && m_hBaseKey != m_hRootKey) RegCloseKey(m_hBaseKey);
}

BOOL CNuRegistry::InitOk() const { return m_hRootKey != nullptr; }

HKEY CNuRegistry::GetBaseKey() const { return m_hRootKey; }

const CString& CNuRegistry::GetBaseSubKey() const { return m_strBaseSubKey; }

BOOL CNuRegistry::SetBaseKey(HKEY root, const char* subKey, BOOL create) {
  if (m_hBaseKey != nullptr && m_hBaseKey != m_hRootKey) RegCloseKey(m_hBaseKey);
  m_hBaseKey = nullptr;
  m_hRootKey = root;
  m_strBaseSubKey = subKey != nullptr ? subKey : "";
  if (m_strBaseSubKey.IsEmpty()) {
    m_hBaseKey = root;
    return TRUE;
  }
  const LONG result = create ? CreateKey(root, m_strBaseSubKey, m_hBaseKey)
                             : RegOpenKeyExA(root, m_strBaseSubKey, 0, KEY_ALL_ACCESS, &m_hBaseKey);
  if (result != ERROR_SUCCESS) {
    m_hBaseKey = nullptr;
    return FALSE;
  }
  return TRUE;
}

BOOL CNuRegistry::OpenSection(const char* section, BOOL create) {
  // The section open until now is not used again: release it rather than leak it.
  CloseSection();
  if (m_hBaseKey == nullptr) return FALSE;
  const LONG result = create ? CreateKey(m_hBaseKey, section, m_hSectionKey)
                             : RegOpenKeyExA(m_hBaseKey, section, 0, KEY_ALL_ACCESS, &m_hSectionKey);
  if (result != ERROR_SUCCESS) {
    m_hSectionKey = nullptr;
    return FALSE;
  }
  return TRUE;
}

BOOL CNuRegistry::CloseSection() {
  if (m_hSectionKey == nullptr) return TRUE;
  const LONG result = RegCloseKey(m_hSectionKey);
  m_hSectionKey = nullptr;
  return result == ERROR_SUCCESS;
}

BOOL CNuRegistry::DeleteSection(const char* section) {
  // An empty name would name the base key itself.
  if (m_hBaseKey == nullptr || IsEmpty(section)) return FALSE;
  return RegDeleteKeyA(m_hBaseKey, section) == ERROR_SUCCESS;
}

BOOL CNuRegistry::DeleteSection(HKEY root, const char* baseSubKey, const char* section) {
  // Copied first: the caller may pass this object's own base sub-key, which re-binding replaces.
  const CString base = baseSubKey != nullptr ? baseSubKey : "";
  SetBaseKey(root, base, FALSE);
  // Without a section name the walk below would empty the whole base key.
  if (IsEmpty(section)) {
    CloseSection();
    return FALSE;
  }
  const CString name = section;
  CStringList children;
  if (!GetKeyList(name, children)) return DeleteSection(name);
  // A child's base is the section's path; below the root itself that path has no leading '\'.
  const CString childBase = base.IsEmpty() ? name : base + "\\" + name;
  POSITION position = children.GetHeadPosition();
  while (position != nullptr) {
    const CString child = children.GetNext(position);
    if (!DeleteSection(root, childBase, child)) return FALSE;
  }
  return DeleteSection(root, base, name);
}

BOOL CNuRegistry::GetKeyList(const char* const section, CStringList& list) {
  list.RemoveAll();
  BOOL found = FALSE;
  if (OpenSection(section, FALSE)) {
    for (DWORD index = 0;; ++index) {
      char name[513];
      DWORD size = sizeof name;
      FILETIME written;
      if (RegEnumKeyExA(m_hSectionKey, index, name, &size, nullptr, nullptr, nullptr, &written) != ERROR_SUCCESS)
        break;
      list.AddTail(name);
      found = TRUE;
    }
  }
  if (m_hSectionKey != nullptr) CloseSection();
  return found;
}

BOOL CNuRegistry::DeleteEntry(const char* name, const char* section) {
  CNuRegSection key(m_hBaseKey, m_hSectionKey, section);
  if (static_cast<HKEY>(key) == nullptr) return FALSE;
  return RegDeleteValueA(key, name) == ERROR_SUCCESS;
}

BOOL CNuRegistry::Flush() {
  if (m_hBaseKey == nullptr) return FALSE;
  return RegFlushKey(m_hBaseKey) == ERROR_SUCCESS;
}
