// Full path names, name validation and drive classification, and the system's directory,
// full-name and drive-type queries they rely on: their result conventions on both builds, and
// where the POSIX layer takes its answers from.
#include "tests/support/fixtures.h"

#include "platform/win32.h"

#include <hostkit/path.h>

#include <cstring>

namespace {

// Text with every '|' replaced by the separator the library adds, so that expected results
// read the same for both platforms: Sep("C:|dir|") is C:\dir\ on Windows and C:/dir/ elsewhere.
std::string Sep(std::string text) {
  for (char& c : text)
    if (c == '|') c = hk::kPathSeparator;
  return text;
}

std::string CurrentDirectory() {
  char buffer[4096];
  const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  return std::string(buffer, length);
}

TEST(GetFullPathNameA, ResolvesDotSegmentsAndKeepsATrailingSlash) {
  hk::test::TempDir dir;
  hk::test::ScopedCurrentDirectory cwd(dir.Path());
  const std::string current = CurrentDirectory();
  const struct {
    const char* in;
    std::string out;
    const char* filePart;  // nullptr: none, the name ends in a slash
  } cases[] = {{"a\\b\\..\\c", current + Sep("|a|c"), "c"}, {"a/./b/", current + Sep("|a|b|"), nullptr},
               {"a\\b\\.", current + Sep("|a|b"), "b"}};
  for (const auto& c : cases) {
    char buffer[4096];
    char* filePart = buffer;
    const DWORD length = GetFullPathNameA(c.in, sizeof buffer, buffer, &filePart);
    EXPECT_EQ(std::string(buffer, length), c.out) << c.in;
    EXPECT_STREQ(filePart, c.filePart) << c.in;
  }
}

TEST(GetValidPathName, ExpandsWhatCouldBeANameAndRejectsTheRest) {
  for (const char* bad : {"c:\\*.txt", "a?b", "c:\\a:b", "C: x", "*", ""}) {
    CString path(bad);
    EXPECT_FALSE(GetValidPathName(path)) << bad;
    EXPECT_EQ(std::string(path), bad);
  }
  // A relative name expands whether or not it exists.
  hk::test::TempDir dir;
  hk::test::ScopedCurrentDirectory cwd(dir.Path());
  CString path("sub\\..\\missing.txt");
  ASSERT_TRUE(GetValidPathName(path));
  EXPECT_EQ(std::string(path), CurrentDirectory() + Sep("|missing.txt"));
}

TEST(GetRootDirType, AnswersFromTheTextWherePossibleAndAsksTheSystemOtherwise) {
  for (const char* shortText : {"", "C:", "\\", "  C:  ", "\t\\\\ "})
    EXPECT_EQ(GetRootDirType(shortText), 0u) << shortText;
  // A UNC name is a network share by its form alone; the system would not know this server.
  for (const char* unc : {"\\\\server\\share", "//server/share/dir", " \\/x "})
    EXPECT_EQ(GetRootDirType(unc), 4u) << unc;
  const UINT c = GetDriveTypeA("C:\\");
  EXPECT_EQ(GetRootDirType("  C:\\Windows\\System  "), c);
  EXPECT_EQ(GetRootDirType("C:/"), GetDriveTypeA("C:/"));
}

// Asks a directory query the way Win32 callers do: first for the size, then for the text.
template <typename Query>
void ExpectSizeConvention(Query query) {
  const DWORD needed = query(0, nullptr);
  ASSERT_GT(needed, 1u);
  std::string small(needed - 1, '#');
  EXPECT_EQ(query(needed - 1, small.data()), needed);
  EXPECT_EQ(small, std::string(needed - 1, '#')) << "a buffer too small is left alone";
  std::string exact(needed, '#');
  EXPECT_EQ(query(needed, exact.data()), needed - 1);
  EXPECT_EQ(std::strlen(exact.c_str()), needed - 1);
}

TEST(SystemQueries, DirectoryQueriesKeepTheSizeConvention) {
  ExpectSizeConvention([](DWORD size, char* buffer) { return GetCurrentDirectoryA(size, buffer); });
  ExpectSizeConvention([](DWORD size, char* buffer) { return GetTempPathA(size, buffer); });
  ExpectSizeConvention([](DWORD size, char* buffer) {
    return GetFullPathNameA("some\\name", size, buffer, nullptr);
  });
}

// Windows takes its temporary directory from TMP, TEMP or the profile; drive types by file
// system are POSIX's.
#if !defined(_WIN32)
TEST(SystemQueries, TemporaryDirectoryComesFromTmpdir) {
  const struct {
    const char* tmpdir;
    std::string path;
  } cases[] = {{nullptr, "/tmp/"}, {"", "/tmp/"}, {"/var//tmp/./x/..", "/var/tmp/"}};
  for (const auto& c : cases) {
    hk::test::ScopedEnv tmpdir("TMPDIR", c.tmpdir);
    char buffer[4096];
    ASSERT_GT(GetTempPathA(sizeof buffer, buffer), 0u);
    EXPECT_EQ(buffer, c.path) << (c.tmpdir != nullptr ? c.tmpdir : "unset");
  }
}

TEST(SystemQueries, DriveTypesOfPosixFileSystems) {
  hk::test::TempDir dir;
  const std::string file = dir.WriteFile("plain.txt", "x");
  EXPECT_EQ(GetDriveTypeA(file.c_str()), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
  EXPECT_EQ(GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR)) << "a relative name here";
  hk::test::ScopedCurrentDirectory cwd(dir.Path());
  EXPECT_EQ(GetDriveTypeA(nullptr), GetDriveTypeA(dir.Path().c_str()));

  // An absolute name answers for the volume that holds it (or would hold it), not for its first
  // three characters.
  const UINT here = GetDriveTypeA(dir.Path().c_str());
  EXPECT_EQ(GetRootDirType(file.c_str()), here);
  EXPECT_EQ(GetRootDirType((dir / "missing/deeper").c_str()), here);

  // File system kinds, by statfs magic and (for FUSE) the mount table's type.
  const struct {
    unsigned long magic;
    const char* mountType;
    UINT type;
  } kKinds[] = {{0xEF53, "ext4", DRIVE_FIXED},          {0x01021994, "tmpfs", DRIVE_RAMDISK},
                {0x6969, "nfs4", DRIVE_REMOTE},         {0x9660, "iso9660", DRIVE_CDROM},
                {0x65735546, "fuse.sshfs", DRIVE_REMOTE}, {0x65735546, "fuse.ntfs-3g", DRIVE_FIXED}};
  for (const auto& kind : kKinds)
    EXPECT_EQ(hk::posix::DriveTypeOfFileSystem(kind.magic, kind.mountType), kind.type) << kind.mountType;
}

#endif

}  // namespace
