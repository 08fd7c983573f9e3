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

}  // namespace
