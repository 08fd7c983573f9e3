// Environment queries: names, thread times, the Windows-specific questions and CopyToBuffer.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <chrono>
#include <cstring>
#include <thread>

#if defined(_WIN32)
#  include <mbctype.h>
#endif

namespace {

std::string Copy(const char* text, unsigned size) {
  std::string buffer(size + 8, '#');
  CopyToBuffer(text, buffer.data(), size);
  EXPECT_EQ(buffer[size], '#') << "wrote past the buffer";
  return buffer.c_str();
}

#if defined(_WIN32)
// The run time's multi-byte functions follow its own code page; a double-byte one shows the
// cutting rule.
struct DoubleByteCodePage {
  DoubleByteCodePage() : m_previous(_getmbcp()) { m_ok = _setmbcp(932) == 0; }
  ~DoubleByteCodePage() { _setmbcp(m_previous); }
  bool m_ok;
  int m_previous;
};
#endif

TEST(CopyToBuffer, SingleByteText) {
  EXPECT_EQ(Copy("abcdef", 4), "abc");
  EXPECT_EQ(Copy("abc", 4), "abc");
  EXPECT_EQ(Copy("abcd", 4), "abc");
  EXPECT_EQ(Copy("abc", 1), "");
  EXPECT_EQ(Copy("", 1), "");
  EXPECT_EQ(Copy(nullptr, 4), "");
  char untouched = 'x';
  CopyToBuffer("abc", &untouched, 0);
  EXPECT_EQ(untouched, 'x');
}

TEST(CopyToBuffer, NeverSplitsAMultiByteCharacter) {
#if defined(_WIN32)
  DoubleByteCodePage codePage;
  if (!codePage.m_ok) GTEST_SKIP() << "the run time cannot switch to a double-byte code page here";
  const char* two = "\x82\xA0";  // a double-byte character
  const char* three = nullptr;
#else
  const char* two = "\xC3\xA9";        // U+00E9 in UTF-8
  const char* three = "\xE2\x82\xAC";  // U+20AC
#endif
  const std::string ab2 = std::string("ab") + two;
  EXPECT_EQ(Copy(ab2.c_str(), 4), "ab");
  EXPECT_EQ(Copy(ab2.c_str(), 5), ab2);
  const std::string a22 = std::string("a") + two + two;
  EXPECT_EQ(Copy(a22.c_str(), 4), std::string("a") + two);
  EXPECT_EQ(Copy(a22.c_str(), 5), std::string("a") + two);
  if (three != nullptr) {
    const std::string x3 = std::string("x") + three + "y";
    EXPECT_EQ(Copy(x3.c_str(), 4), "x");
    EXPECT_EQ(Copy(x3.c_str(), 5), std::string("x") + three);
    // A sequence cut short counts as one character of the bytes it has.
    EXPECT_EQ(Copy("a\xE2\x82z", 4), "a\xE2\x82");
    EXPECT_EQ(Copy("ab\xE2\x82", 4), "ab");
  }
}

TEST(Environment, SystemFamily) {
  EXPECT_EQ(IsWinNT(), TRUE);
  EXPECT_EQ(IsWin95(), FALSE);
}

TEST(Environment, DesktopQuestionsAnswerBooleans) {
  const BOOL visible = IsVisibleFromDesktop();
  EXPECT_TRUE(visible == TRUE || visible == FALSE);
  const BOOL taskBar = IsTaskBarAvailable();
  EXPECT_TRUE(taskBar == TRUE || taskBar == FALSE);
#if !defined(_WIN32)
  EXPECT_EQ(taskBar, FALSE);
  {
    hk::test::ScopedEnv display("DISPLAY", ":0");
    EXPECT_EQ(IsVisibleFromDesktop(), TRUE);
  }
  {
    hk::test::ScopedEnv display("DISPLAY", nullptr);
    hk::test::ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
    EXPECT_EQ(IsVisibleFromDesktop(), FALSE);
    hk::test::ScopedEnv empty("WAYLAND_DISPLAY", "");
    EXPECT_EQ(IsVisibleFromDesktop(), FALSE);
  }
#endif
}

TEST(Environment, ComputerName) {
  char name[256];
  DWORD size = sizeof name;
  ASSERT_TRUE(GetComputerNameA(name, &size));
  EXPECT_EQ(size, std::strlen(name));
  const CString mine = GetThisComputerName();
  if (size < 16) {
    EXPECT_STREQ(mine, name);
  } else {
    EXPECT_STREQ(mine, "");
  }
  // Too small a buffer: the size needed comes back with the error.
  char tiny[1];
  DWORD tinySize = 1;
  EXPECT_FALSE(GetComputerNameA(tiny, &tinySize));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  EXPECT_EQ(tinySize, size + 1);
}

TEST(Environment, ComputerNameInItsDnsForms) {
  char host[256] = {}, full[256] = {};
  DWORD hostSize = sizeof host, fullSize = sizeof full;
  ASSERT_TRUE(GetComputerNameExA(ComputerNameDnsHostname, host, &hostSize));
  ASSERT_TRUE(GetComputerNameExA(ComputerNameDnsFullyQualified, full, &fullSize));
  EXPECT_EQ(hostSize, std::strlen(host));
  EXPECT_EQ(fullSize, std::strlen(full));
  EXPECT_GT(hostSize, 0u);
  EXPECT_EQ(std::strchr(host, '.'), nullptr) << host;
  // The full name is the host name, followed by its domain where it has one.
  EXPECT_EQ(std::string(full).substr(0, hostSize), host);
  EXPECT_TRUE(fullSize == hostSize || full[hostSize] == '.') << full;
  char tiny[1];
  DWORD tinySize = 1;
  EXPECT_FALSE(GetComputerNameExA(ComputerNameDnsFullyQualified, tiny, &tinySize));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(tinySize, fullSize + 1);
}

TEST(Environment, UserName) {
  const CString user = GetThisUserName();
  ASSERT_GT(user.GetLength(), 0);
  EXPECT_LT(user.GetLength(), 256);
  char tiny[1];
  DWORD size = 1;
  EXPECT_FALSE(GetUserNameA(tiny, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, static_cast<DWORD>(user.GetLength() + 1));
}

TEST(Environment, ThreadTickCountMeasuresTheThreadsProcessorTime) {
  const DWORD start = GetThreadTickCount(nullptr);
  EXPECT_EQ(GetThreadTickCount(GetCurrentThread()) / 1000, start / 1000);
  // Spend processor time until the count moves on (bounded in wall time for a loaded machine).
  volatile unsigned sink = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (GetThreadTickCount(nullptr) - start < 60 && std::chrono::steady_clock::now() < deadline)
    for (int i = 0; i < 100000; ++i) sink = sink + i;
  const DWORD spent = GetThreadTickCount(nullptr) - start;
  EXPECT_GE(spent, 60u);
  // A fresh thread has not used what this one did.
  DWORD other = 0;
  std::thread([&] { other = GetThreadTickCount(nullptr); }).join();
  EXPECT_LT(other, start + spent);
  // A handle whose times cannot be read.
  EXPECT_EQ(GetThreadTickCount(reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x7FFF1230))), 0u);
}

}  // namespace
