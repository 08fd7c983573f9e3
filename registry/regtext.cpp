// Reading and writing the registry editor's text format.
#include "registry/regtext.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace hk::registry {

namespace {

using WideText = std::basic_string<WCHAR>;

// UTF-16LE bytes (an even number) to ANSI bytes.
std::string FromUtf16(std::string_view bytes) {
  std::string text;
  if (bytes.size() < 2) return text;
  WideText wide;
  wide.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    wide.push_back(static_cast<WCHAR>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  const int length = static_cast<int>(wide.size());
  const int count = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (count <= 0) return text;
  text.assign(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), length, text.data(), count, nullptr, nullptr);
  return text;
}

// The file's text in the ANSI code page, whatever encoding it came in.
bool Decode(std::string_view bytes, std::string& text, std::string& error) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    if (bytes.size() % 2 != 0) {
      error = "the file is UTF-16 but has an odd number of bytes";
      return false;
    }
    text = FromUtf16(bytes.substr(2));
    return true;
  }
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF) {
    error = "big-endian UTF-16 files are not supported";
    return false;
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    // UTF-8 to the ANSI code page (the same thing where that code page is UTF-8).
    const std::string_view utf8 = bytes.substr(3);
    WideText wide;
    if (!utf8.empty()) {
      const int count = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
      wide.assign(static_cast<size_t>(count > 0 ? count : 0), 0);
      if (count > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), count);
    }
    std::string little;
    for (WCHAR c : wide) {
      little.push_back(static_cast<char>(static_cast<unsigned>(c) & 0xFF));
      little.push_back(static_cast<char>((static_cast<unsigned>(c) >> 8) & 0xFF));
    }
    text = FromUtf16(little);
    return true;
  }
  text.assign(bytes.data(), bytes.size());
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view Trim(std::string_view s) {
  s = TrimLeft(s);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

// Nothing but blanks or a comment.
bool IsEnd(std::string_view rest) {
  rest = TrimLeft(rest);
  return rest.empty() || rest.front() == ';';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char a = s[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != prefix[i]) return false;
  }
  return true;
}

class Parser {
 public:
  Parser(const std::string& text, std::vector<RegTextEntry>& entries) : m_entries(entries) {
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string_view line(text.data() + start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      m_lines.push_back(line);
      start = end + 1;
    }
  }

  bool Run(std::string& error) {
    for (m_index = 0; m_index < m_lines.size(); ++m_index) {
      const std::string_view line = TrimLeft(m_lines[m_index]);
      m_line = static_cast<int>(m_index) + 1;
      if (Trim(line).empty()) continue;
      bool ok = true;
      if (m_version == 0) {
        ok = Header(Trim(line));
      } else if (line.front() == ';') {
        continue;
      } else if (line.front() == '[') {
        ok = KeyLine(line);
      } else if (line.front() == '"' || line.front() == '@') {
        ok = ValueLine(line);
      } else {
        ok = Fail("unexpected text");
      }
      if (!ok) {
        error = m_error;
        return false;
      }
    }
    if (m_version == 0) {
      error = "the file is empty";
      return false;
    }
    return true;
  }

 private:
  bool Fail(const std::string& what) {
    m_error = "line " + std::to_string(m_line) + ": " + what;
    return false;
  }

  bool Header(std::string_view line) {
    if (line == "Windows Registry Editor Version 5.00") m_version = 5;
    else if (line == "REGEDIT4") m_version = 4;
    else return Fail("not a registry file (it must begin \"Windows Registry Editor Version 5.00\")");
    return true;
  }

  bool KeyLine(std::string_view line) {
    const size_t close = line.rfind(']');
    if (close == std::string_view::npos) return Fail("a key needs a closing ']'");
    if (!IsEnd(line.substr(close + 1))) return Fail("unexpected text after the key");
    std::string_view path = line.substr(1, close - 1);
    RegTextEntry entry;
    entry.kind = RegTextEntry::kKey;
    if (!path.empty() && path.front() == '-') {
      entry.kind = RegTextEntry::kDeleteKey;
      path.remove_prefix(1);
    }
    if (path.empty()) return Fail("the key has no name");
    entry.line = m_line;
    entry.key.assign(path.data(), path.size());
    m_key = entry.key;
    m_keyDeleted = entry.kind == RegTextEntry::kDeleteKey;
    m_entries.push_back(std::move(entry));
    return true;
  }

