// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// The registry's keys and values as rows of the store. Each change is one transaction: either
// a single statement or an explicit one, so no reader or crash ever sees half of it.
#include "platform/posix/system/internal.h"
#include "platform/posix/registry/store.h"
#include "platform/win32.h"

#include "platform/posix/registry/sqlite.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace hk::posix::registry {

using sqlite::Sql;

enum Store::Statement : int {
  kKeyExists,
  kFindChild,
  kInsertKey,
  kTouchKey,
  kHasChildren,
  kDeleteValues,
  kDeleteKey,
  kQueryValue,
  kQueryValueSize,
  kSetValue,
  kDeleteValue,
  kEnumKey,
  kEnumValue,
  kNextKey,
  kNextValue,
  kEnumKeyName,
  kNextKeyName,
  kBegin,
  kBeginWrite,
  kCommit,
  kRollback,
  kSavepoint,
  kRelease,
  kRollbackTo,
  kStatementCount
};

namespace {

const char* const kSql[] = {
    "SELECT 1 FROM keys WHERE id = ?1",
    "SELECT id FROM keys WHERE parent = ?1 AND name = ?2",
    "INSERT INTO keys(parent, name, written) VALUES(?1, ?2, ?3)",
    "UPDATE keys SET written = ?2 WHERE id = ?1",
    "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1",
    "DELETE FROM vals WHERE key = ?1",
    "DELETE FROM keys WHERE id = ?1 RETURNING parent",
    // A value found proves its key exists (a key's values go with it); only a miss needs to
    // ask whether the key is still there.
    "SELECT type, data FROM vals WHERE key = ?1 AND name = ?2",
    "SELECT type, length(data) FROM vals WHERE key = ?1 AND name = ?2",
    // A value whose key is gone is not written (no row changes); an existing value keeps the
    // case of its name.
    "INSERT INTO vals(key, name, type, data, written) "
    "SELECT ?1, ?2, ?3, ?4, ?5 WHERE EXISTS (SELECT 1 FROM keys WHERE id = ?1) "
    "ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, data = excluded.data, "
    "written = excluded.written",
    "DELETE FROM vals WHERE key = ?1 AND name = ?2",
    "SELECT name, max(written, coalesce((SELECT max(written) FROM vals WHERE key = keys.id), 0)) "
    "FROM keys WHERE parent = ?1 ORDER BY name LIMIT 1 OFFSET ?2",
    "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY name LIMIT 1 OFFSET ?2",
    // The entry after the one enumerated last, found by name instead of counting again from
    // the start: a full enumeration stays linear.
    "SELECT name, max(written, coalesce((SELECT max(written) FROM vals WHERE key = keys.id), 0)) "
    "FROM keys WHERE parent = ?1 AND name > ?2 ORDER BY name LIMIT 1",
    "SELECT name, type, data FROM vals WHERE key = ?1 AND name > ?2 ORDER BY name LIMIT 1",
    // The same without the time of the last write, which reads every value of the key.
    "SELECT name FROM keys WHERE parent = ?1 ORDER BY name LIMIT 1 OFFSET ?2",
    "SELECT name FROM keys WHERE parent = ?1 AND name > ?2 ORDER BY name LIMIT 1",
    "BEGIN",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    "SAVEPOINT operation",
    "RELEASE operation",
    "ROLLBACK TO operation",
};


// Resets a statement when the operation using it ends.
class Use {
 public:
  explicit Use(sqlite3_stmt* statement) : m_statement(statement) {}
  ~Use() {
    if (m_statement != nullptr) {
      Sql().reset(m_statement);
      Sql().clear_bindings(m_statement);
    }
  }
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;
  explicit operator bool() const { return m_statement != nullptr; }
  sqlite3_stmt* get() const { return m_statement; }

 private:
  sqlite3_stmt* m_statement;
};

void BindText(sqlite3_stmt* statement, int index, std::string_view text) {
  // A null pointer would bind SQL NULL; an empty name is the empty string.
  Sql().bind_text(statement, index, text.empty() ? "" : text.data(), static_cast<int>(text.size()),
                    SQLITE_STATIC);
}

int64_t Now() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return FileTimeToInt(FileTimeFromTimespec(now));
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(Sql().column_text(statement, column));
  return text != nullptr ? std::string(text, static_cast<size_t>(Sql().column_bytes(statement, column)))
                         : std::string();
}

