// CString: the buffer protocol, searching, slicing, trimming, case and comparison.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <cstring>
#include <iterator>
#include <string>

TEST(String, GetBufferKeepsTheTextAndReleaseBufferCutsAtTheFirstNul) {
  CString s("hello");
  char* p = s.GetBuffer(3);  // smaller than the text: the text stays whole
  EXPECT_STREQ(p, "hello");
  p[1] = 'a';
  s.ReleaseBuffer();
  EXPECT_EQ(s, "hallo");

  p = s.GetBuffer(20);
  EXPECT_EQ(std::string(p, 5), "hallo");
  std::strcpy(p + 5, " world");
  s.ReleaseBuffer(-1);
  EXPECT_EQ(s, "hallo world");
  EXPECT_EQ(s.GetLength(), 11);

  p = s.GetBuffer(0);
  p[3] = '\0';
  s.ReleaseBuffer(-1);
  EXPECT_EQ(s, "hal");

  p = s.GetBuffer(10);
  s.ReleaseBuffer(2);
  EXPECT_EQ(s, "ha");
}

TEST(String, LargeBufferFilledByAnApi) {
  CString s;
  char* p = s.GetBuffer(4096);
  std::memset(p, 'x', 4095);
  p[4095] = '\0';
  s.ReleaseBuffer();
  EXPECT_EQ(s.GetLength(), 4095);

  CString name;
  const DWORD n = GetModuleFileNameA(nullptr, name.GetBuffer(MAX_PATH), MAX_PATH);
  name.ReleaseBuffer();
  EXPECT_GT(n, 0u);
  EXPECT_EQ(name.GetLength(), static_cast<int>(n));

  CString exact;
  std::memcpy(exact.GetBufferSetLength(3), "abc", 3);
  exact.ReleaseBuffer();
  EXPECT_EQ(exact, "abc");
}

TEST(String, FormatAndConcatenation) {
  CString s;
  s.Format("%s=%d (%5.2f) %c %x %lu", "n", -42, 3.14159, 'z', 255u, 4000000000ul);
  EXPECT_EQ(s, "n=-42 ( 3.14) z ff 4000000000");
  const std::string big(10000, 'q');
  s.Format("[%s]", big.c_str());
  EXPECT_EQ(s.GetLength(), 10002);
  s.Format("%s", "");
  EXPECT_TRUE(s.IsEmpty());
  CString a("ab");
  EXPECT_EQ(a + "cd" + 'e', "abcde");
  EXPECT_EQ('x' + a, "xab");
  EXPECT_EQ(CString('-', 3), "---");
  EXPECT_EQ(CString(static_cast<const char*>(nullptr)), "");
  EXPECT_EQ(CString("abcdef", 3), "abc");
}

TEST(String, SearchesAndSlicesClampToTheText) {
  const CString s("a.b.c\\d");
  const struct {
    int got, expected;
  } found[] = {{s.Find('.'), 1},         {s.Find('.', 2), 3},      {s.Find('.', 4), -1},   {s.Find('.', 100), -1},
               {s.Find('z'), -1},        {s.Find("b.c"), 2},       {s.Find("b.c", 3), -1}, {s.Find(""), 0},
               {s.ReverseFind('.'), 3},  {s.ReverseFind('q'), -1}, {s.FindOneOf("\\/"), 5},
               {s.FindOneOf("xyz"), -1}, {CString().Find('a'), -1}};
  for (size_t i = 0; i < std::size(found); ++i) EXPECT_EQ(found[i].got, found[i].expected) << "case " << i;

  const CString t("abcdef");
  const struct {
    CString got;
    const char* expected;
  } slices[] = {{t.Left(2), "ab"},     {t.Left(100), "abcdef"},  {t.Left(-1), ""},      {t.Mid(2), "cdef"},
                {t.Mid(2, 3), "cde"},  {t.Mid(4, 100), "ef"},    {t.Mid(100), ""},      {t.Mid(-3, 2), "ab"},
                {t.Mid(-3), "abcdef"}, {t.Mid(2, -1), ""},       {t.Right(2), "ef"},    {t.Right(100), "abcdef"},
                {t.Right(-2), ""}};
  for (size_t i = 0; i < std::size(slices); ++i) EXPECT_EQ(slices[i].got, slices[i].expected) << "case " << i;
}

TEST(String, TrimAndCase) {
  CString s(" \t\r\n text here \n\v\f ");
  s.TrimLeft();
  EXPECT_EQ(s, "text here \n\v\f ");
  s.TrimRight();
  EXPECT_EQ(s, "text here");
  CString all("   ");
  all.TrimLeft();
  EXPECT_TRUE(all.IsEmpty());
  CString quoted("\"x\"\"");
  quoted.TrimLeft('"');
  quoted.TrimRight('"');
  EXPECT_EQ(quoted, "x");

  CString mixed("MiXeD 123 \xC4\xD6");
  mixed.MakeLower();
  EXPECT_EQ(mixed, "mixed 123 \xC4\xD6");  // bytes beyond ASCII stay as they are
  mixed.MakeUpper();
  EXPECT_EQ(mixed, "MIXED 123 \xC4\xD6");
}

TEST(String, Comparisons) {
  const CString s("Apple");
  EXPECT_EQ(s.Compare("Apple"), 0);
  EXPECT_LT(s.Compare("apple"), 0);
  EXPECT_GT(s.Compare("Appl"), 0);
  EXPECT_EQ(s.CompareNoCase("aPPLE"), 0);
  EXPECT_LT(s.CompareNoCase("banana"), 0);
  EXPECT_LT(CString("_").CompareNoCase("A"), 0);  // both folded to lower case first, as _stricmp does
  EXPECT_TRUE(s == "Apple");
  EXPECT_TRUE("Apple" == s);
  EXPECT_TRUE(s != "apple");
  EXPECT_TRUE(CString("a") < CString("b"));
  EXPECT_TRUE(CString("\xE9") > CString("z"));  // unsigned bytes, as strcmp compares
  EXPECT_EQ(CString().Compare(nullptr), 0);
}

TEST(String, ConvertsFromUtf16ThroughTheAnsiCodePage) {
  const WCHAR ascii[] = {'p', 'a', 't', 'h', '\\', 'x', 0};
  EXPECT_EQ(CString(ascii), "path\\x");
  CString assigned;
  assigned = ascii;
  EXPECT_EQ(assigned, "path\\x");
  EXPECT_EQ(CString(static_cast<const WCHAR*>(nullptr)), "");

  // A character outside ASCII comes back unchanged when converted back with the same code page.
  const WCHAR accented[] = {'c', 'a', 'f', 0x00E9, 0};
  const CString text(accented);
  ASSERT_GE(text.GetLength(), 4);
  EXPECT_EQ(text.Left(3), "caf");
  WCHAR back[8] = {};
  const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, back, 8);
  ASSERT_EQ(n, 5);
  EXPECT_EQ(back[3], 0x00E9);
}

TEST(String, ReplaceAndSetAt) {
  CString s("a-b-c");
  EXPECT_EQ(s.Replace('-', '+'), 2);
  EXPECT_EQ(s, "a+b+c");
  EXPECT_EQ(s.Replace("+", "--"), 2);
  EXPECT_EQ(s, "a--b--c");
  EXPECT_EQ(s.Replace("", "x"), 0);
  s.SetAt(0, 'A');
  EXPECT_EQ(s.GetAt(0), 'A');
  EXPECT_EQ(s[1], '-');
}
