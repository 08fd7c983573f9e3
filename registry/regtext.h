// The registry editor's text format (.reg files), read and written:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Example]
//   "Name"="text with \"quotes\", \\ backslashes\r\nand a line break"
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

#include <functional>
#include <memory>
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

// Receives a file's bytes in order as they are made; false when they could not be stored.
using RegTextSink = std::function<bool(std::string_view bytes)>;

// Writes a file in the "Windows Registry Editor Version 5.00" form, UTF-16LE with a byte-order
// mark and CRLF line ends, handing it to the sink piece by piece (memory stays within a small
// multiple of the largest value). Line breaks in names and strings are written as \n and \r;
// strings that cannot stand between quotes (embedded or missing terminators) as hex(1), a
// REG_DWORD that is not 4 bytes long as hex(4), so every value reads back exactly. What the
// format cannot carry is refused, and nothing of that entry is written: a name or string that
// is not text of the code page (the file is UTF-16), a key name holding a line break (key names
// have no escapes).
class RegTextWriter {
 public:
  explicit RegTextWriter(RegTextSink sink);
  // False when the entry is refused (Problem() says why) or the sink failed (SinkFailed()).
  bool Key(std::string_view path);
  bool Value(std::string_view name, DWORD type, std::string_view data);
  // Ends the file and hands over the rest; false when the sink failed.
  bool Finish();
  const std::string& Problem() const { return m_problem; }
  bool SinkFailed() const { return m_sinkFailed; }

 private:
  // Room for 'bytes' more at the end of the buffer (not counted until Used).
  char* Room(size_t bytes);
  void Used(const char* end) { m_size = static_cast<size_t>(end - m_buffer.get()); }
  void Put(std::string_view ascii);
  void Put(const std::basic_string<WCHAR>& text);
  // Writes the text between quotes, escaped; answers the characters written.
  size_t PutQuoted(const std::basic_string<WCHAR>& text);
  void PutHex(size_t column, std::string_view prefix, std::string_view bytes);
  bool Flush(size_t atLeast);
  bool Refuse(const char* why);

  RegTextSink m_sink;
  // UTF-16LE bytes not yet handed to the sink (not zeroed first: the hex of a large value
  // passes through it).
  std::unique_ptr<char[]> m_buffer;
  size_t m_size = 0;
  size_t m_capacity = 0;
  std::string m_problem;
  bool m_sinkFailed = false;
};

}  // namespace hk::registry