// The Win32 data-buffer protocol over a stored blob.
LONG CopyData(sqlite3_stmt* statement, int column, BYTE* data, DWORD* size) {
  const int bytes = Sql().column_bytes(statement, column);
  if (data != nullptr) {
    if (*size < static_cast<DWORD>(bytes)) {
      *size = static_cast<DWORD>(bytes);
      return ERROR_MORE_DATA;
    }
    if (bytes > 0) std::memcpy(data, Sql().column_blob(statement, column), static_cast<size_t>(bytes));
  }
  if (size != nullptr) *size = static_cast<DWORD>(bytes);
  return ERROR_SUCCESS;
}

}  // namespace

sqlite3_stmt* Store::Prepared(Statement which) {
  static_assert(sizeof kSql / sizeof kSql[0] == kStatementCount);
  if (m_statements.empty()) m_statements.assign(kStatementCount, nullptr);
  sqlite3_stmt*& statement = m_statements[static_cast<size_t>(which)];
  if (statement == nullptr &&
      Sql().prepare_v3(m_db, kSql[which], -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
    statement = nullptr;
  return statement;
}

LONG Store::Failure(int rc) {
  const LONG error = ErrorFromSqlite(rc);
  if (error == ERROR_BADDB) m_damaged = true;
  // Some failures (a full disk, an I/O error) take the whole transaction with them; a batch
  // that loses its transaction this way can no longer be committed.
  if (m_batch.open && m_batch.failure == ERROR_SUCCESS && m_db != nullptr && Sql().get_autocommit(m_db))
    m_batch.failure = error;
  return error;
}

LONG Store::Run(const char* sql) {
  const int rc = Sql().exec(m_db, sql, nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? ERROR_SUCCESS : Failure(rc);
}

LONG Store::Step(sqlite3_stmt* statement, bool& row) {
  const int rc = Sql().step(statement);
  row = rc == SQLITE_ROW;
  return rc == SQLITE_ROW || rc == SQLITE_DONE ? ERROR_SUCCESS : Failure(rc);
}

LONG Store::Begin(bool write) {
  if (m_batch.open) {
    const LONG failure = BatchFailure();
    if (failure != ERROR_SUCCESS) return failure;
  }
  Use begin(Prepared(m_batch.open ? kSavepoint : write ? kBeginWrite : kBegin));
  if (!begin) return Failure(Sql().errcode(m_db));
  bool row;
  return Step(begin.get(), row);
}

LONG Store::End(LONG result) {
  if (m_db == nullptr || Sql().get_autocommit(m_db)) return result;  // already rolled back
  if (m_batch.open) {
    // Only this operation's part is undone; the batch goes on.
    if (result != ERROR_SUCCESS) {
      Use undo(Prepared(kRollbackTo));
      if (!undo) return result;
      bool row;
      if (Step(undo.get(), row) != ERROR_SUCCESS) return result;
    }
    Use release(Prepared(kRelease));
    if (!release) return result == ERROR_SUCCESS ? Failure(Sql().errcode(m_db)) : result;
    bool row;
    const LONG released = Step(release.get(), row);
    return result == ERROR_SUCCESS ? released : result;
  }
  Use end(Prepared(result == ERROR_SUCCESS ? kCommit : kRollback));
  if (!end) return result == ERROR_SUCCESS ? Failure(Sql().errcode(m_db)) : result;
  bool row;
  const LONG ended = Step(end.get(), row);
  if (ended != ERROR_SUCCESS && m_db != nullptr && !Sql().get_autocommit(m_db)) {
    Use rollback(Prepared(kRollback));
    if (rollback) Sql().step(rollback.get());
  }
  return result == ERROR_SUCCESS ? ended : result;
}

LONG Store::KeyExists(int64_t key) {
  Use use(Prepared(kKeyExists));
  if (!use) return Failure(Sql().errcode(m_db));
  Sql().bind_int64(use.get(), 1, key);
  bool row;
  const LONG result = Step(use.get(), row);
  if (result != ERROR_SUCCESS) return result;
  return row ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG Store::FindChild(int64_t parent, std::string_view name, int64_t& child) {
  Use use(Prepared(kFindChild));
  if (!use) return Failure(Sql().errcode(m_db));
  Sql().bind_int64(use.get(), 1, parent);
  BindText(use.get(), 2, name);
  bool row;
  const LONG result = Step(use.get(), row);
  if (result != ERROR_SUCCESS) return result;
  if (!row) return ERROR_FILE_NOT_FOUND;
  child = Sql().column_int64(use.get(), 0);
  return ERROR_SUCCESS;
}

LONG Store::Touch(int64_t key, int64_t when) {
  Use use(Prepared(kTouchKey));
  if (!use) return Failure(Sql().errcode(m_db));
  Sql().bind_int64(use.get(), 1, key);
  Sql().bind_int64(use.get(), 2, when);
  bool row;
  return Step(use.get(), row);
}

LONG Store::FindPath(int64_t start, const std::vector<std::string_view>& names, int64_t& found) {
  if (names.empty()) {
    const LONG result = KeyExists(start);
    if (result == ERROR_SUCCESS) found = start;
    return result;
  }
  LONG result = Begin(false);
  if (result != ERROR_SUCCESS) return result;
  result = KeyExists(start);
  int64_t key = start;
  for (size_t i = 0; result == ERROR_SUCCESS && i < names.size(); ++i) result = FindChild(key, names[i], key);
  if (result == ERROR_SUCCESS) found = key;
  return End(result);
}

LONG Store::CreatePath(int64_t start, const std::vector<std::string_view>& names, int64_t& found,
                       bool& created) {
  created = false;
  if (m_readOnly) {
    // Nothing can be created in a store this process may not write, but an existing key opens
    // as it does for reading (access rights are not asked for).
    const LONG result = FindPath(start, names, found);
    return result == ERROR_FILE_NOT_FOUND ? ERROR_ACCESS_DENIED : result;
  }
  LONG result = Begin(true);
  if (result != ERROR_SUCCESS) return result;
  result = KeyExists(start);
  int64_t key = start;
  const int64_t now = Now();
  for (size_t i = 0; result == ERROR_SUCCESS && i < names.size(); ++i) {
    int64_t child = 0;
    result = FindChild(key, names[i], child);
    if (result == ERROR_FILE_NOT_FOUND) {
      Use insert(Prepared(kInsertKey));
      if (!insert) {
        result = Failure(Sql().errcode(m_db));
        break;
      }
      Sql().bind_int64(insert.get(), 1, key);
      BindText(insert.get(), 2, names[i]);
      Sql().bind_int64(insert.get(), 3, now);
      bool row;
      result = Step(insert.get(), row);
      if (result != ERROR_SUCCESS) break;
      child = Sql().last_insert_rowid(m_db);
      if (m_batch.open) m_batch.lastKey = std::max(m_batch.lastKey, child);
      result = Touch(key, now);
      created = true;
    }
    key = child;
  }
  if (result == ERROR_SUCCESS) found = key;
  result = End(result);
  if (result != ERROR_SUCCESS) created = false;
  return result;
}

LONG Store::DeleteKey(int64_t start, const std::vector<std::string_view>& names) {
  LONG result = Begin(true);
  if (result != ERROR_SUCCESS) return result;
  result = KeyExists(start);
  int64_t key = start;
  for (size_t i = 0; result == ERROR_SUCCESS && i < names.size(); ++i) result = FindChild(key, names[i], key);
  if (result == ERROR_SUCCESS && key == kRootKeyId) result = ERROR_ACCESS_DENIED;
  if (result == ERROR_SUCCESS) {
    Use children(Prepared(kHasChildren));
    if (!children) {
      result = Failure(Sql().errcode(m_db));
    } else {
      Sql().bind_int64(children.get(), 1, key);
      bool row = false;
      result = Step(children.get(), row);
      if (result == ERROR_SUCCESS && row) result = ERROR_ACCESS_DENIED;
    }
  }
  if (result == ERROR_SUCCESS) {
    Use values(Prepared(kDeleteValues));
    if (!values) {
      result = Failure(Sql().errcode(m_db));
    } else {
      Sql().bind_int64(values.get(), 1, key);
      bool row;
      result = Step(values.get(), row);
    }
  }
  int64_t parent = 0;
  if (result == ERROR_SUCCESS) {
    Use remove(Prepared(kDeleteKey));
    if (!remove) {
      result = Failure(Sql().errcode(m_db));
    } else {
      Sql().bind_int64(remove.get(), 1, key);
      bool row = false;
      result = Step(remove.get(), row);
      if (row) parent = Sql().column_int64(remove.get(), 0);
      // Run the statement to its end so that the deletion is complete before the commit.
      while (result == ERROR_SUCCESS && row) result = Step(remove.get(), row);
    }
  }
  if (result == ERROR_SUCCESS && parent != 0) result = Touch(parent, Now());
  return End(result);
}

LONG Store::SetValue(int64_t key, std::string_view name, DWORD type, const BYTE* data, DWORD size) {
  Use use(Prepared(kSetValue));
  if (!use) return Failure(Sql().errcode(m_db));
  sqlite3_stmt* s = use.get();
  Sql().bind_int64(s, 1, key);
  BindText(s, 2, name);
  Sql().bind_int64(s, 3, type);
  if (size > 0)
    Sql().bind_blob64(s, 4, data, size, SQLITE_STATIC);
  else
    Sql().bind_zeroblob(s, 4, 0);
  Sql().bind_int64(s, 5, Now());
  bool row;
  const LONG result = Step(s, row);
  if (result != ERROR_SUCCESS) return result;
  return Sql().changes(m_db) > 0 ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG Store::QueryValue(int64_t key, std::string_view name, DWORD* type, BYTE* data, DWORD* size) {
  // A size query need not read the data itself (which may span many pages).
  Use use(Prepared(data != nullptr ? kQueryValue : kQueryValueSize));
  if (!use) return Failure(Sql().errcode(m_db));
  sqlite3_stmt* s = use.get();
  Sql().bind_int64(s, 1, key);
  BindText(s, 2, name);
  bool row;
  const LONG result = Step(s, row);
  if (result != ERROR_SUCCESS) return result;
  if (!row) {
    Sql().reset(s);
    const LONG exists = KeyExists(key);
    return exists == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : exists;
  }
  if (type != nullptr) *type = static_cast<DWORD>(Sql().column_int64(s, 0));
  if (data == nullptr) {
    if (size != nullptr) *size = static_cast<DWORD>(Sql().column_int64(s, 1));
    return ERROR_SUCCESS;
  }
  return CopyData(s, 1, data, size);
}

LONG Store::DeleteValue(int64_t key, std::string_view name) {
  LONG result = Begin(true);
  if (result != ERROR_SUCCESS) return result;
  result = KeyExists(key);
  if (result == ERROR_SUCCESS) {
    Use use(Prepared(kDeleteValue));
    if (!use) {
      result = Failure(Sql().errcode(m_db));
    } else {
      Sql().bind_int64(use.get(), 1, key);
      BindText(use.get(), 2, name);
      bool row;
      result = Step(use.get(), row);
      if (result == ERROR_SUCCESS && Sql().changes(m_db) == 0) result = ERROR_FILE_NOT_FOUND;
    }
  }
  if (result == ERROR_SUCCESS) result = Touch(key, Now());
  return End(result);
}

bool Store::Continues(const Cursor& cursor, int64_t key, DWORD index) const {
  return index > 0 && cursor.key == key && cursor.index + 1 == index &&
         cursor.changes == Sql().total_changes64(m_db);
}

void Store::Remember(Cursor& cursor, int64_t key, DWORD index, const std::string& name) {
  cursor.key = key;
  cursor.index = index;
  cursor.name = name;
  cursor.changes = Sql().total_changes64(m_db);
}

LONG Store::EnumKey(int64_t key, DWORD index, std::string& name, int64_t* lastWrite) {
  {
    const bool next = Continues(m_keyCursor, key, index);
    Use use(Prepared(lastWrite != nullptr ? (next ? kNextKey : kEnumKey) : (next ? kNextKeyName : kEnumKeyName)));
    if (!use) return Failure(Sql().errcode(m_db));
    Sql().bind_int64(use.get(), 1, key);
    if (next) BindText(use.get(), 2, m_keyCursor.name);
    else Sql().bind_int64(use.get(), 2, index);
    bool row;
    const LONG result = Step(use.get(), row);
    if (result != ERROR_SUCCESS) return result;
    if (row) {
      name = ColumnText(use.get(), 0);
      if (lastWrite != nullptr) *lastWrite = Sql().column_int64(use.get(), 1);
      Remember(m_keyCursor, key, index, name);
      return ERROR_SUCCESS;
    }
  }
  const LONG exists = KeyExists(key);
  return exists == ERROR_SUCCESS ? ERROR_NO_MORE_ITEMS : exists;
}

LONG Store::EnumValue(int64_t key, DWORD index, std::string& name, DWORD* type, BYTE* data,
                      DWORD* size) {
  {
    const bool next = Continues(m_valueCursor, key, index);
    Use use(Prepared(next ? kNextValue : kEnumValue));
    if (!use) return Failure(Sql().errcode(m_db));
    sqlite3_stmt* s = use.get();
    Sql().bind_int64(s, 1, key);
    if (next) BindText(s, 2, m_valueCursor.name);
    else Sql().bind_int64(s, 2, index);
    bool row;
    const LONG result = Step(s, row);
    if (result != ERROR_SUCCESS) return result;
    if (row) {
      name = ColumnText(s, 0);
      Remember(m_valueCursor, key, index, name);
      if (type != nullptr) *type = static_cast<DWORD>(Sql().column_int64(s, 1));
      return CopyData(s, 2, data, size);
    }
  }
  const LONG exists = KeyExists(key);
  return exists == ERROR_SUCCESS ? ERROR_NO_MORE_ITEMS : exists;
}

}  // namespace hk::posix::registry
