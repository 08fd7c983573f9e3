// POSIX implementation of part of the Win32 subset. Only code that holds for every Unix the
// library builds on lives under platform/posix; every function keeps the Win32 contract: the
// same result conventions, the last error set on every failure path, never an exception.
//
// POSIX side of the registry batches declared in platform/registrybatch.h: a batch is one
// transaction of the root's store, open across the calls of the thread that started it. The
// operations of that thread run inside it as savepoints (data.cpp); other threads share the
// connection, so they wait for the batch to end rather than see or join its writes.
#include "platform/registrybatch.h"

#include "platform/posix/registry/access.h"
#include "platform/posix/registry/sqlite.h"
#include "platform/win32.h"

namespace hk::posix::registry {

using sqlite::Sql;

namespace {

// The stores of the calling thread's open batches, by root: the batch stays with the store it
// began in even if the root is moved to another store meanwhile.
thread_local std::shared_ptr<Store> t_batches[2];

int RootIndex(HKEY root) {
  if (root == HKEY_CURRENT_USER) return static_cast<int>(Root::kCurrentUser);
  if (root == HKEY_LOCAL_MACHINE) return static_cast<int>(Root::kLocalMachine);
  return -1;
}

}  // namespace

LONG Store::BeginBatch(bool write) {
  if (m_batch.open) return ERROR_INVALID_FUNCTION;
  // A reading batch takes its snapshot at its first read; a writing one takes the store's
  // write lock at once, so that it cannot find the store changed when it comes to write.
  const LONG begun = Run(write ? "BEGIN IMMEDIATE" : "BEGIN");
  if (begun != ERROR_SUCCESS) return begun;
  m_batch.open = true;
  m_batch.owner = std::this_thread::get_id();
  m_batch.generation = m_generation;
  m_batch.failure = ERROR_SUCCESS;
  return ERROR_SUCCESS;
}

LONG Store::EndBatch(bool commit) {
  if (!m_batch.open) return ERROR_INVALID_FUNCTION;
  LONG result = commit ? BatchFailure() : ERROR_SUCCESS;
  const bool kept = commit && result == ERROR_SUCCESS && (result = Run("COMMIT")) == ERROR_SUCCESS;
  if (!kept && m_db != nullptr) {
    // A commit that failed leaves the transaction open: undo it.
    if (!Sql().get_autocommit(m_db)) Run("ROLLBACK");
    // Key ids are never used twice, so that a handle to a key of the batch, which now never
    // existed, cannot reach a key made later.
    if (m_batch.lastKey > 0) {
      const std::string used = "UPDATE sqlite_sequence SET seq = max(seq, " + std::to_string(m_batch.lastKey) +
                               ") WHERE name = 'keys'";
      Run(used.c_str());
    }
  }
  m_batch = Batch();
  m_keyCursor = Cursor();
  m_valueCursor = Cursor();
  return commit ? result : ERROR_SUCCESS;
}

// A batch begun before the process forked belongs to the parent: the child neither waits for
// it nor takes part in it (its connection is set aside on the next Open).
bool Store::BatchOfAnotherThread() const {
  return m_batch.open && m_batch.generation == ForkGeneration() && m_batch.owner != std::this_thread::get_id();
}

LONG Store::BatchFailure() const {
  if (!m_batch.open || m_batch.generation != ForkGeneration() || m_batch.owner != std::this_thread::get_id())
    return ERROR_SUCCESS;
  if (m_batch.failure != ERROR_SUCCESS) return m_batch.failure;
  // The transaction is gone without an error seen on the way.
  if (m_db == nullptr || Sql().get_autocommit(m_db)) return ERROR_REGISTRY_IO_FAILED;
  return ERROR_SUCCESS;
}

}  // namespace hk::posix::registry

namespace hk {

using posix::registry::StoreAccess;

LONG BeginRegistryBatch(HKEY root, bool write) {
  const int index = posix::registry::RootIndex(root);
  if (index < 0) return ERROR_INVALID_HANDLE;
  if (posix::registry::t_batches[index]) return ERROR_INVALID_FUNCTION;
  StoreAccess access;
  LONG error = access.Resolve(root);
  if (error == ERROR_SUCCESS) error = access.Open(write);
  if (error == ERROR_SUCCESS) error = access->BeginBatch(write);
  if (error == ERROR_SUCCESS) posix::registry::t_batches[index] = access.store();
  return error;
}

LONG EndRegistryBatch(HKEY root, bool commit) {
  const int index = posix::registry::RootIndex(root);
  if (index < 0) return ERROR_INVALID_HANDLE;
  const std::shared_ptr<posix::registry::Store> store = std::move(posix::registry::t_batches[index]);
  if (!store) return ERROR_INVALID_FUNCTION;
  LONG result;
  {
    std::lock_guard<std::mutex> guard(store->lock);
    result = store->EndBatch(commit);
  }
  store->batchEnded.notify_all();
  return result;
}

}  // namespace hk
