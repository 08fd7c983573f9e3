// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// The registry's storage: one SQLite database per predefined root. Keys form a tree of rows
// (the root is row 1); values hang off their key. Names are compared with SQLite's NOCASE
// collation, which folds ASCII letters only, and keep the case they were written with.
// Key ids are never reused, so a handle whose key was deleted (even if a key of the same name
// was created since) finds no row and answers ERROR_KEY_DELETED.
//
// A store is opened for writing only where this process may write both the file and its
// folder (the log's side files live beside it). Elsewhere it is opened read-only: through the
// side files a writer leaves in place, or, where there are none, as an unchanging file that is
// reopened as soon as it changes or side files appear. So a store others may only read (the
// machine's, in a folder of the administrator's) reads the same whether or not a writer has it
// open.
//
// Nothing here is opened before a registry call needs it. Internal to platform/posix.
#pragma once

#include <hostkit/win32types.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace hk::posix::registry {

enum class Root { kCurrentUser = 0, kLocalMachine = 1 };

constexpr int64_t kRootKeyId = 1;
// Longest value name, and longest key name component, in bytes.
constexpr size_t kMaxValueName = 16383;
constexpr size_t kMaxKeyName = 255;

// The environment variable that moves both store files into one directory.
constexpr const char* kStoreDirVariable = "HOSTKIT_REGISTRY_DIR";

// Where a root's store file is right now (the environment is read on every call); the
// failure code when no location can be found (no home directory).
LONG StorePath(Root root, std::string& path);

// One root's database. All members are used with 'lock' held.
class Store {
 public:
  Store(Root root, std::string path);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  std::mutex lock;
  // Signalled when a batch ends, for the threads waiting it out.
  std::condition_variable batchEnded;

  // Opens the database if needed. ERROR_FILE_NOT_FOUND (and nothing created) when the file
  // does not exist and 'create' is false: the caller answers as for an empty registry.
  LONG Open(bool create);
  // Closes the connection, writing the log back into the main file.
  void Close();

  // --- batches: the writes of several calls in one transaction ------------------------------

  // Starts one for the calling thread, after a successful Open(write); one at a time.
  LONG BeginBatch(bool write);
  // Commits or abandons it. Anything but ERROR_SUCCESS means nothing of the batch was kept.
  LONG EndBatch(bool commit);
  // A batch of another thread is open: this thread must wait for batchEnded before using the
  // connection, whose uncommitted writes are that batch's.
  bool BatchOfAnotherThread() const;
  // Why the calling thread's batch can no longer be committed (the transaction was lost to an
  // error); ERROR_SUCCESS while it can.
  LONG BatchFailure() const;

  // --- operations; each needs a successful Open first ---------------------------------------

  // ERROR_SUCCESS when the key still exists, ERROR_KEY_DELETED when not.
  LONG KeyExists(int64_t key);
  // Follows a path of names below 'start'.
  LONG FindPath(int64_t start, const std::vector<std::string_view>& names, int64_t& found);
  // Follows a path, creating what is missing, in one transaction. In a store opened read-only,
  // an existing path is found and a missing one is ERROR_ACCESS_DENIED.
  LONG CreatePath(int64_t start, const std::vector<std::string_view>& names, int64_t& found,
                  bool& created);
  // Deletes the key at the path (the start key itself for an empty path) if it has no sub-keys.
  LONG DeleteKey(int64_t start, const std::vector<std::string_view>& names);
  LONG SetValue(int64_t key, std::string_view name, DWORD type, const BYTE* data, DWORD size);
  // Win32 buffer protocol: data may be NULL (size query); a too small buffer gives
  // ERROR_MORE_DATA with the size needed.
  LONG QueryValue(int64_t key, std::string_view name, DWORD* type, BYTE* data, DWORD* size);
  LONG DeleteValue(int64_t key, std::string_view name);
  // The index-th sub-key in name order, or ERROR_NO_MORE_ITEMS; the time of its last write (its
  // own or a value's) when asked for.
  LONG EnumKey(int64_t key, DWORD index, std::string& name, int64_t* lastWrite);
  // The index-th value in name order; the data is written only when it fits.
  LONG EnumValue(int64_t key, DWORD index, std::string& name, DWORD* type, BYTE* data,
                 DWORD* size);
  // Everything committed so far reaches the disk.
  LONG Flush();

 private:
  enum Statement : int;
  sqlite3_stmt* Prepared(Statement which);
  LONG Connect(bool create);
  LONG OpenExisting(bool fresh);
  // Checks the whole file before this process first writes to it, so that nothing is ever
  // written into a damaged store. Reading needs no such check: damage is met where it lies.
  LONG CheckWhole();
  // This process may write the file and create side files beside it.
  bool Writable() const;
  // The file is no longer the one an unchanging connection was opened on.
  bool ChangedSinceOpen() const;
  LONG Initialise();
  LONG Verify();
  void Abandon();
  void Discard(bool createdWal, bool createdShm);
  // The Win32 code for a failed SQLite call; damage found marks the connection for closing.
  LONG Failure(int rc);
  LONG Step(sqlite3_stmt* statement, bool& row);
  // One operation's transaction; inside a batch, a savepoint of the batch's transaction.
  LONG Begin(bool write);
  LONG End(LONG result);
  LONG Run(const char* sql);
  LONG FindChild(int64_t parent, std::string_view name, int64_t& child);
  LONG Touch(int64_t key, int64_t when);

  // Where the last enumeration of one kind stopped. Enumerating is by index; when the next
  // index of the same key is asked for and nothing was written through this connection since,
  // the search continues after the last name. (Writes by other processes during an
  // enumeration make the order of what is seen undefined, as they do on Windows.)
  struct Cursor {
    int64_t key = 0;
    DWORD index = 0;
    std::string name;
    int64_t changes = -1;
  };
  bool Continues(const Cursor& cursor, int64_t key, DWORD index) const;
  void Remember(Cursor& cursor, int64_t key, DWORD index, const std::string& name);

  Root m_root;
  std::string m_path;
  sqlite3* m_db = nullptr;
  unsigned m_generation = 0;  // the fork generation the connection belongs to
  bool m_damaged = false;     // damage was found: close without writing anything back
  bool m_readOnly = false;    // opened read-only: this process may not write the store
  bool m_immutable = false;   // read-only with no side files: valid while the file is unchanged
  bool m_verified = false;    // the whole file was checked on this connection
  std::pair<bool, bool> m_madeSideFiles;  // the log and its index were made by this connection
  struct Identity {
    uint64_t device = 0, inode = 0;
    int64_t size = 0, modified = 0;
    bool operator==(const Identity&) const = default;
  } m_identity;               // of the file an unchanging connection was opened on
  // The open batch: its thread and fork generation, and the error that lost its transaction.
  struct Batch {
    bool open = false;
    std::thread::id owner;
    unsigned generation = 0;
    LONG failure = ERROR_SUCCESS;
    int64_t lastKey = 0;  // the highest key id it handed out
  } m_batch;
  std::vector<sqlite3_stmt*> m_statements;
  Cursor m_keyCursor;
  Cursor m_valueCursor;
};

// Counts the forks of the process: a connection belongs to the generation that opened it.
unsigned ForkGeneration();

// The store a predefined root refers to now; NULL with the failure code when there is none.
std::shared_ptr<Store> CurrentStore(Root root, LONG& error);

// Win32 code for an SQLite result.
LONG ErrorFromSqlite(int result);

}  // namespace hk::posix::registry