  // A quoted string starting at s[pos] == '"'; pos ends past the closing quote.
  bool Quoted(std::string_view s, size_t& pos, std::string& out) {
    out.clear();
    for (++pos; pos < s.size(); ++pos) {
      const char c = s[pos];
      if (c == '"') {
        ++pos;
        return true;
      }
      if (c == '\\' && pos + 1 < s.size()) {
        const char next = s[++pos];
        if (next == '\\' || next == '"') out.push_back(next);
        else if (next == 'n') out.push_back('\n');
        else if (next == 'r') out.push_back('\r');
        else {  // not an escape: both characters stand
          out.push_back('\\');
          out.push_back(next);
        }
        continue;
      }
      out.push_back(c);
    }
    return Fail("a string has no closing quote");
  }

  bool ValueLine(std::string_view line) {
    if (m_key.empty()) return Fail("a value before any key");
    if (m_keyDeleted) return Fail("a value under a key that is being deleted");
    RegTextEntry entry;
    entry.line = m_line;
    entry.key = m_key;
    size_t pos = 0;
    if (line.front() == '@') {
      pos = 1;
    } else if (!Quoted(line, pos, entry.name)) {
      return false;
    }
    std::string_view rest = TrimLeft(line.substr(pos));
    if (rest.empty() || rest.front() != '=') return Fail("expected '=' after the value name");
    rest = TrimLeft(rest.substr(1));
    if (!rest.empty() && rest.front() == '-') {
      if (!IsEnd(rest.substr(1))) return Fail("unexpected text after '-'");
      entry.kind = RegTextEntry::kDeleteValue;
    } else if (!rest.empty() && rest.front() == '"') {
      size_t at = 0;
      if (!Quoted(rest, at, entry.data)) return false;
      if (!IsEnd(rest.substr(at))) return Fail("unexpected text after the string");
      entry.kind = RegTextEntry::kValue;
      entry.type = REG_SZ;
      entry.data.push_back('\0');
    } else if (StartsWithNoCase(rest, "dword:")) {
      const std::string_view digits = Trim(rest.substr(6));
      if (digits.empty() || digits.size() > 8) return Fail("a dword needs 1 to 8 hexadecimal digits");
      DWORD value = 0;
      for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return Fail("a dword needs 1 to 8 hexadecimal digits");
        value = (value << 4) | static_cast<DWORD>(d);
      }
      entry.kind = RegTextEntry::kValue;
      entry.type = REG_DWORD;
      for (int i = 0; i < 4; ++i) entry.data.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    } else if (StartsWithNoCase(rest, "hex")) {
      if (!Hex(rest.substr(3), entry)) return false;
      entry.kind = RegTextEntry::kValue;
    } else {
      return Fail("expected a value (\"text\", dword:, hex: or -) after '='");
    }
    m_entries.push_back(std::move(entry));
    return true;
  }

  // "hex:..." or "hex(N):...", continued over lines ending in '\'.
  bool Hex(std::string_view rest, RegTextEntry& entry) {
    entry.type = REG_BINARY;
    if (!rest.empty() && rest.front() == '(') {
      const size_t close = rest.find(')');
      if (close == std::string_view::npos || close < 2 || close > 9) return Fail("hex(N) needs a hexadecimal type");
      DWORD type = 0;
      for (char c : rest.substr(1, close - 1)) {
        const int d = HexDigit(c);
        if (d < 0) return Fail("hex(N) needs a hexadecimal type");
        type = (type << 4) | static_cast<DWORD>(d);
      }
      entry.type = type;
      rest.remove_prefix(close + 1);
    }
    if (rest.empty() || rest.front() != ':') return Fail("expected ':' after hex");
    std::string list(Trim(rest.substr(1)));
    while (!list.empty() && list.back() == '\\') {
      list.pop_back();
      if (m_index + 1 >= m_lines.size()) return Fail("the value continues past the end of the file");
      list += Trim(m_lines[++m_index]);
    }
    std::string bytes;
    size_t start = 0;
    while (start < list.size()) {
      size_t comma = list.find(',', start);
      if (comma == std::string::npos) comma = list.size();
      const std::string_view token = Trim(std::string_view(list).substr(start, comma - start));
      const bool last = comma >= list.size();
      if (token.empty() && last && start > 0) break;  // a trailing comma
      if (token.empty() || token.size() > 2 || HexDigit(token[0]) < 0 ||
          (token.size() == 2 && HexDigit(token[1]) < 0))
        return Fail("hex data must be bytes of two hexadecimal digits separated by commas");
      int value = HexDigit(token[0]);
      if (token.size() == 2) value = value * 16 + HexDigit(token[1]);
      bytes.push_back(static_cast<char>(value));
      start = comma + 1;
    }
    // Strings in this version of the format are UTF-16LE.
    const bool text = entry.type == REG_SZ || entry.type == REG_EXPAND_SZ || entry.type == REG_MULTI_SZ;
    if (text && m_version == 5) {
      if (bytes.size() % 2 != 0) return Fail("UTF-16 string data has an odd number of bytes");
      entry.data = FromUtf16(bytes);
    } else {
      entry.data = std::move(bytes);
    }
    return true;
  }

  std::vector<RegTextEntry>& m_entries;
  std::vector<std::string_view> m_lines;
  size_t m_index = 0;
  int m_line = 0;
  int m_version = 0;
  std::string m_key;
  bool m_keyDeleted = false;
  std::string m_error;
};

