// Registry settings: a base key below a root key, named sections below the base, and typed
// values with defaults. Reads never fail outward (they answer the caller's default); writes
// and the section operations answer a BOOL; nothing throws.
//
//   CNuRegistry settings(HKEY_CURRENT_USER, "Software\\Example\\Viewer", "Window");
//   settings.PutInt("Width", 640);                       // REG_DWORD in ...\Viewer\Window
//   DWORD width = settings.GetInt("Width", 800);         // 640; 800 had it been missing
//   CString last = settings.GetString("File", "", "Recent");  // from ...\Viewer\Recent
#pragma once

#include <hostkit/afx.h>

// Holds one key handle for the length of a call: a sub-key opened below a parent, or, when no
// name is given, a key borrowed from elsewhere (not closed).
class HOSTKIT_API CNuRegSection {
 public:
  // With a name: opens it below 'parent' (the key is NULL if that fails) and owns the result.
  // Without: holds 'fallback' without owning it.
  CNuRegSection(HKEY parent, HKEY fallback, const char* name);
  ~CNuRegSection();
  CNuRegSection(const CNuRegSection&) = delete;
  CNuRegSection& operator=(const CNuRegSection&) = delete;

  operator HKEY() const { return m_hKey; }

 private:
  HKEY m_hKey;
  BOOL m_bOwned;
};

// A settings store bound to a root key and a base sub-key, with one current section open at a
// time. Keys are opened and created with KEY_ALL_ACCESS.
class HOSTKIT_API CNuRegistry {
 public:
  // Unbound.
  CNuRegistry();
  // Binds to root\baseSubKey, creating the base key if needed, then opens (creating) the
  // section if one is named. Whether that worked: InitOk and the results of later calls.
  CNuRegistry(HKEY root, const char* baseSubKey, const char* section = nullptr);
  // The same root and base sub-key as 'other' (created if needed); its open section is not
  // copied.
  CNuRegistry(const CNuRegistry& other);
  // Re-binds to the root and base sub-key of 'other' and closes the open section.
  CNuRegistry& operator=(const CNuRegistry& other);
  ~CNuRegistry();

  // TRUE once bound to a root key, even if the base key could not be opened.
  BOOL InitOk() const;
  // Binds to root\subKey (NULL or "" binds to the root itself), opening or, with 'create',
  // creating the base key. The section stays open.
  BOOL SetBaseKey(HKEY root, const char* subKey, BOOL create = TRUE);

  // Opens a section below the base key (creating it with 'create'); it becomes the current
  // section, and the one that was open is closed.
  BOOL OpenSection(const char* section, BOOL create = TRUE);
  // TRUE at once when no section is open.
  BOOL CloseSection();
  // Deletes a section that has no sub-sections. A NULL or empty name deletes nothing.
  BOOL DeleteSection(const char* section);
  // Deletes root\baseSubKey\section and everything below it, children before parents. The
  // object ends bound to root\baseSubKey (opened, not created) with no section open. A NULL
  // or empty section deletes nothing.
  BOOL DeleteSection(HKEY root, const char* baseSubKey, const char* section);
  // Fills 'list' with the names of the section's sub-keys in the registry's order; TRUE when
  // there is at least one. Closes the current section.
  BOOL GetKeyList(const char* const section, CStringList& list);
  // Deletes one value of the named section or, for NULL, of the current section.
  BOOL DeleteEntry(const char* name, const char* section = nullptr);
  // Writes the base key (not the section) through to the disk.
  BOOL Flush();

  // Typed values, in the current section or, when 'section' is given, in that sub-key of the
  // base key opened for the call. Strings are REG_SZ (REG_EXPAND_SZ is read unexpanded),
  // integers and Booleans REG_DWORD, blocks REG_BINARY; a value of another type reads as
  // missing. A REG_DWORD whose size is not 4 bytes also reads as missing.
  CString GetString(const char* name, const char* defaultValue = nullptr, const char* section = nullptr) const;
  BOOL PutString(const char* name, const char* value, const char* section = nullptr);
  DWORD GetInt(const char* name, DWORD defaultValue = 0, const char* section = nullptr) const;
  BOOL PutInt(const char* name, DWORD value, const char* section = nullptr);
  BOOL GetBool(const char* name, BOOL defaultValue = FALSE, const char* section = nullptr) const;
  BOOL PutBool(const char* name, BOOL value, const char* section = nullptr);
  // Reads a block into 'buffer' of 'size' bytes; size becomes the bytes read. A NULL buffer
  // asks for the stored size. FALSE, with 'size' set to the stored size, when the buffer is
  // too small. A missing value copies 'size' bytes of 'defaultValue' (TRUE), or answers FALSE
  // when there is no default.
  BOOL GetBinary(const char* name, void* buffer, DWORD& size, const void* defaultValue = nullptr,
                 const char* section = nullptr);
  BOOL PutBinary(const char* name, const void* data, DWORD size, const char* section = nullptr);

