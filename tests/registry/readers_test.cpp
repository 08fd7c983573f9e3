// A store that others may read but not write: the machine's, in a folder of the administrator's
// with the file at mode 0644, or any store in a folder its reader may not write. Such readers
// read it whether or not a writer has it open, and their writes change nothing. The reader is
// a second user (nobody) in a child process, which needs the suite to run as root, as CI does.
#include "tests/registry/registry_fixture.h"

#if !defined(_WIN32)
#include "tests/support/child.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <thread>

namespace hk::test {
namespace {

#if defined(_WIN32)

TEST(OtherUsers, PosixOnly) {
  GTEST_SKIP() << "on Windows the system registry keeps its own permissions; the store's files are POSIX's";
}

#else

// Runs body in a child process as the user nobody; whether it answered true.
template <typename Body>
bool AsNobody(Body body) {
  return RunInChild([&] { return BecomeNobody() && body() ? 0 : 1; }).code == 0;
}

// Checks made in the child: each failure is told on standard error, as gtest is the parent's.
bool Check(bool ok, const char* what) {
  if (!ok) std::fprintf(stderr, "as nobody: %s\n", what);
  return ok;
}

// The machine's settings as the administrator wrote them, and a reader's view of them.
bool ReadsTheMachineSettings(DWORD expected) {
  CNuRegistry machine(HKEY_LOCAL_MACHINE, "Software\\Example", "Window");
  CStringList list;
  return Check(machine.GetInt("Width", 0) == expected, "GetInt") &&
         Check(std::string(machine.GetString("Title", "")) == "Main", "GetString") &&
         Check(machine.GetKeyList(nullptr, list) && list.GetCount() == 1, "GetKeyList");
}

// Nothing a reader writes changes the store.
bool WritesAreRefused() {
  CNuRegistry machine(HKEY_LOCAL_MACHINE, "Software\\Example", "Window");
  return Check(!machine.PutInt("Width", 7), "PutInt") && Check(!machine.OpenSection("New", TRUE), "OpenSection") &&
         Check(RegDeleteValueA(HKEY_LOCAL_MACHINE, "x") != ERROR_SUCCESS, "RegDeleteValueA");
}

class OtherUsers : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "acting as a second user needs root, as the suite has in CI";
    ASSERT_EQ(0, chmod(m_dir.Path().c_str(), 0755));
    CNuRegistry machine(HKEY_LOCAL_MACHINE, "Software\\Example", "Window");
    ASSERT_TRUE(machine.PutInt("Width", 640));
    ASSERT_TRUE(machine.PutString("Title", "Main"));
  }

  std::string File() const { return m_dir.Path() + "HKEY_LOCAL_MACHINE.db"; }

  // Leaves the store without its side files, as an older writer does.
  void DropSideFiles() {
    ASSERT_EQ(0, unlink((File() + "-wal").c_str()));
    ASSERT_EQ(0, unlink((File() + "-shm").c_str()));
  }

  // Closes this process's connections to its stores, as its exit would.
  static void CloseStores() {
    TempDir elsewhere;
    ScopedEnv env("HOSTKIT_REGISTRY_DIR", elsewhere.Path().c_str());
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "x", 0, KEY_READ, &key);
    RegOpenKeyExA(HKEY_CURRENT_USER, "x", 0, KEY_READ, &key);
  }

  TempDir m_dir;
  ScopedEnv m_env{"HOSTKIT_REGISTRY_DIR", m_dir.Path().c_str()};
};

TEST_F(OtherUsers, ReadTheMachineStoreWithOrWithoutAWriterOrAWritableFolder) {
  struct stat st;
  ASSERT_EQ(0, stat(File().c_str(), &st));
  EXPECT_EQ(0644u, st.st_mode & 0777);
  // This process, the writer, has the store open.
  EXPECT_TRUE(AsNobody([] { return ReadsTheMachineSettings(640) && WritesAreRefused(); }));
  // No writer: its side files are left for readers.
  CloseStores();
  EXPECT_TRUE(AsNobody([] { return ReadsTheMachineSettings(640) && WritesAreRefused(); }));
  // The reader's own store, in a folder it may not write.
  const passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nullptr, nobody);
  for (const std::string& name : {File(), File() + "-wal", File() + "-shm", m_dir.Path()})
    ASSERT_EQ(0, chown(name.c_str(), nobody->pw_uid, nobody->pw_gid));
  ASSERT_EQ(0, chmod(m_dir.Path().c_str(), 0555));
  EXPECT_TRUE(AsNobody([] { return ReadsTheMachineSettings(640); }));
  // No side files either, as an older writer leaves the store; nor can the reader make them.
  DropSideFiles();
  EXPECT_TRUE(AsNobody([] { return ReadsTheMachineSettings(640) && WritesAreRefused(); }));
  chmod(m_dir.Path().c_str(), 0755);
}

TEST_F(OtherUsers, AReaderSeesWhatAWriterCommitsLater) {
  CloseStores();
  DropSideFiles();
  int toChild[2], toParent[2];
  ASSERT_EQ(0, pipe(toChild));
  ASSERT_EQ(0, pipe(toParent));
  // The writer waits for the reader's first read, commits, and lets it read again.
  std::thread writer([&] {
    char c = 0;
    if (read(toParent[0], &c, 1) == 1) {
      EXPECT_TRUE(CNuRegistry(HKEY_LOCAL_MACHINE, "Software\\Example", "Window").PutInt("Width", 800));
    }
    EXPECT_EQ(1, write(toChild[1], "w", 1));
  });
  // The reader keeps its connection from the first read to the second.
  EXPECT_TRUE(AsNobody([&] {
    char c = 0;
    return ReadsTheMachineSettings(640) && write(toParent[1], "r", 1) == 1 && read(toChild[0], &c, 1) == 1 &&
           ReadsTheMachineSettings(800);
  }));
  close(toParent[1]);  // so that a child that ended early ends the writer's wait
  writer.join();
  for (int fd : {toChild[0], toChild[1], toParent[0]}) close(fd);
}

// An import that cannot write one of its roots changes none.
TEST_F(OtherUsers, AnImportIntoAStoreTheUserMayNotWriteChangesNothing) {
  const passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nullptr, nobody);
  ASSERT_EQ(0, chown(m_dir.Path().c_str(), nobody->pw_uid, nobody->pw_gid));
  EXPECT_TRUE(AsNobody([] {
    const std::string text = "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Mine]\n\"v\"=dword:1\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Example]\n\"w\"=dword:2\n";
    CString error;
    DWORD applied = 0;
    HKEY key = nullptr;
    return Check(!ImportRegistryText(text.data(), static_cast<DWORD>(text.size()), applied, error), "import") &&
           Check(std::string(error).find("HKEY_LOCAL_MACHINE") != std::string::npos, error) &&
           Check(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Mine", 0, KEY_READ, &key) == ERROR_FILE_NOT_FOUND,
                 "HKEY_CURRENT_USER\\Software\\Mine was imported");
  }));
}

#endif

}  // namespace
}  // namespace hk::test
