// The registry editor's text format (.reg files), read and written:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Example]
//   "Name"="text with \"quotes\" and \\ backslashes"
//   "Count"=dword:0000002a
//   "Block"=hex:01,02,ff
//   "Path"=hex(2):25,00,48,00,00,00      (REG_EXPAND_SZ, UTF-16LE in this version)
//   @="the default value"
//   "Gone"=-                              (deletes the value)
//   [-HKEY_CURRENT_USER\Software\Old]     (deletes the key and everything below it)
//
// "REGEDIT4" files (strings in the ANSI code page) are read as well. Internal to the library.
#pragma once

#include "platform/win32.h"

#include <string>
#include <string_view>
#include <vector>

namespace hk::registry {

struct RegTextEntry {
  enum Kind { kKey, kDeleteKey, kValue, kDeleteValue };
  Kind kind = kKey;
  int line = 0;      // where the entry starts, from 1
  std::string key;   // the key path as written, "HKEY_CURRENT_USER\Software\Example"
  std::string name;  // the value name; "" for the default value
  DWORD type = REG_NONE;
  std::string data;  // the bytes as the registry's ANSI functions take them
};

// Reads a whole file: UTF-16LE with a byte-order mark (as the registry editor writes), UTF-8
// with or without one, or the ANSI code page. On a malformed file answers false with a message
// that names the line; no entries are returned then.
bool ParseRegText(std::string_view bytes, std::vector<RegTextEntry>& entries, std::string& error);

// Builds a file in the "Windows Registry Editor Version 5.00" form: UTF-16LE with a byte-order
// mark and CRLF line ends. Strings that cannot stand between quotes on one line (line breaks,
// embedded or missing terminators) are written as hex(1); a REG_DWORD that is not 4 bytes
// long as hex(4), so every value reads back exactly.
class RegTextWriter {
 public:
  RegTextWriter();
  void Key(std::string_view path);
  void Value(std::string_view name, DWORD type, std::string_view data);
  // The file's bytes.
  std::string Finish() const;

 private:
  std::string m_text;  // in the ANSI code page, converted by Finish
};

}  // namespace hk::registry
