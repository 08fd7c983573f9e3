// Canonical path names and wildcard matching, each checked against its plain reading in
// tests/path/reference.h on many random names, and spec lists.
#include "tests/path/reference.h"
#include "tests/support/fixtures.h"

#include "path/internal.h"

#include <hostkit/path.h>

#include <random>

namespace {

using hk::path::MatchWildcard;
using hk::test::ReferenceCanonical;
using hk::test::ReferenceMatch;

std::string Canon(const char* path, bool caseSensitive = false) {
  return std::string(GetCanonicalPathName(path, caseSensitive ? TRUE : FALSE));
}

// The random comparison below covers dots and slashes; these add letters the model does not
// draw: whole words, a server share, and bytes beyond ASCII, which never fold.
TEST(GetCanonicalPathName, WorkedExamples) {
  const struct {
    const char* in;
    const char* folded;
  } cases[] = {{"C:\\Dir\\Sub\\..\\File.TXT", "c:\\dir\\file.txt"}, {"C:\\..\\x", "x"},
               {"\\\\Server\\Share\\dir\\..\\F", "\\\\server\\share\\f"}, {"\xC3\x84Q", "\xC3\x84q"}};
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

TEST(GetCanonicalPathName, TextAfterAnEmbeddedNulIsNotPartOfTheName) {
  const CString withNul("a\\..\\b\0c", 8);
  EXPECT_EQ(std::string(GetCanonicalPathName(withNul, FALSE)), "b");
}


bool Match(const char* pattern, const char* text) {
  return MatchWildcard(pattern, 0, text, 0) != FALSE;
}

TEST(MatchWildcard, BytesBeyondAsciiAndStartIndexesOutsideTheStrings) {
  EXPECT_TRUE(Match("ReadMe.Zip", "README.zIP"));
  // Bytes from 0x80 up match only themselves, whatever the code page's case rules.
  EXPECT_FALSE(Match("\xC4", "\xE4"));
  EXPECT_FALSE(Match("[", "{"));
  EXPECT_TRUE(MatchWildcard("ab", 2, "ab", 2));
  EXPECT_FALSE(MatchWildcard("ab", 3, "ab", 2));
  EXPECT_FALSE(MatchWildcard("*", 0, "ab", 3));
  EXPECT_FALSE(MatchWildcard("*", -1, "ab", 0));
  EXPECT_FALSE(MatchWildcard("*", 0, "ab", -1));
}

TEST(MatchWildcard, AgreesWithTheRecursiveRulesOnRandomInputs) {
  std::mt19937 random(7);
  const char patternChars[] = {'*', '?', '.', 'a', 'A', 'b', '*', '?'};
  const char textChars[] = {'.', 'a', 'A', 'b', 'B', 'c'};
  for (int round = 0; round < 100000; ++round) {
    std::string pattern, text;
    for (size_t i = random() % 8; i > 0; --i) pattern += patternChars[random() % sizeof patternChars];
    for (size_t i = random() % 9; i > 0; --i) text += textChars[random() % sizeof textChars];
    const bool expected = ReferenceMatch(pattern, 0, text, 0);
    ASSERT_EQ(Match(pattern.c_str(), text.c_str()), expected) << pattern << " / " << text;
    const int p = static_cast<int>(random() % (pattern.size() + 1));
    const int t = static_cast<int>(random() % (text.size() + 1));
    ASSERT_EQ(MatchWildcard(pattern.c_str(), p, text.c_str(), t) != FALSE, ReferenceMatch(pattern, p, text, t))
        << pattern << " @" << p << " / " << text << " @" << t;
  }
}

TEST(NameIsInSpecList, ReadsSpecsSeparatedQuotedAndTrimmed) {
  const struct {
    const char* list;
    const char* name;
    bool matches;
  } cases[] = {
      // One spec: the base name and the extension match separately.
      {"*.*", "README", false}, {"*.*", "README.", true}, {"*.*", ".profile", true}, {"*", "README", true},
      {"*", "a.txt", false}, {"*.txt", "a.TXT", true}, {"*.txt", "a.txt.bak", false}, {"*.tx*", "a.txt2", true},
      {"a?c.t?t", "abc.txt", true}, {"a?c.t?t", "ac.tt", true}, {"D:\\other\\*.txt", "C:\\dir\\a.txt", true},
      {"*.txt;*.doc", "b.doc", true}, {"*.txt, *.doc", "b.doc", true}, {"*.txt, *.doc", "b.xls", false},
      // The comma and the space leave an empty spec between them: it matches an empty name.
      {"*.txt, *.doc", "", true}, {"*.txt;*.doc", "", false}, {"", "", true}, {"", "a", false}, {";;;", "", true},
      {"\"my file.txt\"", "my file.txt", true}, {"my file.txt", "my file.txt", false}, {"my file.txt", "my", true},
      {"ab\"cd\"", "cd", true}, {"ab\"cd\"", "ab", false}, {"\"a\"b,c", "a", true}, {"\"a\"b,c", "b", true},
      {"\"a\"b,c", "c", true}, {"\"a\"b,c", "\"a\"b", false}, {"*.txt;\"unclosed", "x.txt", true},
      {"*.txt;\"unclosed", "unclosed", false}, {"\"*.txt", "x.txt", false}, {"  *.txt  ", "x.txt", true}};
  for (const auto& c : cases)
    EXPECT_EQ(NameIsInSpecList(c.name, c.list) != FALSE, c.matches) << '[' << c.list << "] / [" << c.name << ']';
}

// Many stars against a long name answer at once.
TEST(NameIsInSpecList, APathologicalSpecAgainstALongNameAnswers) {
  const CString list = "*.bak; *a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b; *.tmp";
  const std::string name(255, 'a');
  EXPECT_FALSE(NameIsInSpecList(name.c_str(), list));
  EXPECT_TRUE(NameIsInSpecList((name.substr(0, 254) + "b").c_str(), list));
}

}  // namespace
