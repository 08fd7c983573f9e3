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

namespace hk::test {
namespace {

// On Windows the system registry keeps its own permissions; the store's files are POSIX's.
#if !defined(_WIN32)

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
  return Check(machine.GetInt("Width", 0) == expected, "GetInt") &&
         Check(std::string(machine.GetString("Title", "")) == "Main", "GetString");
}

// Nothing a reader writes changes the store.
bool WritesAreRefused() {
  CNuRegistry machine(HKEY_LOCAL_MACHINE, "Software\\Example", "Window");
  return Check(!machine.PutInt("Width", 7), "PutInt") && Check(!machine.OpenSection("New", TRUE), "OpenSection");
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

  TempDir m_dir;
  ScopedEnv m_env{"HOSTKIT_REGISTRY_DIR", m_dir.Path().c_str()};
};

TEST_F(OtherUsers, ReadTheMachineStoreWithOrWithoutAWriterOrAWritableFolder) {
  // This process, the writer, has the store open.
  EXPECT_TRUE(AsNobody([] { return ReadsTheMachineSettings(640) && WritesAreRefused(); }));
  // No writer: its side files are left for readers. Opening a store elsewhere closes this
  // process's connection, as its exit would.
  {
    TempDir elsewhere;
    ScopedEnv env("HOSTKIT_REGISTRY_DIR", elsewhere.Path().c_str());
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "x", 0, KEY_READ, &key);
  }
  EXPECT_TRUE(AsNobody([] { return ReadsTheMachineSettings(640) && WritesAreRefused(); }));
  // The reader's own store, in a folder it may not write, without side files, as an older writer
  // leaves the store; nor can the reader make them.
  const passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nullptr, nobody);
  for (const std::string& name : {File(), m_dir.Path()})
    ASSERT_EQ(0, chown(name.c_str(), nobody->pw_uid, nobody->pw_gid));
  ASSERT_EQ(0, chmod(m_dir.Path().c_str(), 0555));
  for (const char* side : {"-wal", "-shm"}) ASSERT_EQ(0, unlink((File() + side).c_str()));
  EXPECT_TRUE(AsNobody([] { return ReadsTheMachineSettings(640) && WritesAreRefused(); }));
  chmod(m_dir.Path().c_str(), 0755);
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
