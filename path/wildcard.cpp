// Matching one wildcard pattern against one text.
//
// The matcher answers what the plain recursive reading of the rules answers ('*' tries every
// split of the remaining text, '?' first matches nothing, then one character), but it decides
// every (pattern position, text position) pair once instead of exploring them again on every
// path that reaches them: a user-written pattern such as *a*a*a*a*a*a*b against a long name
// would otherwise take time exponential in the number of wildcards. Here the cost is at most
// the product of the two lengths.
#include "path/internal.h"

#include <vector>

namespace {

// Only the ASCII letters fold; bytes from 0x80 up match only themselves in any code page.
char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

namespace hk::path {

BOOL MatchWildcard(const CString& pattern, int p, const CString& text, int t) {
  const int patternLength = pattern.GetLength();
  const int textLength = text.GetLength();
  if (p < 0 || p > patternLength || t < 0 || t > textLength) return FALSE;

  // next[k]: whether pattern[q+1..] matches text[k..]; row[k] the same for pattern[q..].
  // Rows are built from the end of the pattern back to p, and only for text positions from t.
  const size_t columns = static_cast<size_t>(textLength - t) + 1;
  std::vector<char> next(columns, 0);
  std::vector<char> row(columns, 0);
  next[columns - 1] = 1;  // the empty pattern matches only the empty text
  for (int q = patternLength - 1; q >= p; --q) {
    const char c = pattern[q];
    if (c == '*') {
      char anyLater = 0;
      for (size_t k = columns; k-- > 0;) {
        anyLater = static_cast<char>(anyLater | next[k]);
        row[k] = anyLater;
      }
    } else if (c == '?') {
      for (size_t k = 0; k < columns; ++k)
        row[k] = static_cast<char>(next[k] | (k + 1 < columns ? next[k + 1] : 0));
    } else {
      const char folded = Fold(c);
      for (size_t k = 0; k + 1 < columns; ++k)
        row[k] = static_cast<char>(next[k + 1] && Fold(text[t + static_cast<int>(k)]) == folded);
      row[columns - 1] = 0;
    }
    next.swap(row);
  }
  return next[0] ? TRUE : FALSE;
}

}  // namespace hk::path
