// CFile open flags and sharing, and CFileStatus read and written through CFile::GetStatus and
// CFile::SetStatus.
#include "tests/support/capture.h"
#include "tests/support/fixtures.h"
#include "tests/support/zone.h"

#include "platform/win32.h"

#include <string>

namespace {

using hk::test::Capture;
using hk::test::TempDir;
using hk::test::Thrown;

CFileStatus StatusOf(const std::string& name) {
  CFileStatus status;
  EXPECT_TRUE(CFile::GetStatus(name.c_str(), status)) << name;
  return status;
}

}  // namespace

TEST(FileOpen, ExclusiveOpenOfAFileOpenForWritingIsASharingViolation) {
  TempDir dir;
  const std::string name = dir.WriteFile("held.txt", "data");
  CFile writer(name.c_str(), CFile::modeWrite | CFile::shareDenyNone);
  const Thrown thrown = Capture<CFileException>([&] { CFile reader(name.c_str(), 0); });
  EXPECT_EQ(thrown.code, CFileException::sharingViolation);
  EXPECT_EQ(thrown.osError, 32);
  EXPECT_EQ(thrown.fileName, name);

  CFile other;
  CFileException error;
  EXPECT_FALSE(other.Open(name.c_str(), CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
  // Sharing both ways lets a second reader in.
  EXPECT_TRUE(other.Open(name.c_str(), CFile::modeRead | CFile::shareDenyNone, &error));
}

TEST(FileOpen, CreateTruncatesUnlessToldNotTo) {
  TempDir dir;
  const std::string name = dir.WriteFile("f.txt", "abcdef");
  { CFile keep(name.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite); }
  EXPECT_EQ(hk::test::ReadWholeFile(name), "abcdef");
  { CFile fresh(name.c_str(), CFile::modeCreate | CFile::modeWrite); }
  EXPECT_EQ(hk::test::ReadWholeFile(name), "");
  const Thrown missing = Capture<CFileException>([&] { CFile f((dir / "none.txt").c_str(), CFile::modeRead); });
  EXPECT_EQ(missing.code, CFileException::fileNotFound);
  EXPECT_EQ(missing.osError, 2);
}

TEST(FileStatus, ReadsSizeTimesAndAttributes) {
  TempDir dir;
  const std::string name = dir.WriteFile("s.bin", std::string(1234, 'z'));
  EXPECT_EQ(StatusOf(name).m_size, 1234);
  EXPECT_EQ(StatusOf(name).m_attribute & (CFile::readOnly | CFile::directory), 0);
  EXPECT_NE(StatusOf(dir.Path()).m_attribute & CFile::directory, 0);
  CFileStatus none;
  EXPECT_FALSE(CFile::GetStatus((dir / "missing").c_str(), none));

  // A roundabout spelling comes back in its plain form, for a name and for an open file.
  const std::string roundabout = dir.Path() + "." + hk::kPathSeparator + "s.bin";
  EXPECT_EQ(std::string(StatusOf(roundabout).m_szFullName), name);
  CFile file(roundabout.c_str(), CFile::modeReadWrite);
  file.SeekToEnd();
  file.Write("tail", 4);
  CFileStatus open;
  ASSERT_TRUE(file.GetStatus(open));
  EXPECT_EQ(open.m_size, 1238);
  EXPECT_EQ(std::string(open.m_szFullName), name);
}

TEST(FileStatus, TimesRoundTripToTheSecond) {
  TempDir dir;
  const std::string name = dir.WriteFile("t.txt", "x");
  // A winter and a summer time (either may lie in another daylight-saving season than today),
  // in the machine's zone and in one whose daylight saving is in force now.
  auto roundTrip = [&] {
    for (const CTime& when : {CTime(2010, 1, 15, 7, 8, 9), CTime(2012, 7, 4, 23, 59, 58)}) {
      CFileStatus status = StatusOf(name);
      status.m_mtime = when;
      status.m_atime = when + CTimeSpan(0, 0, 0, 30);
      CFile::SetStatus(name.c_str(), status);
      EXPECT_EQ(StatusOf(name).m_mtime, when) << when.Format("%Y-%m-%d %H:%M:%S").str();
      EXPECT_EQ(StatusOf(name).m_atime, when + CTimeSpan(0, 0, 0, 30));
    }
  };
  roundTrip();
#if !defined(_WIN32)
  hk::test::ScopedZone zone(hk::test::ZoneWithDaylightSavingNow());
  roundTrip();
#endif
}

TEST(FileStatus, ReadOnlyOnAndOff) {
  TempDir dir;
  const std::string name = dir.WriteFile("ro.txt", "content");
  // Setting read-only with new times, then new times for a file that stays read-only.
  for (const CTime& stamp : {CTime(2015, 3, 1, 12, 0, 0), CTime(2016, 8, 2, 6, 30, 0)}) {
    CFileStatus status = StatusOf(name);
    status.m_attribute |= CFile::readOnly;
    status.m_mtime = stamp;
    CFile::SetStatus(name.c_str(), status);
    EXPECT_NE(GetFileAttributesA(name.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(StatusOf(name).m_mtime, stamp);
  }
  // Clearing with a record of zero times touches only the attribute.
  CFileStatus clear;
  clear.m_attribute = static_cast<BYTE>(StatusOf(name).m_attribute & ~CFile::readOnly);
  CFile::SetStatus(name.c_str(), clear);
  EXPECT_EQ(StatusOf(name).m_attribute & CFile::readOnly, 0);
  EXPECT_EQ(StatusOf(name).m_mtime, CTime(2016, 8, 2, 6, 30, 0));
  CFile writable(name.c_str(), CFile::modeWrite);  // really writable again
}

TEST(FileStatus, SetStatusFailuresThrowWithTheSystemError) {
  TempDir dir;
  const std::string name = dir.WriteFile("busy.txt", "x");
  const std::string missing = dir / "missing.txt";
  Thrown thrown = Capture<CFileException>([&] { CFile::SetStatus(missing.c_str(), StatusOf(name)); });
  EXPECT_EQ(thrown.code, CFileException::fileNotFound);
  EXPECT_EQ(thrown.osError, 2);
  EXPECT_EQ(thrown.fileName, missing);

  // A read-only file another holder keeps exclusively: its times cannot change, and it stays
  // read-only after the failed attempt.
  CFileStatus current = StatusOf(name);
  current.m_attribute |= CFile::readOnly;
  CFile::SetStatus(name.c_str(), current);
  CFile holder(name.c_str(), CFile::modeRead | CFile::shareExclusive);
  current.m_mtime = CTime(2001, 1, 1, 0, 0, 0);
  thrown = Capture<CFileException>([&] { CFile::SetStatus(name.c_str(), current); });
  EXPECT_EQ(thrown.code, CFileException::sharingViolation);
  EXPECT_EQ(thrown.osError, 32);
  EXPECT_NE(GetFileAttributesA(name.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  holder.Close();
  SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
}
