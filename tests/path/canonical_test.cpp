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
  const struct {
    const char* in;
    const char* folded;
  } cases[] = {{"C:\\Dir\\Sub\\..\\File.TXT", "c:\\dir\\file.txt"}, {"C:/a/./b//c/", "c:\\a\\b\\c"},
               {"\\\\Server\\Share\\dir\\..\\F", "\\\\server\\share\\f"},
               // Dot segments never climb above the start.
               {".", ""}, {"..", ""}, {"a\\..", ""}, {"C:\\..", ""}, {"", ""}, {"C:\\..\\", ""}, {"\\", ""},
               {".\\x", "x"}, {"..\\x", "x"}, {"..\\..\\x", "x"}, {"\\..\\x", "x"}, {"C:\\..\\x", "x"},
               {"./x", "x"}, {"a/../x", "x"}, {"a\\b\\..", "a"}, {"a\\b\\..\\..\\c", "c"},
               {"a\\\\..\\b", "a\\b"}, {"a\\b\\.", "a\\b"},
               // Slashes and dots that are not segments; only ASCII letters fold.
               {"\\\\\\x", "\\\\x"}, {"C:\\", "c:"}, {"C:\\\\", "c:"}, {"a.\\b", "a.\\b"}, {"...\\a", "...\\a"},
               {"a..\\b", "a..\\b"}, {".profile", ".profile"}, {"\xC3\x84Q", "\xC3\x84q"}};
  for (const auto& c : cases) EXPECT_EQ(Canon(c.in), c.folded) << c.in;
  EXPECT_EQ(Canon("\\\\Server\\Share\\dir\\..\\F", true), "\\\\Server\\Share\\F");
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
}

TEST(GetCanonicalPathName, TextAfterAnEmbeddedNulIsNotPartOfTheName) {
  const CString withNul("a\\..\\b\0c", 8);
  EXPECT_EQ(std::string(GetCanonicalPathName(withNul, FALSE)), "b");
}

}  // namespace
