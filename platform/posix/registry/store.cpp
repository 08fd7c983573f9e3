// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// Where the registry's databases live, and opening them: a store file is used only once it is
// known to be ours and sound; anything else is left exactly as it was found.
#include "platform/posix/registry/store.h"

#include "platform/posix/system/internal.h"
#include "platform/posix/system/environment.h"
#include "platform/win32.h"

#include "platform/posix/registry/sqlite.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hk::posix::registry {

using sqlite::Sql;

namespace {

// "HKRG": marks a database as one of ours.
constexpr int kApplicationId = 0x484B5247;
constexpr int kSchemaVersion = 1;
// How long a call waits for another process that holds the store's write lock.
constexpr int64_t kBusyLimitNanoseconds = 30LL * 1000 * 1000 * 1000;

// Bumped in a forked child: a connection inherited from the parent must not be used (or
// closed) there, so the child opens its own.
std::atomic<unsigned> g_forkGeneration{1};
void AfterForkInChild() { g_forkGeneration.fetch_add(1); }

const char* FileName(Root root) {
  return root == Root::kCurrentUser ? "HKEY_CURRENT_USER.db" : "HKEY_LOCAL_MACHINE.db";
}

bool HomeDirectory(std::string& home) {
  const char* env = EnvironmentSetting("HOME");
  if (env != nullptr && env[0] == '/') {
    home = env;
    return true;
  }
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  if (size <= 0) size = 16384;
  std::vector<char> buffer(static_cast<size_t>(size));
  passwd entry;
  passwd* found = nullptr;
  while (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE)
    buffer.resize(buffer.size() * 2);
  if (found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') return false;
  home = found->pw_dir;
  return true;
}

// Creates a directory and its missing parents; directories that exist are left as they are.
LONG MakeDirectories(const std::string& path, mode_t mode) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? ERROR_SUCCESS : ERROR_PATH_NOT_FOUND;
  const size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    const LONG parent = MakeDirectories(path.substr(0, slash), mode);
    if (parent != ERROR_SUCCESS) return parent;
  }
  if (mkdir(path.c_str(), mode) != 0 && errno != EEXIST) return Win32ErrorFromErrno(errno);
  return ERROR_SUCCESS;
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

template <typename Identity>
bool IdentityOf(const std::string& path, Identity& identity) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  identity.device = st.st_dev;
  identity.inode = st.st_ino;
  identity.size = st.st_size;
  identity.modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

// The URI SQLite opens a store by: the path with every byte that could be read as part of the
// URI's syntax escaped, read-only and unchanging where asked.
std::string Uri(const std::string& path, bool immutable) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
                       std::strchr("/-._~", c) != nullptr;
    if (plain) {
      uri.push_back(c);
    } else {
      uri.push_back('%');
      uri.push_back(kHex[byte >> 4]);
      uri.push_back(kHex[byte & 0xF]);
    }
  }
  if (immutable) uri += "?mode=ro&immutable=1";
  return uri;
}

int BusyWait(void*, int attempt) {
  thread_local timespec started;
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  if (attempt == 0) {
    started = now;
  } else {
    const int64_t waited = (now.tv_sec - started.tv_sec) * 1000000000LL + (now.tv_nsec - started.tv_nsec);
    if (waited > kBusyLimitNanoseconds) return 0;
  }
  // Writers hold the lock for tens of microseconds: short naps find it free soon after it is
  // released, where long ones would leave it idle.
  const long micros = attempt < 4 ? (20L << attempt) : 200L;
  timespec nap{0, micros * 1000L};
  nanosleep(&nap, nullptr);
  return 1;
}

