// The POSIX store itself: where it lives, opening it lazily, bad files at its path, writers in
// several processes at once and writers killed mid-stream. Wine's registry is not ours to test
// this way, so these cases skip on Windows.
#include "tests/registry/registry_fixture.h"

#include "platform/registrybatch.h"
#include "tests/support/files.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sqlite3.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstring>

namespace hk::test {
namespace {

#if !defined(_WIN32)

using Store = RegistryTest;

// A file's permission bits; -1 when there is no such file.
int ModeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// A private store directory for one test (the fixture's own store is not touched).
struct StoreDir : TempDir {
  ScopedEnv env{"HOSTKIT_REGISTRY_DIR", Path().c_str()};
  std::string File() const { return Path() + "HKEY_CURRENT_USER.db"; }
};

TEST_F(Store, DefaultLocationsFollowTheXdgDirectories) {
  TempDir home;
  ScopedEnv noDir("HOSTKIT_REGISTRY_DIR", nullptr);
  ScopedEnv config("XDG_CONFIG_HOME", (home.Path() + "config").c_str());
  ScopedEnv system("XDG_CONFIG_DIRS", ("relative:" + home.Path() + "etc:/elsewhere").c_str());
  CNuRegistry user(HKEY_CURRENT_USER, "Software\\Example");
  ASSERT_TRUE(user.PutInt("N", 1, ""));
  EXPECT_EQ(0600, ModeOf(home.Path() + "config/hostkit/HKEY_CURRENT_USER.db"));
  EXPECT_EQ(0700, ModeOf(home.Path() + "config/hostkit"));
  ASSERT_TRUE(CNuRegistry(HKEY_LOCAL_MACHINE, "Software\\Example").PutInt("N", 2, ""));
  EXPECT_EQ(0644, ModeOf(home.Path() + "etc/hostkit/HKEY_LOCAL_MACHINE.db"));
}

// A reader creates nothing, whether there is no file or an empty one; the first write sets the
// store up, for the user alone.
TEST_F(Store, NothingIsCreatedUntilTheFirstWrite) {
  for (const bool emptyFile : {false, true}) {
    StoreDir dir;
    if (emptyFile) dir.WriteFile("HKEY_CURRENT_USER.db", "");
    char name[8];
    DWORD size = sizeof name;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS,
              RegEnumValueA(HKEY_CURRENT_USER, 0, name, &size, nullptr, nullptr, nullptr, nullptr));
    CNuRegistry reader(HKEY_CURRENT_USER, nullptr);
    EXPECT_EQ(5u, reader.GetInt("N", 5, "Software"));
    EXPECT_TRUE(reader.Flush());
    EXPECT_EQ(emptyFile ? 0644 : -1, ModeOf(dir.File()));
    EXPECT_EQ("", ReadWholeFile(dir.File()));
    EXPECT_TRUE(CNuRegistry(HKEY_CURRENT_USER, "Software\\Example", "S").PutInt("N", 1));
    EXPECT_EQ(emptyFile ? 0644 : 0600, ModeOf(dir.File()));
  }
}

TEST_F(Store, OtherPredefinedRootsAndOverlongKeyNamesAreRefused) {
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExA(HKEY_CLASSES_ROOT, "x", 0, KEY_ALL_ACCESS, &key));
  DWORD disposition = 0;
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyExA(HKEY_CURRENT_USER, Path(std::string(256, 'k')).c_str(), 0, nullptr,
                                                     0, KEY_ALL_ACCESS, nullptr, &key, &disposition));
  EXPECT_NE(nullptr, Create(std::string(255, 'k')));
}

// Every operation on a bad store fails or answers the default, and the file stays as it was.
void ExpectRefusedAndUntouched(const std::string& file, const std::string& bytes) {
  CNuRegistry registry(HKEY_CURRENT_USER, "Software\\Example", "S");
  EXPECT_FALSE(registry.PutInt("N", 1));
  EXPECT_EQ(7u, registry.GetInt("N", 7));
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_BADDB, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, &key));
  EXPECT_EQ(ERROR_BADDB,
            RegSetValueExA(HKEY_CURRENT_USER, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>("abcd"), 4));
  EXPECT_EQ(bytes, ReadWholeFile(file));
  EXPECT_EQ(-1, ModeOf(file + "-wal"));
  EXPECT_EQ(-1, ModeOf(file + "-shm"));
}

// Bad files at the store's path: garbage, a file too short to be a database, a store cut short
// (as a copy interrupted part way leaves it), and databases of another program in either
// journal mode. Each is refused and left as it was.
TEST_F(Store, ABadFileAtTheStorePathIsLeftAlone) {
  StoreDir dir;
  {
    CNuRegistry registry(HKEY_CURRENT_USER, "Software\\Example", "S");
    for (int i = 0; i < 200; ++i)
      ASSERT_TRUE(registry.PutString(("v" + std::to_string(i)).c_str(), std::string(3000, 'x').c_str()));
  }
  // Write the log back into the main file, as a process exit does.
  {
    StoreDir elsewhere;
    CNuRegistry other(HKEY_CURRENT_USER, "x", "y");
    other.PutInt("n", 1);
  }
  const std::string whole = ReadWholeFile(dir.File());
  ASSERT_GT(whole.size(), 40000u);
  ASSERT_EQ(0, unlink((dir.File() + "-wal").c_str()));
  ASSERT_EQ(0, unlink((dir.File() + "-shm").c_str()));
  int open = -1;
  std::string header(512, '\0');  // a database in rollback-journal mode, page size 512
  std::memcpy(header.data(), "SQLite format 3\0\2\0\1\1", 20);
  for (const std::string& bytes :
       {std::string(5000, '\x5a'), std::string("SQLite"), whole.substr(0, whole.size() / 2), header}) {
    ExpectRefusedAndUntouched(dir.WriteFile("HKEY_CURRENT_USER.db", bytes), bytes);
    // Every refusal gives back what it opened.
    if (open < 0) open = OpenDescriptors();
    EXPECT_EQ(open, OpenDescriptors());
  }
  for (const std::string mode : {"DELETE", "WAL"}) {
    ASSERT_EQ(0, unlink(dir.File().c_str()));
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(dir.File().c_str(), &db));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, ("PRAGMA journal_mode=" + mode + "; CREATE TABLE mine(x);").c_str(), nullptr,
                                      nullptr, nullptr));
    sqlite3_close(db);
    ExpectRefusedAndUntouched(dir.File(), ReadWholeFile(dir.File()));
  }
}

