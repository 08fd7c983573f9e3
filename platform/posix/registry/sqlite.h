// SQLite, bound at run time: a process that never reads a setting never loads the library,
// and every other process starts without its relocations.
#pragma once

#include <sqlite3.h>

namespace hk::posix::sqlite {

// The entry points the registry store calls.
struct Api {
  decltype(&::sqlite3_bind_blob64) bind_blob64;
  decltype(&::sqlite3_bind_int64) bind_int64;
  decltype(&::sqlite3_bind_text) bind_text;
  decltype(&::sqlite3_bind_zeroblob) bind_zeroblob;
  decltype(&::sqlite3_busy_handler) busy_handler;
  decltype(&::sqlite3_changes) changes;
  decltype(&::sqlite3_clear_bindings) clear_bindings;
  decltype(&::sqlite3_close) close;
  decltype(&::sqlite3_close_v2) close_v2;
  decltype(&::sqlite3_column_blob) column_blob;
  decltype(&::sqlite3_column_bytes) column_bytes;
  decltype(&::sqlite3_column_int64) column_int64;
  decltype(&::sqlite3_column_text) column_text;
  decltype(&::sqlite3_db_config) db_config;
  decltype(&::sqlite3_db_readonly) db_readonly;
  decltype(&::sqlite3_errcode) errcode;
  decltype(&::sqlite3_exec) exec;
  decltype(&::sqlite3_file_control) file_control;
  decltype(&::sqlite3_finalize) finalize;
  decltype(&::sqlite3_get_autocommit) get_autocommit;
  decltype(&::sqlite3_last_insert_rowid) last_insert_rowid;
  decltype(&::sqlite3_open_v2) open_v2;
  decltype(&::sqlite3_prepare_v2) prepare_v2;
  decltype(&::sqlite3_prepare_v3) prepare_v3;
  decltype(&::sqlite3_reset) reset;
  decltype(&::sqlite3_step) step;
  decltype(&::sqlite3_system_errno) system_errno;
  decltype(&::sqlite3_total_changes64) total_changes64;
};

// Loads the library and binds every entry point on the first call (thread-safe); null when
// the library or one of its entry points is missing.
const Api* Load();

// The bound entry points; only after Load() has succeeded.
const Api& Sql();

}  // namespace hk::posix::sqlite
