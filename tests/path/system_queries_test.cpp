// The system's directory, full-name and drive-type queries the path functions rely on: their
// result conventions on both builds, and where the POSIX layer takes its answers from.
#include "tests/path/path_support.h"

#include "platform/win32.h"

#include <cstring>
#include <filesystem>

namespace {

using hk::test::Sep;

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

TEST(SystemQueries, TemporaryDirectoryComesFromTmpdir) {
#if defined(_WIN32)
  GTEST_SKIP() << "Windows takes its temporary directory from TMP, TEMP or the profile";
#else
  hk::test::TempDir dir;
  hk::test::ScopedCurrentDirectory cwd(dir.Path());
  char current[4096];
  ASSERT_GT(GetCurrentDirectoryA(sizeof current, current), 0u);
  const struct {
    const char* tmpdir;
    std::string path;
  } cases[] = {{nullptr, "/tmp/"}, {"", "/tmp/"}, {"/var//tmp", "/var/tmp/"},
               {"scratch/./x/..", std::string(current) + "/scratch/"}};
  for (const auto& c : cases) {
    hk::test::ScopedEnv tmpdir("TMPDIR", c.tmpdir);
    char buffer[4096];
    ASSERT_GT(GetTempPathA(sizeof buffer, buffer), 0u);
    EXPECT_EQ(buffer, c.path) << (c.tmpdir != nullptr ? c.tmpdir : "unset");
  }
#endif
}

TEST(SystemQueries, DriveTypesOfPosixFileSystems) {
#if defined(_WIN32)
  GTEST_SKIP() << "POSIX file system types";
#else
  hk::test::TempDir dir;
  const std::string file = dir.WriteFile("plain.txt", "x");
  EXPECT_EQ(GetDriveTypeA(file.c_str()), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
  EXPECT_EQ(GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR)) << "a relative name here";
  hk::test::ScopedCurrentDirectory cwd(dir.Path());
  EXPECT_EQ(GetDriveTypeA(nullptr), GetDriveTypeA(dir.Path().c_str()));

  // An absolute name answers for the volume that holds it (or would hold it), not for its first
  // three characters.
  const UINT here = GetDriveTypeA(dir.Path().c_str());
  EXPECT_GE(here, static_cast<UINT>(DRIVE_REMOVABLE));
  EXPECT_EQ(GetRootDirType(file.c_str()), here);
  EXPECT_EQ(GetRootDirType((dir / "missing/deeper").c_str()), here);
  if (std::filesystem::is_directory("/dev/shm")) {
    EXPECT_EQ(GetDriveTypeA("/dev/shm/"), static_cast<UINT>(DRIVE_RAMDISK));
    EXPECT_EQ(GetRootDirType("/dev/shm/new"), static_cast<UINT>(DRIVE_RAMDISK));
  }
  EXPECT_EQ(GetRootDirType("C:\\x"), static_cast<UINT>(DRIVE_NO_ROOT_DIR)) << "a relative name here";

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
#endif
}

TEST(SystemQueries, AComponentLongerThanTheFileSystemHoldsIsAnInvalidName) {
#if defined(_WIN32)
  GTEST_SKIP() << "an ANSI name with a component of 256 characters exceeds MAX_PATH under Windows";
#else
  hk::test::TempDir dir;
  // Refused for its form, whether or not the directories in front of it exist.
  for (const std::string& name : {dir / std::string(256, 'x'), dir / ("missing/" + std::string(300, 'y'))}) {
    SetLastError(0);
    EXPECT_EQ(GetFileAttributesA(name.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  }
  // 255 bytes are held.
  const std::string longest = dir / std::string(255, 'z');
  CloseHandle(CreateFileA(longest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  EXPECT_TRUE(IsFile(longest.c_str()));
#endif
}

}  // namespace