// Text that can stand between quotes: one terminator, at the end.
bool IsPlainString(std::string_view data) {
  if (data.empty() || data.back() != '\0') return false;
  data.remove_suffix(1);
  return data.find('\0') == std::string_view::npos;
}

// The text in UTF-16, when it is text of the code page: it must come back from UTF-16 as the
// same bytes, and hold no half of a surrogate pair (which no UTF-16 file can carry).
bool ToWideExactly(std::string_view text, WideText& wide) {
  wide.clear();
  if (text.empty()) return true;
  const int length = static_cast<int>(text.size());
  const int count = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (count <= 0) return false;
  wide.assign(static_cast<size_t>(count), 0);
  if (MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), count) != count) return false;
  for (size_t i = 0; i < wide.size(); ++i) {
    const unsigned c = wide[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      return false;
    }
  }
  const int back = WideCharToMultiByte(CP_ACP, 0, wide.data(), count, nullptr, 0, nullptr, nullptr);
  if (back != length) return false;
  std::string again(static_cast<size_t>(back), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), count, again.data(), back, nullptr, nullptr);
  return again == text;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// The file is handed to the sink in pieces of about this size.
constexpr size_t kPiece = 1 << 20;

}  // namespace

bool ParseRegText(std::string_view bytes, std::vector<RegTextEntry>& entries, std::string& error) {
  entries.clear();
  std::string text;
  if (!Decode(bytes, text, error)) return false;
  std::vector<RegTextEntry> parsed;
  Parser parser(text, parsed);
  if (!parser.Run(error)) return false;
  entries = std::move(parsed);
  return true;
}

RegTextWriter::RegTextWriter(RegTextSink sink) : m_sink(std::move(sink)) {
  char* out = Room(2);
  *out++ = '\xFF';
  *out++ = '\xFE';
  Used(out);
  Put("Windows Registry Editor Version 5.00\r\n");
}

char* RegTextWriter::Room(size_t bytes) {
  if (m_size + bytes > m_capacity) {
    const size_t capacity = std::max(m_size + bytes, 2 * m_capacity);
    std::unique_ptr<char[]> larger(new char[capacity]);
    if (m_size > 0) std::memcpy(larger.get(), m_buffer.get(), m_size);
    m_buffer = std::move(larger);
    m_capacity = capacity;
  }
  return m_buffer.get() + m_size;
}

void RegTextWriter::Put(std::string_view ascii) {
  char* out = Room(2 * ascii.size());
  for (const char c : ascii) {
    *out++ = c;
    *out++ = '\0';
  }
  Used(out);
}

void RegTextWriter::Put(const WideText& text) {
  char* out = Room(2 * text.size());
  for (const WCHAR c : text) {
    *out++ = static_cast<char>(static_cast<unsigned>(c) & 0xFF);
    *out++ = static_cast<char>(static_cast<unsigned>(c) >> 8);
  }
  Used(out);
}

size_t RegTextWriter::PutQuoted(const WideText& text) {
  WideText quoted;
  quoted.reserve(text.size() + 2);
  quoted.push_back('"');
  for (const WCHAR c : text) {
    if (c == '\\' || c == '"') {
      quoted.push_back('\\');
      quoted.push_back(c);
    } else if (c == '\n' || c == '\r') {
      quoted.push_back('\\');
      quoted.push_back(c == '\n' ? 'n' : 'r');
    } else {
      quoted.push_back(c);
    }
  }
  quoted.push_back('"');
  Put(quoted);
  return quoted.size();
}

