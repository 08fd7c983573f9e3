// Plain readings of the path rules, kept as references that the library's faster forms are
// checked (tests) and measured (benchmarks) against. Slow on purpose; small inputs only.
#pragma once

#include <cstring>
#include <string>
#include <vector>

namespace hk::test {

// The rewrite as a straightforward in-place edit of a NUL-terminated buffer, moving the rest
// of the text down for every ".." removed (quadratic, but plainly right).
inline std::string ReferenceCanonical(const std::string& input, bool caseSensitive) {
  std::vector<char> b(input.begin(), input.end());
  b.push_back('\0');
  auto slash = [](char c) { return c == '\\'; };
  for (char& c : b)
    if (c == '/') c = '\\';
  // "." followed by a slash, at the start or after a slash (judged on the unmodified text).
  {
    const std::vector<char> in = b;
    size_t w = 0;
    for (size_t r = 0; in[r] != '\0';) {
      if (in[r] == '.' && slash(in[r + 1]) && (r == 0 || slash(in[r - 1]))) {
        r += 2;
        continue;
      }
      b[w++] = in[r++];
    }
    b[w] = '\0';
  }
  size_t n = std::strlen(b.data());
  if (n == 1 && b[0] == '.') b[0] = '\0';
  else if (n > 1 && b[n - 1] == '.' && slash(b[n - 2])) b[n - 1] = '\0';
  auto segmentStart = [&](long from) -> long {
    if (from < 0) return 0;
    while (from >= 0 && !slash(b[from])) --from;
    return from + 1;
  };
  for (long i = 0; b[i] != '\0';) {
    if (b[i] == '.' && b[i + 1] == '.' && slash(b[i + 2]) && (i == 0 || slash(b[i - 1]))) {
      const long start = segmentStart(i - 2);
      std::memmove(&b[start], &b[i + 3], std::strlen(&b[i + 3]) + 1);
      i = start;
      continue;
    }
    ++i;
  }
  n = std::strlen(b.data());
  if (n == 2 && b[0] == '.' && b[1] == '.') b[0] = '\0';
  else if (n > 2 && slash(b[n - 3]) && b[n - 2] == '.' && b[n - 1] == '.') b[segmentStart(static_cast<long>(n) - 4)] = '\0';
  std::string out;
  for (size_t i = 0; b[i] != '\0'; ++i) {
    if (slash(b[i]) && out.size() > 1 && slash(out.back())) continue;
    out += b[i];
  }
  if (!out.empty() && slash(out.back())) out.pop_back();
  if (!caseSensitive)
    for (char& c : out)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// The rules read literally: '*' tries every split of the rest of the text, '?' first matches
// nothing and then one character. Exponential at worst; only for small inputs.
inline bool ReferenceMatch(const std::string& pattern, size_t p, const std::string& text, size_t t) {
  auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (;;) {
    if (p == pattern.size()) return t == text.size();
    if (pattern[p] == '*') {
      for (size_t k = t; k <= text.size(); ++k)
        if (ReferenceMatch(pattern, p + 1, text, k)) return true;
      return false;
    }
    if (pattern[p] == '?') {
      if (ReferenceMatch(pattern, p + 1, text, t)) return true;
      if (t == text.size()) return false;
      return ReferenceMatch(pattern, p + 1, text, t + 1);
    }
    if (t == text.size()) return false;
    if (fold(pattern[p]) != fold(text[t])) return false;
    ++p;
    ++t;
  }
}

}  // namespace hk::test
