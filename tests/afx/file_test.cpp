// CFile open flags and sharing, and CFileStatus read and written through CFile::GetStatus and
// CFile::SetStatus.
#include "tests/support/capture.h"
#include "tests/support/fixtures.h"
#include "tests/support/zone.h"

#include "platform/win32.h"

#include <string>

namespace {

using hk::test::TempDir;

using hk::test::Thrown;

template <typename F>
Thrown FileExceptionOf(F call) {
  return hk::test::Capture<CFileException>(call);
}

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
  const Thrown thrown = FileExceptionOf([&] { CFile reader(name.c_str(), 0); });
  EXPECT_EQ(thrown.code, CFileException::sharingViolation);
  EXPECT_EQ(thrown.osError, 32);
  EXPECT_EQ(thrown.fileName, name);

  CFile other;
  CFileException error;
  EXPECT_FALSE(other.Open(name.c_str(), CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
  EXPECT_EQ(error.m_lOsError, 32);
  // Sharing both ways lets a second reader in.
  EXPECT_TRUE(other.Open(name.c_str(), CFile::modeRead | CFile::shareDenyNone, &error));
  other.Close();
  writer.Close();
  EXPECT_TRUE(other.Open(name.c_str(), CFile::modeRead, &error));
}

TEST(FileOpen, AnOpenWithoutDataAccessTakesNoPartInSharing) {
  TempDir dir;
  const std::string name = dir.WriteFile("query.txt", "data");
  // Opened only to ask about the file, and sharing nothing: nobody is kept out by it ...
  HANDLE query = CreateFileA(name.c_str(), 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(query, INVALID_HANDLE_VALUE);
  {
    CFile exclusive(name.c_str(), CFile::modeReadWrite | CFile::shareExclusive);
    // ... and it is not kept out by an exclusive holder either.
    HANDLE second = CreateFileA(name.c_str(), 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
  }
  CloseHandle(query);
}

TEST(FileOpen, CreateTruncatesUnlessToldNotTo) {
  TempDir dir;
  const std::string name = dir.WriteFile("f.txt", "abcdef");
  {
    CFile keep(name.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite);
    EXPECT_EQ(keep.GetLength(), 6u);
    keep.SeekToEnd();
    keep.Write("gh", 2);
  }
  EXPECT_EQ(hk::test::ReadWholeFile(name), "abcdefgh");
  {
    CFile fresh(name.c_str(), CFile::modeCreate | CFile::modeWrite);
    EXPECT_EQ(fresh.GetLength(), 0u);
    fresh.Write("x", 1);
  }
  EXPECT_EQ(hk::test::ReadWholeFile(name), "x");
  const std::string created = dir / "new.txt";
  { CFile make(created.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite); }
  CFileStatus status;
  EXPECT_TRUE(CFile::GetStatus(created.c_str(), status));
  EXPECT_EQ(status.m_size, 0);

  const Thrown missing = FileExceptionOf([&] { CFile f((dir / "none.txt").c_str(), CFile::modeRead); });
  EXPECT_EQ(missing.code, CFileException::fileNotFound);
  EXPECT_EQ(missing.osError, 2);
}

TEST(FileStatus, ReadsSizeTimesAndAttributes) {
  TempDir dir;
  const std::string name = dir.WriteFile("s.bin", std::string(1234, 'z'));
  const CTime before = CTime::GetCurrentTime();
  CFileStatus status = StatusOf(name);
  EXPECT_EQ(status.m_size, 1234);
  EXPECT_EQ(status.m_attribute & CFile::readOnly, 0);
  EXPECT_EQ(status.m_attribute & CFile::directory, 0);
  EXPECT_EQ(std::string(status.m_szFullName), name);
  // The full name: a roundabout spelling comes back in its plain form.
  CFileStatus roundabout;
  ASSERT_TRUE(CFile::GetStatus((dir.Path() + "." + hk::kPathSeparator + "s.bin").c_str(), roundabout));
  EXPECT_EQ(std::string(roundabout.m_szFullName), name);
  EXPECT_LE(std::llabs((status.m_mtime - before).GetTotalSeconds()), 60);
  EXPECT_NE(status.m_ctime.GetTime(), 0);
  EXPECT_NE(status.m_atime.GetTime(), 0);

  CFileStatus folder;
  ASSERT_TRUE(CFile::GetStatus(dir.Path().c_str(), folder));
  EXPECT_NE(folder.m_attribute & CFile::directory, 0);

  CFileStatus none;
  none.m_size = 5;
  EXPECT_FALSE(CFile::GetStatus((dir / "missing").c_str(), none));
  EXPECT_EQ(none.m_size, 0);
  EXPECT_FALSE(CFile::GetStatus("", none));

  // The open file's own status, also while another holder keeps it exclusively.
  CFile file((dir.Path() + "." + hk::kPathSeparator + "s.bin").c_str(), CFile::modeReadWrite);
  EXPECT_EQ(file.GetFilePath(), name.c_str());
  file.SeekToEnd();
  file.Write("tail", 4);
  CFileStatus open;
  ASSERT_TRUE(file.GetStatus(open));
  EXPECT_EQ(open.m_size, 1238);
  EXPECT_EQ(std::string(open.m_szFullName), name);
  EXPECT_EQ(StatusOf(name).m_size, 1238);
  CFile closed;
  EXPECT_TRUE(closed.GetStatus(open));
  EXPECT_EQ(open.m_size, 0);
}

namespace {

// Writes a winter and a summer time (either may lie in another daylight-saving season than
// today) and reads them back.
void ExpectTimesRoundTrip(const std::string& name) {
  for (const CTime& when : {CTime(2010, 1, 15, 7, 8, 9), CTime(2012, 7, 4, 23, 59, 58)}) {
    CFileStatus status = StatusOf(name);
    status.m_mtime = when;
    status.m_atime = when + CTimeSpan(0, 0, 0, 30);
    CFile::SetStatus(name.c_str(), status);
    const CFileStatus after = StatusOf(name);
    EXPECT_EQ(after.m_mtime, when) << when.Format("%Y-%m-%d %H:%M:%S").str() << " came back as "
                                   << after.m_mtime.Format("%Y-%m-%d %H:%M:%S").str();
    EXPECT_EQ(after.m_atime, when + CTimeSpan(0, 0, 0, 30));
  }
}

}  // namespace

TEST(FileStatus, TimesRoundTripToTheSecond) {
  TempDir dir;
  const std::string name = dir.WriteFile("t.txt", "x");
  ExpectTimesRoundTrip(name);
#if !defined(_WIN32)
  {
    hk::test::ScopedZone zone(hk::test::ZoneWithDaylightSavingNow());
    ExpectTimesRoundTrip(name);
  }
#endif
  // A record with zero times changes no time.
  const CTime kept = StatusOf(name).m_mtime;
  CFileStatus zero;
  zero.m_attribute = StatusOf(name).m_attribute;
  CFile::SetStatus(name.c_str(), zero);
  EXPECT_EQ(StatusOf(name).m_mtime, kept);
}

TEST(FileStatus, ReadOnlyOnAndOff) {
  TempDir dir;
  const std::string name = dir.WriteFile("ro.txt", "content");
  const CTime stamp(2015, 3, 1, 12, 0, 0);
  CFileStatus status = StatusOf(name);
  status.m_mtime = stamp;
  status.m_atime = stamp;
  CFile::SetStatus(name.c_str(), status);

  // Setting read-only with the record just read writes its times back unchanged.
  status = StatusOf(name);
  status.m_attribute |= CFile::readOnly;
  CFile::SetStatus(name.c_str(), status);
  CFileStatus after = StatusOf(name);
  EXPECT_NE(after.m_attribute & CFile::readOnly, 0);
  EXPECT_EQ(GetFileAttributesA(name.c_str()) & FILE_ATTRIBUTE_READONLY, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(after.m_mtime, stamp);

  // New times for a file that stays read-only.
  const CTime later(2016, 8, 2, 6, 30, 0);
  after.m_mtime = later;
  CFile::SetStatus(name.c_str(), after);
  after = StatusOf(name);
  EXPECT_EQ(after.m_mtime, later);
  EXPECT_NE(after.m_attribute & CFile::readOnly, 0);

  // Clearing with a record of zero times touches only the attribute.
  CFileStatus clear;
  clear.m_attribute = static_cast<BYTE>(after.m_attribute & ~CFile::readOnly);
  CFile::SetStatus(name.c_str(), clear);
  after = StatusOf(name);
  EXPECT_EQ(after.m_attribute & CFile::readOnly, 0);
  EXPECT_EQ(after.m_mtime, later);
  CFile writable(name.c_str(), CFile::modeWrite);  // really writable again
}

TEST(FileStatus, SetStatusFailuresThrowWithTheSystemError) {
  TempDir dir;
  const std::string missing = dir / "missing.txt";
  CFileStatus status;
  status.m_mtime = CTime(2010, 1, 1, 0, 0, 0);
  Thrown thrown = FileExceptionOf([&] { CFile::SetStatus(missing.c_str(), status); });
  EXPECT_EQ(thrown.code, CFileException::fileNotFound);
  EXPECT_EQ(thrown.osError, 2);
  EXPECT_EQ(thrown.fileName, missing);

  // A file another holder keeps exclusively: its status still reads, its times cannot change,
  // and a read-only file stays read-only after the failed attempt.
  const std::string name = dir.WriteFile("busy.txt", "x");
  CFileStatus ro = StatusOf(name);
  ro.m_attribute |= CFile::readOnly;
  CFile::SetStatus(name.c_str(), ro);
  CFile holder(name.c_str(), CFile::modeRead | CFile::shareExclusive);
  CFileStatus current;
  ASSERT_TRUE(CFile::GetStatus(name.c_str(), current));
  current.m_mtime = CTime(2001, 1, 1, 0, 0, 0);
  thrown = FileExceptionOf([&] { CFile::SetStatus(name.c_str(), current); });
  EXPECT_EQ(thrown.code, CFileException::sharingViolation);
  EXPECT_EQ(thrown.osError, 32);
  EXPECT_NE(GetFileAttributesA(name.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  holder.Close();
  CFileStatus clear;
  clear.m_attribute = 0;
  CFile::SetStatus(name.c_str(), clear);
  EXPECT_EQ(GetFileAttributesA(name.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}
