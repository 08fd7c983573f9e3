// Binding SQLite at run time.
#include "platform/posix/registry/sqlite.h"

#include <dlfcn.h>

namespace hk::posix::sqlite {
namespace {

Api g_api;

template <typename Function>
bool Bind(void* library, const char* name, Function& slot) {
  slot = reinterpret_cast<Function>(dlsym(library, name));
  return slot != nullptr;
}

bool Bound() {
  // Kept loaded for the life of the process: connections may be open until exit.
  void* library = dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return false;
  return Bind(library, "sqlite3_bind_blob64", g_api.bind_blob64)
         && Bind(library, "sqlite3_bind_int64", g_api.bind_int64)
         && Bind(library, "sqlite3_bind_text", g_api.bind_text)
         && Bind(library, "sqlite3_bind_zeroblob", g_api.bind_zeroblob)
         && Bind(library, "sqlite3_busy_handler", g_api.busy_handler)
         && Bind(library, "sqlite3_changes", g_api.changes)
         && Bind(library, "sqlite3_clear_bindings", g_api.clear_bindings)
         && Bind(library, "sqlite3_close", g_api.close)
         && Bind(library, "sqlite3_close_v2", g_api.close_v2)
         && Bind(library, "sqlite3_column_blob", g_api.column_blob)
         && Bind(library, "sqlite3_column_bytes", g_api.column_bytes)
         && Bind(library, "sqlite3_column_int64", g_api.column_int64)
         && Bind(library, "sqlite3_column_text", g_api.column_text)
         && Bind(library, "sqlite3_db_config", g_api.db_config)
         && Bind(library, "sqlite3_db_readonly", g_api.db_readonly)
         && Bind(library, "sqlite3_errcode", g_api.errcode)
         && Bind(library, "sqlite3_exec", g_api.exec)
         && Bind(library, "sqlite3_file_control", g_api.file_control)
         && Bind(library, "sqlite3_finalize", g_api.finalize)
         && Bind(library, "sqlite3_get_autocommit", g_api.get_autocommit)
         && Bind(library, "sqlite3_last_insert_rowid", g_api.last_insert_rowid)
         && Bind(library, "sqlite3_open_v2", g_api.open_v2)
         && Bind(library, "sqlite3_prepare_v2", g_api.prepare_v2)
         && Bind(library, "sqlite3_prepare_v3", g_api.prepare_v3)
         && Bind(library, "sqlite3_reset", g_api.reset)
         && Bind(library, "sqlite3_step", g_api.step)
         && Bind(library, "sqlite3_system_errno", g_api.system_errno)
         && Bind(library, "sqlite3_total_changes64", g_api.total_changes64);
}

}  // namespace

const Api* Load() {
  static const bool bound = Bound();
  return bound ? &g_api : nullptr;
}

const Api& Sql() { return g_api; }

}  // namespace hk::posix::sqlite
