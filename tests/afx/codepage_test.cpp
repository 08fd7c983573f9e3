// UTF-16 to multi-byte conversion as the listings use it: counting, converting in one pass up
// to the NUL, characters beyond the basic plane, and a buffer that is too small.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <string>

namespace {

// "a", e-acute, U+1F600 as a surrogate pair, NUL.
const WCHAR kText[] = {'a', 0x00E9, 0xD83D, 0xDE00, 0};

TEST(Codepage, CountsConvertsAndRefusesABufferTooSmall) {
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, kText, -1, nullptr, 0, nullptr, nullptr), 8);
  char out[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
  // An explicit length converts that many units, without a NUL.
  ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, kText, 2, out, sizeof out, nullptr, nullptr), 3);
  EXPECT_EQ(std::string(out, 4), std::string("a\xC3\xA9x"));
  ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, kText, -1, out, sizeof out, nullptr, nullptr), 8);
  EXPECT_EQ(std::string(out), "a\xC3\xA9\xF0\x9F\x98\x80");
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, kText, -1, out, 7, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

// Each byte becomes at most one unit, each unit at most three bytes.
std::basic_string<WCHAR> Widened(const std::string& bytes) {
  const int n = static_cast<int>(bytes.size());
  std::basic_string<WCHAR> wide(bytes.size(), 0);
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, wide.data(), n)));
  return wide;
}

std::string Narrowed(const std::basic_string<WCHAR>& wide, BOOL* replaced) {
  const int n = static_cast<int>(wide.size());
  std::string bytes(3 * wide.size(), '\0');
  const int written = WideCharToMultiByte(CP_ACP, 0, wide.data(), n, bytes.data(), 3 * n, nullptr, replaced);
  bytes.resize(static_cast<size_t>(written));
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
