// ASCII text helpers that every layer shares: the subsystems, the POSIX layer and the provider
// libraries, which link nothing of the library (hence header only). Only ASCII letters and
// blanks count: the names compared here (URI schemes, host names, registry roots, settings)
// are ASCII, and the answer must not depend on the locale a host program has set.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace hk::text {

inline char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The text with its ASCII capitals lowered: "Outbox" => "outbox".
inline std::string Lower(std::string text) {
  for (char& c : text) c = LowerAscii(c);
  return text;
}

// Whether the two are equal but for the case of ASCII letters: "HKCU" and "hkcu".
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// The text without the blanks (space, tab, line ends, vertical tab, form feed) at either end:
// "  key = value \r" => "key = value".
inline std::string Trim(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\n\v\f\r";
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return std::string();
  return std::string(text.substr(first, text.find_last_not_of(kBlanks) - first + 1));
}

}  // namespace hk::text
