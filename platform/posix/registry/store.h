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
// Nothing here is opened before a registry call needs it. Internal to platform/posix.
#pragma once

#include <hostkit/win32types.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
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

  // Opens the database if needed. ERROR_FILE_NOT_FOUND (and nothing created) when the file
  // does not exist and 'create' is false: the caller answers as for an empty registry.
  LONG Open(bool create);
  // Closes the connection, writing the log back into the main file.
  void Close();

  // --- operations; each needs a successful Open first ---------------------------------------

  // ERROR_SUCCESS when the key still exists, ERROR_KEY_DELETED when not.
  LONG KeyExists(int64_t key);
  // Follows a path of names below 'start'.
  LONG FindPath(int64_t start, const std::vector<std::string_view>& names, int64_t& found);
  // Follows a path, creating what is missing, in one transaction.
  LONG CreatePath(int64_t start, const std::vector<std::string_view>& names, int64_t& found,
                  bool& created);
  // Deletes the key at the path (the start key itself for an empty path) if it has no sub-keys.
  LONG DeleteKey(int64_t start, const std::vector<std::string_view>& names);
  LONG SetValue(int64_t key, std::string_view name, DWORD type, const BYTE* data, DWORD size);
  // Win32 buffer protocol: data may be NULL (size query); a too small buffer gives
  // ERROR_MORE_DATA with the size needed.
  LONG QueryValue(int64_t key, std::string_view name, DWORD* type, BYTE* data, DWORD* size);
  LONG DeleteValue(int64_t key, std::string_view name);
  // The index-th sub-key in name order, or ERROR_NO_MORE_ITEMS.
  LONG EnumKey(int64_t key, DWORD index, std::string& name, int64_t& lastWrite);
  // The index-th value in name order; the data is written only when it fits.
  LONG EnumValue(int64_t key, DWORD index, std::string& name, DWORD* type, BYTE* data,
                 DWORD* size);
  // Everything committed so far reaches the disk.
  LONG Flush();

 private:
  enum Statement : int;
  sqlite3_stmt* Prepared(Statement which);
  LONG OpenExisting(bool fresh);
  LONG Initialise();
  LONG Verify();
  void Abandon();
  void Discard(bool createdWal, bool createdShm);
  // The Win32 code for a failed SQLite call; damage found marks the connection for closing.
  LONG Failure(int rc);
  LONG Step(sqlite3_stmt* statement, bool& row);
  LONG Begin(bool write);
  LONG End(LONG result);
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
  std::vector<sqlite3_stmt*> m_statements;
  Cursor m_keyCursor;
  Cursor m_valueCursor;
};

// The store a predefined root refers to now; NULL with the failure code when there is none.
std::shared_ptr<Store> CurrentStore(Root root, LONG& error);

// Win32 code for an SQLite result.
LONG ErrorFromSqlite(int result);

}  // namespace hk::posix::registry