// Starts a child process running 'body'; the child exits with 0 when body returns true.
template <typename Body>
pid_t Spawn(Body body) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) _exit(body() ? 0 : 1);
  return pid;
}

int ExitStatus(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string Name(int writer, int index) { return "w" + std::to_string(writer) + "-" + std::to_string(index); }

// Writers in several processes at once, one of them killed mid-stream: nothing that succeeded is
// lost, and the store stays usable.
TEST_F(Store, WritersAtOnceAndAKilledOneLoseNothing) {
  constexpr int kWriters = 6;
  constexpr int kValues = 1000;
  StoreDir dir;  // nothing of this store is open in the parent
  int pipeEnds[2];
  ASSERT_EQ(0, pipe(pipeEnds));
  // Writer 0 writes until it is killed and tells each success; the others write kValues each.
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    children.push_back(Spawn([&, w] {
      close(pipeEnds[0]);
      CNuRegistry registry(HKEY_CURRENT_USER, "Software\\Shared", "S");
      for (int i = 0; w == 0 || i < kValues; ++i) {
        if (!registry.PutInt(Name(w, i).c_str(), w * kValues + i)) return false;
        if (w == 0 && write(pipeEnds[1], &i, sizeof i) != static_cast<ssize_t>(sizeof i)) return false;
      }
      return true;
    }));
  }
  close(pipeEnds[1]);
  int last = -1;
  int value = 0;
  while (last < 300 && read(pipeEnds[0], &value, sizeof value) == static_cast<ssize_t>(sizeof value)) last = value;
  kill(children[0], SIGKILL);
  // Every write the killed child reported before the kill arrived.
  while (read(pipeEnds[0], &value, sizeof value) == static_cast<ssize_t>(sizeof value)) last = value;
  close(pipeEnds[0]);
  EXPECT_EQ(128 + SIGKILL, ExitStatus(children[0]));
  for (int w = 1; w < kWriters; ++w) EXPECT_EQ(0, ExitStatus(children[w]));
  ASSERT_GE(last, 300);
  CNuRegistry registry(HKEY_CURRENT_USER, "Software\\Shared", "S");
  int found = 0;
  for (int w = 0; w < kWriters; ++w)
    for (int i = 0; i < (w == 0 ? last + 1 : kValues); ++i)
      found += registry.GetInt(Name(w, i).c_str(), 0) == DWORD(w * kValues + i);
  EXPECT_EQ((kWriters - 1) * kValues + last + 1, found);
  EXPECT_TRUE(registry.PutInt("after", 1));
}

// Writes of several calls kept together or not at all (what an import is made of).
TEST_F(Store, ABatchKeepsAllOfItsWritesOrNone) {
  ASSERT_EQ(ERROR_SUCCESS, WriteValue(Create("Batch\\Keep"), "n", REG_DWORD, std::string("\1\0\0\0", 4)));
  Create("Batch\\Old");
  HKEY abandoned = nullptr;
  for (const bool commit : {false, true}) {
    SCOPED_TRACE(commit ? "committed" : "abandoned");
    ASSERT_EQ(ERROR_SUCCESS, hk::BeginRegistryBatch(HKEY_CURRENT_USER, true));
    EXPECT_EQ(ERROR_INVALID_FUNCTION, hk::BeginRegistryBatch(HKEY_CURRENT_USER, true));
    EXPECT_EQ(ERROR_SUCCESS, WriteValue(Open("Batch\\Keep"), "n", REG_DWORD, std::string("\2\0\0\0", 4)));
    HKEY created = Create("Batch\\New\\Deep");
    if (!commit) abandoned = created;
    EXPECT_EQ(ERROR_SUCCESS, WriteValue(created, "s", REG_SZ, std::string("x\0", 2)));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, Path("Batch\\Old").c_str()));
    // A refused call undoes only its own part; the batch goes on.
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CURRENT_USER, Path("Batch").c_str()));
    EXPECT_EQ(ERROR_SUCCESS, hk::EndRegistryBatch(HKEY_CURRENT_USER, commit));
    EXPECT_EQ(commit ? 2u : 1u, CNuRegistry(HKEY_CURRENT_USER, Path("Batch").c_str()).GetInt("n", 0, "Keep"));
    EXPECT_EQ(commit, Exists("Batch\\New\\Deep"));
    EXPECT_EQ(!commit, Exists("Batch\\Old"));
  }
  EXPECT_EQ(ERROR_INVALID_FUNCTION, hk::EndRegistryBatch(HKEY_CURRENT_USER, true));
  // A key of an abandoned batch never existed: its handle does not reach a key made since.
  EXPECT_EQ(ERROR_KEY_DELETED, WriteValue(abandoned, "s", REG_SZ, std::string("y\0", 2)));
}

#endif

}  // namespace
}  // namespace hk::test