// Bytes as two hexadecimal digits each, separated by commas, after 'column' characters of the
// line; lines kept under 80 columns and continued with '\', as the registry editor writes them.
// Written straight into the buffer as UTF-16, a part of the data at a time, handing over what
// is ready as it goes.
void RegTextWriter::PutHex(size_t column, std::string_view prefix, std::string_view bytes) {
  // Each byte as "xx," in UTF-16, padded to eight bytes so that it is copied in one move.
  static const auto kItems = [] {
    static const char kDigits[] = "0123456789abcdef";
    std::array<std::array<char, 8>, 256> items{};
    for (unsigned b = 0; b < 256; ++b) items[b] = {kDigits[b >> 4], '\0', kDigits[b & 0xF], '\0', ',', '\0', '\0', '\0'};
    return items;
  }();
  constexpr size_t kPart = 64 * 1024;
  constexpr size_t kLastColumn = 78;
  Put(prefix);
  column += prefix.size();
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  for (size_t start = 0; start < bytes.size(); start += kPart) {
    const size_t end = std::min(bytes.size(), start + kPart);
    // At most three characters a byte, a break of five at least every 25 bytes, and the
    // padding of the last item.
    char* out = Room(2 * (3 * (end - start) + 5 * ((end - start) / 25 + 2)) + 2);
    const auto lineBreak = [&out, &column] {
      std::memcpy(out, "\\\0\r\0\n\0 \0 \0", 10);
      out += 10;
      column = 2;
    };
    // Every byte but the very last is followed by a comma; a line takes as many as fit.
    const size_t stop = end == bytes.size() ? end - 1 : end;
    for (size_t i = start; i < stop;) {
      if (column + 3 > kLastColumn) lineBreak();
      const size_t fit = std::min(stop - i, (kLastColumn - column) / 3);
      for (const size_t line = i + fit; i < line; ++i) {
        std::memcpy(out, kItems[data[i]].data(), 8);
        out += 6;
      }
      column += 3 * fit;
    }
    if (stop < end) {
      if (column + 2 > kLastColumn) lineBreak();
      std::memcpy(out, kItems[data[stop]].data(), 4);
      out += 4;
      column += 2;
    }
    Used(out);
    if (m_size >= kPiece) Flush(kPiece);
  }
  Put("\r\n");
}

bool RegTextWriter::Flush(size_t atLeast) {
  if (m_sinkFailed) return false;
  if (m_size < atLeast) return true;
  if (!m_sink(std::string_view(m_buffer.get(), m_size))) m_sinkFailed = true;
  m_size = 0;
  return !m_sinkFailed;
}

bool RegTextWriter::Refuse(const char* why) {
  m_problem = why;
  return false;
}

bool RegTextWriter::Key(std::string_view path) {
  m_problem.clear();
  WideText wide;
  if (HasLineBreak(path)) return Refuse("the key name holds a line break, which a registry file cannot carry");
  if (!ToWideExactly(path, wide)) return Refuse("the key name is not valid text and cannot be written as UTF-16");
  Put("\r\n[");
  Put(wide);
  Put("]\r\n");
  return Flush(kPiece);
}

bool RegTextWriter::Value(std::string_view name, DWORD type, std::string_view data) {
  m_problem.clear();
  WideText wideName;
  if (!ToWideExactly(name, wideName)) return Refuse("the value name is not valid text and cannot be written as UTF-16");
  const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
  WideText wideData;
  const std::string_view plain = type == REG_SZ && IsPlainString(data) ? data.substr(0, data.size() - 1) : data;
  if (text && !ToWideExactly(plain, wideData))
    return Refuse("the data is not valid text and cannot be written as UTF-16");

  size_t column = 1;
  if (name.empty()) Put("@");
  else column = PutQuoted(wideName);
  Put("=");
  ++column;
  if (type == REG_SZ && IsPlainString(data)) {
    PutQuoted(wideData);
    Put("\r\n");
  } else if (type == REG_DWORD && data.size() == 4) {
    DWORD value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(data[static_cast<size_t>(i)]);
    char digits[24];
    std::snprintf(digits, sizeof digits, "dword:%08x\r\n", static_cast<unsigned>(value));
    Put(digits);
  } else {
    char prefix[24];
    if (type == REG_BINARY) std::snprintf(prefix, sizeof prefix, "hex:");
    else std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(type));
    // Strings of this version are UTF-16LE, whatever the registry's code page.
    std::string utf16;
    if (text) {
      utf16.reserve(wideData.size() * 2);
      for (const WCHAR c : wideData) {
        utf16.push_back(static_cast<char>(static_cast<unsigned>(c) & 0xFF));
        utf16.push_back(static_cast<char>(static_cast<unsigned>(c) >> 8));
      }
    }
    PutHex(column, prefix, text ? std::string_view(utf16) : data);
  }
  return Flush(kPiece);
}

bool RegTextWriter::Finish() {
  Put("\r\n");
  return Flush(0) && !m_sinkFailed;
}

}  // namespace hk::registry
