// File last-write times in UTC: reading, setting, and the cases that must answer FALSE.
#include "tests/support/fixtures.h"

#include "tests/support/zone.h"
#include "tests/fs/readonly.h"

#include <optional>

namespace {

using hk::test::ReadWholeFile;
using hk::test::TempDir;

// The file's times as the system reports them through an open handle.
struct Times {
  FILETIME access;
  FILETIME write;
};

std::optional<Times> TimesOf(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  Times t;
  const BOOL ok = GetFileTime(h, nullptr, &t.access, &t.write);
  CloseHandle(h);
  if (!ok) return std::nullopt;
  return t;
}

FILETIME FileTimeOf(const COleDateTime& time) {
  SYSTEMTIME st;
  COleDateTimeToSYSTEMTIME(time, st);
  FILETIME ft{};
  EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
  return ft;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

TEST(FileUtcTime, SetThenGetRoundTripsAsUtcAndTouchesOnlyTheWriteTime) {
#if !defined(_WIN32)
  // A zone far from UTC: a conversion made by mistake would move the time by five hours.
  hk::test::ScopedZone zone("STD-5");
#endif
  TempDir dir;
  const std::string path = dir.WriteFile("notes.txt", "some text");
  // A known last-access time, to see that setting the write time leaves it alone.
  const FILETIME access = FileTimeOf(COleDateTime(2020, 2, 29, 6, 7, 8));
  {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(h, nullptr, &access, nullptr));
    CloseHandle(h);
  }

  for (const COleDateTime& wanted : {COleDateTime(2024, 6, 15, 12, 0, 0), COleDateTime(1999, 12, 31, 23, 59, 59),
                                     COleDateTime(1960, 1, 1, 0, 0, 1)}) {
    COleDateTime set = wanted;
    ASSERT_TRUE(SetFileUTCTime(path.c_str(), set)) << set.Format("%Y-%m-%d %H:%M:%S");
    COleDateTime got;
    ASSERT_TRUE(GetFileUTCTime(path.c_str(), got));
    EXPECT_EQ(got.GetStatus(), COleDateTime::valid);
    EXPECT_EQ(got.m_dt, wanted.m_dt) << got.Format("%Y-%m-%d %H:%M:%S");
    const auto times = TimesOf(path);
    ASSERT_TRUE(times.has_value());
    EXPECT_TRUE(SameTime(times->write, FileTimeOf(wanted))) << "the value is written as UTC, unconverted";
    EXPECT_TRUE(SameTime(times->access, access));
  }
  EXPECT_EQ(ReadWholeFile(path), "some text");

  // A clock value with milliseconds is set to its second.
  COleDateTime withMs(COleDateTime(2024, 6, 15, 12, 0, 0).m_dt + 1.157407407407e-8);
  ASSERT_TRUE(SetFileUTCTime(path.c_str(), withMs));
  COleDateTime got;
  ASSERT_TRUE(GetFileUTCTime(path.c_str(), got));
  EXPECT_EQ(got.m_dt, COleDateTime(2024, 6, 15, 12, 0, 0).m_dt);
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
  const COleDateTime before(2010, 5, 6, 7, 8, 9);
  COleDateTime t = before;
  ASSERT_TRUE(SetFileUTCTime(path.c_str(), t));

  // A missing file: nothing to read or set, and the argument stays as it was (even where the
  // stack would give a record read by mistake a valid time).
  COleDateTime untouched(2001, 1, 1, 0, 0, 0);
  const std::string missing = dir / "missing";
  ZeroStack();
  const BOOL read = GetFileUTCTime(missing.c_str(), untouched);
  EXPECT_FALSE(read);
  EXPECT_EQ(untouched.m_dt, COleDateTime(2001, 1, 1, 0, 0, 0).m_dt);
  COleDateTime later(2030, 1, 1, 0, 0, 0);
  EXPECT_FALSE(SetFileUTCTime((dir / "missing").c_str(), later));

  // A value that is not a valid time cannot be converted.
  COleDateTime invalid(1.5);
  invalid.SetStatus(COleDateTime::invalid);
  EXPECT_FALSE(SetFileUTCTime(path.c_str(), invalid));

  // Held open elsewhere without sharing.
  {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(SetFileUTCTime(path.c_str(), later));
    CloseHandle(h);
  }

  COleDateTime got;
  ASSERT_TRUE(GetFileUTCTime(path.c_str(), got));
  EXPECT_EQ(got.m_dt, before.m_dt);
}

// TRUE only when the file system keeps the time asked for: one that cannot hold it (ext4 keeps
// 1901-12-13 to 2446) stores another time and reports success, which must not pass as TRUE.
TEST(FileUtcTime, TrueOnlyWhenTheFileSystemKeepsTheTime) {
  TempDir dir;
  const std::string path = dir.WriteFile("f", "x");
  for (const COleDateTime& wanted : {COleDateTime(2012, 1, 2, 3, 4, 5), COleDateTime(1800, 6, 1, 0, 0, 0),
                                     COleDateTime(2500, 1, 1, 0, 0, 0)}) {
    COleDateTime set = wanted;
    const BOOL answered = SetFileUTCTime(path.c_str(), set);
    COleDateTime got;
    ASSERT_TRUE(GetFileUTCTime(path.c_str(), got));
    EXPECT_EQ(answered != FALSE, got.m_dt == wanted.m_dt) << wanted.Format("%Y-%m-%d") << " kept as " << got.Format("%Y-%m-%d");
    if (wanted.GetYear() == 2012) {
      EXPECT_TRUE(answered);
    }
  }
}

TEST(FileUtcTime, AReadOnlyFileAnswersFalse) {
  TempDir dir;
  const std::string path = dir.WriteFile("ro", "keep");
  COleDateTime before(2015, 3, 4, 5, 6, 7);
  ASSERT_TRUE(SetFileUTCTime(path.c_str(), before));
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  if (hk::test::ReadOnlyIsWritable(path))
    GTEST_SKIP() << "this system lets the user write read-only files (Wine running as root)";
  COleDateTime later(2030, 1, 1, 0, 0, 0);
  EXPECT_FALSE(SetFileUTCTime(path.c_str(), later));
  COleDateTime got;
  ASSERT_TRUE(GetFileUTCTime(path.c_str(), got));
  EXPECT_EQ(got.m_dt, before.m_dt);
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
