// The canonical path form: worked examples, and agreement with a literal in-place rewrite on
// many random names.
#include "tests/path/reference.h"
#include "tests/support/fixtures.h"

#include <hostkit/path.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using hk::test::ReferenceCanonical;

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