// Runs one statement to completion; 'text' receives the first column of the first row.
int Execute(sqlite3* db, const char* sql, std::string* text = nullptr) {
  sqlite3_stmt* statement = nullptr;
  int rc = Sql().prepare_v2(db, sql, -1, &statement, nullptr);
  if (rc != SQLITE_OK) return rc;
  bool first = true;
  while ((rc = Sql().step(statement)) == SQLITE_ROW) {
    if (first && text != nullptr) {
      const unsigned char* value = Sql().column_text(statement, 0);
      *text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
    }
    first = false;
  }
  Sql().finalize(statement);
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int ExecuteInt(sqlite3* db, const char* sql, int64_t& value) {
  std::string text;
  const int rc = Execute(db, sql, &text);
  value = std::strtoll(text.c_str(), nullptr, 10);
  return rc;
}

// What a file at the store's path holds, judged from its first bytes alone.
enum class Header { kEmpty, kOurs, kForeign };

LONG ReadHeader(const std::string& path, Header& header) {
  const int fd = RetryOnInterrupt([&] { return open(path.c_str(), O_RDONLY | O_CLOEXEC); });
  if (fd < 0) return Win32ErrorFromErrno(errno);
  unsigned char bytes[100];
  size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = RetryOnInterrupt([&] { return pread(fd, bytes + got, sizeof bytes - got, static_cast<off_t>(got)); });
    if (n < 0) {
      const int err = errno;
      close(fd);
      return Win32ErrorFromErrno(err);
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  if (got == 0) {
    header = Header::kEmpty;
  } else {
    // The magic text, and the read/write format versions that say "write-ahead log": a
    // store is switched to that mode before anything else is written to it.
    const bool sqlite = got == sizeof bytes && std::memcmp(bytes, "SQLite format 3", 16) == 0;
    header = sqlite && bytes[18] == 2 && bytes[19] == 2 ? Header::kOurs : Header::kForeign;
  }
  return ERROR_SUCCESS;
}

// The databases the predefined roots refer to at present.
struct Slots {
  std::mutex lock;
  std::string path[2];
  std::shared_ptr<Store> store[2];
};

Slots& TheSlots() {
  static Slots* slots = new Slots;  // outlives every static destructor
  return *slots;
}

// At exit the current stores are closed, so that their logs are written back into the main
// files (a copy of the main file alone is then complete). A later call simply reopens.
struct CloseAtExit {
  ~CloseAtExit() {
    Slots& slots = TheSlots();
    std::lock_guard<std::mutex> guard(slots.lock);
    for (auto& store : slots.store) {
      if (!store) continue;
      std::lock_guard<std::mutex> storeGuard(store->lock);
      store->Close();
    }
  }
};
CloseAtExit g_closeAtExit;

}  // namespace

unsigned ForkGeneration() { return g_forkGeneration.load(); }

LONG ErrorFromSqlite(int result) {
  switch (result & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE: return ERROR_SUCCESS;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_PROTOCOL: return ERROR_BUSY;
    case SQLITE_NOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return ERROR_ACCESS_DENIED;
    case SQLITE_FULL: return ERROR_DISK_FULL;
    case SQLITE_TOOBIG: return ERROR_INVALID_PARAMETER;
    case SQLITE_CANTOPEN: return ERROR_CANTOPEN;
    // A schema that is not ours, or a damaged file.
    case SQLITE_ERROR:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
    case SQLITE_SCHEMA: return ERROR_BADDB;
    default: return ERROR_REGISTRY_IO_FAILED;
  }
}

LONG StorePath(Root root, std::string& path) {
  std::string directory;
  const char* chosen = EnvironmentSetting(kStoreDirVariable);
  if (chosen != nullptr) {
    directory = chosen;
    if (directory[0] != '/') {
      char cwd[4096];
      if (getcwd(cwd, sizeof cwd) == nullptr) return Win32ErrorFromErrno(errno);
      directory = std::string(cwd) + "/" + directory;
    }
  } else if (root == Root::kCurrentUser) {
    const char* config = EnvironmentSetting("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
      directory = config;
    } else {
      if (!HomeDirectory(directory)) return ERROR_PATH_NOT_FOUND;
      directory += "/.config";
    }
    directory += "/hostkit";
  } else {
    // The first absolute entry of the list, as the preferred system-wide location.
    const char* dirs = EnvironmentSetting("XDG_CONFIG_DIRS");
    std::string list = dirs != nullptr ? dirs : "";
    size_t start = 0;
    while (start <= list.size() && directory.empty()) {
      size_t end = list.find(':', start);
      if (end == std::string::npos) end = list.size();
      if (end > start && list[start] == '/') directory = list.substr(start, end - start);
      start = end + 1;
    }
    if (directory.empty()) directory = "/etc/xdg";
    directory += "/hostkit";
  }
  while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
  path = directory + "/" + FileName(root);
  return ERROR_SUCCESS;
}

Store::Store(Root root, std::string path) : m_root(root), m_path(std::move(path)) {
  static const int registered = pthread_atfork(nullptr, nullptr, AfterForkInChild);
  (void)registered;
}

Store::~Store() { Close(); }

LONG Store::Open(bool create) {
  LONG result = Connect(create);
  if (result == ERROR_SUCCESS && create && !m_verified && !m_readOnly) result = CheckWhole();
  return result;
}

LONG Store::Connect(bool create) {
  if (m_db != nullptr) {
    if (m_generation != g_forkGeneration.load()) {
      Abandon();
    } else if (m_damaged) {
      // Damage found in use: stop using the file, and write nothing back into it. Opening
      // again checks it from the start.
      Sql().db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
      Close();
    } else if ((m_immutable && ChangedSinceOpen()) || (m_readOnly && create && Writable())) {
      // A writer has come along since, or this process may write now.
      Close();
    } else {
      return ERROR_SUCCESS;
    }
  }
  m_damaged = false;
  struct stat st;
  if (stat(m_path.c_str(), &st) != 0) {
    if (errno != ENOENT) return Win32ErrorFromErrno(errno);
    if (!create) return ERROR_FILE_NOT_FOUND;
    const size_t slash = m_path.find_last_of('/');
    const LONG made = MakeDirectories(m_path.substr(0, slash), m_root == Root::kCurrentUser ? 0700 : 0755);
    if (made != ERROR_SUCCESS) return made;
    // Made here with its final permissions, so the user's settings are never readable by
    // others, not even for a moment; SQLite gives its side files the same mode.
    const mode_t mode = m_root == Root::kCurrentUser ? 0600 : 0644;
    const int fd = RetryOnInterrupt([&] { return open(m_path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode); });
    if (fd >= 0) {
      fchmod(fd, mode);
      close(fd);
    } else if (errno != EEXIST) {
      return Win32ErrorFromErrno(errno);
    }
    if (stat(m_path.c_str(), &st) != 0) return Win32ErrorFromErrno(errno);
  }
  if (!S_ISREG(st.st_mode)) return ERROR_BADDB;
  Header header = Header::kForeign;
  const LONG read = ReadHeader(m_path, header);
  if (read != ERROR_SUCCESS) return read;
  if (header == Header::kForeign) return ERROR_BADDB;
  // An empty file is a store that was created and not yet set up; only a writer sets it up.
  if (header == Header::kEmpty && !create) return ERROR_FILE_NOT_FOUND;
  return OpenExisting(header == Header::kEmpty);
}

LONG Store::OpenExisting(bool fresh) {
  const bool hadWal = Exists(m_path + "-wal");
  const bool hadShm = Exists(m_path + "-shm");
  const bool writable = Writable();
  if (fresh && !writable) return ERROR_ACCESS_DENIED;
  if (sqlite::Load() == nullptr) return ERROR_MOD_NOT_FOUND;
  // A reader that may not create the log's side files reads through the ones a writer left.
  // Where there are none, no connection has the store open (each keeps them while it does),
  // so the main file holds every committed write and is read as it stands; it is reopened
  // once it changes.
  const bool immutable = !writable && !(hadWal && hadShm);
  Identity identity;
  if (immutable && !IdentityOf(m_path, identity)) return Win32ErrorFromErrno(errno);
  sqlite3* db = nullptr;
  const int flags = (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
  int rc = Sql().open_v2(Uri(m_path, immutable).c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const int err = db != nullptr ? Sql().system_errno(db) : 0;
    Sql().close(db);
    return err == EACCES || err == EPERM ? ERROR_ACCESS_DENIED : ErrorFromSqlite(rc);
  }
  // Until the file is known to be sound, closing must not write anything back into it (reading
  // is safe: damage met answers ERROR_BADDB).
  Sql().db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  Sql().busy_handler(db, BusyWait, nullptr);
  m_db = db;
  m_readOnly = !writable;
  m_immutable = immutable;
  m_identity = identity;
  // The log is written with every commit, so a killed process loses nothing that was
  // committed; syncing is left to RegFlushKey (and to checkpoints).
  LONG result = ErrorFromSqlite(Execute(m_db, "PRAGMA synchronous=NORMAL"));
  if (result == ERROR_SUCCESS) result = fresh ? Initialise() : Verify();
  if (result != ERROR_SUCCESS) {
    Sql().close(m_db);
    m_db = nullptr;
    // A file that is not a store: take away the side files opening it made, so that it is
    // left as it was found.
    if (result == ERROR_BADDB) Discard(!hadWal, !hadShm);
    return result;
  }
  m_madeSideFiles = {!hadWal, !hadShm};
  // A store just set up is sound; any other is checked whole before this process first writes.
  m_verified = fresh;
  if (m_verified) Sql().db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
  if (writable) {
    // The last writer to close leaves the side files in place (the log emptied), so that
    // readers who may not create them can still open the store.
    int persist = 1;
    Sql().file_control(m_db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    Execute(m_db, "PRAGMA journal_size_limit=4194304");
  }
  m_generation = g_forkGeneration.load();
  return ERROR_SUCCESS;
}

bool Store::Writable() const {
  const std::string directory = m_path.substr(0, m_path.find_last_of('/'));
  return access(m_path.c_str(), W_OK) == 0 && access(directory.empty() ? "/" : directory.c_str(), W_OK) == 0;
}

bool Store::ChangedSinceOpen() const {
  Identity now;
  return Exists(m_path + "-shm") || !IdentityOf(m_path, now) || !(now == m_identity);
}

LONG Store::Initialise() {
  std::string mode;
  int rc = Execute(m_db, "PRAGMA journal_mode=WAL", &mode);
  if (rc != SQLITE_OK) return ErrorFromSqlite(rc);
  if (mode != "wal") return ERROR_BADDB;
  rc = Execute(m_db, "BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) return ErrorFromSqlite(rc);
  // Another process may have set the file up meanwhile; that is fine. Tables of some other
  // program are not.
  int64_t id = 0, tables = 0;
  rc = ExecuteInt(m_db, "PRAGMA application_id", id);
  if (rc == SQLITE_OK) rc = ExecuteInt(m_db, "SELECT count(*) FROM sqlite_schema", tables);
  LONG result = ErrorFromSqlite(rc);
  if (result == ERROR_SUCCESS && id != kApplicationId) {
    if (id != 0 || tables != 0) {
      result = ERROR_BADDB;
    } else {
      const std::string schema =
          "CREATE TABLE keys("
          "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
          "  parent INTEGER,"
          "  name TEXT NOT NULL COLLATE NOCASE,"
          "  written INTEGER NOT NULL);"
          "CREATE UNIQUE INDEX keys_by_parent ON keys(parent, name);"
          "CREATE TABLE vals("
          "  key INTEGER NOT NULL,"
          "  name TEXT NOT NULL COLLATE NOCASE,"
          "  type INTEGER NOT NULL,"
          "  data BLOB NOT NULL,"
          "  written INTEGER NOT NULL,"
          "  PRIMARY KEY(key, name)) WITHOUT ROWID;"
          "INSERT INTO keys(id, parent, name, written) VALUES(1, NULL, '', 0);"
          "PRAGMA application_id=" + std::to_string(kApplicationId) + ";"
          "PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";";
      result = ErrorFromSqlite(Sql().exec(m_db, schema.c_str(), nullptr, nullptr, nullptr));
    }
  }
  rc = Execute(m_db, result == ERROR_SUCCESS ? "COMMIT" : "ROLLBACK");
  if (result == ERROR_SUCCESS) result = ErrorFromSqlite(rc);
  return result;
}

LONG Store::Verify() {
  std::string mode;
  int rc = Execute(m_db, "PRAGMA journal_mode", &mode);
  if (rc != SQLITE_OK) return ErrorFromSqlite(rc);
  // An unchanging file is read without its log; its header said "write-ahead log" already.
  if (mode != "wal" && !m_immutable) return ERROR_BADDB;
  int64_t id = 0, version = 0;
  rc = ExecuteInt(m_db, "PRAGMA application_id", id);
  if (rc != SQLITE_OK) return ErrorFromSqlite(rc);
  // A store whose set-up was interrupted after the switch to the log: finish it.
  if (id == 0) return Sql().db_readonly(m_db, "main") == 1 ? ERROR_BADDB : Initialise();
  if (id != kApplicationId) return ERROR_BADDB;
  rc = ExecuteInt(m_db, "PRAGMA user_version", version);
  if (rc != SQLITE_OK) return ErrorFromSqlite(rc);
  return version < 1 || version > kSchemaVersion ? ERROR_BADDB : ERROR_SUCCESS;
}

LONG Store::CheckWhole() {
  std::string check;
  const int rc = Execute(m_db, "PRAGMA quick_check", &check);
  if (rc == SQLITE_OK && check == "ok") {
    m_verified = true;
    Sql().db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
    return ERROR_SUCCESS;
  }
  const LONG result = rc == SQLITE_OK ? ERROR_BADDB : ErrorFromSqlite(rc);
  if (result == ERROR_BADDB) {
    // Closed without writing anything back, and left as it was found.
    const auto made = m_madeSideFiles;
    Close();
    Discard(made.first, made.second);
  }
  return result;
}

void Store::Discard(bool createdWal, bool createdShm) {
  if (createdWal) unlink((m_path + "-wal").c_str());
  if (createdShm) unlink((m_path + "-shm").c_str());
}

void Store::Abandon() {
  // The connection and its statements belong to the parent process: closing them here could
  // disturb the parent's locks and files, so they are left alone.
  m_db = nullptr;
  m_statements.clear();
  m_keyCursor = Cursor();
  m_valueCursor = Cursor();
  m_batch = Batch();
  m_verified = false;
}

void Store::Close() {
  if (m_db == nullptr) return;
  if (m_generation != g_forkGeneration.load()) {
    Abandon();
    return;
  }
  // A batch whose connection goes has lost its transaction.
  if (m_batch.open && m_batch.failure == ERROR_SUCCESS) m_batch.failure = ERROR_BADDB;
  for (sqlite3_stmt* statement : m_statements) Sql().finalize(statement);
  m_statements.clear();
  Sql().close_v2(m_db);
  m_db = nullptr;
  m_readOnly = m_immutable = m_verified = false;
  m_keyCursor = Cursor();
  m_valueCursor = Cursor();
}

LONG Store::Flush() {
  // The log and the main file on disk, then the directory entry of a log made since.
  for (const std::string& name : {m_path + "-wal", m_path}) {
    const int fd = RetryOnInterrupt([&] { return open(name.c_str(), O_RDONLY | O_CLOEXEC); });
    if (fd < 0) {
      if (errno == ENOENT) continue;
      return Win32ErrorFromErrno(errno);
    }
    const int synced = RetryOnInterrupt([&] { return fsync(fd); });
    const int err = errno;
    close(fd);
    if (synced != 0) return Win32ErrorFromErrno(err);
  }
  const std::string directory = m_path.substr(0, m_path.find_last_of('/'));
  const int fd = RetryOnInterrupt([&] { return open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
  if (fd >= 0) {
    RetryOnInterrupt([&] { return fsync(fd); });
    close(fd);
  }
  return ERROR_SUCCESS;
}

std::shared_ptr<Store> CurrentStore(Root root, LONG& error) {
  std::string path;
  error = StorePath(root, path);
  if (error != ERROR_SUCCESS) return nullptr;
  Slots& slots = TheSlots();
  const int index = static_cast<int>(root);
  std::lock_guard<std::mutex> guard(slots.lock);
  if (!slots.store[index] || slots.path[index] != path) {
    slots.store[index] = std::make_shared<Store>(root, path);
    slots.path[index] = path;
  }
  return slots.store[index];
}

}  // namespace hk::posix::registry
