// CNuRegistry's GetInt and PutInt on one open section, against a loop of raw SQLite prepared
// statements doing the same reads and single-row writes on a table of the same shape, with the
// same journal and sync settings. Both run on temporary stores in the same run.
#include <hostkit/registry.h>

#include "platform/win32.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr int kOperations = 100000;
constexpr int kNames = 100;

std::string ScratchDir() {
  static const std::string dir = [] {
    const char* base = std::getenv("HOSTKIT_BENCH_TMP");
    std::string tmpl = std::string(base != nullptr ? base : "/tmp") + "/registry-bench-XXXXXX";
    const char* made = mkdtemp(tmpl.data());
    return std::string(made != nullptr ? made : "/tmp");
  }();
  return dir;
}

std::string Name(int i) { return "value" + std::to_string(i % kNames); }

// --- through the library --------------------------------------------------------------------

CNuRegistry& Settings() {
  static CNuRegistry* settings = [] {
    setenv("HOSTKIT_REGISTRY_DIR", (ScratchDir() + "/store").c_str(), 1);
    auto* s = new CNuRegistry(HKEY_CURRENT_USER, "Software\\HOSTKIT bench", "Section");
    for (int i = 0; i < kNames; ++i) s->PutInt(Name(i).c_str(), static_cast<DWORD>(i));
    return s;
  }();
  return *settings;
}

void RegistryGetInt(benchmark::State& state) {
  CNuRegistry& settings = Settings();
  std::string names[kNames];
  for (int i = 0; i < kNames; ++i) names[i] = Name(i);
  DWORD sum = 0;
  int i = 0;
  for (auto _ : state) sum += settings.GetInt(names[i++ % kNames].c_str(), 0);
  benchmark::DoNotOptimize(sum);
}

void RegistryPutInt(benchmark::State& state) {
  CNuRegistry& settings = Settings();
  std::string names[kNames];
  for (int i = 0; i < kNames; ++i) names[i] = Name(i);
  int i = 0;
  for (auto _ : state) {
    if (!settings.PutInt(names[i % kNames].c_str(), static_cast<DWORD>(i))) state.SkipWithError("PutInt failed");
    ++i;
  }
}

// --- raw SQLite --------------------------------------------------------------------------------

struct Raw {
  sqlite3* db = nullptr;
  sqlite3_stmt* get = nullptr;
  sqlite3_stmt* put = nullptr;
};

Raw& RawStore() {
  static Raw* raw = [] {
    auto* r = new Raw;
    const std::string path = ScratchDir() + "/raw.db";
    sqlite3_open(path.c_str(), &r->db);
    sqlite3_exec(r->db,
                 "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                 "CREATE TABLE IF NOT EXISTS settings(section INTEGER, name TEXT COLLATE NOCASE, value BLOB,"
                 " PRIMARY KEY(section, name)) WITHOUT ROWID;",
                 nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(r->db, "SELECT value FROM settings WHERE section = 1 AND name = ?1", -1, &r->get, nullptr);
    sqlite3_prepare_v2(r->db, "INSERT OR REPLACE INTO settings(section, name, value) VALUES(1, ?1, ?2)", -1,
                       &r->put, nullptr);
    for (int i = 0; i < kNames; ++i) {
      const std::string name = Name(i);
      const DWORD value = static_cast<DWORD>(i);
      sqlite3_bind_text(r->put, 1, name.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_blob(r->put, 2, &value, sizeof value, SQLITE_STATIC);
      sqlite3_step(r->put);
      sqlite3_reset(r->put);
    }
    return r;
  }();
  return *raw;
}

void RawGet(benchmark::State& state) {
  Raw& raw = RawStore();
  std::string names[kNames];
  for (int i = 0; i < kNames; ++i) names[i] = Name(i);
  DWORD sum = 0;
  int i = 0;
  for (auto _ : state) {
    const std::string& name = names[i++ % kNames];
    sqlite3_bind_text(raw.get, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_STATIC);
    if (sqlite3_step(raw.get) == SQLITE_ROW && sqlite3_column_bytes(raw.get, 0) == 4) {
      DWORD value;
      std::memcpy(&value, sqlite3_column_blob(raw.get, 0), 4);
      sum += value;
    }
    sqlite3_reset(raw.get);
  }
  benchmark::DoNotOptimize(sum);
}

void RawPut(benchmark::State& state) {
  Raw& raw = RawStore();
  std::string names[kNames];
  for (int i = 0; i < kNames; ++i) names[i] = Name(i);
  int i = 0;
  for (auto _ : state) {
    const std::string& name = names[i % kNames];
    const DWORD value = static_cast<DWORD>(i++);
    sqlite3_bind_text(raw.put, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_STATIC);
    sqlite3_bind_blob(raw.put, 2, &value, sizeof value, SQLITE_STATIC);
    if (sqlite3_step(raw.put) != SQLITE_DONE) state.SkipWithError("insert failed");
    sqlite3_reset(raw.put);
  }
}

}  // namespace

BENCHMARK(RegistryGetInt)->Iterations(kOperations)->Repetitions(3)->ReportAggregatesOnly(false);
BENCHMARK(RawGet)->Iterations(kOperations)->Repetitions(3)->ReportAggregatesOnly(false);
BENCHMARK(RegistryPutInt)->Iterations(kOperations)->Repetitions(3)->ReportAggregatesOnly(false);
BENCHMARK(RawPut)->Iterations(kOperations)->Repetitions(3)->ReportAggregatesOnly(false);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(ScratchDir(), ec);
  return 0;
}
