// Environment queries: names, thread times, the Windows-specific questions and CopyToBuffer.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <chrono>
#include <thread>

namespace {

std::string Copy(const char* text, unsigned size) {
  std::string buffer(size + 8, '#');
  CopyToBuffer(text, buffer.data(), size);
  EXPECT_EQ(buffer[size], '#') << "wrote past the buffer";
  return buffer.c_str();
}

TEST(CopyToBuffer, CutsAtTheSizeButNeverInsideACharacter) {
  const struct {
    const char* text;
    unsigned size;
    const char* copied;
    bool utf8;  // read as UTF-8 where the run time's encoding is UTF-8 (POSIX)
  } rows[] = {{"abcdef", 4, "abc", false}, {"abcd", 4, "abc", false}, {"abc", 1, "", false},
              {nullptr, 4, "", false}, {"abc", 4, "abc", false},
              {"ab\xC3\xA9", 4, "ab", true}, {"a\xC3\xA9\xC3\xA9", 4, "a\xC3\xA9", true},
              {"a\xC3\xA9\xC3\xA9", 5, "a\xC3\xA9", true}, {"x\xE2\x82\xACy", 4, "x", true},
              {"x\xE2\x82\xACy", 5, "x\xE2\x82\xAC", true},
              // A sequence cut short counts as one character of the bytes it has.
              {"a\xE2\x82z", 4, "a\xE2\x82", true}, {"ab\xE2\x82", 4, "ab", true}};
  for (const auto& row : rows) {
#if defined(_WIN32)
    if (row.utf8) continue;  // Windows reads the bytes in its single-byte code page
#endif
    EXPECT_EQ(Copy(row.text, row.size), row.copied) << row.size;
  }
  char untouched = 'x';
  CopyToBuffer("abc", &untouched, 0);
  EXPECT_EQ(untouched, 'x');
}

TEST(Environment, TheDesktopIsVisibleWhereADisplayIsNamed) {
#if defined(_WIN32)
  GTEST_SKIP() << "the answer comes from the window station, which a test cannot change";
#else
  hk::test::ScopedEnv wayland("WAYLAND_DISPLAY", "");
  for (const char* display : {":0", static_cast<const char*>(nullptr)}) {
    hk::test::ScopedEnv scoped("DISPLAY", display);
    EXPECT_EQ(IsVisibleFromDesktop(), display != nullptr ? TRUE : FALSE);
  }
#endif
}

TEST(Environment, ComputerNameAndItsDnsForms) {
  char name[256], host[256] = {}, full[256] = {}, tiny[1];
  DWORD size = sizeof name, hostSize = sizeof host, fullSize = sizeof full, tinySize = 1;
  ASSERT_TRUE(GetComputerNameA(name, &size));
  // The short form fits in 16 characters or is not given at all.
  EXPECT_STREQ(GetThisComputerName(), size < 16 ? name : "");
  // The full name is the host name, followed by its domain where it has one.
  ASSERT_TRUE(GetComputerNameExA(ComputerNameDnsHostname, host, &hostSize));
  ASSERT_TRUE(GetComputerNameExA(ComputerNameDnsFullyQualified, full, &fullSize));
  EXPECT_EQ(std::string(full).substr(0, hostSize), host);
  EXPECT_TRUE(fullSize == hostSize || full[hostSize] == '.') << full;
  // Too small a buffer: the size needed comes back with the error.
  EXPECT_FALSE(GetComputerNameA(tiny, &tinySize));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  EXPECT_EQ(tinySize, size + 1);
}

TEST(Environment, ThreadTickCountMeasuresTheThreadsProcessorTime) {
  const DWORD start = GetThreadTickCount(nullptr);
  // Spend processor time until the count moves on (bounded in wall time for a loaded machine).
  volatile unsigned sink = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (GetThreadTickCount(GetCurrentThread()) - start < 60 && std::chrono::steady_clock::now() < deadline)
    for (int i = 0; i < 100000; ++i) sink = sink + i;
  const DWORD spent = GetThreadTickCount(nullptr) - start;
  EXPECT_GE(spent, 60u);
  // A fresh thread has not used what this one did; a handle whose times cannot be read gives 0.
  DWORD other = 0;
  std::thread([&] { other = GetThreadTickCount(nullptr); }).join();
  EXPECT_LT(other, start + spent);
  EXPECT_EQ(GetThreadTickCount(reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x7FFF1230))), 0u);
}

}  // namespace
