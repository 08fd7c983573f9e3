// File last-write times in UTC: reading, setting, and the cases that must answer FALSE.
#include "tests/support/fixtures.h"

#include "tests/support/times.h"
#include "tests/support/zone.h"
#include "tests/fs/readonly.h"

#include <utility>

namespace {

using hk::test::TempDir;

using hk::test::ValueOf;

// The file's last access and last write times as the system reports them through a handle.
std::pair<int64_t, int64_t> TimesOf(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  FILETIME access{}, write{};
  EXPECT_TRUE(GetFileTime(h, nullptr, &access, &write)) << path;
  CloseHandle(h);
  return {ValueOf(access), ValueOf(write)};
}

int64_t ValueOf(const COleDateTime& time) {
  SYSTEMTIME st;
  COleDateTimeToSYSTEMTIME(time, st);
  FILETIME ft{};
  EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
  return ValueOf(ft);
}

TEST(FileUtcTime, SetThenGetRoundTripsAsUtcAndTouchesOnlyTheWriteTime) {
#if !defined(_WIN32)
  // A zone far from UTC: a conversion made by mistake would move the time by five hours.
  hk::test::ScopedZone zone("STD-5");
#endif
  TempDir dir;
  const std::string path = dir.WriteFile("notes.txt", "some text");
  // A known last-access time, to see that setting the write time leaves it alone.
  const FILETIME access = hk::test::FromUnix(1582956428);
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_TRUE(SetFileTime(h, nullptr, &access, nullptr));
  CloseHandle(h);
  // The last, a clock value with milliseconds, is set to its second.
  for (const COleDateTime& wanted : {COleDateTime(1999, 12, 31, 23, 59, 59), COleDateTime(1960, 1, 1, 0, 0, 1),
                                     COleDateTime(COleDateTime(2024, 6, 15, 12, 0, 0).m_dt + 1.157407407407e-8)}) {
    COleDateTime set = wanted, got;
    ASSERT_TRUE(SetFileUTCTime(path.c_str(), set)) << set.Format("%Y-%m-%d %H:%M:%S");
    ASSERT_TRUE(GetFileUTCTime(path.c_str(), got));
    EXPECT_EQ(got.Format("%Y-%m-%d %H:%M:%S"), wanted.Format("%Y-%m-%d %H:%M:%S"));
    // Written as UTC, unconverted, and the access time as it was.
    EXPECT_EQ(TimesOf(path), std::make_pair(ValueOf(access), ValueOf(got)));
  }
}

// Zeroes the stack below its caller: what a function called next leaves unset reads as zeros,
// not as whatever an earlier call left there.
[[gnu::noinline]] void ZeroStack() {
  volatile char area[16384];
  for (size_t i = 0; i < sizeof area; ++i) area[i] = 0;
}

TEST(FileUtcTime, FailuresAnswerFalseAndChangeNothing) {
  TempDir dir;
  const std::string path = dir.WriteFile("f", "x");
  COleDateTime before(2010, 5, 6, 7, 8, 9);
  ASSERT_TRUE(SetFileUTCTime(path.c_str(), before));

  // A missing file: nothing to read or set, and the argument stays as it was (even where the
  // stack would give a record read by mistake a valid time).
  COleDateTime untouched(2001, 1, 1, 0, 0, 0), later(2030, 1, 1, 0, 0, 0), invalid(1.5), got;
  const std::string missing = dir / "missing";
  ZeroStack();
  const BOOL read = GetFileUTCTime(missing.c_str(), untouched);
  EXPECT_FALSE(read);
  EXPECT_EQ(untouched.m_dt, COleDateTime(2001, 1, 1, 0, 0, 0).m_dt);
  EXPECT_FALSE(SetFileUTCTime(missing.c_str(), later));
  // A value that is not a valid time cannot be converted.
  invalid.SetStatus(COleDateTime::invalid);
  EXPECT_FALSE(SetFileUTCTime(path.c_str(), invalid));
  // Held open elsewhere without sharing.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(SetFileUTCTime(path.c_str(), later));
  CloseHandle(h);
  ASSERT_TRUE(GetFileUTCTime(path.c_str(), got));
  EXPECT_EQ(got.m_dt, before.m_dt);
}

// TRUE only when the file system keeps the time asked for: one that cannot hold it (ext4 keeps
// 1901-12-13 to 2446) stores another time and reports success, which must not pass as TRUE.
TEST(FileUtcTime, TrueOnlyWhenTheFileSystemKeepsTheTime) {
  TempDir dir;
  const std::string path = dir.WriteFile("f", "x");
  for (const COleDateTime& wanted : {COleDateTime(1800, 6, 1, 0, 0, 0), COleDateTime(2500, 1, 1, 0, 0, 0)}) {
    COleDateTime set = wanted, got;
    const BOOL answered = SetFileUTCTime(path.c_str(), set);
    ASSERT_TRUE(GetFileUTCTime(path.c_str(), got));
    EXPECT_EQ(answered != FALSE, got.m_dt == wanted.m_dt) << wanted.Format("%Y") << " kept as " << got.Format("%Y");
  }
}

TEST(FileUtcTime, AReadOnlyFileAnswersFalse) {
  TempDir dir;
  const std::string path = dir.WriteFile("ro", "keep");
  COleDateTime before(2015, 3, 4, 5, 6, 7), later(2030, 1, 1, 0, 0, 0), got;
  ASSERT_TRUE(SetFileUTCTime(path.c_str(), before));
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  if (hk::test::ReadOnlyIsWritable(path))
    GTEST_SKIP() << "this system lets the user write read-only files (Wine running as root)";
  EXPECT_FALSE(SetFileUTCTime(path.c_str(), later));
  ASSERT_TRUE(GetFileUTCTime(path.c_str(), got));
  EXPECT_EQ(got.m_dt, before.m_dt);
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
