// UTF-16 to multi-byte conversion as the listings use it: counting, converting in one pass up
// to the NUL, characters beyond the basic plane, and a buffer that is too small.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <string>

namespace {

// "a", e-acute, U+1F600 as a surrogate pair, NUL.
const WCHAR kText[] = {'a', 0x00E9, 0xD83D, 0xDE00, 0};
const std::string kUtf8 = "a\xC3\xA9\xF0\x9F\x98\x80";

TEST(Codepage, CountsAndConvertsUpToTheNul) {
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, kText, -1, nullptr, 0, nullptr, nullptr), 8);
  char out[8];
  ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, kText, -1, out, sizeof out, nullptr, nullptr), 8);
  EXPECT_EQ(std::string(out), kUtf8);
}

TEST(Codepage, AnExplicitLengthConvertsThatManyUnitsWithoutANul) {
  char out[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
  ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, kText, 2, out, sizeof out, nullptr, nullptr), 3);
  EXPECT_EQ(std::string(out, 4), std::string("a\xC3\xA9x"));
}

TEST(Codepage, ABufferTooSmallFails) {
  char out[7];
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, kText, -1, out, sizeof out, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

std::basic_string<WCHAR> Widened(const std::string& bytes) {
  const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::basic_string<WCHAR> wide(static_cast<size_t>(n), 0);
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  return wide;
}

std::string Narrowed(const std::basic_string<WCHAR>& wide, BOOL* replaced = nullptr) {
  const int length = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), length, bytes.data(), n, nullptr, replaced);
  return bytes;
}

TEST(Codepage, EveryByteStringComesBackAsItWent) {
#if defined(_WIN32)
  GTEST_SKIP() << "Windows turns bytes that are not UTF-8 into U+FFFD; POSIX names are byte strings";
#endif
  // Latin-1, a sequence cut short, an encoded surrogate, an over-long form, stray continuation
  // bytes, a value beyond U+10FFFF, bytes UTF-8 never uses, and valid text around them.
  for (const std::string bytes : {"caf\xE9", "\xC3", "a\xE2\x82", "\xED\xA0\x80", "\xC0\xAF", "\x80\xBF",
                                  "\xF4\x90\x80\x80", "\xFF\xFEx", "\xC3\xA9\xE9\xF0\x9F\x98\x80\xF0"}) {
    BOOL replaced = TRUE;
    EXPECT_EQ(Narrowed(Widened(bytes), &replaced), bytes);
    EXPECT_FALSE(replaced);
  }
  // A byte that is not UTF-8 travels as U+DC00 + byte; valid text as itself.
  EXPECT_EQ(Widened("caf\xE9\xC3\xA9"), (std::basic_string<WCHAR>{'c', 'a', 'f', 0xDCE9, 0x00E9}));
  // Surrogates that carry no byte cannot be written.
  BOOL replaced = FALSE;
  EXPECT_EQ(Narrowed({'a', 0xD800, 'b', 0xDC41}, &replaced), "a?b?");
  EXPECT_TRUE(replaced);
}

}  // namespace
