// Typed values of the settings object. Reads answer the caller's default for anything they
// cannot use; writes answer whether the registry took the value.
#include <hostkit/registry.h>

#include "platform/win32.h"

#include <climits>
#include <cstring>

// DEFAULT_STRING is constructed with the library's other ordered statics (frame/statics.cpp).
const LONG CNuRegistry::DEFAULT_INT = 0;
const int CNuRegistry::DEFAULT_BOOL = FALSE;

namespace {

bool IsString(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

}  // namespace

CString CNuRegistry::GetString(const char* name, const char* defaultValue, const char* section) const {
  CString result(defaultValue);
  CNuRegSection key(m_hBaseKey, m_hSectionKey, section);
  if (static_cast<HKEY>(key) == nullptr) return result;
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || !IsString(type) ||
      size >= static_cast<DWORD>(INT_MAX))
    return result;
  // Read into a string of its own: an empty value must not come back as the default, and a
  // value that changed between the two calls must not leave half of one in the result.
  CString text;
  char* buffer = text.GetBuffer(static_cast<int>(size));
  DWORD read = size;
  const LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &read);
  text.ReleaseBuffer(-1);
  return status == ERROR_SUCCESS && IsString(type) ? text : result;
}

BOOL CNuRegistry::PutString(const char* name, const char* value, const char* section) {
  CNuRegSection key(m_hBaseKey, m_hSectionKey, section);
  if (static_cast<HKEY>(key) == nullptr || value == nullptr) return FALSE;
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                        static_cast<DWORD>(lstrlenA(value)) + 1) == ERROR_SUCCESS;
}

DWORD CNuRegistry::GetInt(const char* name, DWORD defaultValue, const char* section) const {
  CNuRegSection key(m_hBaseKey, m_hSectionKey, section);
  if (static_cast<HKEY>(key) == nullptr) return defaultValue;
  // One call does for the type probe and the read: a 4-byte buffer holds every REG_DWORD, and
  // anything larger answers ERROR_MORE_DATA, which reads as missing just the same.
  DWORD type = REG_NONE;
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value)
    return defaultValue;
  return value;
}

BOOL CNuRegistry::PutInt(const char* name, DWORD value, const char* section) {
  CNuRegSection key(m_hBaseKey, m_hSectionKey, section);
  if (static_cast<HKEY>(key) == nullptr) return FALSE;
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
         ERROR_SUCCESS;
}

BOOL CNuRegistry::GetBool(const char* name, BOOL defaultValue, const char* section) const {
  return GetInt(name, defaultValue != FALSE ? 1 : 0, section) != 0 ? TRUE : FALSE;
}

BOOL CNuRegistry::PutBool(const char* name, BOOL value, const char* section) {
  return PutInt(name, value != FALSE ? 1 : 0, section);
}

BOOL CNuRegistry::GetBinary(const char* name, void* buffer, DWORD& size, const void* defaultValue,
                            const char* section) {
  {
    CNuRegSection key(m_hBaseKey, m_hSectionKey, section);
    DWORD type = REG_NONE;
    DWORD stored = 0;
    if (static_cast<HKEY>(key) != nullptr &&
        RegQueryValueExA(key, name, nullptr, &type, nullptr, &stored) == ERROR_SUCCESS && type == REG_BINARY) {
      if (buffer == nullptr) {
        size = stored;
        return TRUE;
      }
      if (stored > size) {
        size = stored;
        return FALSE;
      }
      DWORD read = size;
      const LONG status = RegQueryValueExA(key, name, nullptr, &type, static_cast<BYTE*>(buffer), &read);
      if (status == ERROR_SUCCESS && type == REG_BINARY) {
        size = read;
        return TRUE;
      }
      if (status == ERROR_MORE_DATA) {  // it grew since the probe
        size = read;
        return FALSE;
      }
      // Gone, or replaced by another type, since the probe: as missing.
    }
  }
  if (defaultValue == nullptr) return FALSE;
  // A size query on a missing value: the default is the value, of the caller's size.
  if (buffer != nullptr && size > 0) std::memmove(buffer, defaultValue, size);
  return TRUE;
}

BOOL CNuRegistry::PutBinary(const char* name, const void* data, DWORD size, const char* section) {
  CNuRegSection key(m_hBaseKey, m_hSectionKey, section);
  if (static_cast<HKEY>(key) == nullptr) return FALSE;
  return RegSetValueExA(key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}
