// CString: the buffer protocol, searching, slicing, trimming, case and comparison.
#include "tests/support/fixtures.h"

#include <cstring>
#include <iterator>
#include <string>

namespace {

CString Trimmed(const char* text, char left = 0, char right = 0) {
  CString s(text);
  left != 0 ? s.TrimLeft(left) : s.TrimLeft();
  right != 0 ? s.TrimRight(right) : s.TrimRight();
  return s;
}

CString Cased(const char* text, bool upper) {
  CString s(text);
  upper ? s.MakeUpper() : s.MakeLower();
  return s;
}

}  // namespace

TEST(String, GetBufferKeepsTheTextAndReleaseBufferCutsAtTheFirstNul) {
  CString s("hello");
  char* p = s.GetBuffer(3);  // smaller than the text: the text stays whole
  EXPECT_STREQ(p, "hello");
  p[1] = 'a';
  s.ReleaseBuffer();
  EXPECT_EQ(s, "hallo");
  std::strcpy(s.GetBuffer(20) + 5, " world");
  s.ReleaseBuffer(-1);
  EXPECT_EQ(s, "hallo world");
  s.GetBuffer(0)[3] = '\0';
  s.ReleaseBuffer(-1);
  EXPECT_EQ(s, "hal");
  s.GetBuffer(10);
  s.ReleaseBuffer(2);
  EXPECT_EQ(s, "ha");
  std::memcpy(s.GetBufferSetLength(3), "abc", 3);
  s.ReleaseBuffer();
  EXPECT_EQ(s, "abc");
}

TEST(String, TextsBuiltSlicedTrimmedAndCased) {
  CString assigned, null("x"), formatted;
  assigned = "ab";
  null = static_cast<const char*>(nullptr);
  formatted.Format("%s=%d (%5.2f) %c %x %lu", "n", -42, 3.14159, 'z', 255u, 4000000000ul);
  const WCHAR wide[] = {'p', 'a', 't', 'h', '\\', 'x', 0};
  const CString t("abcdef");
  const struct {
    CString got;
    const char* expected;
  } rows[] = {{assigned + "cd" + 'e', "abcde"}, {'x' + assigned, "xab"}, {null, ""}, {CString('-', 3), "---"},
              {CString("abcdef", 3), "abc"}, {CString(static_cast<const char*>(nullptr)), ""},
              {CString(wide), "path\\x"}, {CString(static_cast<const WCHAR*>(nullptr)), ""},
              {formatted, "n=-42 ( 3.14) z ff 4000000000"},
              // Slices clamp to the text.
              {t.Left(2), "ab"},     {t.Left(100), "abcdef"},  {t.Left(-1), ""},      {t.Mid(2), "cdef"},
              {t.Mid(2, 3), "cde"},  {t.Mid(4, 100), "ef"},    {t.Mid(100), ""},      {t.Mid(-3, 2), "ab"},
              {t.Mid(-3), "abcdef"}, {t.Mid(2, -1), ""},       {t.Right(2), "ef"},    {t.Right(100), "abcdef"},
              {t.Right(-2), ""},
              // Trimming takes white space or the one character; case leaves bytes beyond ASCII.
              {Trimmed(" \t\r\n text here \n\v\f "), "text here"}, {Trimmed("\"x\"\"", '"', '"'), "x"},
              {Trimmed("   "), ""}, {Cased("MiXeD-1 \xC4\xD6", false), "mixed-1 \xC4\xD6"},
              {Cased("MiXeD-1 \xC4\xD6", true), "MIXED-1 \xC4\xD6"}};
  for (size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(rows[i].got, rows[i].expected) << "row " << i;
  formatted.Format("[%s]", std::string(10000, 'q').c_str());
  EXPECT_EQ(formatted.GetLength(), 10002);
}

TEST(String, SearchesReplacementsAndComparisons) {
  const CString s("a.b.c\\d");
  CString replaced("a-b-c");
  const struct {
    int got, expected;
  } rows[] = {{s.Find('.'), 1},         {s.Find('.', 2), 3},      {s.Find('.', 4), -1},   {s.Find('.', 100), -1},
              {s.Find('z'), -1},        {s.Find("b.c"), 2},       {s.Find("b.c", 3), -1}, {s.Find(""), 0},
              {s.ReverseFind('.'), 3},  {s.ReverseFind('q'), -1}, {s.FindOneOf("\\/"), 5},
              {s.FindOneOf("xyz"), -1}, {CString().Find('a'), -1},
              {replaced.Replace('-', '+'), 2}, {replaced.Replace("+", "--"), 2}, {replaced.Replace("", "x"), 0},
              // Signs of comparisons: unsigned bytes as strcmp compares, both folded to lower case
              // first as _stricmp does.
              {CString("Apple").Compare("Appl") > 0, 1}, {CString("\xE9").Compare("z") > 0, 1},
              {CString("Apple").CompareNoCase("aPPLE"), 0}, {CString("_").CompareNoCase("A") < 0, 1},
              {CString().Compare(nullptr), 0}};
  for (size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(rows[i].got, rows[i].expected) << "row " << i;
  EXPECT_EQ(replaced, "a--b--c");
}