  // Stock defaults for callers without their own.
  static const CString DEFAULT_STRING;  // ""
  static const LONG DEFAULT_INT;        // 0
  static const int DEFAULT_BOOL;        // FALSE

 protected:
  // The root key the object is bound to (not the opened base key).
  HKEY GetBaseKey() const;
  const CString& GetBaseSubKey() const;

 private:
  HKEY m_hRootKey;
  CString m_strBaseSubKey;
  HKEY m_hBaseKey;
  HKEY m_hSectionKey;
};

// ---- keys by name, and the registry editor's text ------------------------------------------
//
// A full key name is a root key and the path below it: "HKEY_CURRENT_USER\Software\Example",
// "HKEY_LOCAL_MACHINE\...", or for short "HKCU\..." and "HKLM\...", the root in any case. The
// functions below answer the registry's own Win32 codes, or a message, instead of a BOOL alone.

// Splits a full key name into its root key, the path below it ("" for the root itself; trailing
// backslashes dropped) and the root's long name. FALSE, the outputs unchanged, for any other
// root or a NULL name.
//   "hkcu\Software\Example\" => HKEY_CURRENT_USER, "Software\Example", "HKEY_CURRENT_USER"
HOSTKIT_API BOOL SplitRegistryKeyName(const char* fullName, HKEY& root, CString& subKey, CString& rootName);

// The type (REG_SZ, REG_DWORD ...) and bytes of the value 'name' of root\subKey; "" names the
// key's default value. ERROR_SUCCESS, or the registry's code with 'type' and 'data' unchanged
// (ERROR_FILE_NOT_FOUND for a missing key or value).
HOSTKIT_API LONG GetRegistryValue(HKEY root, const char* subKey, const char* name, DWORD& type, CByteArray& data);
// Deletes the value 'name' of root\subKey. ERROR_SUCCESS or the registry's code
// (ERROR_FILE_NOT_FOUND for a missing key or value).
HOSTKIT_API LONG DeleteRegistryValue(HKEY root, const char* subKey, const char* name);
// Empties 'names', then fills it with the names of the sub-keys of root\subKey in the
// registry's order (case-insensitive name order). ERROR_SUCCESS, also for a key without
// sub-keys, or the registry's code; names listed before a failure stay.
HOSTKIT_API LONG GetRegistrySubKeys(HKEY root, const char* subKey, CStringArray& names);

// The bytes of a .reg file holding the named key and everything below it: "Windows Registry
// Editor Version 5.00", UTF-16LE with a byte-order mark and CR LF line ends, every value written
// so that it reads back exactly (the registry editor imports it). FALSE with a message in 'error'
// (and 'text' unchanged) when the name is not below HKCU or HKLM or the key cannot be read.
HOSTKIT_API BOOL ExportRegistryKey(const char* fullName, CByteArray& text, CString& error);
// The same written to 'file' while the tree is read, so that memory stays small however large
// the tree. The file appears only once complete: an export that fails leaves no file, and a
// file it was to replace as it was. A name or string that registry text cannot carry (bytes
// that are not UTF-8, where the type has no hex form) fails with a message naming it.
HOSTKIT_API BOOL ExportRegistryKeyToFile(const char* fullName, const char* file, CString& error);
// Applies the 'size' bytes of a .reg file: "Windows Registry Editor Version 5.00" or "REGEDIT4",
// UTF-16LE with a byte-order mark, UTF-8 or the ANSI code page. Keys are created, values written
// ("name"=...) or deleted ("name"=-), keys deleted with everything below them ([-key]), in the
// file's order. A malformed file, or one naming a key outside HKCU and HKLM or a name longer
// than the registry takes, changes nothing. On POSIX the whole file is applied or nothing: an
// entry the store refuses part way undoes the ones before it. The system registry of Windows
// has no such undo, so there the entries before a refused one stay applied. 'applied' counts
// the entries whose changes were kept; FALSE with a message naming the line of the first entry
// that failed.
HOSTKIT_API BOOL ImportRegistryText(const void* text, DWORD size, DWORD& applied, CString& error);
