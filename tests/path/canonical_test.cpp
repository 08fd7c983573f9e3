// The canonical path form: worked examples, and agreement with a literal in-place rewrite on
// many random names.
#include "tests/support/fixtures.h"

#include <hostkit/path.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

// The rewrite as a straightforward in-place edit of a NUL-terminated buffer, moving the rest
// of the text down for every ".." removed (quadratic, but plainly right).
std::string ReferenceCanonical(const std::string& input, bool caseSensitive) {
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

std::string Canon(const char* path, bool caseSensitive = false) {
  return std::string(GetCanonicalPathName(path, caseSensitive ? TRUE : FALSE));
}

TEST(GetCanonicalPathName, WorkedExamples) {
  struct Case {
    const char* in;
    const char* folded;
    const char* kept;
  } cases[] = {
      {"C:\\Dir\\Sub\\..\\File.TXT", "c:\\dir\\file.txt", "C:\\Dir\\File.TXT"},
      {"C:/a/./b//c/", "c:\\a\\b\\c", "C:\\a\\b\\c"},
      {"\\\\Server\\Share\\dir\\..\\F", "\\\\server\\share\\f", "\\\\Server\\Share\\F"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Canon(c.in), c.folded) << c.in;
    EXPECT_EQ(Canon(c.in, true), c.kept) << c.in;
  }
}

TEST(GetCanonicalPathName, DotSegmentsNeverClimbAboveTheStart) {
  for (const char* empty : {".", "..", "a\\..", "C:\\..", "", "C:\\..\\", "\\"})
    EXPECT_EQ(Canon(empty), "") << empty;
  for (const char* x : {".\\x", "..\\x", "..\\..\\x", "\\..\\x", "C:\\..\\x", "./x", "a/../x"})
    EXPECT_EQ(Canon(x), "x") << x;
  EXPECT_EQ(Canon("a\\b\\.."), "a");
  EXPECT_EQ(Canon("a\\b\\..\\..\\c"), "c");
  EXPECT_EQ(Canon("a\\\\..\\b"), "a\\b");
  EXPECT_EQ(Canon("a\\b\\."), "a\\b");
}

TEST(GetCanonicalPathName, SlashesAndDotsThatAreNotSegments) {
  EXPECT_EQ(Canon("\\\\\\x"), "\\\\x");
  EXPECT_EQ(Canon("C:\\"), "c:");
  EXPECT_EQ(Canon("C:\\\\"), "c:");
  EXPECT_EQ(Canon("a.\\b"), "a.\\b");
  EXPECT_EQ(Canon("...\\a"), "...\\a");
  EXPECT_EQ(Canon("a..\\b"), "a..\\b");
  EXPECT_EQ(Canon(".profile"), ".profile");
  // Only ASCII letters fold; other bytes pass unchanged.
  EXPECT_EQ(Canon("\xC3\x84Q"), "\xC3\x84q");
}

TEST(GetCanonicalPathName, AgreesWithTheInPlaceRewriteOnRandomNames) {
  std::mt19937 random(20240611);
  const char alphabet[] = {'.', '.', '.', '\\', '/', '\\', 'a', 'B', ':'};
  for (int round = 0; round < 100000; ++round) {
    const size_t length = random() % 14;
    std::string text;
    for (size_t i = 0; i < length; ++i) text += alphabet[random() % sizeof alphabet];
    const bool keep = (round & 1) != 0;
    ASSERT_EQ(Canon(text.c_str(), keep), ReferenceCanonical(text, keep)) << '"' << text << '"';
  }
}

TEST(GetCanonicalPathName, ManyParentSegmentsInALongName) {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "seg\\";
  for (int i = 0; i < 1999; ++i) text += "..\\";
  text += "File";
  EXPECT_EQ(Canon(text.c_str()), "seg\\file");
  EXPECT_EQ(Canon(text.c_str()), ReferenceCanonical(text, false));
}

TEST(GetCanonicalPathName, TextAfterAnEmbeddedNulIsNotPartOfTheName) {
  const CString withNul("a\\..\\b\0c", 8);
  EXPECT_EQ(std::string(GetCanonicalPathName(withNul, FALSE)), "b");
}

}  // namespace
